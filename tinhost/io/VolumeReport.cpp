#include "tinhost/io/VolumeReport.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

#include "tinhost/file/FileError.h"
#include "tinhost/io/CutFillMap.h"
#include "tinhost/io/OutputFile.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::io {
namespace {

using file::FileError;

constexpr double kA4Short = 210.0 * kPointsPerMm, kA4Long = 297.0 * kPointsPerMm;
constexpr double kMargin = 15.0 * kPointsPerMm;
constexpr double kLegendWidth = 62.0 * kPointsPerMm;  // beside the map

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using Context = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

void font(cairo_t* cr, double points, bool bold = false) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, points);
}

double textWidth(cairo_t* cr, const std::string& s) {
  cairo_text_extents_t e;
  cairo_text_extents(cr, s.c_str(), &e);
  return e.x_advance;
}

void show(cairo_t* cr, double x, double y, const std::string& s) {
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, s.c_str());
}

// A paragraph broken into lines no wider than `width` in the current font.
std::vector<std::string> wrap(cairo_t* cr, const std::string& paragraph, double width) {
  std::vector<std::string> lines;
  std::istringstream words(paragraph);
  std::string word, line;
  while (words >> word) {
    const std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && textWidth(cr, longer) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = longer;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// The page of figures: title, heading, the table, the notes.
void paintFigures(cairo_t* cr, const VolumeReportText& text, double width) {
  const double left = kMargin, right = width - kMargin;
  double y = kMargin + 8 * kPointsPerMm;
  cairo_set_source_rgb(cr, 0, 0, 0);
  font(cr, 17, true);
  show(cr, left, y, text.title);
  font(cr, 10);
  y += 4 * kPointsPerMm;
  for (const std::string& line : text.heading) show(cr, left, y += 5.5 * kPointsPerMm, line);
  y += 8 * kPointsPerMm;
  const double rowHeight = 7.5 * kPointsPerMm, lineHeight = 5 * kPointsPerMm;
  const double valueX = left + 70 * kPointsPerMm;
  font(cr, 11);
  for (std::size_t i = 0; i < text.rows.size(); ++i) {
    const ReportRow& row = text.rows[i];
    const std::vector<std::string> lines =
        row.number ? std::vector<std::string>{row.value}
                   : wrap(cr, row.value, right - valueX - 2 * kPointsPerMm);
    const double height =
        rowHeight + lineHeight * (static_cast<double>(std::max<std::size_t>(lines.size(), 1)) - 1);
    if (i % 2 == 0) {
      cairo_set_source_rgb(cr, 0.93, 0.94, 0.96);
      cairo_rectangle(cr, left, y, right - left, height);
      cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    double base = y + rowHeight * 0.68;
    show(cr, left + 2 * kPointsPerMm, base, row.label);
    for (const std::string& line : lines) {
      show(cr, row.number ? right - 2 * kPointsPerMm - textWidth(cr, line) : valueX, base, line);
      base += lineHeight;
    }
    y += height;
  }
  cairo_set_line_width(cr, 0.3 * kPointsPerMm);
  cairo_move_to(cr, left, y), cairo_line_to(cr, right, y);
  cairo_stroke(cr);
  font(cr, 9.5);
  y += 4 * kPointsPerMm;
  for (const std::string& paragraph : text.notes) {
    for (const std::string& line : wrap(cr, paragraph, right - left))
      show(cr, left, y += 4.6 * kPointsPerMm, line);
    y += 2.5 * kPointsPerMm;
  }
}

// The main figures under the legend, label over value.
void paintMapFigures(cairo_t* cr, const std::vector<ReportRow>& rows, double x, double y) {
  for (const ReportRow& row : rows) {
    cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
    font(cr, 8.5);
    show(cr, x, y, row.label);
    cairo_set_source_rgb(cr, 0, 0, 0);
    font(cr, 10.5, true);
    show(cr, x, y += 4.6 * kPointsPerMm, row.value);
    y += 6 * kPointsPerMm;
  }
}

// The map page: title, the map fitted into its area, legend and main
// figures, north arrow, scale bar and scale.
void paintMapPage(cairo_t* cr, const ExportScope& scope, const CutFillMap& map,
                  const VolumeReportText& text, double width, double height, ExportResult& result) {
  const std::string& title = text.mapTitle;
  const double areaX = kMargin, areaY = kMargin + 10 * kPointsPerMm;
  const double areaW = width - 2 * kMargin - kLegendWidth,
               areaH = height - areaY - kMargin - 14 * kPointsPerMm;
  cairo_set_source_rgb(cr, 0, 0, 0);
  font(cr, 14, true);
  show(cr, kMargin, kMargin + 4 * kPointsPerMm, title);
  // The surface stays clear of the frame by a few millimetres.
  const double inset = 4 * kPointsPerMm;
  const View view = map.box.empty() ? View{}
                                    : fit(map.box, areaX + inset, areaY + inset, areaW - 2 * inset,
                                          areaH - 2 * inset);
  cairo_save(cr);
  cairo_rectangle(cr, areaX, areaY, areaW, areaH);
  cairo_clip(cr);
  paintCutFillMap(cr, scope, map, view, result);
  cairo_restore(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 0.35 * kPointsPerMm);
  cairo_rectangle(cr, areaX, areaY, areaW, areaH);
  cairo_stroke(cr);
  const UnitsRecord& units = scope.doc().units();
  northArrow(cr, areaX + areaW - 7 * kPointsPerMm, areaY + 2 * kPointsPerMm);
  paintRampLegend(cr, map.ramp, units, areaX + areaW + 6 * kPointsPerMm, areaY + 4 * kPointsPerMm,
                  9 * kPointsPerMm, 80 * kPointsPerMm);
  paintMapFigures(cr, text.mapFigures, areaX + areaW + 6 * kPointsPerMm,
                  areaY + 110 * kPointsPerMm);
  const double footerY = areaY + areaH + 8 * kPointsPerMm;
  scaleBar(cr, units, view, areaX, footerY, areaW / 4);
  font(cr, 9);
  const std::string scale =
      "scale 1:" + thousands(std::llround(sheetScale(units, view))) + " on A4";
  show(cr, areaX + areaW - textWidth(cr, scale), footerY + 1.5 * kPointsPerMm, scale);
  result.detail = "A4, map at 1:" + thousands(std::llround(sheetScale(units, view)));
}

void check(cairo_surface_t* surface, const std::filesystem::path& out) {
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    throw FileError(out.string() + ": cannot write it (" +
                    cairo_status_to_string(cairo_surface_status(surface)) + ")");
}

void writePdf(const ExportScope& scope, const CutFillMap& map, const VolumeReportText& text,
              const std::filesystem::path& out, const std::filesystem::path& temp,
              ExportResult& result) {
  Surface surface(cairo_pdf_surface_create(temp.c_str(), kA4Short, kA4Long), cairo_surface_destroy);
  check(surface.get(), out);
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, text.title.c_str());
  Context cr(cairo_create(surface.get()), cairo_destroy);
  paintFigures(cr.get(), text, kA4Short);
  cairo_show_page(cr.get());
  cairo_pdf_surface_set_size(surface.get(), kA4Long, kA4Short);
  paintMapPage(cr.get(), scope, map, text, kA4Long, kA4Short, result);
  cairo_show_page(cr.get());
  cr.reset();
  cairo_surface_finish(surface.get());
  check(surface.get(), out);
}

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// The map page as an SVG element, without the XML declaration.
std::string mapSvg(const ExportScope& scope, const CutFillMap& map, const VolumeReportText& text,
                   const std::filesystem::path& out, ExportResult& result) {
  std::string svg;
  {
    Surface surface(cairo_svg_surface_create_for_stream(appendTo, &svg, kA4Long, kA4Short),
                    cairo_surface_destroy);
    check(surface.get(), out);
    Context cr(cairo_create(surface.get()), cairo_destroy);
    paintMapPage(cr.get(), scope, map, text, kA4Long, kA4Short, result);
    cr.reset();
    cairo_surface_finish(surface.get());
    check(surface.get(), out);
  }
  if (svg.starts_with("<?xml")) svg.erase(0, svg.find('\n') + 1);
  return svg;
}

std::string escaped(const std::string& s) {
  std::string e;
  for (char c : s) {
    if (c == '&')
      e += "&amp;";
    else if (c == '<')
      e += "&lt;";
    else if (c == '>')
      e += "&gt;";
    else if (c == '"')
      e += "&quot;";
    else
      e += c;
  }
  return e;
}

constexpr const char* kStyle =
    R"(body{font-family:sans-serif;margin:2em auto;max-width:60em;color:#111}
h1{font-size:1.6em;margin-bottom:.2em}.heading{color:#333;margin:0}
table{border-collapse:collapse;margin:1.2em 0;min-width:34em}td{padding:.35em .8em}
tr:nth-child(odd){background:#eef0f4}td.num{text-align:right;font-variant-numeric:tabular-nums}
p.note{font-size:.92em;line-height:1.4}svg{width:100%;height:auto;border:1px solid #ccc;margin-top:1em})";

void writeHtml(const ExportScope& scope, const CutFillMap& map, const VolumeReportText& text,
               const std::filesystem::path& out, const std::filesystem::path& temp,
               ExportResult& result) {
  std::ostringstream html;
  html << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>"
       << escaped(text.title) << "</title>\n<style>" << kStyle << "</style></head>\n<body>\n<h1>"
       << escaped(text.title) << "</h1>\n";
  for (const std::string& line : text.heading)
    html << "<p class=\"heading\">" << escaped(line) << "</p>\n";
  html << "<table>\n";
  for (const ReportRow& r : text.rows) {
    html << "<tr><td>" << escaped(r.label) << "</td><td" << (r.number ? " class=\"num\"" : "") << ">"
         << escaped(r.value) << "</td></tr>\n";
  }
  html << "</table>\n";
  for (const std::string& p : text.notes) html << "<p class=\"note\">" << escaped(p) << "</p>\n";
  html << mapSvg(scope, map, text, out, result) << "\n</body></html>\n";
  std::ofstream file(temp, std::ios::binary);
  file << html.str();
  file.close();
  if (!file) throw FileError(out.string() + ": cannot write it");
}

}  // namespace

bool isReportPath(const std::filesystem::path& path) {
  const std::string ext = lower(path.extension().string());
  return ext == ".pdf" || ext == ".html" || ext == ".htm";
}

ExportResult writeVolumeReport(const ExportScope& scope, const StoredSurface& surface, double datum,
                               const VolumeReportText& text, const std::filesystem::path& out) {
  if (!isReportPath(out))
    throw FileError(out.string() + ": a report is written as .pdf or .html, not '" +
                    out.extension().string() + "'");
  const CutFillMap map = buildCutFillMap(scope, surface, datum);
  OutputFile file(out);
  ExportResult result;
  const bool pdf = lower(out.extension().string()) == ".pdf";
  result.format = pdf ? "pdf" : "html";
  if (pdf)
    writePdf(scope, map, text, out, file.temp(), result);
  else
    writeHtml(scope, map, text, out, file.temp(), result);
  file.commit();
  return result;
}

}  // namespace tinhost::io
