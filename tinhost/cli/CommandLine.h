// The command line grammar (CLI11) of the commands that work on an open
// drawing — import, layer, run, undo, info, export — shared by the program's
// own command line (where DRAWING comes first) and by script and shell lines
// (where the session already has the drawing).
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "tinhost/cli/Commands.h"

namespace tinhost::cli {

struct SessionCommand {
  std::string name;  // the subcommand that was given
  ImportArgs importArgs;
  LayerArgs layerArgs;
  RunArgs runArgs;
  InfoArgs infoArgs;
  ExportArgs exportArgs;
  ReportArgs reportArgs;
};

// Registers the session commands on `app`; with `drawing`, each takes DRAWING first.
void addSessionCommands(CLI::App& app, SessionCommand& command, std::string* drawing);
bool isSessionCommand(const std::string& name);

Outcome executeSessionCommand(Session& session, const SessionCommand& command, Console& io);

// Parses one script or shell line ("run create --set smooth=1") and runs it.
// Throws UsageError for a line that does not parse.
Outcome executeLine(Session& session, const std::string& line, Console& io);

// The one place where an error becomes a message on stderr and an exit
// status: call it from a catch block.  `where` prefixes the message (a script
// file and line, or nothing).
int reportCurrentError(Console& io, const std::string& where);

}  // namespace tinhost::cli
