// `tinhost demo`: the main job on the embedded survey sample, step by step,
// through the same commands a user types.
#pragma once

#include <string>

#include "tinhost/cli/Console.h"

namespace tinhost::cli {

int runDemo(const std::string& dir, const std::string& plugin, Console& io);

}  // namespace tinhost::cli
