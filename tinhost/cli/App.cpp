#include "tinhost/cli/App.h"

#include <CLI/CLI.hpp>

#include "tinhost/cli/CommandLine.h"
#include "tinhost/cli/Demo.h"
#include "tinhost/cli/ScriptShell.h"
#include "tinhost/cli/Session.h"

namespace tinhost::cli {
namespace {

struct Parsed {
  std::string drawing;
  SessionCommand session;
  NewArgs newArgs;
  std::string scriptFile, plugin, demoDir;
  std::string which;  // new, script, shell, demo, or a session command
  double waitSeconds = static_cast<double>(kDefaultLockWait.count());

  std::chrono::milliseconds wait() const {
    return std::chrono::milliseconds(static_cast<std::int64_t>(waitSeconds * 1000.0));
  }
};

// info, export and report only read the drawing; everything else may change it.
Access accessOf(const std::string& command) {
  return command == "info" || command == "export" || command == "report" ? Access::Read : Access::Write;
}

void addProgramCommands(CLI::App& app, Parsed& p) {
  CLI::App* create = app.add_subcommand("new", "create an empty drawing: one layer, current");
  create->callback([&p] { p.which = "new"; });
  create->add_option("DRAWING", p.newArgs.drawing, "the drawing file to create")->required();
  create->add_option("--unit", p.newArgs.unit, "m (default) or ft; with --crs, the coordinate system's");
  create->add_option("--crs", p.newArgs.crs, "the coordinate system: a code such as EPSG:6543, or a file holding WKT");
  create->add_option("--resolution", p.newArgs.resolution, "world units per user unit (default 1000)");
  create->add_flag("--force", p.newArgs.force, "replace an existing file");

  CLI::App* script = app.add_subcommand("script", "run the commands of a file in one host session");
  script->callback([&p] { p.which = "script"; });
  script->add_option("DRAWING", p.drawing, "the drawing file")->required();
  script->add_option("FILE", p.scriptFile, "one command per line, without the drawing; # comments")->required();
  script->add_option("--plugin", p.plugin, "the plug-in library for every run");

  CLI::App* shell = app.add_subcommand("shell", "interactive session; dialogs at the terminal");
  shell->callback([&p] { p.which = "shell"; });
  shell->add_option("DRAWING", p.drawing, "the drawing file")->required();
  shell->add_option("--plugin", p.plugin, "the plug-in library for every run");

  CLI::App* demo = app.add_subcommand("demo", "build a terrain model from the embedded survey sample");
  demo->callback([&p] { p.which = "demo"; });
  demo->add_option("DIR", p.demoDir, "where to put the demo's files (default: ./tinhost-demo)");
  demo->add_option("--plugin", p.plugin, "the plug-in library");
}

int dispatch(Parsed& p, Console& io) {
  if (p.which == "new") return runNew(p.newArgs, p.wait(), io);
  if (p.which == "script") return runScript(p.drawing, p.scriptFile, p.plugin, p.wait(), io);
  if (p.which == "shell") return runShell(p.drawing, p.plugin, p.wait(), io);
  if (p.which == "demo") return runDemo(p.demoDir.empty() ? "tinhost-demo" : p.demoDir, p.plugin, io);
  Session session(p.drawing, accessOf(p.which), p.wait(), io.err);
  const Outcome outcome = executeSessionCommand(session, p.session, io);
  session.endPlugin();  // action 2 before the drawing is written
  if (outcome.changed) session.save();
  session.leaveDrawingToExit();  // the process ends here
  return outcome.status;
}

}  // namespace

int runApp(int argc, char** argv, Console& io) {
  CLI::App app("tinhost: a CAD host for the terrain-modelling plug-in, on the command line", "tinhost");
  Parsed p;
  // --wait belongs to the program but may follow the command's own options.
  app.fallthrough();
  app.add_option("--wait", p.waitSeconds,
                 "seconds a command that changes the drawing waits while another one holds it (default " +
                     std::to_string(kDefaultLockWait.count()) + ")")
      ->check(CLI::Range(0.0, 1.0e7));
  addSessionCommands(app, p.session, &p.drawing);
  addProgramCommands(app, p);
  app.require_subcommand(1);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, io.out, io.err) == 0 ? kExitOk : kExitUsage;
  }
  if (p.which.empty()) p.which = p.session.name;
  try {
    return dispatch(p, io);
  } catch (...) {
    return reportCurrentError(io, "");
  }
}

}  // namespace tinhost::cli
