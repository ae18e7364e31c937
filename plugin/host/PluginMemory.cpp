#include "plugin/host/PluginMemory.h"

#include <cstdint>
#include <limits>

#include "plugin/host/KVESDK.h"

KVCallback gKVCallback = nullptr;

void* PluginAlloc(std::size_t size) noexcept {
  if (gKVCallback == nullptr || size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    return nullptr;
  void* p = nullptr;
  if (InternalAlloc(gKVCallback, static_cast<std::int32_t>(size), &p) != kKVNoErr) return nullptr;
  return p;
}

void PluginFree(void* p) noexcept {
  if (p != nullptr && gKVCallback != nullptr) InternalFree(gKVCallback, p);
}
