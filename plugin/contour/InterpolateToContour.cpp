#include "plugin/contour/InterpolateToContour.h"

#include "plugin/model/TTINVtx.h"
#include "plugin/shell/Trace.h"

TContourPt InterpolateToContour(const TTINVtx* a, const TTINVtx* b, std::int32_t z) {
  // Differences in 64 bits: exact for every pair of 32-bit values.
  const std::int64_t dz = std::int64_t{b->z} - a->z;
  double t = 0.0;
  if (dz == 0) Trace(kTraceBuild, "  In InterpolateToContour; denominator == 0\n");
  else t = static_cast<double>(std::int64_t{z} - a->z) / static_cast<double>(dz);
  const double x = a->x + static_cast<double>(std::int64_t{b->x} - a->x) * t;
  const double y = a->y + static_cast<double>(std::int64_t{b->y} - a->y) * t;
  // Conversion truncates toward zero.
  return TContourPt{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
}
