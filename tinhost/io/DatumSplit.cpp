#include "tinhost/io/DatumSplit.h"

#include <cmath>

namespace tinhost::io {
namespace {

// The point of the edge pq at the datum; p and q lie on opposite sides.
SurfacePoint crossing(const SurfacePoint& p, const SurfacePoint& q, double datum) {
  const double t = (datum - p.z) / (q.z - p.z);
  return {p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t, datum};
}

DatumPart part(std::vector<SurfacePoint> corners, DatumSide side, double datum) {
  double sum = 0;
  for (const SurfacePoint& c : corners) sum += c.z - datum;
  const double depth = sum / static_cast<double>(corners.size());
  return {std::move(corners), side, depth};
}

}  // namespace

double planArea(const std::vector<SurfacePoint>& corners) {
  double twice = 0;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const SurfacePoint& p = corners[i];
    const SurfacePoint& q = corners[(i + 1) % corners.size()];
    twice += p.x * q.y - q.x * p.y;
  }
  return std::fabs(twice) / 2.0;
}

void splitAtDatum(const std::array<SurfacePoint, 3>& abc, double datum,
                  std::vector<DatumPart>& out) {
  bool above = false, below = false;
  for (const SurfacePoint& p : abc) above |= p.z > datum, below |= p.z < datum;
  if (!above && !below) {
    out.push_back(part({abc.begin(), abc.end()}, DatumSide::Level, datum));
    return;
  }
  if (!below || !above) {
    out.push_back(part({abc.begin(), abc.end()}, above ? DatumSide::Cut : DatumSide::Fill, datum));
    return;
  }
  // The plane crosses the triangle: walk its edges once, sending each corner
  // to its side (both when at the datum) and each crossing to both.
  std::vector<SurfacePoint> cut, fill;
  for (std::size_t i = 0; i < 3; ++i) {
    const SurfacePoint& p = abc[i];
    const SurfacePoint& q = abc[(i + 1) % 3];
    if (p.z >= datum) cut.push_back(p);
    if (p.z <= datum) fill.push_back(p);
    if ((p.z > datum && q.z < datum) || (p.z < datum && q.z > datum)) {
      const SurfacePoint x = crossing(p, q, datum);
      cut.push_back(x);
      fill.push_back(x);
    }
  }
  out.push_back(part(std::move(cut), DatumSide::Cut, datum));
  out.push_back(part(std::move(fill), DatumSide::Fill, datum));
}

DatumAreas areasAgainstDatum(const StoredSurface& surface, double datum) {
  DatumAreas areas;
  std::vector<DatumPart> parts;
  for (const auto& t : surface.triangles) {
    parts.clear();
    splitAtDatum({surface.vertices[static_cast<std::size_t>(t[0])],
                  surface.vertices[static_cast<std::size_t>(t[1])],
                  surface.vertices[static_cast<std::size_t>(t[2])]},
                 datum, parts);
    for (const DatumPart& p : parts) {
      const double a = planArea(p.corners);
      (p.side == DatumSide::Cut    ? areas.cut
       : p.side == DatumSide::Fill ? areas.fill
                                   : areas.level) += a;
    }
  }
  return areas;
}

}  // namespace tinhost::io
