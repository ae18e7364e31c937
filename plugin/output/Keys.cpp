#include "plugin/output/Keys.h"

#include "plugin/host/KVEmul.h"

namespace {
constexpr int kKeyMapBytes = 16;
}

bool IsKeyDown(KVCallback cb, std::int16_t keyCode) {
  if (keyCode < 0 || keyCode >= kKeyMapBytes * 8) return false;
  std::uint8_t keys[kKeyMapBytes] = {};
  KVE_GetKeys(cb, keys);
  return ((keys[keyCode / 8] >> (keyCode % 8)) & 1) != 0;
}
