// Several commands in one host session: from a script file (stops at the
// first command that fails, names the script's line, saves what the lines
// before it did) or typed at the terminal (dialogs asked there too; the
// drawing is saved after every command that changed it).
#pragma once

#include <string>

#include "tinhost/cli/Console.h"

namespace tinhost::cli {

int runScript(const std::string& drawing, const std::string& script, const std::string& plugin, Console& io);
int runShell(const std::string& drawing, const std::string& plugin, Console& io);

}  // namespace tinhost::cli
