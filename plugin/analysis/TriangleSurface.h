// The surface of one triangle: the plane through its three corners, and its
// planimetric (x–y) area.  Areas are never slope areas.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"

class TTINTriangle;

// The elevation of the triangle's plane at p (y, x), extended beyond the
// triangle, truncated toward zero.  Three equal corner elevations give z0
// everywhere.  Precondition: the triangle has plan area (its corners are not
// collinear) and all three corners are set.  A plane value outside the 32-bit
// range saturates at the nearest limit.
std::int32_t GetElevInTri(const TTINTriangle* tri, const KVPoint2D& p);
// The same from copies of the corners (x[i], y[i], z[i] of corner i).
std::int32_t GetElevInCorners(const std::int32_t x[3], const std::int32_t y[3], const std::int32_t z[3],
                              const KVPoint2D& p);

// Heron's formula on the three planimetric side lengths (double).  The
// product under the root, which rounding can make a hair negative for a
// degenerate triangle, counts as 0.
double CalcAreaOfTriangle(const KVPoint2D& p0, const KVPoint2D& p1, const KVPoint2D& p2);

// CalcAreaOfTriangle of the corners' (x, y).
double CalcTriangleArea(const TTINTriangle* tri);

// A double converted to a 32-bit coordinate by truncation toward zero,
// saturating outside the range (and 0 for not-a-number).
std::int32_t TruncToCoord(double value);
