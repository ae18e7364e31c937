#include "model/TKeyRunIndex.h"

#include <cstring>

std::int32_t FirstProbeIn(std::int32_t n, std::int32_t a, std::int32_t b) {
  std::int64_t lo = 0, hi = std::int64_t{n} - 1;
  for (;;) {
    const std::int64_t mid = (lo + hi) / 2;
    if (mid < a) lo = mid + 1;
    else if (mid > b) hi = mid - 1;
    else return static_cast<std::int32_t>(mid);
  }
}

TKeyRunIndex::~TKeyRunIndex() {
  for (std::int32_t i = 0; i < fNodeCount; ++i)
    if (fNodes[i].cap != 0) PluginFree(fNodes[i].many);
  PluginFree(fNodes);
}

TKeyRunIndex::TRun TKeyRunIndex::Find(std::int32_t key, std::int32_t* below) const {
  std::int32_t acc = 0;
  TRun t = fRoot;
  while (t != kNoRun) {
    const Node& n = fNodes[t];
    if (key < n.key) {
      t = n.left;
    } else if (key > n.key) {
      acc += Sum(n.left) + n.size;
      t = n.right;
    } else {
      *below = acc + Sum(n.left);
      return t;
    }
  }
  *below = acc;
  return kNoRun;
}

TKeyRunIndex::TRun TKeyRunIndex::Next(std::int32_t key) const {
  TRun best = kNoRun;
  for (TRun t = fRoot; t != kNoRun;) {
    if (fNodes[t].key > key) {
      best = t;
      t = fNodes[t].left;
    } else {
      t = fNodes[t].right;
    }
  }
  return best;
}

TKeyRunIndex::TRun TKeyRunIndex::Prev(std::int32_t key) const {
  TRun best = kNoRun;
  for (TRun t = fRoot; t != kNoRun;) {
    if (fNodes[t].key < key) {
      best = t;
      t = fNodes[t].right;
    } else {
      t = fNodes[t].left;
    }
  }
  return best;
}

TKeyRunIndex::TRun TKeyRunIndex::LastRun() const {
  TRun t = fRoot;
  while (t != kNoRun && fNodes[t].right != kNoRun) t = fNodes[t].right;
  return t;
}

void TKeyRunIndex::Split(TRun t, std::int32_t key, TRun* l, TRun* r) {
  if (t == kNoRun) {
    *l = *r = kNoRun;
  } else if (fNodes[t].key < key) {
    Split(fNodes[t].right, key, &fNodes[t].right, r);
    *l = t;
    Update(t);
  } else {
    Split(fNodes[t].left, key, l, &fNodes[t].left);
    *r = t;
    Update(t);
  }
}

TKeyRunIndex::TRun TKeyRunIndex::InsertNode(TRun t, TRun n) {
  if (t == kNoRun) return n;
  if (fNodes[n].prio > fNodes[t].prio) {
    Split(t, fNodes[n].key, &fNodes[n].left, &fNodes[n].right);
    Update(n);
    return n;
  }
  if (fNodes[n].key < fNodes[t].key) fNodes[t].left = InsertNode(fNodes[t].left, n);
  else fNodes[t].right = InsertNode(fNodes[t].right, n);
  Update(t);
  return t;
}

bool TKeyRunIndex::GrowRun(Node& node) {
  const std::int32_t cap = node.cap == 0 ? 4 : node.cap * 2;
  if (cap < node.cap) return false;
  auto* grown = static_cast<TItem*>(PluginAlloc(sizeof(TItem) * static_cast<std::size_t>(cap)));
  if (grown == nullptr) return false;
  if (node.size > 0)
    std::memcpy(grown, node.cap == 0 ? &node.one : node.many,
                sizeof(TItem) * static_cast<std::size_t>(node.size));
  if (node.cap != 0) PluginFree(node.many);
  node.many = grown;
  node.cap = cap;
  return true;
}

bool TKeyRunIndex::Insert(std::int32_t key, std::int32_t k, TItem item, TRun* run) {
  std::int32_t below = 0;
  TRun r = Find(key, &below);
  if (r == kNoRun) {
    if (k != 0) return false;
    if (fNodeCount == fNodeCap) {
      const std::int32_t cap = fNodeCap == 0 ? 64 : fNodeCap * 2;
      if (cap < fNodeCap) return false;
      auto* grown = static_cast<Node*>(PluginAlloc(sizeof(Node) * static_cast<std::size_t>(cap)));
      if (grown == nullptr) return false;
      if (fNodeCount > 0)
        std::memcpy(grown, fNodes, sizeof(Node) * static_cast<std::size_t>(fNodeCount));
      PluginFree(fNodes);
      fNodes = grown;
      fNodeCap = cap;
    }
    // xorshift32: a fixed sequence, so the tree's shape is reproducible.
    fSeed ^= fSeed << 13;
    fSeed ^= fSeed >> 17;
    fSeed ^= fSeed << 5;
    r = fNodeCount++;
    fNodes[r] = Node{key, fSeed, kNoRun, kNoRun, 1, 1, 0, item, nullptr};
    fRoot = InsertNode(fRoot, r);
    if (run != nullptr) *run = r;
    return true;
  }
  Node& node = fNodes[r];
  if (k < 0 || k > node.size) return false;
  if (node.size == 1 && node.cap == 0) {
    if (!GrowRun(node)) return false;
  } else if (node.size == node.cap && !GrowRun(node)) {
    return false;
  }
  TItem* items = node.many;
  std::memmove(items + k + 1, items + k, sizeof(TItem) * static_cast<std::size_t>(node.size - k));
  items[k] = item;
  ++node.size;
  // Every subtree on the way down to the run holds one item more.
  for (TRun t = fRoot; t != kNoRun;) {
    ++fNodes[t].sum;
    if (key < fNodes[t].key) t = fNodes[t].left;
    else if (key > fNodes[t].key) t = fNodes[t].right;
    else break;
  }
  if (run != nullptr) *run = r;
  return true;
}
