// TIDIndex: the table that resolves identification numbers to objects while a
// stored TIN is read: (number, object) pairs in one block of fixed capacity
// from the host allocator, sorted by number before lookups.  A TIN owns its
// two tables (vertices, triangles) only during the read.
#pragma once

#include <cstdint>

#include "plugin/host/PluginMemory.h"

constexpr std::int32_t kErrIDIndexBlock = 0x9003A;
// The index object itself could not be made: for the vertices, the triangles.
constexpr std::int32_t kErrVtxIDIndexObject = 0x9003B;
constexpr std::int32_t kErrTriIDIndexObject = 0x9003C;

class TIDIndex final : public TPluginObject {
 public:
  TIDIndex() = default;
  ~TIDIndex() { Dispose(); }
  TIDIndex(const TIDIndex&) = delete;
  TIDIndex& operator=(const TIDIndex&) = delete;

  // 0, or kErrIDIndexBlock when the block of `capacity` entries is refused.
  std::int32_t Create(std::int32_t capacity);
  // Stores at the next free entry; false when the table is full.
  bool Add(std::int32_t number, void* object);
  // Ascending by number: a Shell sort whose gap starts at n/2 and halves.
  void Sort();
  // The object with `number` (binary search after Sort), or null.
  void* LookUp(std::int32_t number) const;
  // The object of entry `pos` (0-based): in the order added until Sort, in
  // number order after it; null outside 0 .. Count() - 1.  The reader uses it
  // to resolve hull and breakline entries by position in constant time.
  void* ObjectAt(std::int32_t pos) const {
    return pos >= 0 && pos < fCount ? fEntries[pos].object : nullptr;
  }
  void Dispose();

  std::int32_t Count() const { return fCount; }

 private:
  struct Entry {
    std::int32_t number;
    void* object;
  };
  Entry* fEntries = nullptr;
  std::int32_t fCapacity = 0;
  std::int32_t fCount = 0;
};
