#include "tinhost/io/Sheet.h"

#include <cmath>
#include <cstdio>

#include "tinhost/io/Interchange.h"
#include "tinhost/io/Progress.h"

namespace tinhost::io {
namespace {

constexpr double kMinLineWidth = 0.1 * kPointsPerMm;
constexpr double kMinTextHeight = 2.0 * kPointsPerMm;
constexpr std::size_t kSubpathsPerStroke = 20000;

std::string formatNumber(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

double lineWidth(const DrawingObject& o) {
  return std::max(o.lineWeight / 100.0 * kPointsPerMm, kMinLineWidth);
}

}  // namespace

View fit(const Box& box, double areaX, double areaY, double areaW, double areaH) {
  View v;
  const double w = box.maxX - box.minX, h = box.maxY - box.minY;
  v.scale = std::min(w > 0 ? areaW / w : std::numeric_limits<double>::infinity(),
                     h > 0 ? areaH / h : std::numeric_limits<double>::infinity());
  if (!std::isfinite(v.scale)) v.scale = 1.0;  // a single point
  v.offsetX = areaX + areaW / 2 - (box.minX + w / 2) * v.scale;
  v.offsetY = areaY + areaH / 2 + (box.minY + h / 2) * v.scale;
  return v;
}

double roundLength(double limit) {
  const double p = std::pow(10.0, std::floor(std::log10(limit)));
  for (double m : {5.0, 2.0, 1.0})
    if (m * p <= limit) return m * p;
  return p;
}

std::string thousands(long long v) {
  std::string s = std::to_string(v), out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (i > 0 && (s.size() - i) % 3 == 0) out += ',';
    out += s[i];
  }
  return out;
}

void setColor(cairo_t* cr, Rgb c) {
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void Painter::lines(const std::vector<ObjId>& objects, ExportResult& result, Progress& progress) {
  std::size_t done = 0;
  for (ObjId id : objects) {
    const DrawingObject& o = scope_.doc().get(id);
    if ((++done & 0xFFF) == 0) progress.update(done);
    if (o.vertices.empty()) continue;
    style(overrideColor_ ? lineColor_ : objectColor(o.color), lineWidth(o));
    if (o.type == kKVTypeLocus3D) {
      const double x = view_.x(o.vertices[0].x), y = view_.y(o.vertices[0].y);
      cairo_move_to(cr_, x - kLocusArm, y), cairo_line_to(cr_, x + kLocusArm, y);
      cairo_move_to(cr_, x, y - kLocusArm), cairo_line_to(cr_, x, y + kLocusArm);
      ++result.points;
    } else if (o.type == kKVTypePoly2D) {
      const auto line = ExportScope::outline(o);
      for (std::size_t i = 0; i < line.size(); ++i)
        (i == 0 ? cairo_move_to : cairo_line_to)(cr_, view_.x(line[i].x), view_.y(line[i].y));
      if (o.closed) cairo_close_path(cr_);
      ++result.shapes2D;
    } else if (o.type == kKVTypePoly3D) {
      for (std::size_t i = 0; i < o.vertices.size(); ++i)
        (i == 0 ? cairo_move_to : cairo_line_to)(cr_, view_.x(o.vertices[i].x),
                                                 view_.y(o.vertices[i].y));
      if (o.closed) cairo_close_path(cr_);
      ++(scope_.isTriangle3D(o) ? result.faces : result.polygons3D);
    } else {
      continue;
    }
    if (++subpaths_ >= kSubpathsPerStroke) flush();
  }
  flush();
}

void Painter::texts(const std::vector<ObjId>& objects, ExportResult& result) {
  cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  const double worldPerUnit = scope_.doc().units().worldPerUnit;
  for (ObjId id : objects) {
    const DrawingObject& o = scope_.doc().get(id);
    if (o.type != kKVTypeText || o.text.empty()) continue;
    std::vector<std::string> rows;
    std::size_t start = 0;
    const std::string_view text = o.text;
    while (start <= text.size()) {
      std::size_t end = text.find_first_of("\r\n", start);
      if (end == std::string_view::npos) end = text.size();
      rows.emplace_back(text.substr(start, end - start));
      if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        ++end;
      start = end + 1;
    }
    const Rect r = scope_.doc().bounds(id);
    const double cx = view_.x((r.left + static_cast<double>(r.right)) / 2);
    const double cy = view_.y((r.top + static_cast<double>(r.bottom)) / 2);
    const double height = std::max(worldPerUnit * o.textSize / 100.0 * view_.scale, kMinTextHeight);
    cairo_set_font_size(cr_, height);
    const double first = cy - height * (static_cast<double>(rows.size()) - 1) / 2;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      cairo_text_extents_t e;
      cairo_text_extents(cr_, rows[i].c_str(), &e);
      cairo_move_to(cr_, cx - e.width / 2 - e.x_bearing,
                    first + height * static_cast<double>(i) + height * 0.35);
      cairo_text_path(cr_, rows[i].c_str());
    }
    cairo_set_source_rgb(cr_, 1, 1, 1);
    cairo_set_line_width(cr_, height * 0.25);
    cairo_stroke_preserve(cr_);
    setColor(cr_, objectColor(o.color));
    cairo_fill(cr_);
    ++result.texts;
  }
}

void Painter::style(Rgb color, double width) {
  if (subpaths_ > 0 && color == color_ && width == width_) return;
  flush();
  color_ = color, width_ = width;
}
void Painter::flush() {
  if (subpaths_ == 0) return;
  setColor(cr_, color_);
  cairo_set_line_width(cr_, width_);
  cairo_stroke(cr_);
  subpaths_ = 0;
}

void northArrow(cairo_t* cr, double x, double y) {
  const double h = 14 * kPointsPerMm, w = 4 * kPointsPerMm;
  cairo_set_line_width(cr, 0.3 * kPointsPerMm);
  cairo_move_to(cr, x, y + 5 * kPointsPerMm);
  cairo_line_to(cr, x + w, y + h);
  cairo_line_to(cr, x, y + h - 3 * kPointsPerMm);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_fill_preserve(cr);
  cairo_stroke(cr);
  cairo_move_to(cr, x, y + 5 * kPointsPerMm);
  cairo_line_to(cr, x - w, y + h);
  cairo_line_to(cr, x, y + h - 3 * kPointsPerMm);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_stroke(cr);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 4 * kPointsPerMm);
  cairo_text_extents_t e;
  cairo_text_extents(cr, "N", &e);
  cairo_move_to(cr, x - e.width / 2 - e.x_bearing, y + 4 * kPointsPerMm);
  cairo_show_text(cr, "N");
}

void scaleBar(cairo_t* cr, const UnitsRecord& units, const View& view, double x, double y,
              double maxWidth) {
  const double pointsPerUnit = view.scale * units.worldPerUnit;
  const double length = roundLength(maxWidth / pointsPerUnit);
  const double w = length * pointsPerUnit, h = 1.5 * kPointsPerMm;
  cairo_set_line_width(cr, 0.2 * kPointsPerMm);
  for (int i = 0; i < 4; ++i) {
    cairo_rectangle(cr, x + w * i / 4, y, w / 4, h);
    if (i % 2 == 0)
      cairo_set_source_rgb(cr, 0, 0, 0);
    else
      cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_stroke(cr);
  }
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 3 * kPointsPerMm);
  cairo_move_to(cr, x, y - 1 * kPointsPerMm);
  cairo_show_text(cr, "0");
  const std::string label = formatNumber(length) + " " + std::string(unitName(units.kind));
  cairo_text_extents_t e;
  cairo_text_extents(cr, label.c_str(), &e);
  cairo_move_to(cr, x + w - e.width / 2, y - 1 * kPointsPerMm);
  cairo_show_text(cr, label.c_str());
}

double sheetScale(const UnitsRecord& units, const View& view) {
  const double metresPerPoint = 1.0 / (view.scale * units.worldPerUnit) * metresPerUnit(units.kind);
  return metresPerPoint / (0.001 / kPointsPerMm);
}

}  // namespace tinhost::io
