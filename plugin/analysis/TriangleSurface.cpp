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
  const TTINVtx* k0 = tri->fVertices[0];
  const TTINVtx* k1 = tri->fVertices[1];
  const TTINVtx* k2 = tri->fVertices[2];
  if (k0->z == k1->z && k1->z == k2->z) return k0->z;

  const double x0 = k0->x, y0 = k0->y, z0 = k0->z;
  const double ax = k1->x - x0, ay = k1->y - y0, az = k1->z - z0;
  const double bx = k2->x - x0, by = k2->y - y0, bz = k2->z - z0;
  const double nx = ay * bz - az * by;
  const double ny = az * bx - ax * bz;
  const double nz = ax * by - ay * bx;
  const double z = z0 - (nx * (p.x - x0) + ny * (p.y - y0)) / nz;
  return TruncToCoord(z);
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
