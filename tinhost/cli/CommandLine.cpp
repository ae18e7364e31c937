#include "tinhost/cli/CommandLine.h"

#include <sstream>

#include "tinhost/cli/Answers.h"
#include "tinhost/cli/Session.h"
#include "tinhost/core/HostError.h"
#include "tinhost/file/FileError.h"

namespace tinhost::cli {
namespace {

CLI::App* subcommand(CLI::App& app, SessionCommand& command, const std::string& name, const std::string& help,
                     std::string* drawing) {
  CLI::App* sub = app.add_subcommand(name, help);
  sub->callback([&command, name] { command.name = name; });
  if (drawing != nullptr) sub->add_option("DRAWING", *drawing, "the drawing file")->required();
  return sub;
}

}  // namespace

bool isSessionCommand(const std::string& name) {
  return name == "import" || name == "layer" || name == "run" || name == "undo" || name == "info" || name == "export" ||
         name == "report";
}

void addSessionCommands(CLI::App& app, SessionCommand& c, std::string* drawing) {
  CLI::App* imp = subcommand(app, c, "import", "add points (3D loci) and lines (3D polygons) from a survey, DXF, LandXML or LAS file", drawing);
  imp->add_option("FILE", c.importArgs.file, "pnezd, penzd, xyz, csv, breaklines, .dxf, LandXML (.xml) or LAS (.las) file")->required();
  imp->add_option("--layer", c.importArgs.layer, "the one layer to add to (created if missing; default: the current layer, or for DXF and LandXML the layers named in the file)");
  imp->add_option("--format", c.importArgs.format, "auto (default: by extension and content), pnezd, penzd, xyz, csv, breaklines, dxf, landxml, gpkg or las");
  imp->add_option("--classes", c.importArgs.classes, "LAS: the classes to keep, e.g. 2,9, or all (default: ground, class 2, when the file is classified)");
  imp->add_flag("--last-return", c.importArgs.lastReturn, "LAS: keep only the last return of each pulse");
  imp->add_option("--thin", c.importArgs.thin, "LAS: keep one point per square cell of this size (drawing units), the one nearest its centre");

  CLI::App* layer = subcommand(app, c, "layer", "make a layer current (created if missing)", drawing);
  layer->add_option("NAME", c.layerArgs.name, "layer name")->required();

  RunArgs& r = c.runArgs;
  CLI::App* run = subcommand(app, c, "run", "run one menu command of the plug-in", drawing);
  run->add_option("COMMAND", r.command, "create, change, area, cutfill, diff, delete or a menu item number")->required();
  run->add_option("--plugin", r.plugin, "the plug-in library (default: the one beside tinhost)");
  run->add_option("--layer", r.layer, "make this layer current first (created if missing)");
  run->add_option("--select", r.select, "layer (default), all or none");
  run->add_option("--set", r.sets, "FIELD=VALUE answer for the parameters dialog; repeatable. Fields: " + parameterNames())
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  run->add_option("--answers", r.answersFile, "a JSON object of parameter answers");
  run->add_flag("--cancel", r.cancel, "cancel the command's dialogs");
  run->add_option("--confirm", r.confirms, "yes or no for each question, in order; default yes")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  run->add_option("--choose", r.choose, "the TIN that change, area, cutfill or delete works on, by name or number "
                  "(its layer is current for the command)");
  run->add_flag("--place-text", r.placeText, "place the report text in the drawing");
  run->add_flag("--hold-option", r.holdOption, "hold the option key (58) during the command");
  run->add_option("--memory-budget", r.memoryBudget, "bytes the plug-in may allocate (default: half the physical memory, at least 1 GiB)");
  run->add_flag("--interactive", r.interactive, "answer the dialogs at the terminal");

  subcommand(app, c, "undo", "revert the last command", drawing);

  CLI::App* info = subcommand(app, c, "info", "what the drawing holds", drawing);
  info->add_flag("--json", c.infoArgs.json, "one JSON object");
  info->add_flag("--objects", c.infoArgs.objects, "list every object");

  CLI::App* exp = subcommand(app, c, "export", "write the drawing, chosen by extension: points (.xyz, .csv), DXF (.dxf), LandXML (.xml), picture (.png, .svg, .pdf), elevation model (.tif, .asc), GIS vectors (.gpkg, .shp, .geojson)", drawing);
  exp->add_option("OUT", c.exportArgs.out, "output file")->required();
  exp->add_option("--layer", c.exportArgs.layers, "only this layer; repeatable")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  exp->add_option("--cell", c.exportArgs.cell, "elevation models: the cell size in drawing units");
  exp->add_flag("--faces", c.exportArgs.faces, "GIS vectors: the TIN's triangles as 3D polygons too");

  CLI::App* rep = subcommand(app, c, "report", "a volume report of a TIN: cut/fill map and figures (.pdf or .html), figures for spreadsheets (--csv)", drawing);
  rep->add_option("OUT", c.reportArgs.out, "the report, .pdf or .html");
  rep->add_option("--tin", c.reportArgs.tin, "the TIN, by name or number (default: the drawing's only TIN; for --csv alone, every TIN)");
  rep->add_option("--csv", c.reportArgs.csv, "also write the figures as CSV, one row per TIN");
  rep->add_option("--plugin", c.reportArgs.plugin, "the plug-in library that reports the figures (default: the one beside tinhost)");
}

Outcome executeSessionCommand(Session& s, const SessionCommand& c, Console& io) {
  if (c.name == "import") return runImport(s, c.importArgs, io);
  if (c.name == "layer") return runLayer(s, c.layerArgs, io);
  if (c.name == "run") return runMenuCommand(s, c.runArgs, io);
  if (c.name == "undo") return runUndo(s, io);
  if (c.name == "info") return runInfo(s, c.infoArgs, io);
  if (c.name == "export") return runExport(s, c.exportArgs, io);
  if (c.name == "report") return runReport(s, c.reportArgs, io);
  throw UsageError("no command given");
}

Outcome executeLine(Session& session, const std::string& line, Console& io) {
  CLI::App app("tinhost session command");
  SessionCommand command;
  addSessionCommands(app, command, nullptr);
  app.require_subcommand(1);
  std::istringstream words(line);
  std::string first;
  words >> first;
  if (!isSessionCommand(first))
    throw UsageError("'" + first + "' is not a command here; use import, layer, run, undo, info, export or report");
  try {
    app.parse(line, false);
  } catch (const CLI::CallForHelp& e) {
    app.exit(e, io.out, io.err);
    return {};
  } catch (const CLI::ParseError& e) {
    throw UsageError(e.what());
  }
  return executeSessionCommand(session, command, io);
}

int reportCurrentError(Console& io, const std::string& where) {
  const std::string prefix = "tinhost: " + (where.empty() ? "" : where + ": ");
  try {
    throw;
  } catch (const UsageError& e) {
    io.err << prefix << e.what() << "\n";
  } catch (const file::FileError& e) {
    io.err << prefix << e.what() << "\n";
  } catch (const HostError& e) {
    io.err << prefix << e.what() << "\n";
  } catch (const std::bad_alloc&) {
    io.err << prefix << "out of memory\n";
  } catch (const std::exception& e) {
    io.err << prefix << "unexpected failure: " << e.what() << "\n";
  }
  return kExitUsage;
}

}  // namespace tinhost::cli
