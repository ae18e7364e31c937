#include "tinhost/io/Placement.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace tinhost::io {

double roundOrigin(double low, double high) {
  const double centre = low + (high - low) / 2.0;
  return std::round(centre / kOriginStep) * kOriginStep;
}

std::optional<std::int32_t> toWorld(double real, double origin, std::int32_t worldPerUnit) {
  const double world = std::round((real - origin) * static_cast<double>(worldPerUnit));
  if (!(world >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
        world <= static_cast<double>(std::numeric_limits<std::int32_t>::max())))
    return std::nullopt;
  return static_cast<std::int32_t>(world);
}

double toReal(std::int32_t world, double origin, std::int32_t worldPerUnit) {
  return origin + static_cast<double>(world) / static_cast<double>(worldPerUnit);
}

std::string doesNotFit(const char* axis, double real, double origin, const UnitsRecord& units) {
  const std::string unit(unitName(units.kind));
  const double reach = static_cast<double>(std::numeric_limits<std::int32_t>::max()) / units.worldPerUnit;
  char buf[320];
  std::snprintf(buf, sizeof buf,
                "%s %.3f %s does not fit the drawing: it lies %.0f %s from the drawing's origin (%.0f %s), "
                "and at %d world units per %s the drawing reaches only %.0f %s either side of it",
                axis, real, unit.c_str(), std::fabs(real - origin), unit.c_str(), origin, unit.c_str(),
                units.worldPerUnit, unit.c_str(), reach, unit.c_str());
  return buf;
}

}  // namespace tinhost::io
