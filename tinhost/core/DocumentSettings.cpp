// The drawing-wide settings: the class table, the units and the drawing's name.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "tinhost/core/Document.h"
#include "tinhost/core/HostError.h"

namespace tinhost {

std::int16_t Document::addClass(const std::string& name) {
  const auto it = std::find(s_.classes.begin(), s_.classes.end(), name);
  if (it != s_.classes.end()) return static_cast<std::int16_t>(it - s_.classes.begin() + 1);
  if (s_.classes.size() >= 0x7FFF) throw HostError("the class table is full");
  s_.classes.push_back(name);
  return static_cast<std::int16_t>(s_.classes.size());
}

void Document::setUnits(const UnitsRecord& units) {
  if (units.worldPerUnit <= 0) throw HostError("world units per user unit must be positive");
  s_.units = units;
}

void Document::setDrawingName(std::string name) { mut(s_.header).name = std::move(name); }

}  // namespace tinhost
