#include "plugin/model/TXYIndex.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "plugin/host/WorkList.h"

namespace {

// One insertion splits at most one leaf per level: 33 levels of 4 quads.
constexpr std::int32_t kQuadsPerInsert = 33 * 4;
// The quadtree covers every 32-bit coordinate.
constexpr std::int64_t kRootOrigin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kRootSize = std::int64_t{1} << 32;
constexpr std::uint64_t kFirstLabel = std::uint64_t{1} << 63;

template <class T>
bool Grow(T** block, std::int32_t* cap, std::int32_t used, std::int32_t need) {
  if (*cap >= need) return true;
  std::int64_t grown = *cap == 0 ? 64 : std::int64_t{*cap} * 2;
  while (grown < need) grown *= 2;
  if (grown > std::numeric_limits<std::int32_t>::max() / 2) return false;
  auto* p = static_cast<T*>(PluginAlloc(sizeof(T) * static_cast<std::size_t>(grown)));
  if (p == nullptr) return false;
  if (used > 0) std::memcpy(p, *block, sizeof(T) * static_cast<std::size_t>(used));
  PluginFree(*block);
  *block = p;
  *cap = static_cast<std::int32_t>(grown);
  return true;
}

std::int64_t Gap(std::int64_t v, std::int64_t lo, std::int64_t size) {
  if (v < lo) return lo - v;
  if (v >= lo + size) return v - (lo + size - 1);
  return 0;
}

}  // namespace

TXYIndex::~TXYIndex() {
  PluginFree(fEntries);
  PluginFree(fQuads);
  PluginFree(fBuckets);
}

bool TXYIndex::Reserve() {
  if (!Grow(&fEntries, &fCap, fCount, fCount + 1)) return false;
  if (!Grow(&fQuads, &fQuadCap, fQuadCount, fQuadCount + kQuadsPerInsert + 1)) return false;
  // A split takes at most four buckets, and a leaf that cannot split one.
  if (!Grow(&fBuckets, &fBucketCap, fBucketCount, fBucketCount + kQuadsPerInsert + 1)) return false;
  if (fQuadCount == 0) {
    fQuads[0] = Quad{{-1, -1, -1, -1}, -1, 0};
    fQuadCount = 1;
  }
  return true;
}

void TXYIndex::Relabel(TKeyRunIndex::TRun run) {
  const std::int32_t n = fRuns.RunSize(run);
  const std::uint64_t step = std::numeric_limits<std::uint64_t>::max() / (std::uint64_t(n) + 1);
  const TKeyRunIndex::TItem* items = fRuns.RunItems(run);
  for (std::int32_t j = 0; j < n; ++j) fEntries[EntryOf(items[j])].label = (std::uint64_t(j) + 1) * step;
}

bool TXYIndex::PlaceInOrder(std::int32_t e) {
  // Where the array's insertion put the entry: before the entry of the run
  // that the binary search meets, or as a run of its own.
  const std::int32_t x = fEntries[e].x;
  std::int32_t below = 0;
  const TKeyRunIndex::TRun run = fRuns.Find(x, &below);
  std::int32_t k = 0;
  std::uint64_t label = kFirstLabel;
  bool relabel = false;
  if (run != TKeyRunIndex::kNoRun) {
    const std::int32_t size = fRuns.RunSize(run);
    k = FirstProbeIn(e, below, below + size - 1) - below;
    const TKeyRunIndex::TItem* items = fRuns.RunItems(run);
    const std::uint64_t lo = k == 0 ? 0 : fEntries[EntryOf(items[k - 1])].label;
    const std::uint64_t hi = fEntries[EntryOf(items[k])].label;
    label = lo + (hi - lo) / 2;
    relabel = hi - lo < 2;
  }
  if (!fRuns.Insert(x, k, Item(e))) return false;
  fEntries[e].label = label;
  if (relabel) Relabel(run);
  return true;
}

bool TXYIndex::BuildOrder() {
  for (std::int32_t e = 0; e < fCount; ++e)
    if (!PlaceInOrder(e)) {
      fRuns.Clear();
      return false;
    }
  fOrdered = true;
  return true;
}

bool TXYIndex::Add(TXYPoint p, TTINVtx* vtx) {
  if (!Reserve()) return false;
  const bool known = fMissValid && fMissAt.x == p.x && fMissAt.y == p.y;
  fMissValid = false;
  const LeafAt leaf = known ? fMissLeaf : LeafOf(p);
  const bool firstDuplicate = !fDuplicateXY && !known && EntryAt(leaf, p) != -1;
  // Exact lookups among entries at one (x, y) follow the array order.
  if (firstDuplicate && !fOrdered && !BuildOrder()) return false;
  const std::int32_t e = fCount;
  fEntries[e] = Entry{p.x, p.y, vtx, 0};
  if (fOrdered && !PlaceInOrder(e)) return false;
  if (firstDuplicate) fDuplicateXY = true;
  ++fCount;
  QuadInsert(leaf, e);
  return true;
}

std::int32_t TXYIndex::NewBucket() {
  std::int32_t b = fFreeBucket;
  if (b != -1) fFreeBucket = fBuckets[b].next;
  else b = fBucketCount++;
  fBuckets[b].next = -1;
  return b;
}

void TXYIndex::AppendToLeaf(std::int32_t q, std::int32_t e) {
  Quad& leaf = fQuads[q];
  const std::int32_t slot = leaf.count % kLeafCapacity;
  std::int32_t b = leaf.first;
  if (b == -1) {
    b = leaf.first = NewBucket();
  } else {
    for (std::int32_t full = leaf.count / kLeafCapacity - (slot == 0 ? 1 : 0); full > 0; --full)
      b = fBuckets[b].next;
    if (slot == 0) b = fBuckets[b].next = NewBucket();
  }
  fBuckets[b].x[slot] = fEntries[e].x;
  fBuckets[b].y[slot] = fEntries[e].y;
  fBuckets[b].e[slot] = e;
  ++leaf.count;
}

TXYIndex::LeafAt TXYIndex::LeafOf(TXYPoint p) const {
  std::int32_t q = 0;
  std::int64_t x0 = kRootOrigin, y0 = kRootOrigin, size = kRootSize;
  while (fQuads[q].child[0] != -1) {
    size /= 2;
    const int cx = p.x >= x0 + size ? 1 : 0;
    const int cy = p.y >= y0 + size ? 1 : 0;
    x0 += cx * size;
    y0 += cy * size;
    q = fQuads[q].child[cy * 2 + cx];
  }
  return LeafAt{q, x0, y0, size};
}

std::int32_t TXYIndex::EntryAt(const LeafAt& leaf, TXYPoint p) const {
  std::int32_t found = -1;
  ForEachInLeaf(fQuads[leaf.q], [&](std::int32_t x, std::int32_t y, std::int32_t e) {
    if (found == -1 && x == p.x && y == p.y) found = e;
  });
  return found;
}

void TXYIndex::QuadInsert(LeafAt leaf, std::int32_t e) {
  std::int32_t q = leaf.q;
  std::int64_t x0 = leaf.x0, y0 = leaf.y0, size = leaf.size;
  const std::int32_t ex = fEntries[e].x, ey = fEntries[e].y;
  for (;;) {
    while (fQuads[q].child[0] != -1) {
      size /= 2;
      const int cx = ex >= x0 + size ? 1 : 0;
      const int cy = ey >= y0 + size ? 1 : 0;
      x0 += cx * size;
      y0 += cy * size;
      q = fQuads[q].child[cy * 2 + cx];
    }
    if (fQuads[q].count < kLeafCapacity || size == 1) {
      AppendToLeaf(q, e);
      return;
    }
    // A full leaf splits and hands its entries to the four quarters; then
    // the descent goes on from it, and the new entry may crowd a quarter
    // again.
    const std::int64_t half = size / 2;
    const std::int32_t bucket = fQuads[q].first;
    for (int c = 0; c < 4; ++c) {
      fQuads[q].child[c] = fQuadCount;
      fQuads[fQuadCount++] = Quad{{-1, -1, -1, -1}, -1, 0};
    }
    fQuads[q].first = -1;
    fQuads[q].count = 0;
    const Bucket moving = fBuckets[bucket];
    fBuckets[bucket].next = fFreeBucket;
    fFreeBucket = bucket;
    for (std::int32_t j = 0; j < kLeafCapacity; ++j) {
      const int cx = moving.x[j] >= x0 + half ? 1 : 0;
      const int cy = moving.y[j] >= y0 + half ? 1 : 0;
      AppendToLeaf(fQuads[q].child[cy * 2 + cx], moving.e[j]);
    }
  }
}

TTINVtx* TXYIndex::FindExact(TXYPoint p) const {
  if (fCount == 0) return nullptr;
  if (fDuplicateXY) {
    // The array's own rule: scan down from the probed entry, then up.
    std::int32_t below = 0;
    const TKeyRunIndex::TRun run = fRuns.Find(p.x, &below);
    if (run == TKeyRunIndex::kNoRun) return nullptr;
    const std::int32_t size = fRuns.RunSize(run);
    const std::int32_t m = FirstProbeIn(fCount, below, below + size - 1) - below;
    const TKeyRunIndex::TItem* items = fRuns.RunItems(run);
    for (std::int32_t j = m; j >= 0; --j)
      if (fEntries[EntryOf(items[j])].y == p.y) return fEntries[EntryOf(items[j])].hdl;
    for (std::int32_t j = m + 1; j < size; ++j)
      if (fEntries[EntryOf(items[j])].y == p.y) return fEntries[EntryOf(items[j])].hdl;
    return nullptr;
  }
  const LeafAt leaf = LeafOf(p);
  const std::int32_t found = EntryAt(leaf, p);
  if (found != -1) return fEntries[found].hdl;
  fMissValid = true;
  fMissAt = p;
  fMissLeaf = leaf;
  return nullptr;
}

std::int32_t TXYIndex::StartEntry(TXYPoint p) const {
  std::int32_t below = 0;
  const TKeyRunIndex::TRun run = fRuns.Find(p.x, &below);
  if (run != TKeyRunIndex::kNoRun) {
    const std::int32_t size = fRuns.RunSize(run);
    return EntryOf(fRuns.RunItems(run)[FirstProbeIn(fCount, below, below + size - 1) - below]);
  }
  // The insertion point: the first entry of the next run, or the last entry
  // when it lies past the end; then one step down if that is nearer in x.
  const TKeyRunIndex::TRun next = fRuns.Next(p.x);
  if (next == TKeyRunIndex::kNoRun) {
    const TKeyRunIndex::TRun last = fRuns.LastRun();
    return EntryOf(fRuns.RunItems(last)[fRuns.RunSize(last) - 1]);
  }
  const std::int32_t s = EntryOf(fRuns.RunItems(next)[0]);
  const TKeyRunIndex::TRun prev = fRuns.Prev(p.x);
  if (prev == TKeyRunIndex::kNoRun) return s;
  const std::int32_t before = EntryOf(fRuns.RunItems(prev)[fRuns.RunSize(prev) - 1]);
  const std::int64_t dxS = std::int64_t{fEntries[s].x} - p.x;
  const std::int64_t dxBefore = std::int64_t{p.x} - fEntries[before].x;
  return dxBefore < dxS ? before : s;
}

template <class Prefer>
std::int32_t TXYIndex::Search(TXYPoint p, Prefer prefer, std::int64_t* bestOut,
                              std::int32_t* tied, std::int32_t* tieCount) const {
  std::int64_t best = std::numeric_limits<std::int64_t>::max();
  std::int32_t winner = -1;
  std::int32_t ties = 0;
  // Depth-first over the quadtree, nearer quarters first, skipping quarters
  // whose box is farther than the best distance (equal ones may hold ties).
  struct Pending {
    std::int32_t q;
    std::int64_t x0, y0, size, bound;
  };
  Pending stack[kQuadsPerInsert];
  std::int32_t top = 0;
  stack[top++] = Pending{0, kRootOrigin, kRootOrigin, kRootSize, 0};
  while (top > 0) {
    const Pending cur = stack[--top];
    if (cur.bound > best) continue;
    const Quad& quad = fQuads[cur.q];
    if (quad.child[0] == -1) {
      ForEachInLeaf(quad, [&](std::int32_t x, std::int32_t y, std::int32_t e) {
        const std::int64_t d = std::llabs(std::int64_t{x} - p.x) + std::llabs(std::int64_t{y} - p.y);
        if (d > best) return;
        if (d < best) {
          best = d;
          winner = e;
          ties = 0;
          if (tied != nullptr) tied[ties++] = e;
        } else if (tied != nullptr) {
          if (ties < kTieCap) tied[ties] = e;
          if (ties <= kTieCap) ++ties;
        } else if (prefer(e, winner)) {
          winner = e;
        }
      });
      continue;
    }
    const std::int64_t half = cur.size / 2;
    Pending kids[4];
    for (int c = 0; c < 4; ++c) {
      const std::int64_t x0 = cur.x0 + (c & 1) * half, y0 = cur.y0 + (c >> 1) * half;
      kids[c] = Pending{quad.child[c], x0, y0, half, Gap(p.x, x0, half) + Gap(p.y, y0, half)};
    }
    // Push the farthest first so that the nearest is taken next.
    for (int i = 1; i < 4; ++i)
      for (int j = i; j > 0 && kids[j].bound > kids[j - 1].bound; --j) std::swap(kids[j], kids[j - 1]);
    for (const Pending& kid : kids)
      if (kid.bound <= best) stack[top++] = kid;
  }
  *bestOut = best;
  if (tieCount != nullptr) *tieCount = ties;
  return winner;
}

namespace {

// Of two entries at the best distance the array walk keeps the start entry,
// else the one it meets first going down from the start (the later one before
// it), else the first one going up: the rule as "a is preferred to b", given
// `before(a, b)`: a comes first in the array.
template <class BeforeFn>
auto TieRule(std::int32_t start, BeforeFn before) {
  return [start, before](std::int32_t a, std::int32_t b) {
    if (a == start || b == start) return a == start;
    const bool aBelow = before(a, start), bBelow = before(b, start);
    if (aBelow != bBelow) return aBelow;
    return aBelow ? before(b, a) : before(a, b);
  };
}

template <class BeforeFn>
std::int32_t PickTied(const std::int32_t* tied, std::int32_t ties, std::int32_t start,
                      BeforeFn before) {
  const auto preferred = TieRule(start, before);
  std::int32_t winner = tied[0];
  for (std::int32_t i = 1; i < ties; ++i)
    if (preferred(tied[i], winner)) winner = tied[i];
  return winner;
}

}  // namespace

bool TXYIndex::PickTiedByReplay(TXYPoint p, const std::int32_t* tied, std::int32_t ties,
                                std::int32_t* winner) const {
  // Pass 1: where p falls among the entries' x: the items below it, the size
  // of its run, and the nearest x on either side.
  std::int32_t below = 0, size = 0;
  bool hasPrev = false, hasNext = false;
  std::int32_t prevX = 0, nextX = 0;
  for (std::int32_t e = 0; e < fCount; ++e) {
    const std::int32_t x = fEntries[e].x;
    if (x < p.x) {
      ++below;
      if (!hasPrev || x > prevX) prevX = x, hasPrev = true;
    } else if (x == p.x) {
      ++size;
    } else if (!hasNext || x < nextX) {
      nextX = x, hasNext = true;
    }
  }
  // The runs whose order is needed: the start's, and every tied entry's.
  std::int32_t startKey = p.x;
  bool startLast = false;  // the start is the last entry of its run, not a probe
  if (size == 0) {
    const bool takePrev =
        !hasNext || (hasPrev && std::int64_t{p.x} - prevX < std::int64_t{nextX} - p.x);
    startKey = takePrev ? prevX : nextX;
    startLast = takePrev;
  }
  std::int32_t keys[kTieCap + 1];
  std::int32_t keyCount = 0;
  auto addKey = [&](std::int32_t key) {
    for (std::int32_t j = 0; j < keyCount; ++j)
      if (keys[j] == key) return;
    keys[keyCount++] = key;
  };
  addKey(startKey);
  for (std::int32_t i = 0; i < ties; ++i) addKey(fEntries[tied[i]].x);

  // Pass 2: replay the additions of those runs' entries.  Each went before
  // the entry of its run that the array's binary search met, given the items
  // below its x and the run's size at that moment.
  TWorkList<std::int32_t, 8> runs[kTieCap + 1];
  std::int32_t belowNow[kTieCap + 1] = {};
  for (std::int32_t e = 0; e < fCount; ++e) {
    const std::int32_t x = fEntries[e].x;
    for (std::int32_t j = 0; j < keyCount; ++j) {
      if (x < keys[j]) {
        ++belowNow[j];
      } else if (x == keys[j]) {
        TWorkList<std::int32_t, 8>& run = runs[j];
        const std::int32_t n = run.Size();
        const std::int32_t k =
            n == 0 ? 0 : FirstProbeIn(e, belowNow[j], belowNow[j] + n - 1) - belowNow[j];
        if (!run.Push(e)) return false;
        for (std::int32_t m = n; m > k; --m) run.At(m) = run.At(m - 1);
        run.At(k) = e;
      }
    }
  }
  auto place = [&](std::int32_t e) {
    for (std::int32_t j = 0; j < keyCount; ++j)
      if (keys[j] == fEntries[e].x)
        for (std::int32_t m = 0; m < runs[j].Size(); ++m)
          if (runs[j].At(m) == e) return m;
    return -1;
  };
  const TWorkList<std::int32_t, 8>& startRun = runs[0];
  const std::int32_t start =
      size > 0 ? startRun.At(FirstProbeIn(fCount, below, below + size - 1) - below)
               : startRun.At(startLast ? startRun.Size() - 1 : 0);
  *winner = PickTied(tied, ties, start, [&](std::int32_t a, std::int32_t b) {
    const std::int32_t xa = fEntries[a].x, xb = fEntries[b].x;
    return xa < xb || (xa == xb && place(a) < place(b));
  });
  return true;
}

TTINVtx* TXYIndex::FindNearest(TXYPoint p, bool* exact) {
  *exact = false;
  if (fCount == 0) return nullptr;
  std::int64_t best = 0;
  std::int32_t tied[kTieCap];
  std::int32_t ties = 0;
  const auto none = [](std::int32_t, std::int32_t) { return false; };
  std::int32_t winner = Search(p, none, &best, tied, &ties);
  *exact = best == 0;
  if (ties <= 1) return fEntries[winner].hdl;

  // A tie needs the entries' array order.  The first few are settled by
  // replaying the additions of the runs concerned, two passes over the
  // entries; once those passes have cost as much as keeping the order would,
  // the order is built and kept.
  if (!fOrdered && ties <= kTieCap) {
    fReplayWork += 2 * std::int64_t{fCount};
    if (fReplayWork <= kReplayBudget * std::int64_t{fCount}) {
      if (PickTiedByReplay(p, tied, ties, &winner)) return fEntries[winner].hdl;
    }
  }
  if (!fOrdered && !BuildOrder()) return fEntries[winner].hdl;

  const std::int32_t start = StartEntry(p);
  auto before = [this](std::int32_t a, std::int32_t b) { return Before(a, b); };
  if (ties > kTieCap) {
    winner = Search(p, TieRule(start, before), &best, nullptr, nullptr);
  } else {
    winner = PickTied(tied, ties, start, before);
  }
  return fEntries[winner].hdl;
}

bool TXYIndex::CopyInOrder(TXYAndHdl* out) {
  if (!fOrdered && !BuildOrder()) return false;
  std::int32_t i = 0;
  fRuns.ForEachRun([&](TKeyRunIndex::TRun run) {
    const TKeyRunIndex::TItem* items = fRuns.RunItems(run);
    for (std::int32_t j = 0; j < fRuns.RunSize(run); ++j) {
      const Entry& e = fEntries[EntryOf(items[j])];
      out[i++] = TXYAndHdl{e.x, e.y, e.hdl};
    }
  });
  return true;
}
