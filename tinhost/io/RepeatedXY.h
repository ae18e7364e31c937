// Points that share their x and y once in world units: the TIN keeps only
// the first at each position, so an import says how many there are instead
// of letting them vanish without a word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tinhost::io {

struct RepeatedXY {
  std::size_t count = 0;      // points at the position of an earlier point
  std::int32_t x = 0, y = 0;  // the first such position in key order
};

inline std::uint64_t xyKey(std::int32_t x, std::int32_t y) {
  return std::uint64_t{static_cast<std::uint32_t>(x)} << 32 | static_cast<std::uint32_t>(y);
}

// Takes the keys (xyKey of each point) by value: they are sorted in place.
RepeatedXY findRepeatedXY(std::vector<std::uint64_t> keys);

}  // namespace tinhost::io
