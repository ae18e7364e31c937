// The commands that change or read the drawing without the plug-in.
#include "tinhost/cli/Commands.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "tinhost/cli/Session.h"
#include "tinhost/core/Host.h"
#include "tinhost/file/DrawingFile.h"
#include "tinhost/file/DrawingLock.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/CoordinateSystem.h"
#include "tinhost/cli/TinFigures.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/StoredTINs.h"
#include "tinhost/io/Exporter.h"
#include "tinhost/io/WebView.h"
#include "tinhost/io/Importer.h"
#include "tinhost/io/LasImport.h"

namespace tinhost::cli {

namespace fs = std::filesystem;

std::string number(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

int runNew(const NewArgs& args, std::chrono::milliseconds wait, Console& io) {
  if (!args.unit.empty() && args.unit != "m" && args.unit != "ft")
    throw UsageError("--unit must be m or ft, not '" + args.unit + "'");
  std::optional<io::NewDrawingCrs> crs;
  if (!args.crs.empty()) crs = io::chooseNewDrawingCrs(args.crs, args.unit);
  const std::string unit = crs ? std::string(unitName(crs->unit)) : args.unit.empty() ? "m" : args.unit;
  if (args.resolution < 1 || args.resolution > 1'000'000)
    throw UsageError("--resolution must be a whole number of world units per " + unit +
                     " between 1 and 1000000, not " + std::to_string(args.resolution));
  const fs::path path(args.drawing);
  std::error_code ec;
  if (fs::exists(path, ec) && !args.force)
    throw file::FileError(args.drawing + ": already exists; it was left unchanged (use --force to replace it)");
  const file::DrawingLock held(path, wait, waitNotice(path, wait, io.err));
  if (fs::exists(path, ec) && !args.force)  // made while this one waited
    throw file::FileError(args.drawing + ": already exists; it was left unchanged (use --force to replace it)");
  Host host;
  UnitsRecord units;
  units.kind = unit == "ft" ? UnitKind::Foot : UnitKind::Metre;
  units.worldPerUnit = static_cast<std::int32_t>(args.resolution);
  host.document().setUnits(units);
  host.document().setDrawingName(path.stem().string());
  if (crs) host.document().setCrs(crs->wkt);
  file::saveFrom(host, path);
  io.out << "created " << args.drawing << ": one layer \"" << host.document().get(host.document().currentLayer()).name
         << "\", unit " << unit << ", " << args.resolution << " world units per " << unit;
  if (crs) io.out << "; coordinate system " << crs->description;
  io.out << "\n";
  return kExitOk;
}

// A LAS file with the filters of its options.
io::ImportResult importLas(Session& s, const ImportArgs& args) {
  io::LasOptions options;
  try {
    if (!args.classes.empty()) io::parseLasClasses(args.classes, options);
  } catch (const std::invalid_argument& e) {
    throw UsageError(e.what());
  }
  options.lastReturnOnly = args.lastReturn;
  if (args.thin) {
    if (!(*args.thin > 0)) throw UsageError("--thin must be a cell size greater than 0, not " + number(*args.thin));
    options.thinCell = *args.thin;
  }
  return io::importLasFile(s.host(), args.file, options, args.layer);
}

io::ImportResult importWithOptions(Session& s, const ImportArgs& args) {
  const bool las = args.format == "las" || (args.format == "auto" && io::isLasPath(args.file));
  if (!las && !io::isImportFormat(args.format))
    throw UsageError("--format must be auto, pnezd, penzd, xyz, csv, breaklines, dxf, landxml, gpkg or las, not '" +
                     args.format + "'");
  if (!las && (!args.classes.empty() || args.lastReturn || args.thin))
    throw UsageError("--classes, --last-return and --thin filter LAS files; " + args.file + " is not one");
  return las ? importLas(s, args) : io::importFile(s.host(), args.file, args.format, args.layer);
}

Outcome runImport(Session& s, const ImportArgs& args, Console& io) {
  return reportImport(s, importWithOptions(s, args), args.file, io);
}

Outcome reportImport(Session& s, const io::ImportResult& r, const std::string& source, Console& io) {
  const std::string unit(unitName(s.host().document().units().kind));
  io.out << "imported " << r.points << " point(s) and " << r.lines << " line(s)";
  if (r.texts > 0) io.out << " and " << r.texts << " text(s)";
  io.out << " from " << source << " (" << r.formatName << ") onto layer";
  if (r.layers.size() > 1) io.out << "s";
  if (r.layers.size() <= 1) io.out << " \"" << r.layer << "\"";
  for (std::size_t i = 0; r.layers.size() > 1 && i < r.layers.size(); ++i)
    io.out << (i == 0 ? " \"" : ", \"") << r.layers[i] << "\"";
  io.out << "\n";
  for (const std::string& note : r.notes) io.out << "note: " << note << "\n";
  for (const std::string& warning : r.warnings) io.err << "tinhost: warning: " << warning << "\n";
  if (!r.skipped.empty()) {
    io.err << "tinhost: warning: not imported from " << source << ":";
    bool first = true;
    for (const auto& [what, count] : r.skipped) io.err << (first ? " " : ", ") << count << " " << what, first = false;
    io.err << "\n";
  }
  if (r.originChosen)
    io.out << "drawing origin set to (" << number(r.originX) << ", " << number(r.originY) << ") " << unit << "\n";
  return {kExitOk, r.points + r.lines + r.texts > 0 || r.crsChanged};
}

bool makeCurrentLayer(Session& s, const std::string& name) {
  if (name.empty()) throw UsageError("a layer name cannot be empty");
  Host& host = s.host();
  ObjId layer = io::findLayer(host, name);
  const bool created = layer == kNoObject;
  if (created) layer = host.document().createLayer(name, 1.0);
  host.document().setCurrentLayer(layer);
  return created;
}

Outcome runLayer(Session& s, const LayerArgs& args, Console& io) {
  const bool created = makeCurrentLayer(s, args.name);
  io.out << "current layer: \"" << args.name << "\"" << (created ? " (new)" : "") << "\n";
  return {kExitOk, true};
}

Outcome runUndo(Session& s, Console& io) {
  if (!s.host().undo()) {
    io.err << "tinhost: " << s.drawing().string() << ": nothing to undo\n";
    return {kExitAlert, false};
  }
  for (const std::string& d : s.host().diagnostics()) io.err << "tinhost: warning: " << d << "\n";
  s.host().clearDiagnostics();
  io.out << "undid the last command\n";
  return {kExitOk, true};
}

namespace {

// Each TIN's figures from the plug-in, for the web view's panel; a TIN whose
// figures cannot be had says why, and the view shows the rest of it.
std::vector<io::TinReportedFigures> reportedFigures(Session& s) {
  std::vector<io::TinReportedFigures> all;
  std::vector<StoredTIN> tins;
  try {
    tins = readStoredTINs(s.host().dataObjects());
  } catch (const HostError&) {
    return all;
  }
  for (const StoredTIN& t : tins) {
    io::TinReportedFigures f;
    f.name = t.name;
    try {
      const TinFigures g = gatherTinFigures(s, t.name);
      f.known = true;
      f.area = g.area, f.cut = g.cut, f.fill = g.fill;
    } catch (const std::exception& e) {
      f.why = e.what();
    }
    all.push_back(std::move(f));
  }
  return all;
}

}  // namespace

Outcome runExport(Session& s, const ExportArgs& args, Console& io) {
  io::ExportOptions options{args.cell, args.faces, {}};
  if (io::isWebViewPath(args.out)) options.tinFigures = reportedFigures(s);
  const io::ExportResult r = io::exportDrawing(s.host(), args.out, args.layers, options);
  const bool picture = r.format == "png" || r.format == "svg" || r.format == "pdf";
  io.out << "wrote " << args.out << " (" << r.format << (r.detail.empty() ? "" : ", " + r.detail) << "): "
         << (picture ? "drew " : "") << io::describeCounts(r) << "\n";
  if (r.skipped > 0)
    io.err << "tinhost: warning: " << r.skipped << " object(s) were not written: " << r.skippedWhat << "\n";
  return {kExitOk, false};
}

}  // namespace tinhost::cli
