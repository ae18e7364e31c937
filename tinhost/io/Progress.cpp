#include "tinhost/io/Progress.h"

#include <unistd.h>

#include <cstdio>

namespace tinhost::io {
namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kQuietStart = std::chrono::milliseconds(300);  // nothing for quick work
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
}  // namespace

Progress::Progress(std::string label, std::uint64_t total)
    : label_(std::move(label)), total_(total), enabled_(::isatty(STDERR_FILENO) == 1),
      start_(Clock::now()), last_(start_) {}

Progress::~Progress() { finish(); }

void Progress::update(std::uint64_t done) {
  if (!enabled_ || total_ == 0) return;
  const auto now = Clock::now();
  if (now - start_ < kQuietStart || now - last_ < kRedrawEvery) return;
  last_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::fprintf(stderr, "\r%s: %3d%%  %.1f s ", label_.c_str(), static_cast<int>(100.0 * double(done) / double(total_)),
               seconds);
  std::fflush(stderr);
  shown_ = true;
}

void Progress::finish() {
  if (!shown_) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(label_.size()) + 16, "");
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace tinhost::io
