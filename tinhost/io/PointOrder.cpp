#include "tinhost/io/PointOrder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tinhost/io/Placement.h"

namespace tinhost::io {
namespace {

std::string distance(double d, const std::string& unit) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f %s", d, unit.c_str());
  return buf;
}

const char* spelledOut(Format f) {
  return f == Format::Pnezd ? "point, northing, easting, elevation (pnezd)"
                            : "point, easting, northing, elevation (penzd)";
}

}  // namespace

double PlaneBox::size() const { return std::max(maxX - minX, maxY - minY); }

double PlaneBox::gap(const PlaneBox& o) const {
  const double dx = std::max({0.0, o.minX - maxX, minX - o.maxX});
  const double dy = std::max({0.0, o.minY - maxY, minY - o.maxY});
  return std::hypot(dx, dy);
}

PointOrderChoice choosePointOrder(const PlaneBox& asPnezd, const DrawingExtent& drawing, const std::string& unit) {
  const PlaneBox asPenzd = asPnezd.swapped();
  auto near = [&](const PlaneBox& b) {
    return b.gap(drawing.box) <= std::max(b.size(), drawing.box.size()) + kOriginStep;
  };
  const bool pnezd = near(asPnezd), penzd = near(asPenzd);
  if (pnezd && penzd) return {std::nullopt, "read either way round its points lie near " + drawing.what};
  if (!pnezd && !penzd)
    return {std::nullopt, "read either way round its points lie far from " + drawing.what + ": " +
                              distance(asPnezd.gap(drawing.box), unit) + " as pnezd, " +
                              distance(asPenzd.gap(drawing.box), unit) + " as penzd"};
  const Format chosen = pnezd ? Format::Pnezd : Format::Penzd, other = pnezd ? Format::Penzd : Format::Pnezd;
  const PlaneBox& away = pnezd ? asPenzd : asPnezd;
  return {chosen, std::string("read as ") + spelledOut(chosen) + ": so its points lie beside " + drawing.what +
                      "; read as " + std::string(formatName(other)) + " they would lie " +
                      distance(away.gap(drawing.box), unit) + " away (--format " + std::string(formatName(other)) +
                      " reads it that way)"};
}

}  // namespace tinhost::io
