#include "plugin/model/XYTable.h"

#include <cstring>
#include <limits>

template <bool kValues>
void TXYHash<kValues>::Dispose() {
  PluginFree(fSlots);
  fSlots = nullptr;
  fMask = 0;
  fCount = 0;
  fLimit = 0;
  fFreeKeyTaken = false;
}

template <bool kValues>
std::uint64_t TXYHash<kValues>::CapacityFor(std::int64_t entries) {
  std::uint64_t capacity = 16;
  while (capacity < static_cast<std::uint64_t>(entries) * 2) capacity *= 2;
  return capacity;
}

template <bool kValues>
typename TXYHash<kValues>::Slot* TXYHash<kValues>::NewSlots(std::uint64_t capacity) {
  const std::size_t bytes = sizeof(Slot) * static_cast<std::size_t>(capacity);
  auto* slots = static_cast<Slot*>(PluginAlloc(bytes));
  if (slots != nullptr) std::memset(slots, kValues ? 0 : 0x80, bytes);
  return slots;
}

template <bool kValues>
bool TXYHash<kValues>::Reserve(std::int64_t entries) {
  Dispose();
  if (entries < 0 || entries > std::numeric_limits<std::int32_t>::max() / 4) return false;
  const std::uint64_t capacity = CapacityFor(entries);
  fSlots = NewSlots(capacity);
  if (fSlots == nullptr) return false;
  fMask = capacity - 1;
  fLimit = static_cast<std::int32_t>(capacity / 2);
  return true;
}

template <bool kValues>
std::uint64_t TXYHash<kValues>::Home(std::uint64_t key) const {
  // The finaliser of splitmix64: nearby positions land far apart.
  key ^= key >> 30;
  key *= 0xbf58476d1ce4e5b9ULL;
  key ^= key >> 27;
  key *= 0x94d049bb133111ebULL;
  key ^= key >> 31;
  return key & fMask;
}

template <bool kValues>
bool TXYHash<kValues>::Add(std::int32_t x, std::int32_t y, std::int32_t value) {
  if (fSlots == nullptr) return false;
  const std::uint64_t key = Key(x, y);
  if (!kValues && key == xy_hash::kFreeKey) {
    if (!fFreeKeyTaken && fCount >= fLimit) return false;
    fCount += fFreeKeyTaken ? 0 : 1;
    fFreeKeyTaken = true;
    return true;
  }
  for (std::uint64_t i = Home(key);; i = (i + 1) & fMask) {
    Slot& s = fSlots[i];
    if (Free(s)) {
      if (fCount >= fLimit) return false;
      if constexpr (kValues)
        s = Slot{key, value, 1};
      else
        s = Slot{key};
      ++fCount;
      return true;
    }
    if (s.key == key) return true;  // the first value stays
  }
}

template <bool kValues>
bool TXYHash<kValues>::Find(std::int32_t x, std::int32_t y, std::int32_t* value) const {
  if (fSlots == nullptr) return false;
  const std::uint64_t key = Key(x, y);
  if (!kValues && key == xy_hash::kFreeKey) return fFreeKeyTaken;
  for (std::uint64_t i = Home(key);; i = (i + 1) & fMask) {
    const Slot& s = fSlots[i];
    if (Free(s)) return false;
    if (s.key == key) {
      if constexpr (kValues) *value = s.value;
      return true;
    }
  }
}

template <bool kValues>
bool TXYHash<kValues>::Grow() {
  if (fSlots == nullptr) return false;
  const std::uint64_t oldCapacity = fMask + 1;
  if (oldCapacity > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max() / 2))
    return false;
  return Rehash(oldCapacity * 2);
}

template <bool kValues>
bool TXYHash<kValues>::Fit(std::int64_t entries) {
  if (fSlots == nullptr) return Reserve(entries);
  if (entries <= fLimit) return true;
  if (entries > std::numeric_limits<std::int32_t>::max() / 4) return false;
  return Rehash(CapacityFor(entries));
}

template <bool kValues>
bool TXYHash<kValues>::Rehash(std::uint64_t capacity) {
  const std::uint64_t oldCapacity = fMask + 1;
  Slot* slots = NewSlots(capacity);
  if (slots == nullptr) return false;
  Slot* old = fSlots;
  fSlots = slots;
  fMask = capacity - 1;
  fLimit = static_cast<std::int32_t>(capacity / 2);
  // Keys are unique, so each entry takes the first free slot from its home.
  for (std::uint64_t k = 0; k < oldCapacity; ++k) {
    if (Free(old[k])) continue;
    std::uint64_t i = Home(old[k].key);
    while (!Free(fSlots[i])) i = (i + 1) & fMask;
    fSlots[i] = old[k];
  }
  PluginFree(old);
  return true;
}

template class TXYHash<true>;
template class TXYHash<false>;
