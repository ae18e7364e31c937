// `report`: the volume report of a TIN (.pdf or .html) and its figures for
// spreadsheets (--csv).  Every figure comes from TinFigures: the plug-in's
// own cut, fill and area, and the host's areas in cut and in fill over the
// same triangles.  All figures are gathered before anything is written.
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>

#include "tinhost/cli/Commands.h"
#include "tinhost/cli/Session.h"
#include "tinhost/cli/TinFigures.h"
#include "tinhost/core/Host.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/OutputFile.h"
#include "tinhost/io/TextRows.h"
#include "tinhost/io/TinGraphics.h"
#include "tinhost/io/VolumeReport.h"

namespace tinhost::cli {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& s) { return "\u201c" + s + "\u201d"; }

// 2555745.18 -> "2,555,745.18", as many decimals as the plug-in prints.
std::string grouped(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", std::fabs(v));
  std::string digits(buf), out;
  const std::size_t point = digits.find('.');
  for (std::size_t i = 0; i < point; ++i) {
    if (i > 0 && (point - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return (v < 0 && out != "0" ? "-" : "") + out + digits.substr(point);
}

std::string count(std::int64_t n) {
  const std::string g = grouped(static_cast<double>(n));
  return g.substr(0, g.size() - 3);
}

std::string plain(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

std::string utcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buf[40];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", &tm);
  return buf;
}

std::string commandLine(const Session& s, const ReportArgs& args) {
  std::string c = "tinhost report " + s.drawing().string();
  if (!args.out.empty()) c += " " + args.out;
  if (!args.tin.empty()) c += " --tin " + args.tin;
  if (!args.csv.empty()) c += " --csv " + args.csv;
  return c;
}

std::string onlyTIN(Session& s) {
  const std::vector<StoredTIN> tins = readStoredTINs(s.host().dataObjects());
  if (tins.empty())
    throw UsageError(
        "report: the drawing holds no TIN; build one first (tinhost run DRAWING create --layer "
        "LAYER)");
  if (tins.size() == 1) return tins[0].name;
  std::string list;
  for (std::size_t i = 0; i < tins.size(); ++i) list += (i == 0 ? "" : ", ") + quoted(tins[i].name);
  throw UsageError("report: the drawing holds " + std::to_string(tins.size()) + " TINs (" + list +
                   "); name the one to report with --tin");
}

std::vector<io::ReportRow> figureRows(const TinFigures& f, const std::string& date,
                                      const std::string& command) {
  const std::string cu = " " + f.unit + "\u00b3", sq = " " + f.unit + "\u00b2";
  std::vector<io::ReportRow> rows = {
      {"Cut (volume above the datum)", grouped(f.cut) + cu, true},
      {"Fill (volume below the datum)", grouped(f.fill) + cu, true},
      {std::string("Net (cut \u2212 fill)") + (f.net() >= 0 ? ", more cut" : ", more fill"),
       grouped(f.net()) + cu, true},
      {"Planimetric area", grouped(f.area) + sq, true},
      {"Area in cut", grouped(f.areaInCut) + sq, true},
      {"Area in fill", grouped(f.areaInFill) + sq, true}};
  if (f.areaLevel > 0) rows.push_back({"Area level at the datum", grouped(f.areaLevel) + sq, true});
  rows.insert(rows.end(), {{"Datum", plain(f.datum) + " " + f.unit, true},
                           {"Points (vertices of the TIN)", count(f.points), true},
                           {"Triangles", count(f.triangles), true},
                           {"Units", f.unitWords + " (" + f.unit + ")"},
                           {"Coordinate system", f.coordinateSystem},
                           {"Date", date},
                           {"Made by", command}});
  return rows;
}

std::vector<std::string> notes(const TinFigures& f) {
  std::vector<std::string> n;
  if (f.difference)
    n.push_back("TIN " + quoted(f.name) + " is a difference TIN: its elevations are those of " +
                quoted(f.innerBase) + " minus those of " + quoted(f.outerBase) +
                ". Against its datum of " + plain(f.datum) + " " + f.unit + ", cut is where " +
                quoted(f.innerBase) + " lies above " + quoted(f.outerBase) +
                " (material to take away) and fill where it lies below (material to bring in).");
  n.push_back(
      "Cut, fill and planimetric area are the figures of the terrain plug-in itself, the numbers "
      "that "
      "\u201ctinhost run DRAWING cutfill --choose " +
      f.name + "\u201d and \u201carea\u201d print: \u201c" + f.cutFillReport + "\u201d and \u201c" +
      f.areaReport + "\u201d. Volumes lie between the surface and " +
      "the horizontal datum plane, each triangle counted as a prism cut by the plane; areas are "
      "measured in plan.");
  n.push_back(
      "The areas in cut and in fill, which the plug-in does not report, are computed by tinhost "
      "from the same " +
      std::to_string(f.triangles) + " triangles (read from " + f.trianglesFrom +
      "): each triangle is split " +
      "along the line where the datum plane crosses it, and the plan area of its part above the "
      "datum counts " +
      "as cut, of its part below as fill." +
      (f.areaLevel > 0 ? " Triangles lying flat on the datum count as level." : "") +
      " Together they make up the planimetric area.");
  return n;
}

void writeReport(Session& s, const ReportArgs& args, const TinFigures& f, const TinSurface& surface,
                 Console& io) {
  io::VolumeReportText text;
  text.title = "Volume report: TIN " + quoted(f.name);
  const std::string date = utcNow();
  text.heading = {"Drawing " + fs::path(s.drawing()).filename().string() +
                      (f.difference ? ", difference TIN" : "") + ", datum " + plain(f.datum) + " " +
                      f.unit,
                  "Made " + date};
  text.rows = figureRows(f, date, commandLine(s, args));
  text.notes = notes(f);
  text.mapFigures = {text.rows[0], text.rows[1], text.rows[2], text.rows[4], text.rows[5]};
  text.mapFigures[2].label = f.net() >= 0 ? "Net (more cut)" : "Net (more fill)";
  text.mapTitle = "Cut and fill of TIN " + quoted(f.name) + " against the datum at " +
                  plain(f.datum) + " " + f.unit;
  const io::TinNames names(s.host());
  const io::ExportScope scope(s.host(), args.out, names.layersFor({f.name}));
  const double datumWorld = f.datum * s.host().document().units().worldPerUnit;
  const io::ExportResult r = io::writeVolumeReport(scope, surface, datumWorld, text, args.out);
  io.out << "wrote " << args.out << " (" << r.format << ", " << r.detail << "): TIN \"" << f.name
         << "\", cut " << plain(f.cut) << ", fill " << plain(f.fill) << ", area " << plain(f.area)
         << "\n";
}

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

void writeCsv(const std::string& path, const std::vector<TinFigures>& all, Console& io) {
  io::OutputFile file{fs::path(path)};
  {
    std::ofstream out(file.temp(), std::ios::binary);
    out << "tin,difference,datum,unit,cut,fill,net,area,area_in_cut,area_in_fill,area_level,points,"
           "triangles,"
           "coordinate_system\n";
    for (const TinFigures& f : all) {
      // The host's figures stay empty for a TIN whose triangles it cannot read.
      const bool host = f.areasMissing.empty();
      auto hostFigure = [host](const std::string& v) { return host ? v : std::string(); };
      out << csvField(f.name) << "," << (f.difference ? "yes" : "no") << "," << plain(f.datum)
          << "," << f.unit << "," << plain(f.cut) << "," << plain(f.fill) << "," << plain(f.net())
          << "," << plain(f.area) << "," << hostFigure(plain(f.areaInCut)) << ","
          << hostFigure(plain(f.areaInFill)) << "," << hostFigure(plain(f.areaLevel)) << ","
          << hostFigure(std::to_string(f.points)) << "," << hostFigure(std::to_string(f.triangles))
          << "," << csvField(f.coordinateSystem) << "\n";
      if (!host)
        io.err << "tinhost: warning: " << path << ": no areas in cut and fill: " << f.areasMissing
               << "\n";
    }
    out.close();
    if (!out) throw file::FileError(path + ": cannot write it");
  }
  file.commit();
  io.out << "wrote " << path << " (csv): the figures of " << all.size() << " TIN(s)\n";
}

void checkPaths(const ReportArgs& args) {
  if (args.out.empty() && args.csv.empty())
    throw UsageError("report: name the report file (.pdf or .html), or give --csv FILE");
  if (!args.out.empty() && !io::isReportPath(args.out))
    throw UsageError("report: " + args.out + ": a report is written as .pdf or .html, not '" +
                     fs::path(args.out).extension().string() + "'");
  if (!args.csv.empty() && io::lower(fs::path(args.csv).extension().string()) != ".csv")
    throw UsageError("report: --csv " + args.csv + ": the figures are written as .csv");
  if (!args.out.empty() && !args.csv.empty() && fs::absolute(args.out) == fs::absolute(args.csv))
    throw UsageError("report: the report and the CSV cannot be the same file");
}

}  // namespace

Outcome runReport(Session& s, const ReportArgs& args, Console& io) {
  checkPaths(args);
  TinSurface surface;
  std::optional<TinFigures> reported;
  if (!args.out.empty())
    reported = gatherTinFigures(s, args.tin.empty() ? onlyTIN(s) : args.tin, &surface, args.plugin);
  // The CSV holds the TIN of --tin, else every TIN of the drawing.
  std::vector<TinFigures> rows;
  if (!args.csv.empty())
    rows = !args.tin.empty()
               ? std::vector<TinFigures>{reported
                                             ? *reported
                                             : gatherTinFigures(s, args.tin, nullptr, args.plugin)}
               : gatherAllTinFigures(s, args.plugin);
  // The map needs the triangles.
  if (reported && !reported->areasMissing.empty())
    throw UsageError("report: " + reported->areasMissing);
  if (reported) writeReport(s, args, *reported, surface, io);
  if (!args.csv.empty()) writeCsv(args.csv, rows, io);
  return {kExitOk, false};
}

}  // namespace tinhost::cli
