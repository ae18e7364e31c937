// The busy cursor that long loops advance once per item.  It changes at most
// once per kBusyCursorTicks ticks, however often it is called, cycling
// through the cursor resources 128, 129, 130, 131.  It offers no way to cancel.
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

// The module-wide state: the tick count of the last change and the number of
// the cursor to show next (kept in 128..131 before use).
struct TBusyCursorState {
  std::uint32_t lastTicks;
  std::int16_t cursorNum;
};
extern TBusyCursorState gBusyCursor;
