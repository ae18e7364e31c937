// Whether a key is held down, from the host's 16-byte keyboard map.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"

// The Option key, which makes the change command skip its dialog.
constexpr std::int16_t kKeyOption = 58;

// Bit (key mod 8) of byte (key / 8) of the keyboard map.  Key codes outside
// the map (0 to 127) are never down.
bool IsKeyDown(KVCallback cb, std::int16_t keyCode);
