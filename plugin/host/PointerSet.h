// A set of pointers: open addressing, at most half full, growing through the
// host allocator.  The first kInline slots live inside the object (normally
// on the caller's stack frame).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "plugin/host/PluginMemory.h"

class TPointerSet {
 public:
  TPointerSet() { std::memset(fInline, 0, sizeof fInline); }
  ~TPointerSet() {
    if (fSlots != fInline) PluginFree(fSlots);
  }
  TPointerSet(const TPointerSet&) = delete;
  TPointerSet& operator=(const TPointerSet&) = delete;

  // Adds `p` (not null): false when it was there already.  *noMemory is set
  // when the set could not grow (`p` then counts as present).
  bool Add(const void* p, bool* noMemory) {
    if (2 * (fCount + 1) > fCapacity && !Grow()) {
      *noMemory = true;
      return false;
    }
    std::size_t i = Slot(p, fCapacity);
    while (fSlots[i] != nullptr) {
      if (fSlots[i] == p) return false;
      i = (i + 1) & (fCapacity - 1);
    }
    fSlots[i] = p;
    ++fCount;
    return true;
  }

 private:
  static std::size_t Slot(const void* p, std::size_t capacity) {
    std::uint64_t h = reinterpret_cast<std::uintptr_t>(p);
    h ^= h >> 29;
    h *= 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(h >> 32) & (capacity - 1);
  }

  bool Grow() {
    const std::size_t capacity = fCapacity * 2;
    auto* slots = static_cast<const void**>(PluginAlloc(capacity * sizeof(void*)));
    if (slots == nullptr) return false;
    std::memset(slots, 0, capacity * sizeof(void*));
    for (std::size_t k = 0; k < fCapacity; ++k) {
      if (fSlots[k] == nullptr) continue;
      std::size_t i = Slot(fSlots[k], capacity);
      while (slots[i] != nullptr) i = (i + 1) & (capacity - 1);
      slots[i] = fSlots[k];
    }
    if (fSlots != fInline) PluginFree(fSlots);
    fSlots = slots;
    fCapacity = capacity;
    return true;
  }

  static constexpr std::size_t kInline = 64;  // a power of two
  const void* fInline[kInline];
  const void** fSlots = fInline;
  std::size_t fCapacity = kInline;
  std::size_t fCount = 0;
};
