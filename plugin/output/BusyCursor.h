// The busy cursor that long loops advance once per item (loops of very short
// items through TBusySpinner, on every 64th).  It changes at most once per
// kBusyCursorTicks ticks, however often it is called, cycling through the
// cursor resources 128, 129, 130, 131.  It offers no way to cancel.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"

constexpr std::int16_t kFirstBusyCursor = 128;
constexpr std::int16_t kLastBusyCursor = 131;
constexpr std::uint32_t kBusyCursorTicks = 20;

void SpinBusyCursor(KVCallback cb);

// Makes the next SpinBusyCursor wait a full interval from now (the contour
// tracer calls it when it begins).
void ResetBusyCursorTicks(KVCallback cb);

// The busy cursor of a loop whose items take a fraction of a microsecond:
// SpinBusyCursor on every 64th item, so that the loop does not spend more
// on asking the host for the time than on its own work.  The cursor then
// changes at most 64 items late, far within its interval of 20 ticks.
class TBusySpinner {
 public:
  explicit TBusySpinner(KVCallback cb) : fCb(cb) {}
  void Item() {
    if ((++fItems & 63u) == 0) SpinBusyCursor(fCb);
  }

 private:
  KVCallback fCb;
  std::uint32_t fItems = 0;
};

// The module-wide state: the tick count of the last change and the number of
// the cursor to show next (kept in 128..131 before use).
struct TBusyCursorState {
  std::uint32_t lastTicks;
  std::int16_t cursorNum;
};
extern TBusyCursorState gBusyCursor;
