// Plane-geometry utilities shared by the hull, triangulation, breakline,
// analysis and contour code.  Stateless, double arithmetic throughout.
//
// Points are (y, x) pairs like the host's 2D points.  Azimuths are radians,
// clockwise from +y, in [0, 2π): 0 points along +y, π/2 along +x, π along −y,
// 3π/2 along −x.  Differences of integer coordinates are formed in 64-bit
// integers (exact for every 32-bit input) and then converted to double.
#pragma once

#include <cmath>
#include <cstdint>

#include "plugin/host/KVABI.h"

class TTINVtx;
class TTINTriangle;

// A point with double coordinates, stored y first like KVPoint2D.
struct TRealPt {
  double y;
  double x;
};

double GetAzimuth(const KVPoint2D& from, const KVPoint2D& to);
double NormalizeAngle(double angle);
// Signed difference a2 − a1 brought into (−π, π]; direction is −1, 0 or +1
// (0 only for an exact zero difference; exactly π counts as +π, direction +1).
double GetAngleDifference(double a1, double a2, std::int16_t* direction);
double GetDistance(const TRealPt& p, const TRealPt& q);
double GetDistance(const KVPoint2D& p, const KVPoint2D& q);
// GetDistance(o, a) >= GetDistance(o, b), with the same answer for every
// input, mostly without the square roots: the squared distances decide
// unless they lie within a relative 1e-12 of each other (far beyond the few
// rounding errors either side carries), or are not finite or too large or
// small to square safely; then the distances are compared as they stand.
inline bool DistanceAtLeast(const TRealPt& o, const TRealPt& a, const TRealPt& b);
// 0 if |a − b| <= tolerance, else −1 if a < b, else +1.
int CompareWithTolerance(double a, double b, double tolerance);
// The angle at p1 through which the ray p1→p2 turns clockwise to reach the
// ray p1→p0, in [0, 2π).
double GetAngleAtVertex(const KVPoint2D& p0, const KVPoint2D& p1, const KVPoint2D& p2);
// Centre of the circle through the three corners, corner 1 taken as origin.
// Precondition: the corners are not collinear (the formulas divide by zero).
inline TRealPt GetCircumcenter(const KVPoint2D corners[3]);

// (i + k) mod 3 in 0..2 for k = 1, 2 or −1.
inline std::int16_t NextIndex(std::int16_t i, std::int16_t k) {
  // Steps of 0 to 2 forwards from a corner (nearly every call): a table
  // instead of a division, and no branch on which corner it is.
  static constexpr std::int16_t kWrapped[6] = {0, 1, 2, 0, 1, 2};
  const unsigned sum = static_cast<unsigned>(i + k);
  if (sum < 6) return kWrapped[sum];
  std::int16_t r = static_cast<std::int16_t>(i + k);
  if (r < 0) r = static_cast<std::int16_t>(r + 3);
  return static_cast<std::int16_t>(r % 3);
}

// GetAzimuth and GetDistance of two vertices' x, y.
double GetVtxAzimuth(const TTINVtx* from, const TTINVtx* to);
double GetVtxDistance(const TTINVtx* p, const TTINVtx* q);

// Defined here so that the repair's circle test, which calls both for nearly
// every pair it tests, has them in line (some 5% of a terrain build).

// The difference of two integer coordinates, exact in 64 bits, as a double.
inline double DiffOf(std::int32_t a, std::int32_t b) {
  return static_cast<double>(static_cast<std::int64_t>(a) - static_cast<std::int64_t>(b));
}

inline bool DistanceAtLeast(const TRealPt& o, const TRealPt& a, const TRealPt& b) {
  // Each squared distance carries at most two roundings of its two products
  // and sum; GetDistance adds one more for the root (or none when an axis
  // difference is 0).  Outside the margin the order of the squares is the
  // order of the distances GetDistance returns.
  constexpr double kMargin = 1e-12;
  constexpr double kSmallest = 1e-280, kLargest = 1e280;  // squares stay normal and finite
  const double ax = a.x - o.x, ay = a.y - o.y, bx = b.x - o.x, by = b.y - o.y;
  const double sa = ax * ax + ay * ay, sb = bx * bx + by * by;
  // One branch, nearly always taken, then the answer as a value: the
  // comparison's outcome is as good as random, and the caller branches on it.
  const bool inRange = (sb >= kSmallest) & (sb <= kLargest) & (sa <= kLargest);  // false for NaN
  const bool above = sa > sb * (1.0 + kMargin), below = sa < sb * (1.0 - kMargin);
  if (inRange & (above | below)) return above;
  return GetDistance(o, a) >= GetDistance(o, b);
}

inline TRealPt GetCircumcenter(const KVPoint2D corners[3]) {
  const KVPoint2D& c0 = corners[0];
  const KVPoint2D& c1 = corners[1];
  const KVPoint2D& c2 = corners[2];
  const TRealPt u{DiffOf(c0.y, c1.y), DiffOf(c0.x, c1.x)};
  const TRealPt w{DiffOf(c2.y, c1.y), DiffOf(c2.x, c1.x)};
  // Slopes of the perpendicular bisectors of u and w.
  auto mu = [&] { return -(1.0 / (u.y / u.x)); };
  auto mw = [&] { return -(1.0 / (w.y / w.x)); };
  double cx = 0.0, cy = 0.0;
  if (u.y == 0.0 && w.x == 0.0) {
    cx = u.x / 2.0;
    cy = w.y / 2.0;
  } else if (u.x == 0.0 && w.y == 0.0) {
    cx = w.x / 2.0;
    cy = u.y / 2.0;
  } else if (u.y == 0.0) {
    cx = u.x / 2.0;
    cy = w.y / 2.0 + mw() * (u.x / 2.0 - w.x / 2.0);
  } else if (w.y == 0.0) {
    cx = w.x / 2.0;
    cy = u.y / 2.0 + mu() * (w.x / 2.0 - u.x / 2.0);
  } else if (u.x == 0.0) {
    cy = u.y / 2.0;
    cx = (u.y / 2.0 - w.y / 2.0) / mw() + w.x / 2.0;
  } else if (w.x == 0.0) {
    cy = w.y / 2.0;
    cx = (w.y / 2.0 - u.y / 2.0) / mu() + u.x / 2.0;
  } else {
    const double ku = u.x * u.x / (2.0 * u.y) + u.y / 2.0;
    const double kw = w.x * w.x / (2.0 * w.y) + w.y / 2.0;
    const double slopeU = mu(), slopeW = mw();
    cx = (ku - kw) / (slopeW - slopeU);
    cy = slopeW * cx + kw;
  }
  return TRealPt{static_cast<double>(c1.y) + cy, static_cast<double>(c1.x) + cx};
}
