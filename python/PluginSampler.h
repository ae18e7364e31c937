// The elevation of a stored TIN at plan points, answered by the plug-in's
// own code: its reader loads the TIN from the drawing's data object and its
// surface sampler (the one the difference TIN samples a base with) gives,
// for each point, the first listed vertex at that position or else the plane
// of the first listed triangle that encloses it, truncated toward zero to a
// whole world unit.  The module links the plug-in's static library for this
// alone; it is the one file of the module that reaches past the callback
// block, and it keeps every plug-in type out of this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tinhost {
class Host;
}

namespace tinhost::python {

struct WorldPoint {
  std::int32_t x = 0, y = 0;
};

// One stored TIN loaded by the plug-in's reader, with its sampler built,
// kept for as long as the drawing does not change: sampling it again costs
// only the lookups.  It holds plug-in memory from `host`, so it must go
// before the host does.
class StoredTINSampler {
 public:
  // Loads the stored TIN at `index` (0-based, in stored order).  Throws
  // HostError when the drawing holds no such TIN, when the TIN is kept
  // without its triangles (notResident), or when the plug-in cannot read it.
  StoredTINSampler(Host& host, std::size_t index);
  ~StoredTINSampler();
  StoredTINSampler(const StoredTINSampler&) = delete;
  StoredTINSampler& operator=(const StoredTINSampler&) = delete;

  // Elevations in world units at each point; nothing where the TIN does not
  // cover the point.
  std::vector<std::optional<std::int32_t>> sample(std::span<const WorldPoint> points) const;

 private:
  struct Loaded;
  Host& host_;
  std::unique_ptr<Loaded> loaded_;
};

}  // namespace tinhost::python
