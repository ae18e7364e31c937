#include "tinhost/io/Palette.h"

#include <array>
#include <cmath>
#include <limits>

namespace tinhost::io {
namespace {

constexpr std::uint8_t kRamp[10] = {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11};

// The DXF indexed colours: 1..9 fixed, 10..249 24 hues x 5 shades x 2
// saturations, 250..255 greys.
std::array<Rgb, 256> dxfColors() {
  std::array<Rgb, 256> t{};
  const Rgb fixed[10] = {{0, 0, 0},     {255, 0, 0},   {255, 255, 0},   {0, 255, 0},     {0, 255, 255},
                         {0, 0, 255},   {255, 0, 255}, {0, 0, 0},       {128, 128, 128}, {192, 192, 192}};
  for (int i = 0; i < 10; ++i) t[i] = fixed[i];
  constexpr double kShade[5] = {1.0, 0.65, 0.5, 0.3, 0.15};
  for (int i = 10; i < 250; ++i) {
    const double hue = (i / 10 - 1) * 15.0, value = kShade[(i % 10) / 2], sat = (i % 2) ? 0.5 : 1.0;
    const double h = hue / 60.0, f = h - std::floor(h);
    const double p = value * (1 - sat), q = value * (1 - sat * f), u = value * (1 - sat * (1 - f));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(h) % 6) {
      case 0: r = value, g = u, b = p; break;
      case 1: r = q, g = value, b = p; break;
      case 2: r = p, g = value, b = u; break;
      case 3: r = p, g = q, b = value; break;
      case 4: r = u, g = p, b = value; break;
      default: r = value, g = p, b = q; break;
    }
    t[i] = {static_cast<std::uint8_t>(r * 255), static_cast<std::uint8_t>(g * 255), static_cast<std::uint8_t>(b * 255)};
  }
  const std::uint8_t greys[6] = {51, 91, 132, 173, 214, 255};
  for (int i = 0; i < 6; ++i) t[250 + i] = {greys[i], greys[i], greys[i]};
  return t;
}

}  // namespace

Rgb paletteColor(std::uint8_t index) {
  if (index < 215) {
    const auto level = [](int step) { return static_cast<std::uint8_t>(0xFF - 0x33 * step); };
    return {level(index / 36), level((index / 6) % 6), level(index % 6)};
  }
  if (index == 255) return {0, 0, 0};
  const std::uint8_t v = kRamp[(index - 215) % 10];
  switch ((index - 215) / 10) {
    case 0: return {v, 0, 0};
    case 1: return {0, v, 0};
    case 2: return {0, 0, v};
    default: return {v, v, v};
  }
}

bool isDefaultColor(const Color& record) {
  return record[0] == 0 && record[1] == 0 && record[2] == 0 && record[3] == 0;
}

Rgb objectColor(const Color& record) {
  return isDefaultColor(record) ? Rgb{0, 0, 0} : paletteColor(record[kColorIndexByte]);
}

int nearestDxfColorIndex(Rgb c) {
  static const std::array<Rgb, 256> table = dxfColors();
  // 7 is black on a white sheet and white on a dark screen: the usual pen
  // for black and for white alike.
  if ((c.r == 0 && c.g == 0 && c.b == 0) || (c.r == 255 && c.g == 255 && c.b == 255)) return 7;
  int best = 1;
  long bestDistance = std::numeric_limits<long>::max();
  for (int i = 1; i < 256; ++i) {
    if (i == 7) continue;
    const long dr = long(c.r) - table[i].r, dg = long(c.g) - table[i].g, db = long(c.b) - table[i].b;
    const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (d < bestDistance) bestDistance = d, best = i;
  }
  return best;
}

}  // namespace tinhost::io
