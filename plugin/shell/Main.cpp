#include "plugin/host/KVESDK.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/shell/Trace.h"

std::uint8_t gTraceSwitches[5] = {0, 0, 0, 0, 0};

enum TMainAction : std::int16_t { kActionInit = 1, kActionTerminate = 2, kActionRun = 3 };

std::int32_t PluginMain(std::int16_t action, const void* msg, void** slot, KVCallback cb) {
  gKVCallback = cb;
  for (auto& s : gTraceSwitches) s = 0;

  TLandMgr* mgr = slot != nullptr ? static_cast<TLandMgr*>(*slot) : nullptr;
  if (action != kActionInit && mgr != nullptr) mgr->fCB = cb;

  switch (action) {
    case kActionInit:
      if (slot != nullptr) *slot = new TLandMgr(cb);  // null when the host refuses
      return 0;
    case kActionTerminate:
      if (mgr != nullptr) {
        delete mgr;
        *slot = nullptr;
      }
      return 0;
    case kActionRun:
      return mgr != nullptr ? mgr->DoInterface(msg) : 0;
    default:
      return 0;
  }
}
