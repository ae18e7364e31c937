#include "model/TKestSortedLList.h"

#include "model/TTINVtx.h"
#include "shell/Trace.h"

bool TKestSortedLList::IKestSortedLList() {
  if (!ISortedList()) return false;
  fSortFlags = kSortInOrder;
  return true;
}

std::int16_t TKestSortedLList::Compare(void* newItem, void* listedItem) {
  // A null item cannot be placed by elevation; it sorts after everything.
  if (newItem == nullptr || listedItem == nullptr) return kSortAfter;
  const std::int32_t za = static_cast<const TTINVtx*>(newItem)->z;
  const std::int32_t zb = static_cast<const TTINVtx*>(listedItem)->z;
  if (zb < za) return kSortAfter;
  if (zb > za) return kSortBefore;
  return kSortEqual;
}

std::int32_t TKestSortedLList::CountItems() const {
  return sorted_list_literal::CountItems(*this);
}

bool TKestSortedLList::Search(void* item, std::int16_t* lastCompare) {
  return sorted_list_literal::Search(*this, item, lastCompare);
}

bool TKestSortedLList::Insert(void* item) { return sorted_list_literal::Insert(*this, item); }

namespace sorted_list_literal {

std::int32_t CountItems(const TLinkedList& list) {
  std::int32_t n = 0;
  for (const TLinkNode* node = list.fFirst; node != nullptr; node = node->next) ++n;
  return n;
}

bool Search(TSortedList& list, void* item, std::int16_t* lastCompare) {
  *lastCompare = kSortAfter;
  std::int32_t hi = CountItems(list) - 1;
  if (hi < 0) return false;
  std::int32_t lo = 0;
  for (;;) {
    const std::int32_t mid = (lo + hi) / 2;
    const std::int32_t pos = list.SetPos(mid);
    void* listed = list.fCurrent != nullptr ? list.fCurrent->item : nullptr;
    *lastCompare = list.Compare(item, listed);
    if (*lastCompare == kSortEqual) return true;
    if (*lastCompare == kSortBefore) hi = pos - 1;
    else lo = pos + 1;
    if (hi < lo) return false;
  }
}

bool Insert(TSortedList& list, void* item) {
  bool inserted;
  if ((list.fSortFlags & kSortInOrder) == 0) {
    list.fCurrent = list.fFirst;
    inserted = list.InsertBefore(item);
  } else {
    std::int16_t r = kSortAfter;
    if (!Search(list, item, &r) && r != kSortAfter) inserted = list.InsertBefore(item);
    else inserted = list.InsertAfter(item);
  }
  if (!inserted) Trace(kTraceBuild, "ERROR: in TKestSortedLList::Insert no node for the item\n");
  return inserted;
}

}  // namespace sorted_list_literal
