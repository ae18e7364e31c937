// The commands that change or read the drawing without the plug-in.
#include "cli/Commands.h"

#include <cstdio>
#include <filesystem>

#include "cli/Session.h"
#include "core/Host.h"
#include "file/DrawingFile.h"
#include "file/FileError.h"
#include "io/Exporter.h"
#include "io/Importer.h"

namespace tinhost::cli {

namespace fs = std::filesystem;

std::string number(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

int runNew(const NewArgs& args, Console& io) {
  if (args.unit != "m" && args.unit != "ft") throw UsageError("--unit must be m or ft, not '" + args.unit + "'");
  if (args.resolution < 1 || args.resolution > 1'000'000)
    throw UsageError("--resolution must be a whole number of world units per " + args.unit +
                     " between 1 and 1000000, not " + std::to_string(args.resolution));
  const fs::path path(args.drawing);
  std::error_code ec;
  if (fs::exists(path, ec) && !args.force)
    throw file::FileError(args.drawing + ": already exists; it was left unchanged (use --force to replace it)");
  Host host;
  UnitsRecord units;
  units.kind = args.unit == "ft" ? UnitKind::Foot : UnitKind::Metre;
  units.worldPerUnit = static_cast<std::int32_t>(args.resolution);
  host.document().setUnits(units);
  host.document().setDrawingName(path.stem().string());
  file::saveFrom(host, path);
  io.out << "created " << args.drawing << ": one layer \"" << host.document().get(host.document().currentLayer()).name
         << "\", unit " << args.unit << ", " << args.resolution << " world units per " << args.unit << "\n";
  return kExitOk;
}

Outcome runImport(Session& s, const ImportArgs& args, Console& io) {
  const auto format = io::parseFormat(args.format);
  if (!format) throw UsageError("--format must be auto, pnezd, penzd, xyz, csv or breaklines, not '" + args.format + "'");
  const io::ImportResult r = io::importSurveyFile(s.host(), args.file, *format, args.layer);
  const std::string unit(unitName(s.host().document().units().kind));
  io.out << "imported " << r.points << " point(s) and " << r.lines << " line(s) from " << args.file << " ("
         << io::formatName(r.format) << ") onto layer \"" << r.layer << "\"\n";
  if (r.originChosen)
    io.out << "drawing origin set to (" << number(r.originX) << ", " << number(r.originY) << ") " << unit << "\n";
  return {kExitOk, r.points + r.lines > 0};
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

Outcome runExport(Session& s, const ExportArgs& args, Console& io) {
  const io::ExportResult r = io::exportDrawing(s.host(), args.out, args.layers);
  io.out << "wrote " << r.points << " point(s) to " << args.out << "\n";
  if (r.skipped > 0)
    io.err << "tinhost: warning: " << r.skipped << " object(s) other than points were not written (the "
           << fs::path(args.out).extension().string() << " format holds points only)\n";
  return {kExitOk, false};
}

}  // namespace tinhost::cli
