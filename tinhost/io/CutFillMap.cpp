#include "tinhost/io/CutFillMap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "tinhost/io/Progress.h"

namespace tinhost::io {
namespace {

// Depths are filled in this many steps on each side of the datum, so that
// parts of one colour are filled together.
constexpr int kRampSteps = 48;
constexpr int kLegendSteps = 96;
// The ramp runs from white through a light and a medium tint to the full colour.
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kCutLight{253, 219, 199}, kCutMedium{239, 138, 98};
constexpr Rgb kFillLight{209, 229, 240}, kFillMedium{103, 169, 207};
// Parts are outlined in their own colour this wide, so that no hairline of
// the paper shows between neighbours.
constexpr double kSeamWidth = 0.25;
// Contours and hull in dark grey: any colour of their own might be one of the ramp's.
constexpr Rgb kLineColor{45, 45, 45};

Rgb mix(Rgb a, Rgb b, double t) {
  auto c = [t](std::uint8_t p, std::uint8_t q) {
    return static_cast<std::uint8_t>(std::lround(p + (static_cast<double>(q) - p) * t));
  };
  return {c(a.r, b.r), c(a.g, b.g), c(a.b, b.b)};
}

Rgb along(const Rgb (&stops)[4], double t) {
  t = std::clamp(t, 0.0, 1.0) * 3.0;
  const int k = std::min(static_cast<int>(t), 2);
  return mix(stops[k], stops[k + 1], t - k);
}

// The step of a depth: 0 at the datum, up to kRampSteps for the deepest cut,
// down to -kRampSteps for the deepest fill.
int stepOf(const CutFillRamp& ramp, double depth) {
  if (depth > 0 && ramp.deepestCut > 0)
    return std::max(1, static_cast<int>(std::ceil(depth / ramp.deepestCut * kRampSteps)));
  if (depth < 0 && ramp.deepestFill > 0)
    return -std::max(1, static_cast<int>(std::ceil(-depth / ramp.deepestFill * kRampSteps)));
  return 0;
}

Rgb stepColor(int step) {
  static const Rgb cut[4] = {kWhite, kCutLight, kCutMedium, kCutColor};
  static const Rgb fill[4] = {kWhite, kFillLight, kFillMedium, kFillColor};
  return step >= 0 ? along(cut, double(step) / kRampSteps)
                   : along(fill, double(-step) / kRampSteps);
}

std::string depthText(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

void text(cairo_t* cr, double x, double y, const std::string& s) {
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, s.c_str());
}

}  // namespace

Rgb CutFillRamp::color(double depth) const { return stepColor(stepOf(*this, depth)); }

CutFillMap buildCutFillMap(const ExportScope& scope, const StoredSurface& surface, double datum) {
  CutFillMap map;
  for (const auto& t : surface.triangles)
    splitAtDatum({surface.vertices[static_cast<std::size_t>(t[0])],
                  surface.vertices[static_cast<std::size_t>(t[1])],
                  surface.vertices[static_cast<std::size_t>(t[2])]},
                 datum, map.parts);
  for (const DatumPart& p : map.parts)
    for (const SurfacePoint& c : p.corners) {
      map.box.add(c.x, c.y);
      map.ramp.deepestCut = std::max(map.ramp.deepestCut, c.z - datum);
      map.ramp.deepestFill = std::max(map.ramp.deepestFill, datum - c.z);
    }
  bool any2D = false;
  for (ObjId id : scope.objects()) any2D |= scope.isContour2D(scope.doc().get(id));
  for (ObjId id : scope.objects()) {
    const DrawingObject& o = scope.doc().get(id);
    if (scope.isContourLabel(o))
      map.labels.push_back(id);
    else if (scope.isHull(o) || (any2D ? scope.isContour2D(o) : scope.isContour3D(o)))
      map.lines.push_back(id);
  }
  return map;
}

void paintCutFillMap(cairo_t* cr, const ExportScope& scope, const CutFillMap& map, const View& view,
                     ExportResult& result) {
  std::map<int, std::vector<const DatumPart*>> bySteps;
  for (const DatumPart& p : map.parts) bySteps[stepOf(map.ramp, p.depth)].push_back(&p);
  cairo_save(cr);
  cairo_set_line_width(cr, kSeamWidth);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (const auto& [step, parts] : bySteps) {
    for (const DatumPart* p : parts) {
      for (std::size_t i = 0; i < p->corners.size(); ++i)
        (i == 0 ? cairo_move_to : cairo_line_to)(cr, view.x(p->corners[i].x),
                                                 view.y(p->corners[i].y));
      cairo_close_path(cr);
    }
    setColor(cr, stepColor(step));
    cairo_fill_preserve(cr);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
  result.faces = map.parts.size();
  Painter painter(cr, scope, view);
  painter.setLineColor(kLineColor);
  Progress progress("drawing the contours", map.lines.size());
  painter.lines(map.lines, result, progress);
  painter.texts(map.labels, result);
}

void paintRampLegend(cairo_t* cr, const CutFillRamp& ramp, const UnitsRecord& units, double x,
                     double y, double barWidth, double barHeight) {
  const double u = units.worldPerUnit;
  const std::string unit(unitName(units.kind));
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 3.2 * kPointsPerMm);
  cairo_set_source_rgb(cr, 0, 0, 0);
  text(cr, x, y, "Depth against the datum (" + unit + ")");
  const double top = y + 4 * kPointsPerMm, half = barHeight / 2, mid = top + half;
  // Cut above the middle, fill below, each from white at the middle to its full colour.
  for (int i = 0; i < kLegendSteps; ++i) {
    const double h = half / kLegendSteps;
    setColor(cr, stepColor((i + 1) * kRampSteps / kLegendSteps));
    cairo_rectangle(cr, x, mid - (i + 1) * h, barWidth, h + 0.3);
    cairo_fill(cr);
    setColor(cr, stepColor(-(i + 1) * kRampSteps / kLegendSteps));
    cairo_rectangle(cr, x, mid + i * h - 0.3, barWidth, h + 0.3);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 0.2 * kPointsPerMm);
  cairo_rectangle(cr, x, top, barWidth, barHeight);
  cairo_stroke(cr);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 3.0 * kPointsPerMm);
  const double lx = x + barWidth + 2 * kPointsPerMm, dy = 1.1 * kPointsPerMm;
  for (int k = 0; k <= 4; ++k) {
    const double f = k / 4.0;
    cairo_move_to(cr, x + barWidth, mid - f * half),
        cairo_line_to(cr, x + barWidth + kPointsPerMm, mid - f * half);
    cairo_move_to(cr, x + barWidth, mid + f * half),
        cairo_line_to(cr, x + barWidth + kPointsPerMm, mid + f * half);
    cairo_stroke(cr);
    if (k == 0) {
      text(cr, lx, mid + dy, "0 (at the datum)");
      continue;
    }
    text(cr, lx, mid - f * half + dy, "+" + depthText(ramp.deepestCut * f / u));
    text(cr, lx, mid + f * half + dy, "-" + depthText(ramp.deepestFill * f / u));
  }
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  setColor(cr, kCutColor);
  text(cr, x, top + barHeight + 6 * kPointsPerMm, "Red: cut, surface above the datum");
  setColor(cr, kFillColor);
  text(cr, x, top + barHeight + 11 * kPointsPerMm, "Blue: fill, surface below the datum");
}

}  // namespace tinhost::io
