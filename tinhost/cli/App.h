// The tinhost program: its command line and its one error boundary.
#pragma once

#include "tinhost/cli/Console.h"

namespace tinhost::cli {

// Parses argv, runs the command and returns the exit status:
// 0 done, 1 the plug-in showed an alert, 2 usage or file error.
int runApp(int argc, char** argv, Console& io);

}  // namespace tinhost::cli
