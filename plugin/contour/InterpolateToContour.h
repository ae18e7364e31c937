// Edge interpolation: the one place where a point at a contour elevation is
// computed on a triangle edge.  Contour tracing and the cut-and-fill
// computation share it.
#pragma once

#include <cstdint>

class TTINVtx;

// A plan point in the order of the TIN's vertex coordinates (x, then y).
struct TContourPt {
  std::int32_t x;
  std::int32_t y;
  friend bool operator==(const TContourPt&, const TContourPt&) = default;
};

// The point at elevation z on the edge from a to b:
//   t = (z - za) / (zb - za) in double precision,
//   (xa + (xb - xa) * t, ya + (yb - ya) * t), each truncated toward zero.
// When za == zb, t is 0 and the result is a itself.  z need not lie between
// za and zb; callers that want a point on the edge pass such a z.
TContourPt InterpolateToContour(const TTINVtx* a, const TTINVtx* b, std::int32_t z);
