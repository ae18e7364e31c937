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
#include "tinhost/io/Sheet.h"

namespace tinhost::io {
namespace {

using file::FileError;

// Sheet and layout, in points (1/72 inch).
constexpr double kSheetLong = 420.0 * kPointsPerMm, kSheetShort = 297.0 * kPointsPerMm;  // A3
constexpr double kMargin = 12.0 * kPointsPerMm;
constexpr double kFooter = 16.0 * kPointsPerMm;  // scale bar and title under the drawing

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
    painter.lines(scope.objects(), result, progress);
  }
  painter.texts(scope.objects(), result);
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
    scaleBar(cr, doc.units(), view, areaX, footerY, areaW / 4);
    const long long denominator = std::llround(sheetScale(doc.units(), view));
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
