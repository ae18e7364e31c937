#include "tinhost/io/RepeatedXY.h"

#include <algorithm>

namespace tinhost::io {

RepeatedXY findRepeatedXY(std::vector<std::uint64_t> keys) {
  std::sort(keys.begin(), keys.end());
  RepeatedXY r;
  for (std::size_t i = 1; i < keys.size(); ++i) {
    if (keys[i] != keys[i - 1]) continue;
    if (r.count++ == 0) {
      r.x = static_cast<std::int32_t>(static_cast<std::uint32_t>(keys[i] >> 32));
      r.y = static_cast<std::int32_t>(static_cast<std::uint32_t>(keys[i]));
    }
  }
  return r;
}

}  // namespace tinhost::io
