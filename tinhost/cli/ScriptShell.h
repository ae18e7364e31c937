// Several commands in one host session: from a script file (stops at the
// first command that fails, names the script's line, saves what the lines
// before it did) or typed at the terminal (dialogs asked there too; the
// drawing is saved after every command that changed it).  Either holds the
// drawing for its whole length, as one writer, waiting up to `wait` for
// another writer to finish first.
#pragma once

#include <chrono>
#include <string>

#include "tinhost/cli/Console.h"

namespace tinhost::cli {

int runScript(const std::string& drawing, const std::string& script, const std::string& plugin,
              std::chrono::milliseconds wait, Console& io);
int runShell(const std::string& drawing, const std::string& plugin, std::chrono::milliseconds wait, Console& io);

}  // namespace tinhost::cli
