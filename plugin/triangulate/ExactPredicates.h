// The exact geometric decisions of the triangulation, in one file.  Inputs are
// 32-bit world coordinates; every decision is exact for all of them.  The
// products of 32-bit differences need up to 66 bits (orientation) and 132 bits
// (in-circle), more than a double's 53-bit mantissa, so they are formed in
// 128-bit and 256-bit integers.  No other code compares a determinant with
// zero.
#pragma once

#include <cstdint>

// Sign (-1, 0, +1) of (bx − ax)·(py − ay) − (by − ay)·(px − ax): +1 when P lies
// to the left of the directed line A→B (counter-clockwise turn), −1 to the
// right, 0 on the line.  Inside a clockwise triangle every edge gives −1.
int OrientSign(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by,
               std::int32_t px, std::int32_t py);

// True when the corners A, B, C run clockwise with x right and y up (a proper,
// non-degenerate triangle of the TIN's convention).
inline bool IsClockwiseExact(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by,
                             std::int32_t cx, std::int32_t cy) {
  return OrientSign(ax, ay, bx, by, cx, cy) < 0;
}

// +1 when D lies strictly inside the circle through A, B and C, 0 on it, −1
// outside, whatever the orientation of A, B, C.  0 when A, B, C are collinear
// (there is no circle).
int InCircleSign(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by,
                 std::int32_t cx, std::int32_t cy, std::int32_t dx, std::int32_t dy);

// True when P lies in the closed axis-parallel box spanned by A and B.
inline bool InClosedBox(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by,
                        std::int32_t px, std::int32_t py) {
  const std::int32_t loX = ax < bx ? ax : bx, hiX = ax < bx ? bx : ax;
  const std::int32_t loY = ay < by ? ay : by, hiY = ay < by ? by : ay;
  return loX <= px && px <= hiX && loY <= py && py <= hiY;
}
