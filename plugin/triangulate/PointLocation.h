// Point location: the triangle's own in-or-on test, which also says where to
// go next when the point lies outside, and the TIN's straight walk from a
// start near the point through neighbours until the test succeeds.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"

class TTIN;
class TTINTriangle;
class TTINVtx;

// True when p (y, x) lies inside `tri` or on one of its edges; *edge is then
// the edge it lies on, −1 if strictly inside (a corner counts as on the first
// of its two edges tested).  The edge that starts at `skip` (the corner the
// walk arrived past) is not tested.  When false, *next is the neighbour to
// step to (null when p lies beyond a hull edge) and *nextSkip the corner that
// the neighbour need not test.  Every decision is exact.
bool EnclosesXY(const TTINTriangle* tri, const KVPoint2D& p, const TTINVtx* skip,
                TTINTriangle** next, TTINVtx** nextSkip, std::int16_t* edge);

// EnclosesXY's answer with no corner skipped, from the corners' coordinates
// alone (x[i], y[i] of corner i): the same exact tests in the same order, so
// that an index holding copies of the corners answers as the triangle would.
bool CornersEncloseXY(const std::int32_t x[3], const std::int32_t y[3], const KVPoint2D& p);

// The triangle that contains p, or null (outside the TIN, no start triangle,
// the walk turning back on one of its last two triangles, or more steps than
// there are triangles).  *edge as in EnclosesXY, −1 on failure.  The walk
// starts from the triangle of the nearest vertex when fVtxArrayByX exists,
// else from fTriLastFoundIn, else from the first triangle; a successful walk
// leaves its triangle in fTriLastFoundIn.
TTINTriangle* GetTriangleInWhichXYFalls(TTIN* tin, const KVPoint2D& p, std::int16_t* edge);
