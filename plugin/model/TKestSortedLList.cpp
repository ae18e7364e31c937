#include "plugin/model/TKestSortedLList.h"

#include "plugin/model/TKeyRunIndex.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/shell/Trace.h"

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

// The index: one run of list nodes per elevation, and the first and last node
// of the list as the index last saw them.
struct TKestSortedLList::TIndex final : public TPluginObject {
  TKeyRunIndex runs;
  TLinkNode* first = nullptr;
  TLinkNode* last = nullptr;
};

void TKestSortedLList::DropIndex() {
  delete fIndex;
  fIndex = nullptr;
}

void TKestSortedLList::Free() {
  DropIndex();
  TLinkedList::Free();
}

// The index of the current list, built from the nodes when the list changed
// behind it; null when it cannot be had (no memory, a null item, or a list
// out of order), and the literal functions answer instead.
TKestSortedLList::TIndex* TKestSortedLList::Indexed() {
  if (fSteps == TSteps::kLiteral) return nullptr;
  if (fIndex != nullptr && fIndex->first == fFirst && fIndex->last == fLast) return fIndex;
  DropIndex();
  auto* index = new TIndex();
  if (index == nullptr) return nullptr;
  const TTINVtx* prev = nullptr;
  for (TLinkNode* node = fFirst; node != nullptr; node = node->next) {
    const auto* v = static_cast<const TTINVtx*>(node->item);
    std::int32_t below = 0;
    TKeyRunIndex::TRun run = v != nullptr ? index->runs.Find(v->z, &below) : TKeyRunIndex::kNoRun;
    const std::int32_t at = run == TKeyRunIndex::kNoRun ? 0 : index->runs.RunSize(run);
    if (v == nullptr || (prev != nullptr && v->z < prev->z) ||
        !index->runs.Insert(v->z, at, node)) {
      delete index;
      return nullptr;
    }
    prev = v;
  }
  index->first = fFirst;
  index->last = fLast;
  fIndex = index;
  return fIndex;
}

std::int32_t TKestSortedLList::CountItems() const {
  if (fIndex != nullptr && fIndex->first == fFirst && fIndex->last == fLast)
    return fIndex->runs.Total();
  return sorted_list_literal::CountItems(*this);
}

bool TKestSortedLList::Search(void* item, std::int16_t* lastCompare) {
  TIndex* index = item != nullptr ? Indexed() : nullptr;
  if (index == nullptr) return sorted_list_literal::Search(*this, item, lastCompare);
  std::int32_t inRun = 0;
  return SearchIndexed(index, static_cast<const TTINVtx*>(item)->z, lastCompare, &inRun);
}

bool TKestSortedLList::SearchIndexed(TIndex* index, std::int32_t z, std::int16_t* lastCompare,
                                     std::int32_t* inRun) {
  *lastCompare = kSortAfter;
  TKeyRunIndex& runs = index->runs;
  const std::int32_t n = runs.Total();
  if (n == 0) return false;
  std::int32_t below = 0;
  const TKeyRunIndex::TRun run = runs.Find(z, &below);
  if (run != TKeyRunIndex::kNoRun) {
    *inRun = FirstProbeIn(n, below, below + runs.RunSize(run) - 1) - below;
    fCurrent = static_cast<TLinkNode*>(runs.RunItems(run)[*inRun]);
    *lastCompare = kSortEqual;
    return true;
  }
  // No equal elevation: the search closes in on the gap before position
  // `below`, and its last probe is one of the two nodes beside the gap.
  std::int32_t lo = 0, hi = n - 1, mid = 0;
  while (lo <= hi) {
    mid = static_cast<std::int32_t>((std::int64_t{lo} + hi) / 2);
    if (mid < below) lo = mid + 1;
    else hi = mid - 1;
  }
  if (mid < below) {
    const TKeyRunIndex::TRun prev = runs.Prev(z);
    fCurrent = static_cast<TLinkNode*>(runs.RunItems(prev)[runs.RunSize(prev) - 1]);
    *lastCompare = kSortAfter;
  } else {
    fCurrent = static_cast<TLinkNode*>(runs.RunItems(runs.Next(z))[0]);
    *lastCompare = kSortBefore;
  }
  return false;
}

bool TKestSortedLList::Insert(void* item) {
  TIndex* index =
      item != nullptr && (fSortFlags & kSortInOrder) != 0 ? Indexed() : nullptr;
  if (index == nullptr) {
    const bool inserted = sorted_list_literal::Insert(*this, item);
    if (fIndex != nullptr) DropIndex();
    return inserted;
  }
  // Search leaves the node the literal search ends on; the new node goes
  // after it unless nothing equal was found and it sorts after the new one.
  const std::int32_t z = static_cast<const TTINVtx*>(item)->z;
  std::int16_t r = kSortAfter;
  std::int32_t inRun = 0;
  const bool found = SearchIndexed(index, z, &r, &inRun);
  const bool inserted = !found && r != kSortAfter ? InsertBefore(item) : InsertAfter(item);
  if (!inserted) {
    Trace(kTraceBuild, "ERROR: in TKestSortedLList::Insert no node for the item\n");
    return false;
  }
  // The new node's place in its run: after the node found, else its first.
  const std::int32_t at = found ? inRun + 1 : 0;
  if (!index->runs.Insert(z, at, fCurrent)) {
    DropIndex();
    return true;
  }
  index->first = fFirst;
  index->last = fLast;
  return true;
}

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
