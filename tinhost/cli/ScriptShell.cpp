#include "tinhost/cli/ScriptShell.h"

#include <unistd.h>

#include <fstream>
#include <iostream>

#include "tinhost/cli/CommandLine.h"
#include "tinhost/cli/Session.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::cli {
namespace {

// A --plugin of the script or shell command applies to every run in it.
std::string withPlugin(const std::string& line, const std::string& plugin) {
  std::string first;
  std::istringstream(line) >> first;
  if (plugin.empty() || first != "run" || line.find("--plugin") != std::string::npos) return line;
  return line + " --plugin \"" + plugin + "\"";
}

}  // namespace

int runScript(const std::string& drawing, const std::string& script, const std::string& plugin,
              std::chrono::milliseconds wait, Console& io) {
  std::ifstream in(script);
  if (!in) throw file::FileError(script + ": cannot open it");
  Session session(drawing, Access::Write, wait, io.err);
  bool changed = false;
  int status = kExitOk;
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (io::isCommentOrBlank(line)) continue;
    try {
      const Outcome o = executeLine(session, withPlugin(std::string(io::trim(line)), plugin), io);
      changed = changed || o.changed;
      status = o.status;
    } catch (...) {
      status = reportCurrentError(io, script + ":" + std::to_string(number));
    }
    if (status != kExitOk) {
      io.err << "tinhost: " << script << ":" << number << ": the script stopped here"
             << (changed ? "; the drawing keeps what the lines before did" : "") << "\n";
      break;
    }
  }
  session.endPlugin();
  if (changed) session.save();
  return status;
}

int runShell(const std::string& drawing, const std::string& plugin, std::chrono::milliseconds wait, Console& io) {
  Session session(drawing, Access::Write, wait, io.err);
  session.setInteractive(true);
  const bool prompt = ::isatty(STDIN_FILENO) == 1;
  io.out << "tinhost shell on " << drawing
         << ": commands import, layer, run, undo, info, export (as on the command line, without the drawing); "
            "help; quit\n";
  std::string line;
  while (true) {
    if (prompt) io.out << "tinhost> " << std::flush;
    if (!std::getline(io.in, line)) break;
    const std::string command(io::trim(line));
    if (io::isCommentOrBlank(command)) continue;
    if (command == "quit" || command == "exit") break;
    if (command == "help") {
      io.out << "  import FILE [--layer NAME] [--format F]\n  layer NAME\n  run COMMAND [options]  (run --help)\n"
                "  undo\n  info [--json] [--objects]\n  export OUT [--layer NAME]...\n  quit\n";
      continue;
    }
    try {
      const Outcome o = executeLine(session, withPlugin(command, plugin), io);
      if (o.changed) session.save();
    } catch (...) {
      reportCurrentError(io, "");
    }
  }
  return kExitOk;
}

}  // namespace tinhost::cli
