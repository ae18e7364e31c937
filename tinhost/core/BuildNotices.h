// What the builds of TINs left undone, as the plug-in reports it after each
// build (ReportBuildNotices in the callback block): breakline segments that
// are not chains of TIN edges, and polygon corners left out of their
// breaklines.  The host keeps the notices of every TIN's last build in the
// drawing, as the data object 'NOTE' (absent while there are none), so that
// `info` lists them later and undo takes them back with the command.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "plugin/host/KVABI.h"
#include "tinhost/core/DrawingUnits.h"

namespace tinhost {

inline constexpr std::uint32_t kBuildNoticesTag = 0x4E4F5445;  // "NOTE"

struct BuildNotice {
  std::string tin;           // the TIN whose build reported it
  std::int16_t kind = 0;     // kKVNoticeSegmentNotHeld or kKVNoticeCornerDropped
  std::uint32_t polygon = 0;  // the 3D polygon of the breakline
  std::string layer;         // the polygon's layer when the notice was made
  std::int32_t first = 0, second = 0;  // vertex numbers in the polygon
  std::int32_t x = 0, y = 0;           // world units
  std::int32_t count = 0;    // corners: drawn segments of the polygon not TIN edges
  friend bool operator==(const BuildNotice&, const BuildNotice&) = default;
};

std::vector<std::uint8_t> encodeBuildNotices(const std::vector<BuildNotice>& notices);
// Throws HostError when the bytes are not such a record.
std::vector<BuildNotice> decodeBuildNotices(std::span<const std::uint8_t> bytes);

// Where the drawing's world units lie in user units: the origin plus the
// coordinate over the world units per user unit, with the decimals that
// show one world unit.
struct UserPlace {
  const UnitsRecord& units;
  double originX = 0.0, originY = 0.0;
  double x(std::int32_t world) const;
  double y(std::int32_t world) const;
  std::string point(std::int32_t worldX, std::int32_t worldY) const;  // "(x, y) unit"
};

// The notices as lines for a person, without a prefix: one per segment, one
// per polygon for the corners it lost (in the order the polygons come).
std::vector<std::string> describeBuildNotices(const std::vector<BuildNotice>& notices,
                                              const UserPlace& place);

}  // namespace tinhost
