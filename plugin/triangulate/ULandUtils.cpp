#include "plugin/triangulate/ULandUtils.h"

#include <cmath>

#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/Tolerances.h"

namespace {

double Diff(std::int32_t a, std::int32_t b) {
  return static_cast<double>(static_cast<std::int64_t>(a) - static_cast<std::int64_t>(b));
}

}  // namespace

double GetAzimuth(const KVPoint2D& from, const KVPoint2D& to) {
  if (to.x == from.x) return to.y > from.y ? 0.0 : kPi;
  if (to.y == from.y) return to.x > from.x ? kHalfPi : 3.0 * kHalfPi;
  const double t = std::atan(Diff(to.x, from.x) / Diff(to.y, from.y));
  if (to.y < from.y) return t + kPi;
  if (to.x < from.x) return t + kTwoPi;
  return t;
}

double NormalizeAngle(double angle) {
  while (angle < 0.0) angle += kTwoPi;
  while (angle >= kTwoPi) angle -= kTwoPi;
  return angle;
}

double GetAngleDifference(double a1, double a2, std::int16_t* direction) {
  double d = NormalizeAngle(a2 - a1);
  *direction = 1;
  if (d == 0.0) {
    *direction = 0;
  } else if (d > kPi) {
    d -= kTwoPi;
    *direction = -1;
  }
  return d;
}

double GetDistance(const TRealPt& p, const TRealPt& q) {
  const double dx = q.x - p.x, dy = q.y - p.y;
  if (dx == 0.0) return std::fabs(dy);
  if (dy == 0.0) return std::fabs(dx);
  return std::sqrt(dx * dx + dy * dy);
}

double GetDistance(const KVPoint2D& p, const KVPoint2D& q) {
  const double dx = Diff(q.x, p.x), dy = Diff(q.y, p.y);
  if (dx == 0.0) return std::fabs(dy);
  if (dy == 0.0) return std::fabs(dx);
  return std::sqrt(dx * dx + dy * dy);
}

bool DistanceAtLeast(const TRealPt& o, const TRealPt& a, const TRealPt& b) {
  // Each squared distance carries at most two roundings of its two products
  // and sum; GetDistance adds one more for the root (or none when an axis
  // difference is 0).  Outside the margin the order of the squares is the
  // order of the distances GetDistance returns.
  constexpr double kMargin = 1e-12;
  constexpr double kSmallest = 1e-280, kLargest = 1e280;  // squares stay normal and finite
  const double ax = a.x - o.x, ay = a.y - o.y, bx = b.x - o.x, by = b.y - o.y;
  const double sa = ax * ax + ay * ay, sb = bx * bx + by * by;
  if (sb >= kSmallest && sb <= kLargest && sa <= kLargest) {  // false for NaN
    if (sa > sb * (1.0 + kMargin)) return true;
    if (sa < sb * (1.0 - kMargin)) return false;
  }
  return GetDistance(o, a) >= GetDistance(o, b);
}

int CompareWithTolerance(double a, double b, double tolerance) {
  if (std::fabs(a - b) <= tolerance) return 0;
  return a < b ? -1 : 1;
}

double GetAngleAtVertex(const KVPoint2D& p0, const KVPoint2D& p1, const KVPoint2D& p2) {
  const double back = NormalizeAngle(GetAzimuth(p0, p1) + kPi);
  return NormalizeAngle(back - GetAzimuth(p1, p2));
}

TRealPt GetCircumcenter(const KVPoint2D corners[3]) {
  const KVPoint2D& c0 = corners[0];
  const KVPoint2D& c1 = corners[1];
  const KVPoint2D& c2 = corners[2];
  const TRealPt u{Diff(c0.y, c1.y), Diff(c0.x, c1.x)};
  const TRealPt w{Diff(c2.y, c1.y), Diff(c2.x, c1.x)};
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

double GetVtxAzimuth(const TTINVtx* from, const TTINVtx* to) {
  return GetAzimuth(KVPoint2D{from->y, from->x}, KVPoint2D{to->y, to->x});
}

double GetVtxDistance(const TTINVtx* p, const TTINVtx* q) {
  return GetDistance(KVPoint2D{p->y, p->x}, KVPoint2D{q->y, q->x});
}
