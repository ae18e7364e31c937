// The exact geometric decisions of the triangulation, in one file.  Inputs are
// 32-bit world coordinates; every decision is exact for all of them.  The
// products of 32-bit differences need up to 66 bits (orientation) and 132 bits
// (in-circle), more than a double's 53-bit mantissa, so they are formed in
// 128-bit and 256-bit integers (the orientation after a filter in doubles).
// No other code compares a determinant with zero.
#pragma once

#include <cmath>
#include <cstdint>

// The orientation determinant in 128-bit integers (OrientSign's last resort).
int OrientSignExact(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by,
                    std::int32_t px, std::int32_t py);

// Sign (-1, 0, +1) of (bx − ax)·(py − ay) − (by − ay)·(px − ax): +1 when P lies
// to the left of the directed line A→B (counter-clockwise turn), −1 to the
// right, 0 on the line.  Inside a clockwise triangle every edge gives −1.
//
// The differences are exact in doubles (33 bits); each product and the
// difference of the two round once, so the computed determinant is within
// about 3·2^-53 of (|l| + |r|) of the true one.  Beyond eight times that the
// computed sign is the true sign; closer to zero (and at zero) the 128-bit
// determinant decides.  (Rounding is monotonic, so without a fused
// multiply-add the computed sign is never the opposite one, only a false
// zero; the bound also holds where the compiler fuses the products.)
inline int OrientSign(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by,
                      std::int32_t px, std::int32_t py) {
  constexpr double kErrorBound = 8.0 / 9007199254740992.0;  // 8 · 2^-53
  const double ex = static_cast<double>(std::int64_t{bx} - ax);
  const double ey = static_cast<double>(std::int64_t{by} - ay);
  const double qx = static_cast<double>(std::int64_t{px} - ax);
  const double qy = static_cast<double>(std::int64_t{py} - ay);
  const double l = ex * qy, r = ey * qx;
  const double det = l - r;
  const double bound = kErrorBound * (std::fabs(l) + std::fabs(r));
  // The sign without a branch on it (which way a point lies is as good as
  // random); the branch to the exact sign is almost never taken.
  const int sign = static_cast<int>(det > bound) - static_cast<int>(det < -bound);
  if (sign != 0) [[likely]] return sign;
  return OrientSignExact(ax, ay, bx, by, px, py);
}

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
