// Toolbox state of the host: the tick clock, busy cursors, the key map and
// the beep of ordinal 504.
//
// The clock counts sixtieths of a second since the host started; tests switch
// to a manual clock they set and advance.  Cursors 128 to 131 come from the
// resources; making one current while stderr is a terminal draws a spinner
// with the elapsed seconds of the command (overwritten in place with '\r' and
// cleared when the command ends); otherwise nothing is printed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tinhost {

class Resources;

class Toolbox {
 public:
  explicit Toolbox(const Resources& resources);

  // ---- clock ----
  std::uint32_t tickCount() const;
  void useManualClock(std::uint32_t ticks) { manualTicks_ = ticks; }
  void advanceClock(std::uint32_t ticks);  // switches to the manual clock if needed
  void useRealClock() { manualTicks_.reset(); }

  // ---- cursors ----
  // The record of cursor `id`, or null when the resources have none.
  void* cursor(std::int16_t id);
  void setCursor(const void* record);  // null or an unknown record: the arrow (id 0)
  std::int16_t currentCursor() const { return currentCursor_; }
  std::uint64_t cursorChanges() const { return cursorChanges_; }

  // ---- keys ----
  void holdKey(int keyCode, bool held = true);
  void releaseKeys() { keys_.fill(0); }
  std::array<std::uint8_t, 16> keyMap() const { return keys_; }

  // ---- ordinal 504 ----
  void ordinal504(std::int16_t arg);
  std::uint64_t ordinal504Calls() const { return ordinal504Calls_; }

  // ---- command frame and terminal ----
  void beginCommand();
  void endCommand();  // clears the spinner and puts the arrow back
  // Overrides whether stderr counts as a terminal (tests and scripted runs).
  void setTerminal(bool isTerminal) { terminal_ = isTerminal; }
  bool terminal() const { return terminal_; }

 private:
  struct CursorRecord {
    std::int16_t id;
    std::string glyph;
  };

  // Milliseconds on the coarse monotonic clock, which the plug-in reads
  // millions of times in a long build: a tick is 1/60 s, so its few
  // milliseconds of resolution are plenty, and it is read without a syscall
  // or a hardware timer read.
  static std::int64_t coarseMilliseconds();
  std::int64_t startMs_ = coarseMilliseconds();
  std::optional<std::uint32_t> manualTicks_;
  std::uint32_t commandStartTicks_ = 0;
  std::vector<CursorRecord> cursors_;
  std::int16_t currentCursor_ = 0;
  std::uint64_t cursorChanges_ = 0;
  bool spinnerShown_ = false;
  std::array<std::uint8_t, 16> keys_{};
  std::uint64_t ordinal504Calls_ = 0;
  bool terminal_;
};

}  // namespace tinhost
