#include "plugin/analysis/TriangleSurface.h"

#include <cmath>
#include <limits>

#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/ULandUtils.h"

std::int32_t TruncToCoord(double value) {
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  constexpr double kMin = std::numeric_limits<std::int32_t>::min();
  if (std::isnan(value)) return 0;
  if (value >= kMax) return std::numeric_limits<std::int32_t>::max();
  if (value <= kMin) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);  // truncates toward zero
}

std::int32_t GetElevInTri(const TTINTriangle* tri, const KVPoint2D& p) {
  const TTINVtx* const* k = tri->fVertices;
  const std::int32_t x[3] = {k[0]->x, k[1]->x, k[2]->x};
  const std::int32_t y[3] = {k[0]->y, k[1]->y, k[2]->y};
  const std::int32_t z[3] = {k[0]->z, k[1]->z, k[2]->z};
  return GetElevInCorners(x, y, z, p);
}

std::int32_t GetElevInCorners(const std::int32_t x[3], const std::int32_t y[3], const std::int32_t z[3],
                              const KVPoint2D& p) {
  if (z[0] == z[1] && z[1] == z[2]) return z[0];
  const double x0 = x[0], y0 = y[0], z0 = z[0];
  const double ax = x[1] - x0, ay = y[1] - y0, az = z[1] - z0;
  const double bx = x[2] - x0, by = y[2] - y0, bz = z[2] - z0;
  const double nx = ay * bz - az * by;
  const double ny = az * bx - ax * bz;
  const double nz = ax * by - ay * bx;
  const double elev = z0 - (nx * (p.x - x0) + ny * (p.y - y0)) / nz;
  return TruncToCoord(elev);
}

double CalcAreaOfTriangle(const KVPoint2D& p0, const KVPoint2D& p1, const KVPoint2D& p2) {
  const double a = GetDistance(p0, p1);
  const double b = GetDistance(p1, p2);
  const double c = GetDistance(p2, p0);
  const double s = (b + c + a) * 0.5;
  const double product = (s - a) * (s - c) * (s - b) * s;
  return product > 0.0 ? std::sqrt(product) : 0.0;
}

double CalcTriangleArea(const TTINTriangle* tri) {
  KVPoint2D p[3];
  for (int i = 0; i < 3; ++i) tri->fVertices[i]->GetXY(&p[i]);
  return CalcAreaOfTriangle(p[0], p[1], p[2]);
}
