#include "plugin/triangulate/ULandUtils.h"

#include <cmath>

#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/Tolerances.h"

double GetAzimuth(const KVPoint2D& from, const KVPoint2D& to) {
  if (to.x == from.x) return to.y > from.y ? 0.0 : kPi;
  if (to.y == from.y) return to.x > from.x ? kHalfPi : 3.0 * kHalfPi;
  const double t = std::atan(DiffOf(to.x, from.x) / DiffOf(to.y, from.y));
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
  const double dx = DiffOf(q.x, p.x), dy = DiffOf(q.y, p.y);
  if (dx == 0.0) return std::fabs(dy);
  if (dy == 0.0) return std::fabs(dx);
  return std::sqrt(dx * dx + dy * dy);
}


int CompareWithTolerance(double a, double b, double tolerance) {
  if (std::fabs(a - b) <= tolerance) return 0;
  return a < b ? -1 : 1;
}

double GetAngleAtVertex(const KVPoint2D& p0, const KVPoint2D& p1, const KVPoint2D& p2) {
  const double back = NormalizeAngle(GetAzimuth(p0, p1) + kPi);
  return NormalizeAngle(back - GetAzimuth(p1, p2));
}


double GetVtxAzimuth(const TTINVtx* from, const TTINVtx* to) {
  return GetAzimuth(KVPoint2D{from->y, from->x}, KVPoint2D{to->y, to->x});
}

double GetVtxDistance(const TTINVtx* p, const TTINVtx* q) {
  return GetDistance(KVPoint2D{p->y, p->x}, KVPoint2D{q->y, q->x});
}
