// TXYTable: a hash table from an (x, y) position to a 32-bit value, for
// lookups by exact position (the difference TIN's base vertices and taken
// positions; the vertices by x while a build adds them); TXYSet: the same
// without values, for a test of presence (the positions a build has taken),
// in half the memory.  Open addressing with linear probing in one block from
// the host allocator; the first value stored at a position stays, so a table
// filled in list order answers with the first listed entry, as a scan of the
// list would.
#pragma once

#include <cstdint>

#include "plugin/host/PluginMemory.h"

namespace xy_hash {

// A table slot: its position and, when kValues, its value and whether it is
// in use.
template <bool kValues>
struct TSlot {
  std::uint64_t key;
  std::int32_t value;
  std::int32_t used;
};
// Without values a slot is its position; a free slot holds kFreeKey, every
// byte 0x80 (so that a block is cleared by one memset), and the one position
// with that key is kept beside the slots.
template <>
struct TSlot<false> {
  std::uint64_t key;
};
constexpr std::uint64_t kFreeKey = 0x8080808080808080ULL;

}  // namespace xy_hash

template <bool kValues>
class TXYHash final : public TPluginObject {
 public:
  TXYHash() = default;
  ~TXYHash() { Dispose(); }
  TXYHash(const TXYHash&) = delete;
  TXYHash& operator=(const TXYHash&) = delete;

  // Room for `entries` positions, at most half full; false (and no table)
  // when the host refuses the block or the count is out of range.
  bool Reserve(std::int64_t entries);
  bool Reserved() const { return fSlots != nullptr; }
  void Dispose();
  std::int32_t Count() const { return fCount; }

  // Stores `value` at (x, y) unless a value is there already.  False when the
  // table is full (more entries than reserved) and nothing was stored.
  bool Add(std::int32_t x, std::int32_t y, std::int32_t value = 0);
  // Twice the room, every entry kept; false (the table unchanged) when the
  // host refuses the block.
  bool Grow();
  // Room for `entries` positions in all, every entry kept (a table not yet
  // reserved is reserved); false (the table unchanged) when the host refuses
  // the block or the count is out of range.
  bool Fit(std::int64_t entries);
  // The value at (x, y) into *value; false when there is none.
  bool Find(std::int32_t x, std::int32_t y, std::int32_t* value) const;
  bool Contains(std::int32_t x, std::int32_t y) const {
    std::int32_t unused = 0;
    return Find(x, y, &unused);
  }
  // Starts fetching the slot where a search for (x, y) begins.
  void Prefetch(std::int32_t x, std::int32_t y) const {
    if (fSlots != nullptr) __builtin_prefetch(&fSlots[Home(Key(x, y))]);
  }

 private:
  using Slot = xy_hash::TSlot<kValues>;
  static std::uint64_t Key(std::int32_t x, std::int32_t y) {
    return (std::uint64_t{static_cast<std::uint32_t>(x)} << 32) | static_cast<std::uint32_t>(y);
  }
  static bool Free(const Slot& s) {
    if constexpr (kValues)
      return s.used == 0;
    else
      return s.key == xy_hash::kFreeKey;
  }
  std::uint64_t Home(std::uint64_t key) const;
  // The smallest capacity that holds `entries` at most half full.
  static std::uint64_t CapacityFor(std::int64_t entries);
  // A cleared block of `capacity` slots, or null.
  static Slot* NewSlots(std::uint64_t capacity);
  // Moves every entry into a new block of `capacity` slots.
  bool Rehash(std::uint64_t capacity);

  Slot* fSlots = nullptr;
  std::uint64_t fMask = 0;  // capacity − 1, the capacity a power of two
  std::int32_t fCount = 0;
  std::int32_t fLimit = 0;    // entries allowed before the table counts as full
  bool fFreeKeyTaken = false;  // a set holds the position whose key marks free slots
};

using TXYTable = TXYHash<true>;
using TXYSet = TXYHash<false>;

extern template class TXYHash<true>;
extern template class TXYHash<false>;
