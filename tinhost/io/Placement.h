// Where real survey coordinates land in the drawing.
//
// World coordinates are signed 32-bit integers; one user unit (m or ft) is
// `worldPerUnit` of them.  Survey coordinates (UTM, state plane) are far too
// large for that at millimetre resolution, so the drawing keeps an origin: the
// real position, in user units, of world (0, 0).  It is chosen at the first
// import as a round number near the data and used by every import and export.
//   world = round((real - origin) * worldPerUnit)
//   real  = origin + world / worldPerUnit
// Elevations have no origin.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tinhost/core/DrawingUnits.h"

namespace tinhost::io {

// Origins are whole multiples of this many user units (a kilometre, or
// 1000 ft), so that the drawing's numbers stay readable.
inline constexpr double kOriginStep = 1000.0;

// A round origin for data spanning [low, high] on one axis.
double roundOrigin(double low, double high);

// The world coordinate of a real one, or nothing when it does not fit 32 bits.
std::optional<std::int32_t> toWorld(double real, double origin, std::int32_t worldPerUnit);
double toReal(std::int32_t world, double origin, std::int32_t worldPerUnit);

// Why a coordinate does not fit, in words, e.g. for an error message.
std::string doesNotFit(const char* axis, double real, double origin, const UnitsRecord& units);

}  // namespace tinhost::io
