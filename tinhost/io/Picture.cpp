#include "tinhost/io/Picture.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "tinhost/file/FileError.h"
#include "tinhost/io/Interchange.h"
#include "tinhost/io/OutputFile.h"
#include "tinhost/io/Palette.h"
#include "tinhost/io/Progress.h"

namespace tinhost::io {
namespace {

using file::FileError;

// Sheet and layout, in points (1/72 inch).
constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kSheetLong = 420.0 * kPointsPerMm, kSheetShort = 297.0 * kPointsPerMm;  // A3
constexpr double kMargin = 12.0 * kPointsPerMm;
constexpr double kFooter = 16.0 * kPointsPerMm;  // scale bar and title under the drawing
constexpr double kMinLineWidth = 0.1 * kPointsPerMm;
constexpr double kMinTextHeight = 2.0 * kPointsPerMm;
constexpr double kLocusArm = 0.6 * kPointsPerMm;
constexpr std::size_t kSubpathsPerStroke = 20000;

struct Box {
  double minX = std::numeric_limits<double>::infinity(), minY = minX, maxX = -minX, maxY = -minX;
  void add(double x, double y) {
    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  bool empty() const { return minX > maxX; }
};

// World coordinates to sheet points: uniform scale, y flipped, centred in
// the drawing area.
struct View {
  double scale = 1;  // points per world unit
  double offsetX = 0, offsetY = 0;
  double x(double wx) const { return offsetX + wx * scale; }
  double y(double wy) const { return offsetY - wy * scale; }
};

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

// 1, 2 or 5 times a power of ten, at most `limit`.
double roundLength(double limit) {
  const double p = std::pow(10.0, std::floor(std::log10(limit)));
  for (double m : {5.0, 2.0, 1.0})
    if (m * p <= limit) return m * p;
  return p;
}

std::string formatNumber(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

std::string thousands(long long v) {
  std::string s = std::to_string(v), out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (i > 0 && (s.size() - i) % 3 == 0) out += ',';
    out += s[i];
  }
  return out;
}

void setColor(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0); }

double lineWidth(const DrawingObject& o) { return std::max(o.lineWeight / 100.0 * kPointsPerMm, kMinLineWidth); }

class Painter {
 public:
  Painter(cairo_t* cr, const ExportScope& scope, const View& view) : cr_(cr), scope_(scope), view_(view) {}

  // Lines and crosses, stroked in runs of one look.
  void lines(ExportResult& result, Progress& progress) {
    std::size_t done = 0;
    for (ObjId id : scope_.objects()) {
      const DrawingObject& o = scope_.doc().get(id);
      if ((++done & 0xFFF) == 0) progress.update(done);
      if (o.vertices.empty()) continue;
      style(objectColor(o.color), lineWidth(o));
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
          (i == 0 ? cairo_move_to : cairo_line_to)(cr_, view_.x(o.vertices[i].x), view_.y(o.vertices[i].y));
        if (o.closed) cairo_close_path(cr_);
        ++(scope_.isTriangle3D(o) ? result.faces : result.polygons3D);
      } else {
        continue;
      }
      if (++subpaths_ >= kSubpathsPerStroke) flush();
    }
    flush();
  }

  // Text blocks over the lines, each line of a block centred where it lies
  // in the block's box.
  void texts(ExportResult& result) {
    cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    const double worldPerUnit = scope_.doc().units().worldPerUnit;
    for (ObjId id : scope_.objects()) {
      const DrawingObject& o = scope_.doc().get(id);
      if (o.type != kKVTypeText || o.text.empty()) continue;
      std::vector<std::string> rows;
      std::size_t start = 0;
      const std::string_view text = o.text;
      while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        rows.emplace_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
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
        cairo_move_to(cr_, cx - e.width / 2 - e.x_bearing, first + height * static_cast<double>(i) + height * 0.35);
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

 private:
  void style(Rgb color, double width) {
    if (subpaths_ > 0 && color == color_ && width == width_) return;
    flush();
    color_ = color, width_ = width;
  }
  void flush() {
    if (subpaths_ == 0) return;
    setColor(cr_, color_);
    cairo_set_line_width(cr_, width_);
    cairo_stroke(cr_);
    subpaths_ = 0;
  }

  cairo_t* cr_;
  const ExportScope& scope_;
  const View& view_;
  Rgb color_{};
  double width_ = 0;
  std::size_t subpaths_ = 0;
};

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

// A bar of four alternating parts, labelled 0 and its length.
void scaleBar(cairo_t* cr, const ExportScope& scope, const View& view, double x, double y, double maxWidth) {
  const UnitsRecord& units = scope.doc().units();
  const double pointsPerUnit = view.scale * units.worldPerUnit;
  const double length = roundLength(maxWidth / pointsPerUnit);
  const double w = length * pointsPerUnit, h = 1.5 * kPointsPerMm;
  cairo_set_line_width(cr, 0.2 * kPointsPerMm);
  for (int i = 0; i < 4; ++i) {
    cairo_rectangle(cr, x + w * i / 4, y, w / 4, h);
    if (i % 2 == 0) cairo_set_source_rgb(cr, 0, 0, 0);
    else cairo_set_source_rgb(cr, 1, 1, 1);
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

// The denominator of the sheet scale (1:n).
double sheetScale(const ExportScope& scope, const View& view) {
  const UnitsRecord& units = scope.doc().units();
  const double metresPerPoint = 1.0 / (view.scale * units.worldPerUnit) * metresPerUnit(units.kind);
  return metresPerPoint / (0.001 / kPointsPerMm);
}

}  // namespace

ExportResult writePicture(const ExportScope& scope, const std::filesystem::path& out, PictureFormat format) {
  const Document& doc = scope.doc();
  Box box;
  for (ObjId id : scope.objects()) {
    const DrawingObject& o = doc.get(id);
    if (o.type == kKVTypeText) {
      const Rect r = doc.bounds(id);
      box.add(r.left, r.bottom), box.add(r.right, r.top);
    } else {
      for (const Vertex& v : o.vertices) box.add(v.x, v.y);
    }
  }
  const bool landscape = box.empty() || (box.maxX - box.minX) >= (box.maxY - box.minY);
  const double sheetW = landscape ? kSheetLong : kSheetShort, sheetH = landscape ? kSheetShort : kSheetLong;
  const double areaX = kMargin, areaY = kMargin, areaW = sheetW - 2 * kMargin, areaH = sheetH - 2 * kMargin - kFooter;
  const View view = box.empty() ? View{} : fit(box, areaX, areaY, areaW, areaH);

  OutputFile file(out);
  ExportResult result;
  cairo_surface_t* surface = nullptr;
  double pixels = 1.0;
  switch (format) {
    case PictureFormat::Png:
      result.format = "png";
      pixels = kPngDotsPerInch / 72.0;
      surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(std::ceil(sheetW * pixels)),
                                           static_cast<int>(std::ceil(sheetH * pixels)));
      break;
    case PictureFormat::Svg:
      result.format = "svg";
      surface = cairo_svg_surface_create(file.temp().c_str(), sheetW, sheetH);
      break;
    case PictureFormat::Pdf:
      result.format = "pdf";
      surface = cairo_pdf_surface_create(file.temp().c_str(), sheetW, sheetH);
      break;
  }
  const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surfaceGuard(surface, cairo_surface_destroy);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    throw FileError(out.string() + ": cannot write it (" + cairo_status_to_string(cairo_surface_status(surface)) + ")");
  cairo_t* cr = cairo_create(surface);
  const std::unique_ptr<cairo_t, decltype(&cairo_destroy)> crGuard(cr, cairo_destroy);
  cairo_scale(cr, pixels, pixels);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);

  cairo_save(cr);
  cairo_rectangle(cr, areaX - kLocusArm, areaY - kLocusArm, areaW + 2 * kLocusArm, areaH + 2 * kLocusArm);
  cairo_clip(cr);
  Painter painter(cr, scope, view);
  {
    Progress progress("drawing " + out.filename().string(), scope.objects().size());
    painter.lines(result, progress);
  }
  painter.texts(result);
  cairo_restore(cr);

  // Frame, north arrow, scale bar and title.
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 0.35 * kPointsPerMm);
  cairo_rectangle(cr, areaX - 2 * kPointsPerMm, areaY - 2 * kPointsPerMm, areaW + 4 * kPointsPerMm,
                  areaH + 4 * kPointsPerMm);
  cairo_stroke(cr);
  northArrow(cr, areaX + areaW - 6 * kPointsPerMm, areaY + 2 * kPointsPerMm);
  const double footerY = areaY + areaH + 9 * kPointsPerMm;
  std::string title = doc.get(doc.header()).name.str();
  std::string layers;
  for (ObjId id : scope.layers()) layers += (layers.empty() ? "" : ", ") + doc.get(id).name.str();
  title += (title.empty() ? "" : "  -  ") + std::string("layers: ") + layers;
  if (box.empty()) {
    title += "  (nothing to draw on these layers)";
  } else {
    scaleBar(cr, scope, view, areaX, footerY, areaW / 4);
    const long long denominator = std::llround(sheetScale(scope, view));
    title += "  -  scale 1:" + thousands(denominator) + " on A3";
    result.detail = "A3 " + std::string(landscape ? "landscape" : "portrait") + ", 1:" + thousands(denominator);
  }
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 3.2 * kPointsPerMm);
  cairo_text_extents_t e;
  cairo_text_extents(cr, title.c_str(), &e);
  cairo_move_to(cr, areaX + areaW - e.width - e.x_bearing, footerY + 1.5 * kPointsPerMm);
  cairo_show_text(cr, title.c_str());

  cairo_surface_flush(surface);
  if (format == PictureFormat::Png) {
    const cairo_status_t s = cairo_surface_write_to_png(surface, file.temp().c_str());
    if (s != CAIRO_STATUS_SUCCESS) throw FileError(out.string() + ": cannot write it (" + cairo_status_to_string(s) + ")");
    result.detail += (result.detail.empty() ? "" : ", ") + std::to_string(cairo_image_surface_get_width(surface)) +
                     " x " + std::to_string(cairo_image_surface_get_height(surface)) + " px";
  }
  cairo_surface_finish(surface);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    throw FileError(out.string() + ": writing failed (" + cairo_status_to_string(cairo_surface_status(surface)) + ")");
  file.commit();
  return result;
}

}  // namespace tinhost::io
