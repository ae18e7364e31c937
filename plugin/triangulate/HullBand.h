// The vertices that the hull walk can choose.
//
// The walk (ConvexHull.h) picks, from the current vertex, the smallest
// clockwise turn computed in doubles.  From a vertex on or next to the hull's
// boundary the true best turn runs along the boundary; a vertex whose
// distance from the boundary is d turns at least d / D more (D the extent of
// the data), while the doubles are off by about 1e-15 radians.  So a vertex
// farther than kHullBandRatio · D from the boundary can never win a step, and
// the walk over the others, in the same order, appends the same hull.
//
// The boundary is the exact convex hull of its strict corners (monotone
// chains with exact orientation tests).  A vertex within d of a hull edge lies
// within d·√2 of the boundary vertically or horizontally, so the test keeps
// every vertex within that of the lower or upper chain (by x) or of the left
// or right chain (by y).  Most vertices are dismissed earlier by the octagon
// of the extreme vertices in x, y, x + y and x − y, which lies inside the hull.
#pragma once

#include <cstdint>

class TTINVtx;

// The band as a fraction of the data's extent: 1e-9 radians, a million times
// the rounding of the walk's turns.
constexpr long double kHullBandRatio = 1e-9L;

// Moves the vertices of v[0 .. n-1] that lie within the band to the front,
// keeping their order, and returns their number.  Without memory for the
// test, or for fewer than 8 vertices, all n are kept.
std::int32_t KeepHullBand(TTINVtx** v, std::int32_t n);
