#include "tinhost/core/Toolbox.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "tinhost/core/HostError.h"
#include "tinhost/core/Resources.h"

namespace tinhost {

Toolbox::Toolbox(const Resources& resources) : terminal_(isatty(STDERR_FILENO) != 0) {
  cursors_.reserve(4);  // records are handed out by address: never reallocate
  for (std::int16_t id = 128; id <= 131; ++id)
    if (const auto glyph = resources.cursor(id)) cursors_.push_back({id, *glyph});
}

std::int64_t Toolbox::coarseMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

std::uint32_t Toolbox::tickCount() const {
  if (manualTicks_) return *manualTicks_;
  return static_cast<std::uint32_t>((coarseMilliseconds() - startMs_) * 60 / 1000);
}

void Toolbox::advanceClock(std::uint32_t ticks) { manualTicks_ = tickCount() + ticks; }

void* Toolbox::cursor(std::int16_t id) {
  for (CursorRecord& c : cursors_)
    if (c.id == id) return &c;
  return nullptr;
}

void Toolbox::setCursor(const void* record) {
  std::int16_t id = 0;
  const CursorRecord* found = nullptr;
  for (const CursorRecord& c : cursors_)
    if (&c == record) found = &c;
  if (found != nullptr) id = found->id;
  if (id != currentCursor_) ++cursorChanges_;
  currentCursor_ = id;
  if (terminal_ && found != nullptr) {
    const double seconds = (tickCount() - commandStartTicks_) / 60.0;
    std::fprintf(stderr, "\r%s working... %.0f s ", found->glyph.c_str(), seconds);
    std::fflush(stderr);
    spinnerShown_ = true;
  }
}

void Toolbox::holdKey(int keyCode, bool held) {
  if (keyCode < 0 || keyCode >= 128) throw HostError("key code " + std::to_string(keyCode) + " is out of range");
  const auto bit = static_cast<std::uint8_t>(1u << (keyCode % 8));
  if (held)
    keys_[keyCode / 8] |= bit;
  else
    keys_[keyCode / 8] &= static_cast<std::uint8_t>(~bit);
}

void Toolbox::ordinal504(std::int16_t /*arg*/) {
  ++ordinal504Calls_;
  if (terminal_) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }
}

void Toolbox::beginCommand() { commandStartTicks_ = tickCount(); }

void Toolbox::endCommand() {
  if (spinnerShown_) {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    spinnerShown_ = false;
  }
  currentCursor_ = 0;
}

}  // namespace tinhost
