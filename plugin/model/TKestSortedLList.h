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
// which work on any TSortedList through Compare and SetPos; each probe walks
// the list, so n insertions cost O(n^2).  The members answer from an index of
// the nodes by elevation (TKeyRunIndex) instead: the first probe that meets a
// run of equal elevations depends only on the run's position and the list's
// length, so the index finds the same node, the same comparison result and
// the same current position in O(log n), and the list stays the same linked
// list for everyone who walks it.  A list made while the process chose
// TSteps::kLiteral calls the literal functions, which remain the tests' oracle.
//
// The index follows the list through Insert.  A list whose first or last
// node changed by other means (the stored-TIN reader appends in order) is
// indexed again from its nodes; adding or removing nodes in the middle by
// other means is not supported while the list is searched.  Without memory
// for the index, or with a null item, the literal functions are used.
#pragma once

#include <cstdint>

#include "plugin/host/KVUTIL.h"
#include "plugin/model/Steps.h"

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

  // The host's Free, releasing the index as well.
  void Free() override;

  static TKestSortedLList* New() { return new TKestSortedLList(); }

 private:
  TKestSortedLList() = default;
  struct TIndex;
  TIndex* Indexed();
  // Search through the index; *inRun gets the offset in its run of the node
  // found (when found).
  bool SearchIndexed(TIndex* index, std::int32_t z, std::int16_t* lastCompare,
                     std::int32_t* inRun);
  void DropIndex();

  TIndex* fIndex = nullptr;
  const TSteps fSteps = NewStructureSteps();
};

// The literal search and insertion on a host sorted list.  Positions are
// 32-bit, so lists of any length are searched in full.
namespace sorted_list_literal {
std::int32_t CountItems(const TLinkedList& list);
bool Search(TSortedList& list, void* item, std::int16_t* lastCompare);
bool Insert(TSortedList& list, void* item);
}  // namespace sorted_list_literal
