// TKeyRunIndex: items grouped into runs of equal 32-bit keys, the runs kept in
// key order, so that the number of items below a key, the run of a key and
// its neighbours are found in O(log k) for k distinct keys.
//
// It is the index behind the two ordered vertex containers.  Both place a new
// item among equal keys by a binary search over the whole container; that
// search meets the run [a, b] of the key at the first probe that falls inside
// it, and that probe depends only on a (the items below the key), b and the
// container's size.  FirstProbeIn reproduces it without touching the items.
//
// The runs' keys form a B+-tree of wide nodes: a leaf holds up to kFan keys
// with their runs and run sizes, an inner node the smallest key and the item
// count of each child, and the leaves are chained in key order.  A million
// keys make a tree four levels deep, and a search reads a few contiguous
// nodes instead of some forty scattered ones.  A run's items are a
// contiguous array (a run of one item needs none), so inserting into a run of
// length L moves up to L items.  All memory comes from the host allocator; an
// operation that finds no memory returns false and leaves the index unchanged.
#pragma once

#include <cstdint>

#include "plugin/host/PluginMemory.h"

// The first probe (lo + hi) / 2 of a binary search over positions 0 .. n-1
// that lies in [a, b], moving right of probes below a and left of probes
// above b.  Precondition: 0 <= a <= b < n.
std::int32_t FirstProbeIn(std::int32_t n, std::int32_t a, std::int32_t b);

class TKeyRunIndex final : public TPluginObject {
 public:
  using TItem = void*;
  using TRun = std::int32_t;  // a run's handle; stable while the index lives
  static constexpr TRun kNoRun = -1;

  TKeyRunIndex() = default;
  ~TKeyRunIndex();
  TKeyRunIndex(const TKeyRunIndex&) = delete;
  TKeyRunIndex& operator=(const TKeyRunIndex&) = delete;

  std::int32_t Total() const { return fTotal; }
  // Empties the index and gives its memory back.
  void Clear();
  // The run of `key`, or kNoRun; *below gets the number of items whose key
  // is smaller.
  TRun Find(std::int32_t key, std::int32_t* below) const;
  // The run of the smallest key above `key`, of the largest below it, of the
  // largest key overall; kNoRun when there is none.
  TRun Next(std::int32_t key) const;
  TRun Prev(std::int32_t key) const;
  TRun LastRun() const;

  std::int32_t RunKey(TRun r) const { return fRuns[r].key; }
  std::int32_t RunSize(TRun r) const { return fRuns[r].size; }
  // The items of a run in order (valid until the run next grows).
  TItem* RunItems(TRun r) { return OnHeap(fRuns[r]) ? fRuns[r].many : &fRuns[r].one; }
  const TItem* RunItems(TRun r) const {
    return OnHeap(fRuns[r]) ? fRuns[r].many : &fRuns[r].one;
  }

  // Inserts `item` at offset `k` (0 .. size) of the run of `key`, which is
  // created (k must be 0) when missing.  The run's handle goes to *run.
  // False when no memory was available; nothing changed then.
  bool Insert(std::int32_t key, std::int32_t k, TItem item, TRun* run = nullptr);

  // Calls fn(run) for every run in key order.
  template <class Fn>
  void ForEachRun(Fn fn) const {
    for (std::int32_t b = fFirstLeaf; b != kNone; b = fBlocks[b].next)
      for (std::int32_t j = 0; j < fBlocks[b].count; ++j) fn(fBlocks[b].ref[j]);
  }

 private:
  static constexpr std::int32_t kFan = 64;
  static constexpr std::int32_t kNone = -1;
  static constexpr std::int32_t kMaxDepth = 16;  // 64^16 keys: never reached

  // A run of one item holds it in place; a longer one holds its items on the
  // heap, with room for the larger of 4 and the size rounded up to a power of
  // two.  Runs never shrink, so the room follows from the size and a run is
  // 16 bytes instead of 32 (a run per distinct elevation of a list by height,
  // per distinct x of an index by x).
  struct Run {
    std::int32_t key;
    std::int32_t size;  // items of this run
    union {
      TItem one;    // size 1
      TItem* many;  // size 2 and more
    };
  };
  static_assert(sizeof(Run) == 2 * sizeof(std::int32_t) + sizeof(TItem), "a run holds no room count");
  static bool OnHeap(const Run& run) { return run.size > 1; }
  // Whether the run's room is full (a run of one has no heap room yet).
  static bool Full(const Run& run) {
    return run.size == 1 || (run.size >= 4 && (run.size & (run.size - 1)) == 0);
  }
  // A tree node.  Leaf: key[j], run ref[j] with items[j] = its size.  Inner:
  // child ref[j] holding the keys from key[j] (key[0] is not compared) with
  // items[j] items under it.
  struct Block {
    std::int32_t count;
    bool leaf;
    std::int32_t next, prev;  // leaves: neighbours in key order
    std::int32_t key[kFan];
    std::int32_t ref[kFan];
    std::int32_t items[kFan];
  };
  struct PathStep {
    std::int32_t block, slot;
  };

  // Descends to the leaf for `key`: the path (inner steps, then the leaf with
  // the slot of the first key not below `key`), its depth, and the items of
  // every key below `key`.
  std::int32_t Descend(std::int32_t key, PathStep* path, std::int32_t* below) const;
  bool ReserveRun();
  bool ReserveBlocks(std::int32_t more);
  std::int32_t NewBlock(bool leaf);
  bool GrowRun(Run& run);
  void InsertKey(PathStep* path, std::int32_t depth, std::int32_t key, TRun run);

  Run* fRuns = nullptr;
  std::int32_t fRunCount = 0;
  std::int32_t fRunCap = 0;
  Block* fBlocks = nullptr;
  std::int32_t fBlockCount = 0;
  std::int32_t fBlockCap = 0;
  std::int32_t fRoot = kNone;
  std::int32_t fFirstLeaf = kNone;
  std::int32_t fLastLeaf = kNone;
  std::int32_t fTotal = 0;
};
