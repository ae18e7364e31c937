// Length-prefixed texts as they cross the callback block: the first byte is
// the length, at most 255 characters follow.  The host keeps std::string
// internally and converts only at the boundary.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tinhost {

inline constexpr std::size_t kMaxPStringLength = 255;

// Reads a length-prefixed text; a null pointer reads as the empty text.
inline std::string fromPString(const unsigned char* p) {
  if (p == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}

// Writes `text` as a length-prefixed text, cut to `capacity` characters
// (the buffer must hold capacity + 1 bytes).  A null buffer is ignored.
inline void toPString(std::string_view text, unsigned char* out,
                      std::size_t capacity = kMaxPStringLength) {
  if (out == nullptr) return;
  const std::size_t n = std::min({text.size(), capacity, kMaxPStringLength});
  out[0] = static_cast<unsigned char>(n);
  if (n > 0) std::memcpy(out + 1, text.data(), n);
}

}  // namespace tinhost
