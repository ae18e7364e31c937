#include "tinhost/core/DrawingUnits.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "tinhost/core/PStringConversion.h"
#include "tinhost/core/X80.h"

namespace tinhost {

std::string_view unitName(UnitKind kind) { return kind == UnitKind::Foot ? "ft" : "m"; }

KVUnits toABI(const UnitsRecord& units) {
  KVUnits out{};
  out.worldPerUnit = units.worldPerUnit;
  out.unitKind = static_cast<std::int16_t>(units.kind);
  toX80(units.scale, out.scale80);
  toPString(unitName(units.kind), out.name, sizeof(out.name) - 1);
  return out;
}

int displayDecimals(std::int32_t worldPerUnit) {
  int d = 0;
  std::int64_t p = 1;
  while (p < worldPerUnit && d < 4) {
    p *= 10;
    ++d;
  }
  return d;
}

std::string formatLength(std::int64_t world, const UnitsRecord& units, bool withUnit) {
  const std::int32_t per = units.worldPerUnit > 0 ? units.worldPerUnit : 1;
  const double value = static_cast<double>(world) / per;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", displayDecimals(per), value);
  std::string text = buf;
  if (text.starts_with("-") && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  if (withUnit) {
    text += ' ';
    text += unitName(units.kind);
  }
  return text;
}

std::optional<std::int32_t> parseLength(std::string_view text, const UnitsRecord& units) {
  auto trim = [](std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
  };
  text = trim(text);
  const std::string_view unit = unitName(units.kind);
  if (text.ends_with(unit)) text = trim(text.substr(0, text.size() - unit.size()));
  if (text.empty()) return std::nullopt;
  const std::string s(text);
  char* end = nullptr;
  const double value = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(value)) return std::nullopt;
  const double world = std::round(value * units.worldPerUnit);
  if (world < std::numeric_limits<std::int32_t>::min() || world > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(world);
}

}  // namespace tinhost
