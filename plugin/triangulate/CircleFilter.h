// The repair's circle test decided without its circumcentre where that is
// safe.
//
// The test proper (CheckIfDelauneyOkay) finds the centre of the circle through
// a triangle's corners by the slopes of two perpendicular bisectors, up to
// seven divisions in a chain, and then compares two distances from that
// rounded centre.  Its outcome is what the build's results rest on, so it
// must not change; but the rounded centre lies within a computable distance
// of the true one, and where the far vertex lies well enough inside or
// outside the true circle, the rounded centre cannot turn the comparison.
// This filter computes the in-circle determinant (no division on the way)
// and a bound on everything the rounding of the test can move, and answers
// only when the determinant clears that bound.
#pragma once

#include <cmath>
#include <cstdint>

#include "plugin/triangulate/ULandUtils.h"

namespace circle_filter {

// What the test says of corners 0, 1, 2 and far vertex q, when that can be
// told without making it: the corners are clearly not on one line (the
// test's check for a corner on the opposite side would not fire) and the
// slope-based circle's comparison is clear.
struct TVerdict {
  int decided;  // 0: too close to call, and the test must be made as it stands
  bool pass;    // when decided: the test passes (q not nearer the centre than corner 0)
};

// Only the general case of the centre's formulas is handled: corner 1 as
// origin, u = corner 0 - corner 1 and w = corner 2 - corner 1 with no zero
// component (with one, as on grids, another branch of the formulas runs),
// and the shape limits below.
//
// Error analysis, with e = 2^-53, the exact centre o = (Nx, Ny) / (2C),
// C = Ux Wy - Uy Wx, Nx = |u|^2 Wy - |w|^2 Uy, Ny = |w|^2 Ux - |u|^2 Wx,
// G = 2|C|, Ka = |u|^2 |Wy| + |w|^2 |Uy|, Kb = |Ux Wy| + |Uy Wx|:
//  - the test's slopes carry 2e, its intercepts ku, kw (two terms of one
//    sign) 3e, so its x offset is off by at most
//    dx = 1.01 (3e Ka / G + |Nx| / G (2e Kb / |C| + 3e));
//  - its y offset, slope Wx/Wy times x offset plus intercept, by at most
//    1.01 (|Wx/Wy| (3e |Nx| / G + dx) + 3e |w|^2 / (2|Wy|) + e |Ny| / G)
//    (a fused multiply-add only makes it smaller);
//  - adding corner 1's coordinates, by e times their magnitude each;
//  - each distance the test compares carries at most 4e relative error.
// With the shape limits (Kb <= 2^10 |C|, |Uy| <= 2^10 |Ux|, and |Wx|, |Wy|
// within 2^10 of each other) and L the sum of the six coordinate
// differences' magnitudes, Ka / G <= 1025 * 1024 L, |Wx/Wy| <= 1024 and
// |w|^2 / (2|Wy|) <= 513 L, so the centre's whole error d satisfies
//   d <= e (3.33e9 L + 2.17e6 (|Nx| + |Ny|) / G + 1.01 (|x1| + |y1|)).
// The last term is at most 1.01 * 2^32 e, and L >= 4 (no zero component),
// so it is folded into the first as 1.09e9 e L.
// With S = |p|_1 + 2 (|Nx| + |Ny|) / G >= |q - o| + |o| (p = q - corner 1),
// the test's comparison agrees with the exact one when
// |(|q - o|^2 - |o|^2)| > S (2d + 8e S).  That difference is E / C with
// E = |p|^2 C - px Nx - py Ny, computed here within 12e of its sum of
// absolute terms, itself at most 3 L^4.  Multiplied through by G^2 (so that
// no division holds up the answer) and with every constant rounded up, that
// is the comparison of `clear` with `margin` below.  All magnitudes stay far
// inside the double range for 32-bit coordinates.
inline TVerdict Judge(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                      std::int32_t x2, std::int32_t y2, std::int32_t qx, std::int32_t qy) {
  constexpr double e = 1.0 / 9007199254740992.0;  // 2^-53
  const double ux = DiffOf(x0, x1), uy = DiffOf(y0, y1);
  const double wx = DiffOf(x2, x1), wy = DiffOf(y2, y1);
  if ((ux == 0.0) | (uy == 0.0) | (wx == 0.0) | (wy == 0.0)) return TVerdict{0, false};
  const double px = DiffOf(qx, x1), py = DiffOf(qy, y1);
  const double uu = ux * ux + uy * uy, ww = wx * wx + wy * wy, pp = px * px + py * py;
  const double uxwy = ux * wy, uywx = uy * wx;
  const double c = uxwy - uywx;
  const double nx = uu * wy - ww * uy, ny = ww * ux - uu * wx;
  const double det = pp * c - px * nx - py * ny;

  const double aux = std::fabs(ux), auy = std::fabs(uy), awx = std::fabs(wx), awy = std::fabs(wy);
  const double ac = std::fabs(c), kb = std::fabs(uxwy) + std::fabs(uywx);
  // The shape limits: sides too near an axis, or corners too near a line,
  // are left to the test.
  constexpr double kRatio = 1024.0;
  const int shaped =
      (kb <= kRatio * ac) & (auy <= kRatio * aux) & (awy <= kRatio * awx) & (awx <= kRatio * awy);
  // Every side is at most lt long and |C| is the product of two sides and
  // the sine of the angle between them: beyond this no angle's sine is below
  // 2e-6, so the test's check for a corner on the opposite side (a sine
  // below 1e-6, from values whose rounding is a few e) would not fire.
  const double lt = aux + auy + awx + awy, lt2 = lt * lt;
  const int proper = ac * ac > 4e-12 * (lt2 * lt2);
  const double l = lt + std::fabs(px) + std::fabs(py);
  const double g = 2 * ac;
  const double rc = std::fabs(nx) + std::fabs(ny);  // the centre's offset times G
  const double sg = (std::fabs(px) + std::fabs(py)) * g + 2 * rc;
  const double margin = e * sg * (g * 9e9 * l + 2.31e6 * sg);
  const double l2 = l * l;
  const double clear = 2 * g * (std::fabs(det) - 144 * e * (l2 * l2));
  // |q - o|^2 - |o|^2 = det / c: positive when q lies outside.  The answer
  // does not wait for the bound, which nearly always holds.
  return TVerdict{shaped & proper & (clear > margin * (1 + 1e-9)), (det > 0) == (c > 0)};
}

}  // namespace circle_filter
