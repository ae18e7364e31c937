// TKestSortedLList: the TIN's vertex list, a host sorted list kept in
// non-decreasing elevation.  Items are TTINVtx references; the list does not
// own them (the TIN deletes them).
//
// The order among equal elevations is fixed by the binary search of Search
// and the tie rule of Insert: a new vertex goes directly after the equal
// vertex that the search meets first, not necessarily after the last of the
// run (into 5, 5, 5 a new 5 becomes the third item).  The incremental
// triangulation inserts vertices in list order, so this order decides which
// of several equal-elevation vertices enters first.
//
// The algorithm lives in the free functions of namespace sorted_list_literal,
// which work on any TSortedList through Compare and SetPos.  The member
// operations call them; a faster index behind the same members must produce
// the same list order and leave the same current position, and can be
// checked against these functions.
#pragma once

#include <cstdint>

#include "host/KVUTIL.h"

// The flag of the host sorted list that Insert tests first: set, items are
// inserted in order; clear, at the head.  IKestSortedLList sets it.
constexpr std::int16_t kSortInOrder = 1;

class TKestSortedLList final : public TSortedList {
 public:
  // The host's initialisation with in-order insertion switched on; false on
  // failure (the caller then frees the list).
  bool IKestSortedLList();

  // Where vertex `newItem` belongs relative to listed vertex `listedItem`:
  // kSortAfter when the listed z is lower, kSortBefore when it is higher,
  // kSortEqual otherwise.
  std::int16_t Compare(void* newItem, void* listedItem) override;

  // Number of items, counted by walking from the first node.
  std::int32_t CountItems() const;
  // Binary search for an item comparing equal to `item`.  *lastCompare gets
  // the last comparison (kSortAfter when the list is empty); the current
  // position is left on the last item compared.
  bool Search(void* item, std::int16_t* lastCompare);
  // Inserts `item` in order (see the tie rule above).  False when the host
  // gave no node: the item is then not in the list and stays the caller's.
  KV_EXPORT bool Insert(void* item);

  static TKestSortedLList* New() { return new TKestSortedLList(); }

 private:
  TKestSortedLList() = default;
};

// The literal search and insertion on a host sorted list.  Positions are
// 32-bit, so lists of any length are searched in full.
namespace sorted_list_literal {
std::int32_t CountItems(const TLinkedList& list);
bool Search(TSortedList& list, void* item, std::int16_t* lastCompare);
bool Insert(TSortedList& list, void* item);
}  // namespace sorted_list_literal
