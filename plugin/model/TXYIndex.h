// TXYIndex: the entries of an X-sorted vertex array (TKestXYAndHdlArray)
// without the array.  The literal array keeps entries contiguous and sorted by
// x, moves its tail on every addition and finds the nearest vertex by walking
// out from the probed entry, both O(n) per call.  This index answers the same
// three questions with the same results:
//
//  - the entry order: runs of equal x in a TKeyRunIndex, and a new entry goes
//    before the entry that the array's binary search meets first
//    (FirstProbeIn).  Within a run every entry carries a 64-bit label that
//    grows along the run, so two entries' places in the array compare as
//    (x, label) without knowing their indices;
//  - the exact lookup: a bucket quadtree finds the entry at (x, y);
//  - the nearest entry in Manhattan distance: the quadtree yields every entry
//    at the smallest distance, and the array walk's tie rule picks one: the
//    start entry if it is among them, else the last one before the start,
//    else the first one after it (the walk goes down from the start, then up,
//    and keeps the first entry met at a distance).
//
// The entry order matters only to break ties: between entries at the same
// smallest distance, and between entries at the same (x, y).  Neither happens
// on most data, so the run index is built only when the first tie appears, by
// placing the entries in the order they were added, which puts every entry
// where the additions would have put it; from then on each addition is placed
// at once.
//
// All memory comes from the host allocator; Add answers false and changes
// nothing when none is available.  When the order cannot be built for a tie
// of distances, the tie goes to the entry the search met first.
#pragma once

#include <cstdint>

#include "plugin/host/PluginMemory.h"
#include "plugin/model/TKestXYAndHdlArray.h"
#include "plugin/model/TKeyRunIndex.h"

class TXYIndex final : public TPluginObject {
 public:
  TXYIndex() = default;
  ~TXYIndex();
  TXYIndex(const TXYIndex&) = delete;
  TXYIndex& operator=(const TXYIndex&) = delete;

  std::int32_t Count() const { return fCount; }
  bool Add(TXYPoint p, TTINVtx* vtx);
  TTINVtx* FindExact(TXYPoint p) const;
  // Null (exact false) when empty.
  TTINVtx* FindNearest(TXYPoint p, bool* exact);
  // The entries in array order into out[0 .. Count()-1]; false (nothing
  // written) when there was no memory for the order.
  bool CopyInOrder(TXYAndHdl* out);

 private:
  struct Entry {
    std::int32_t x, y;
    TTINVtx* hdl;
    std::uint64_t label;  // grows along the run of equal x
  };
  struct Quad {
    std::int32_t child[4];  // -1: none; all -1 in a leaf
    std::int32_t first;     // a leaf's first bucket, -1 while it is empty
    std::int32_t count;     // a leaf's entries
  };
  // A leaf's entries with their coordinates side by side, so that a search
  // reads a leaf in two cache lines instead of one line per entry.  Only a
  // leaf that cannot split (its entries share one (x, y)) chains a second.
  static constexpr std::int32_t kLeafCapacity = 8;
  struct Bucket {
    std::int32_t x[kLeafCapacity];
    std::int32_t y[kLeafCapacity];
    std::int32_t e[kLeafCapacity];
    std::int32_t next;  // the leaf's next bucket, or the next free one; -1: none
  };
  template <class Fn>
  void ForEachInLeaf(const Quad& leaf, Fn fn) const {
    std::int32_t left = leaf.count;
    for (std::int32_t b = leaf.first; b != -1 && left > 0; b = fBuckets[b].next) {
      const Bucket& k = fBuckets[b];
      const std::int32_t n = left < kLeafCapacity ? left : kLeafCapacity;
      for (std::int32_t j = 0; j < n; ++j) fn(k.x[j], k.y[j], k.e[j]);
      left -= n;
    }
  }
  std::int32_t NewBucket();
  void AppendToLeaf(std::int32_t q, std::int32_t e);

  // The entry's index in the array, as an item of the run index.
  static void* Item(std::int32_t e) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(e)); }
  static std::int32_t EntryOf(const void* item) {
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(item));
  }
  // True when entry a comes before entry b in the array.
  bool Before(std::int32_t a, std::int32_t b) const {
    const Entry& ea = fEntries[a];
    const Entry& eb = fEntries[b];
    return ea.x < eb.x || (ea.x == eb.x && ea.label < eb.label);
  }
  // The entry that the array's search starts its nearest walk from.
  std::int32_t StartEntry(TXYPoint p) const;
  // Places entry e among the e entries before it, as the array's insertion
  // did when it held e entries.
  bool PlaceInOrder(std::int32_t e);
  // Places every entry so far, oldest first; false (and no order) without memory.
  bool BuildOrder();
  // Settles a tie of entries tied[0 .. ties-1] at the distance nearest to p
  // without the order: replays the additions of the runs involved.  False
  // without memory.
  bool PickTiedByReplay(TXYPoint p, const std::int32_t* tied, std::int32_t ties,
                        std::int32_t* winner) const;
  // The passes over the entries that settling ties by replay may cost, in
  // units of the entry count, before the order is built and kept instead.
  static constexpr std::int64_t kReplayBudget = 64;
  // The nearest-entry search over the quadtree: the smallest Manhattan
  // distance, and of the entries at it the one `prefer` ranks first, or
  // (with prefer null) up to kTieCap of them in tied[0 .. *tieCount-1],
  // *tieCount = kTieCap + 1 when there are more.
  static constexpr std::int32_t kTieCap = 16;
  template <class Prefer>
  std::int32_t Search(TXYPoint p, Prefer prefer, std::int64_t* best, std::int32_t* tied,
                      std::int32_t* tieCount) const;
  void Relabel(TKeyRunIndex::TRun run);
  bool Reserve();
  // A leaf and its square.
  struct LeafAt {
    std::int32_t q;
    std::int64_t x0, y0, size;
  };
  LeafAt LeafOf(TXYPoint p) const;
  // The first entry of the leaf at exactly p, or -1.
  std::int32_t EntryAt(const LeafAt& leaf, TXYPoint p) const;
  // Adds entry e to the quadtree, starting from its leaf.
  void QuadInsert(LeafAt leaf, std::int32_t e);

  Entry* fEntries = nullptr;
  std::int32_t fCount = 0;
  std::int32_t fCap = 0;
  Quad* fQuads = nullptr;
  std::int32_t fQuadCount = 0;
  std::int32_t fQuadCap = 0;
  Bucket* fBuckets = nullptr;
  std::int32_t fBucketCount = 0;
  std::int32_t fBucketCap = 0;
  std::int32_t fFreeBucket = -1;
  bool fDuplicateXY = false;  // two entries share an (x, y)
  bool fOrdered = false;      // every entry is placed in fRuns
  std::int64_t fReplayWork = 0;  // entries read so far by PickTiedByReplay
  // The leaf of the last exact lookup that found nothing: collection looks a
  // point up and then adds it, and the addition need not descend again.
  mutable bool fMissValid = false;
  mutable TXYPoint fMissAt{0, 0};
  mutable LeafAt fMissLeaf{0, 0, 0, 0};
  TKeyRunIndex fRuns;
};
