// The shared library's entry point.  The host resolves the symbol `main`; the
// static library names the same function PluginMain so that test programs,
// which have a `main` of their own, can link it.
#include "plugin/host/PluginMemory.h"
#include "plugin/shell/LandMgr.h"

extern "C" KV_EXPORT std::int32_t TINPluginEntry(std::int16_t action, const void* msg, void** slot,
                                                 KVCallback cb) __asm__("main");

extern "C" std::int32_t TINPluginEntry(std::int16_t action, const void* msg, void** slot,
                                       KVCallback cb) {
  return PluginMain(action, msg, slot, cb);
}
