// Callback-block entries of the allocator, number conversion and toolbox.
#include <cstring>

#include "tinhost/core/BlockGuard.h"
#include "tinhost/core/DecimalFormat.h"
#include "tinhost/core/PStringConversion.h"
#include "tinhost/core/X80.h"

namespace tinhost {

void fillToolboxEntries(KVHostBlock& b) {
  // ---- memory ----
  b.InternalAlloc = [](KVCallback cb, std::int32_t size, void** out) {
    if (out != nullptr) *out = nullptr;
    return guarded(cb, "InternalAlloc", KVErr{kKVMemFullErr}, [&](Host& h) { return h.memory().allocate(size, out); });
  };
  b.InternalFree = [](KVCallback cb, void* ptr) {
    guardedVoid(cb, "InternalFree", [&](Host& h) { h.memory().release(ptr); });
  };
  b.NewHandle = [](KVCallback cb, std::int32_t size) {
    return guarded(cb, "NewHandle", KVHandle{}, [&](Host& h) { return h.memory().newHandle(size); });
  };
  b.DisposeHandle = [](KVCallback cb, KVHandle hd) {
    guardedVoid(cb, "DisposeHandle", [&](Host& h) { h.memory().disposeHandle(hd); });
  };
  b.GetHandleSize = [](KVCallback cb, KVHandle hd) {
    return guarded(cb, "GetHandleSize", std::int32_t{0}, [&](Host& h) { return h.memory().handleSize(hd); });
  };
  b.SetHandleSize = [](KVCallback cb, KVHandle hd, std::int32_t size) {
    guardedVoid(cb, "SetHandleSize", [&](Host& h) { h.memory().setHandleSize(hd, size); });
  };
  b.HGetState = [](KVCallback cb, KVHandle hd) {
    return guarded(cb, "HGetState", std::int8_t{0}, [&](Host& h) { return h.memory().handleState(hd); });
  };
  b.HSetState = [](KVCallback cb, KVHandle hd, std::int8_t state) {
    guardedVoid(cb, "HSetState", [&](Host& h) { h.memory().setHandleState(hd, state); });
  };
  b.MemError = [](KVCallback cb) {
    return guarded(cb, "MemError", KVErr{kKVNoErr}, [](Host& h) { return h.memory().lastError(); });
  };
  b.FreeMem = [](KVCallback cb) {
    return guarded(cb, "FreeMem", std::int32_t{0}, [](Host& h) { return h.memory().freeMem(); });
  };
  b.PurgeSpace = [](KVCallback cb, std::int32_t* total, std::int32_t* contiguous) {
    if (total != nullptr) *total = 0;
    if (contiguous != nullptr) *contiguous = 0;
    guardedVoid(cb, "PurgeSpace", [&](Host& h) {
      std::int32_t t = 0, c = 0;
      h.memory().purgeSpace(t, c);
      if (total != nullptr) *total = t;
      if (contiguous != nullptr) *contiguous = c;
    });
  };

  // ---- numbers ----
  b.LdToX80 = [](KVCallback, double value, std::uint8_t* x80) { toX80(value, x80); };
  b.X80ToLd = [](KVCallback, const std::uint8_t* x80) { return fromX80(x80); };

  // ---- ticks, strings, cursors, keys ----
  b.TickCount = [](KVCallback cb) {
    return guarded(cb, "TickCount", std::uint32_t{0}, [](Host& h) { return h.toolbox().tickCount(); });
  };
  b.GetIndString = [](KVCallback cb, unsigned char* out, std::int16_t listId, std::int16_t index) {
    toPString("", out);
    guardedVoid(cb, "GetIndString", [&](Host& h) {
      toPString(h.resources().string(listId, index).value_or(std::string()), out);
    });
  };
  b.NumToString = [](KVCallback, std::int32_t value, unsigned char* out) { toPString(std::to_string(value), out); };
  b.CompareString = [](KVCallback, const unsigned char* a, const unsigned char* c) -> std::int16_t {
    const std::string x = fromPString(a), y = fromPString(c);
    return x == y ? 0 : (x < y ? -1 : 1);
  };
  b.NumToDecimal = [](KVCallback cb, const KVDecForm* form, double value, KVDecimal* out) {
    guardedVoid(cb, "NumToDecimal", [&](Host&) {
      if (form != nullptr && out != nullptr) *out = toDecimal(*form, value);
    });
  };
  b.DecimalToString = [](KVCallback cb, const KVDecForm* form, const KVDecimal* d, unsigned char* out) {
    toPString("", out);
    guardedVoid(cb, "DecimalToString", [&](Host&) {
      if (form != nullptr && d != nullptr) toPString(decimalToString(*form, *d), out);
    });
  };
  b.GetCursor = [](KVCallback cb, std::int16_t id) {
    return guarded(cb, "GetCursor", static_cast<void*>(nullptr), [&](Host& h) { return h.toolbox().cursor(id); });
  };
  b.SetCursor = [](KVCallback cb, void* cursor) {
    guardedVoid(cb, "SetCursor", [&](Host& h) { h.toolbox().setCursor(cursor); });
  };
  b.GetKeys = [](KVCallback cb, std::uint8_t* keyMap16) {
    if (keyMap16 != nullptr) std::memset(keyMap16, 0, 16);
    guardedVoid(cb, "GetKeys", [&](Host& h) {
      const auto keys = h.toolbox().keyMap();
      if (keyMap16 != nullptr) std::memcpy(keyMap16, keys.data(), keys.size());
    });
  };
  b.Ordinal504 = [](KVCallback cb, std::int16_t arg) {
    guardedVoid(cb, "Ordinal504", [&](Host& h) { h.toolbox().ordinal504(arg); });
  };
}

}  // namespace tinhost
