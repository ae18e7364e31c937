#include "plugin/output/BusyCursor.h"

#include "plugin/host/KVEmul.h"

TBusyCursorState gBusyCursor = {0, 0};

void SpinBusyCursor(KVCallback cb) {
  const std::uint32_t now = KVE_TickCount(cb);
  if (now - gBusyCursor.lastTicks <= kBusyCursorTicks) return;
  if (gBusyCursor.cursorNum < kFirstBusyCursor || gBusyCursor.cursorNum > kLastBusyCursor)
    gBusyCursor.cursorNum = kFirstBusyCursor;
  KVE_SetCursor(cb, KVE_GetCursor(cb, gBusyCursor.cursorNum));
  ++gBusyCursor.cursorNum;
  gBusyCursor.lastTicks = KVE_TickCount(cb);
}

void ResetBusyCursorTicks(KVCallback cb) { gBusyCursor.lastTicks = KVE_TickCount(cb); }
