// Length-prefixed texts: the first byte is the length, the characters follow.
// Capacities count characters (a name field of 21 characters is 22 bytes).
// Copying and appending cut at the destination's capacity.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

constexpr int kNameCapacity = 21;    // TIN, layer and class names
constexpr int kTextCapacity = 255;   // alert and report texts

typedef unsigned char Str21[kNameCapacity + 1];
typedef unsigned char Str255[kTextCapacity + 1];

inline int PLen(const unsigned char* s) { return s ? s[0] : 0; }

inline std::string_view PView(const unsigned char* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s + 1), s[0]) : std::string_view();
}

// dst = src cut to `capacity` characters.
inline void PCopy(unsigned char* dst, const unsigned char* src, int capacity) {
  int n = PLen(src);
  if (n > capacity) n = capacity;
  if (n > 0) std::memmove(dst + 1, src + 1, static_cast<std::size_t>(n));
  dst[0] = static_cast<unsigned char>(n);
}

// dst += src, the result cut to `capacity` characters.
inline void PAppend(unsigned char* dst, const unsigned char* src, int capacity) {
  int have = dst[0];
  int n = PLen(src);
  if (have + n > capacity) n = capacity - have;
  if (n <= 0) return;
  std::memmove(dst + 1 + have, src + 1, static_cast<std::size_t>(n));
  dst[0] = static_cast<unsigned char>(have + n);
}

// dst = the characters of `text`, cut to `capacity`.
inline void PFromView(unsigned char* dst, std::string_view text, int capacity) {
  std::size_t n = text.size() < static_cast<std::size_t>(capacity) ? text.size()
                                                                   : static_cast<std::size_t>(capacity);
  if (n > 0) std::memcpy(dst + 1, text.data(), n);
  dst[0] = static_cast<unsigned char>(n);
}

inline void PAppendView(unsigned char* dst, std::string_view text, int capacity) {
  Str255 tmp;
  PFromView(tmp, text, kTextCapacity);
  PAppend(dst, tmp, capacity);
}
