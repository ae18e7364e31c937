// Progress of long work on stderr: a line rewritten in place ("\r") with the
// percentage done, shown only when stderr is a terminal and only once the work
// has run for a moment, so short runs and logs stay clean.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tinhost::io {

class Progress {
 public:
  Progress(std::string label, std::uint64_t total);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void update(std::uint64_t done);
  void finish();  // clears the line

 private:
  std::string label_;
  std::uint64_t total_;
  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_, last_;
};

}  // namespace tinhost::io
