#include "plugin/model/TKeyRunIndex.h"

#include <cstdint>
#include <cstring>

std::int32_t FirstProbeIn(std::int32_t n, std::int32_t a, std::int32_t b) {
  // Every bound stays in [0, n - 1] (the search moves right only from a probe
  // below a <= n - 1, left only from one above b >= 0), so the halving runs
  // on unsigned 32-bit values: a shift, where a signed halving needs a sign
  // correction.  Each step's direction is as good as random, so the bounds
  // move by masks rather than branches, and the one branch left (is the
  // probe in [a, b]?) fails only at the end.
  std::uint32_t lo = 0, hi = static_cast<std::uint32_t>(n) - 1;
  std::uint32_t mid = hi / 2;
  const auto ua = static_cast<std::uint32_t>(a);
  const auto width = static_cast<std::uint32_t>(b) - ua;
  while (mid - ua > width) {
    const std::uint32_t right = 0u - static_cast<std::uint32_t>(mid < ua);  // all ones: go right
    lo += (mid + 1 - lo) & right;
    hi -= (hi - mid + 1) & ~right;  // to mid - 1; mid >= 1 whenever it moves
    mid = (lo + hi) / 2;
  }
  return static_cast<std::int32_t>(mid);
}

TKeyRunIndex::~TKeyRunIndex() { Clear(); }

void TKeyRunIndex::Clear() {
  for (std::int32_t i = 0; i < fRunCount; ++i)
    if (OnHeap(fRuns[i])) PluginFree(fRuns[i].many);
  PluginFree(fRuns);
  PluginFree(fBlocks);
  fRuns = nullptr;
  fBlocks = nullptr;
  fRunCount = fRunCap = fBlockCount = fBlockCap = 0;
  fRoot = fFirstLeaf = fLastLeaf = kNone;
  fTotal = 0;
}

namespace {

// The number of the first `count` keys that are <= key (upper bound), and
// that are < key (lower bound); the keys are ascending.  The halving keeps a
// window of n keys whose answer lies in it or just past it, and picks the half
// by a conditional move rather than a branch, which a search among random
// keys would mispredict at every other step.
template <class Below>
std::int32_t Bound(const std::int32_t* keys, std::int32_t count, Below below) {
  if (count == 0) return 0;
  const std::int32_t* base = keys;
  for (std::int32_t n = count; n > 1;) {
    const std::int32_t half = n / 2;
    base = below(base[half]) ? base + half : base;
    n -= half;
  }
  return static_cast<std::int32_t>(base - keys) + (below(*base) ? 1 : 0);
}

std::int32_t UpperBound(const std::int32_t* keys, std::int32_t count, std::int32_t key) {
  return Bound(keys, count, [key](std::int32_t k) { return k <= key; });
}

std::int32_t LowerBound(const std::int32_t* keys, std::int32_t count, std::int32_t key) {
  return Bound(keys, count, [key](std::int32_t k) { return k < key; });
}

std::int32_t SumOf(const std::int32_t* items, std::int32_t count) {
  std::int32_t sum = 0;
  for (std::int32_t j = 0; j < count; ++j) sum += items[j];
  return sum;
}

}  // namespace

std::int32_t TKeyRunIndex::Descend(std::int32_t key, PathStep* path, std::int32_t* below) const {
  std::int32_t acc = 0, depth = 0;
  std::int32_t b = fRoot;
  while (!fBlocks[b].leaf) {
    const Block& n = fBlocks[b];
    // The child whose range holds `key`: the last whose smallest key is <= key.
    std::int32_t slot = n.count > 1 ? UpperBound(n.key + 1, n.count - 1, key) : 0;
    acc += SumOf(n.items, slot);
    path[depth++] = PathStep{b, slot};
    b = n.ref[slot];
  }
  const Block& leaf = fBlocks[b];
  const std::int32_t slot = LowerBound(leaf.key, leaf.count, key);
  acc += SumOf(leaf.items, slot);
  path[depth++] = PathStep{b, slot};
  *below = acc;
  return depth;
}

TKeyRunIndex::TRun TKeyRunIndex::Find(std::int32_t key, std::int32_t* below) const {
  *below = 0;
  if (fRoot == kNone) return kNoRun;
  PathStep path[kMaxDepth];
  const std::int32_t depth = Descend(key, path, below);
  const Block& leaf = fBlocks[path[depth - 1].block];
  const std::int32_t slot = path[depth - 1].slot;
  return slot < leaf.count && leaf.key[slot] == key ? leaf.ref[slot] : kNoRun;
}

TKeyRunIndex::TRun TKeyRunIndex::Next(std::int32_t key) const {
  if (fRoot == kNone) return kNoRun;
  PathStep path[kMaxDepth];
  std::int32_t below = 0;
  const std::int32_t depth = Descend(key, path, &below);
  const Block* leaf = &fBlocks[path[depth - 1].block];
  std::int32_t slot = path[depth - 1].slot;
  if (slot < leaf->count && leaf->key[slot] == key) ++slot;
  if (slot < leaf->count) return leaf->ref[slot];
  return leaf->next == kNone ? kNoRun : fBlocks[leaf->next].ref[0];
}

TKeyRunIndex::TRun TKeyRunIndex::Prev(std::int32_t key) const {
  if (fRoot == kNone) return kNoRun;
  PathStep path[kMaxDepth];
  std::int32_t below = 0;
  const std::int32_t depth = Descend(key, path, &below);
  const Block& leaf = fBlocks[path[depth - 1].block];
  const std::int32_t slot = path[depth - 1].slot;
  if (slot > 0) return leaf.ref[slot - 1];
  if (leaf.prev == kNone) return kNoRun;
  const Block& before = fBlocks[leaf.prev];
  return before.ref[before.count - 1];
}

TKeyRunIndex::TRun TKeyRunIndex::LastRun() const {
  if (fLastLeaf == kNone) return kNoRun;
  const Block& leaf = fBlocks[fLastLeaf];
  return leaf.ref[leaf.count - 1];
}

bool TKeyRunIndex::ReserveRun() {
  if (fRunCount < fRunCap) return true;
  const std::int32_t cap = fRunCap == 0 ? 64 : fRunCap * 2;
  if (cap < fRunCap) return false;
  auto* grown = static_cast<Run*>(PluginAlloc(sizeof(Run) * static_cast<std::size_t>(cap)));
  if (grown == nullptr) return false;
  if (fRunCount > 0) std::memcpy(grown, fRuns, sizeof(Run) * static_cast<std::size_t>(fRunCount));
  PluginFree(fRuns);
  fRuns = grown;
  fRunCap = cap;
  return true;
}

bool TKeyRunIndex::ReserveBlocks(std::int32_t more) {
  if (fBlockCount + more <= fBlockCap) return true;
  std::int32_t cap = fBlockCap == 0 ? 4 : fBlockCap * 2;
  while (cap > 0 && cap < fBlockCount + more) cap *= 2;
  if (cap < fBlockCap) return false;
  auto* grown = static_cast<Block*>(PluginAlloc(sizeof(Block) * static_cast<std::size_t>(cap)));
  if (grown == nullptr) return false;
  if (fBlockCount > 0)
    std::memcpy(grown, fBlocks, sizeof(Block) * static_cast<std::size_t>(fBlockCount));
  PluginFree(fBlocks);
  fBlocks = grown;
  fBlockCap = cap;
  return true;
}

std::int32_t TKeyRunIndex::NewBlock(bool leaf) {
  const std::int32_t b = fBlockCount++;
  fBlocks[b].count = 0;
  fBlocks[b].leaf = leaf;
  fBlocks[b].next = fBlocks[b].prev = kNone;
  return b;
}

bool TKeyRunIndex::GrowRun(Run& run) {
  const std::int64_t cap = run.size == 1 ? 4 : std::int64_t{run.size} * 2;
  if (cap > INT32_MAX) return false;
  auto* grown = static_cast<TItem*>(PluginAlloc(sizeof(TItem) * static_cast<std::size_t>(cap)));
  if (grown == nullptr) return false;
  std::memcpy(grown, OnHeap(run) ? run.many : &run.one, sizeof(TItem) * static_cast<std::size_t>(run.size));
  if (OnHeap(run)) PluginFree(run.many);
  run.many = grown;
  return true;
}

// Puts the new key with its run (one item) at the leaf slot of the path, then
// splits every node that became full, from the leaf upwards.  The caller has
// reserved a block for every level and one for a new root.
void TKeyRunIndex::InsertKey(PathStep* path, std::int32_t depth, std::int32_t key, TRun run) {
  for (std::int32_t d = 0; d + 1 < depth; ++d) ++fBlocks[path[d].block].items[path[d].slot];
  std::int32_t level = depth - 1;
  std::int32_t b = path[level].block;
  std::int32_t slot = path[level].slot;
  std::int32_t newKey = key, newRef = run, newItems = 1;
  for (;;) {
    Block& n = fBlocks[b];
    const auto tail = static_cast<std::size_t>(n.count - slot);
    std::memmove(n.key + slot + 1, n.key + slot, sizeof(std::int32_t) * tail);
    std::memmove(n.ref + slot + 1, n.ref + slot, sizeof(std::int32_t) * tail);
    std::memmove(n.items + slot + 1, n.items + slot, sizeof(std::int32_t) * tail);
    n.key[slot] = newKey;
    n.ref[slot] = newRef;
    n.items[slot] = newItems;
    ++n.count;
    if (n.count < kFan) return;

    // Full: the upper half moves to a new right sibling, which the parent
    // receives after b (or a new root above both).
    const std::int32_t right = NewBlock(fBlocks[b].leaf);
    Block& l = fBlocks[b];
    Block& r = fBlocks[right];
    const std::int32_t half = kFan / 2;
    r.count = l.count - half;
    std::memcpy(r.key, l.key + half, sizeof(std::int32_t) * static_cast<std::size_t>(r.count));
    std::memcpy(r.ref, l.ref + half, sizeof(std::int32_t) * static_cast<std::size_t>(r.count));
    std::memcpy(r.items, l.items + half, sizeof(std::int32_t) * static_cast<std::size_t>(r.count));
    l.count = half;
    if (l.leaf) {
      r.next = l.next;
      r.prev = b;
      if (l.next != kNone) fBlocks[l.next].prev = right;
      else fLastLeaf = right;
      l.next = right;
    }
    const std::int32_t rightItems = SumOf(r.items, r.count);
    if (level == 0) {
      const std::int32_t root = NewBlock(false);
      Block& top = fBlocks[root];
      top.count = 2;
      top.key[0] = l.key[0];
      top.ref[0] = b;
      top.items[0] = SumOf(l.items, l.count);
      top.key[1] = r.key[0];
      top.ref[1] = right;
      top.items[1] = rightItems;
      fRoot = root;
      return;
    }
    --level;
    b = path[level].block;
    fBlocks[b].items[path[level].slot] -= rightItems;
    slot = path[level].slot + 1;
    newKey = fBlocks[right].key[0];
    newRef = right;
    newItems = rightItems;
  }
}

bool TKeyRunIndex::Insert(std::int32_t key, std::int32_t k, TItem item, TRun* run) {
  PathStep path[kMaxDepth];
  std::int32_t depth = 0, below = 0;
  TRun r = kNoRun;
  if (fRoot != kNone) {
    depth = Descend(key, path, &below);
    const Block& leaf = fBlocks[path[depth - 1].block];
    const std::int32_t slot = path[depth - 1].slot;
    if (slot < leaf.count && leaf.key[slot] == key) r = leaf.ref[slot];
  }
  if (r == kNoRun) {
    if (k != 0) return false;
    if (!ReserveRun() || !ReserveBlocks(depth + 2) || depth + 1 >= kMaxDepth) return false;
    r = fRunCount++;
    fRuns[r].key = key;
    fRuns[r].size = 1;
    fRuns[r].one = item;
    if (fRoot == kNone) {
      fRoot = fFirstLeaf = fLastLeaf = NewBlock(true);
      path[0] = PathStep{fRoot, 0};
      depth = 1;
    }
    InsertKey(path, depth, key, r);
    ++fTotal;
    if (run != nullptr) *run = r;
    return true;
  }
  Run& node = fRuns[r];
  if (k < 0 || k > node.size) return false;
  if (Full(node) && !GrowRun(node)) return false;
  TItem* items = node.many;
  std::memmove(items + k + 1, items + k, sizeof(TItem) * static_cast<std::size_t>(node.size - k));
  items[k] = item;
  ++node.size;
  // Every node on the way down to the run counts one item more.
  for (std::int32_t d = 0; d < depth; ++d) ++fBlocks[path[d].block].items[path[d].slot];
  ++fTotal;
  if (run != nullptr) *run = r;
  return true;
}
