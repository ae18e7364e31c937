// The drawing's units: how many world units (the integer coordinates of the
// drawing) make one user unit, and whether that unit is the metre or the foot.
// Lengths are shown with as many decimals as the resolution can express
// (1000 world units per metre: millimetres, three decimals), at most four.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "plugin/host/KVABI.h"

namespace tinhost {

enum class UnitKind : std::int16_t { Metre = 0, Foot = 1 };

struct UnitsRecord {
  std::int32_t worldPerUnit = 1000;
  UnitKind kind = UnitKind::Metre;
  double scale = 1.0;  // second scale factor, handed out as an 80-bit real
};

std::string_view unitName(UnitKind kind);
// The record as the callback block hands it out.
KVUnits toABI(const UnitsRecord& units);
// Decimals that show one world unit: the smallest d with 10^d >= worldPerUnit, at most 4.
int displayDecimals(std::int32_t worldPerUnit);
// A length in world units as user units, e.g. 12500 -> "12.500"; with the unit: "12.500 m".
std::string formatLength(std::int64_t world, const UnitsRecord& units, bool withUnit);
// Reads a length typed in user units ("12.5", "-3", "12.5 m") back into world
// units, rounded to the nearest; nothing when the text is not a number or the
// result leaves the 32-bit range.
std::optional<std::int32_t> parseLength(std::string_view text, const UnitsRecord& units);

}  // namespace tinhost
