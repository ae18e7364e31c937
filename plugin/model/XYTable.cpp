#include "plugin/model/XYTable.h"

#include <cstring>
#include <limits>

void TXYTable::Dispose() {
  PluginFree(fSlots);
  fSlots = nullptr;
  fMask = 0;
  fCount = 0;
  fLimit = 0;
}

std::uint64_t TXYTable::CapacityFor(std::int64_t entries) {
  std::uint64_t capacity = 16;
  while (capacity < static_cast<std::uint64_t>(entries) * 2) capacity *= 2;
  return capacity;
}

bool TXYTable::Reserve(std::int64_t entries) {
  Dispose();
  if (entries < 0 || entries > std::numeric_limits<std::int32_t>::max() / 4) return false;
  const std::uint64_t capacity = CapacityFor(entries);
  const std::size_t bytes = sizeof(Slot) * static_cast<std::size_t>(capacity);
  fSlots = static_cast<Slot*>(PluginAlloc(bytes));
  if (fSlots == nullptr) return false;
  std::memset(fSlots, 0, bytes);
  fMask = capacity - 1;
  fLimit = static_cast<std::int32_t>(capacity / 2);
  return true;
}

std::uint64_t TXYTable::Home(std::uint64_t key) const {
  // The finaliser of splitmix64: nearby positions land far apart.
  key ^= key >> 30;
  key *= 0xbf58476d1ce4e5b9ULL;
  key ^= key >> 27;
  key *= 0x94d049bb133111ebULL;
  key ^= key >> 31;
  return key & fMask;
}

bool TXYTable::Add(std::int32_t x, std::int32_t y, std::int32_t value) {
  if (fSlots == nullptr) return false;
  const std::uint64_t key = Key(x, y);
  for (std::uint64_t i = Home(key);; i = (i + 1) & fMask) {
    Slot& s = fSlots[i];
    if (s.used == 0) {
      if (fCount >= fLimit) return false;
      s = Slot{key, value, 1};
      ++fCount;
      return true;
    }
    if (s.key == key) return true;  // the first value stays
  }
}

bool TXYTable::Find(std::int32_t x, std::int32_t y, std::int32_t* value) const {
  if (fSlots == nullptr) return false;
  const std::uint64_t key = Key(x, y);
  for (std::uint64_t i = Home(key);; i = (i + 1) & fMask) {
    const Slot& s = fSlots[i];
    if (s.used == 0) return false;
    if (s.key == key) {
      *value = s.value;
      return true;
    }
  }
}

bool TXYTable::Grow() {
  if (fSlots == nullptr) return false;
  const std::uint64_t oldCapacity = fMask + 1;
  if (oldCapacity > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max() / 2))
    return false;
  return Rehash(oldCapacity * 2);
}

bool TXYTable::Fit(std::int64_t entries) {
  if (fSlots == nullptr) return Reserve(entries);
  if (entries <= fLimit) return true;
  if (entries > std::numeric_limits<std::int32_t>::max() / 4) return false;
  return Rehash(CapacityFor(entries));
}

bool TXYTable::Rehash(std::uint64_t capacity) {
  const std::uint64_t oldCapacity = fMask + 1;
  const std::size_t bytes = sizeof(Slot) * static_cast<std::size_t>(capacity);
  auto* slots = static_cast<Slot*>(PluginAlloc(bytes));
  if (slots == nullptr) return false;
  std::memset(slots, 0, bytes);
  Slot* old = fSlots;
  fSlots = slots;
  fMask = capacity - 1;
  fLimit = static_cast<std::int32_t>(capacity / 2);
  // Keys are unique, so each entry takes the first free slot from its home.
  for (std::uint64_t k = 0; k < oldCapacity; ++k) {
    if (old[k].used == 0) continue;
    std::uint64_t i = Home(old[k].key);
    while (fSlots[i].used != 0) i = (i + 1) & fMask;
    fSlots[i] = old[k];
  }
  PluginFree(old);
  return true;
}
