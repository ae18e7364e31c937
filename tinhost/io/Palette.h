// The host's 256-colour palette, and how an object's colour record maps to it.
//
// The third byte of an object's 4-byte colour record is its palette index.
// The palette runs from white through a 6 x 6 x 6 colour cube (red, then green,
// then blue falling from 0xFF to 0x00 in steps of 0x33; black left out), then
// ten-step ramps of pure red, green, blue and grey without the cube's levels,
// and black last:
//     0..214    cube, 0 = white, 5 = 0xFFFF00 ... 210 = 0x0000FF
//   215..224    red ramp 0xEE .. 0x11      225..234  green ramp
//   235..244    blue ramp                  245..254  grey ramp
//   255         black
// A record that was never set (all four bytes zero) draws in the default pen,
// black, so that objects made without a colour stay visible on paper.
#pragma once

#include <cstdint>

#include "tinhost/core/Document.h"

namespace tinhost::io {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr int kColorIndexByte = 2;

Rgb paletteColor(std::uint8_t index);
// The colour an object draws in.
Rgb objectColor(const Color& record);
// True when the record was never set (the default pen).
bool isDefaultColor(const Color& record);

// The nearest colour of the 255 indexed colours common CAD programs share
// in DXF files (group code 62), for programs that ignore true colour.
int nearestDxfColorIndex(Rgb c);

}  // namespace tinhost::io
