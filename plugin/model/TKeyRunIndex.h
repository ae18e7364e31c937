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
// The runs form a treap (a binary search tree by key, a heap by a fixed
// pseudo-random priority) whose nodes carry the item count of their subtree.
// A run's items are a contiguous array (a run of one item needs none), so
// inserting into a run of length L moves up to L items.  All memory comes
// from the host allocator; an operation that finds no memory returns false
// and leaves the index unchanged.
#pragma once

#include <cstdint>

#include "host/PluginMemory.h"

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

  std::int32_t Total() const { return Sum(fRoot); }
  // The run of `key`, or kNoRun; *below gets the number of items whose key
  // is smaller.
  TRun Find(std::int32_t key, std::int32_t* below) const;
  // The run of the smallest key above `key`, of the largest below it, of the
  // largest key overall; kNoRun when there is none.
  TRun Next(std::int32_t key) const;
  TRun Prev(std::int32_t key) const;
  TRun LastRun() const;

  std::int32_t RunKey(TRun r) const { return fNodes[r].key; }
  std::int32_t RunSize(TRun r) const { return fNodes[r].size; }
  // The items of a run in order (valid until the run next grows).
  TItem* RunItems(TRun r) { return fNodes[r].cap == 0 ? &fNodes[r].one : fNodes[r].many; }
  const TItem* RunItems(TRun r) const {
    return fNodes[r].cap == 0 ? &fNodes[r].one : fNodes[r].many;
  }

  // Inserts `item` at offset `k` (0 .. size) of the run of `key`, which is
  // created (k must be 0) when missing.  The run's handle goes to *run.
  // False when no memory was available; nothing changed then.
  bool Insert(std::int32_t key, std::int32_t k, TItem item, TRun* run = nullptr);

  // Calls fn(run) for every run in key order.
  template <class Fn>
  void ForEachRun(Fn fn) const {
    Walk(fRoot, fn);
  }

 private:
  struct Node {
    std::int32_t key;
    std::uint32_t prio;
    TRun left, right;
    std::int32_t size;  // items of this run
    std::int32_t sum;   // items of the subtree
    std::int32_t cap;   // capacity of `many`; 0 while the single item is in `one`
    TItem one;
    TItem* many;
  };

  std::int32_t Sum(TRun t) const { return t == kNoRun ? 0 : fNodes[t].sum; }
  void Update(TRun t) { fNodes[t].sum = Sum(fNodes[t].left) + Sum(fNodes[t].right) + fNodes[t].size; }
  void Split(TRun t, std::int32_t key, TRun* l, TRun* r);
  TRun InsertNode(TRun t, TRun n);
  bool GrowRun(Node& node);
  template <class Fn>
  void Walk(TRun t, Fn& fn) const {
    while (t != kNoRun) {
      Walk(fNodes[t].left, fn);
      fn(t);
      t = fNodes[t].right;
    }
  }

  Node* fNodes = nullptr;
  std::int32_t fNodeCount = 0;
  std::int32_t fNodeCap = 0;
  TRun fRoot = kNoRun;
  std::uint32_t fSeed = 0x9E3779B9u;
};
