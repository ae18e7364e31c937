// Where a command reads and writes: stdin, stdout and stderr for the real
// program; string streams for callers that capture the output.
#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>

namespace tinhost::cli {

struct Console {
  std::istream& in;
  std::ostream& out;  // reports and requested information
  std::ostream& err;  // alerts, errors, warnings
};

// A command line that cannot be carried out as written (exit status 2).
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

// What a command did: its exit status (0 fine, 1 the plug-in showed an alert,
// 2 usage or file error) and whether the drawing must be saved.
struct Outcome {
  int status = 0;
  bool changed = false;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitAlert = 1;
inline constexpr int kExitUsage = 2;

}  // namespace tinhost::cli
