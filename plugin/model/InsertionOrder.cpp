#include "plugin/model/InsertionOrder.h"

#include <algorithm>
#include <cstring>

#include "plugin/host/PluginMemory.h"
#include "plugin/model/TKeyRunIndex.h"

namespace {

// A block of `count` values of T from the host allocator, freed with the object.
template <typename T>
struct TScratch {
  T* p;
  explicit TScratch(std::int64_t count)
      : p(static_cast<T*>(PluginAlloc(sizeof(T) * static_cast<std::size_t>(count > 0 ? count : 1)))) {}
  ~TScratch() { PluginFree(p); }
  TScratch(const TScratch&) = delete;
  TScratch& operator=(const TScratch&) = delete;
};

// Fenwick tree over 1-based slots: point additions and prefix sums.
void FenwickAdd(std::int32_t* tree, std::int32_t size, std::int32_t at, std::int32_t delta) {
  for (; at <= size; at += at & -at) tree[at] += delta;
}
std::int32_t FenwickSum(const std::int32_t* tree, std::int32_t at) {
  std::int32_t sum = 0;
  for (; at > 0; at -= at & -at) sum += tree[at];
  return sum;
}

// Dense ranks (1-based) of the elevations: equal elevations share a rank.
// Returns the number of distinct elevations, or -1 without memory.
std::int32_t RankElevations(const std::int32_t* z, std::int32_t n, std::int32_t* rank) {
  TScratch<std::uint64_t> keys(n);
  if (keys.p == nullptr) return -1;
  for (std::int32_t i = 0; i < n; ++i)
    keys.p[i] = (std::uint64_t{static_cast<std::uint32_t>(z[i]) ^ 0x80000000u} << 32) |
                static_cast<std::uint32_t>(i);
  std::sort(keys.p, keys.p + n);
  std::int32_t distinct = 0;
  for (std::int32_t k = 0; k < n; ++k) {
    if (k == 0 || (keys.p[k] >> 32) != (keys.p[k - 1] >> 32)) ++distinct;
    rank[keys.p[k] & 0xFFFFFFFFu] = distinct;
  }
  return distinct;
}

}  // namespace

bool InsertionOrderByZ(const std::int32_t* z, std::int32_t n, std::int32_t* order) {
  if (n <= 0) return true;
  TScratch<std::int32_t> rank(n);
  TScratch<std::int32_t> position(n);
  if (rank.p == nullptr || position.p == nullptr) return false;
  const std::int32_t distinct = RankElevations(z, n, rank.p);
  if (distinct < 0) return false;
  {
    // Forward: the place each item takes in the list as it is inserted.
    TScratch<std::int32_t> lower(std::int64_t{distinct} + 1);  // Fenwick over ranks
    TScratch<std::int32_t> equal(std::int64_t{distinct} + 1);  // items listed per rank
    if (lower.p == nullptr || equal.p == nullptr) return false;
    std::memset(lower.p, 0, sizeof(std::int32_t) * (static_cast<std::size_t>(distinct) + 1));
    std::memset(equal.p, 0, sizeof(std::int32_t) * (static_cast<std::size_t>(distinct) + 1));
    for (std::int32_t i = 0; i < n; ++i) {
      const std::int32_t r = rank.p[i];
      const std::int32_t below = FenwickSum(lower.p, r - 1);
      const std::int32_t same = equal.p[r];
      position.p[i] = same == 0 ? below : FirstProbeIn(i, below, below + same - 1) + 1;
      FenwickAdd(lower.p, distinct, r, 1);
      ++equal.p[r];
    }
  }
  // Backward: the last item keeps its place; each earlier one takes the
  // (position + 1)-th place that the later ones left free.
  TScratch<std::int32_t> tree(std::int64_t{n} + 1);  // free places 1..n
  if (tree.p == nullptr) return false;
  tree.p[0] = 0;
  for (std::int32_t at = 1; at <= n; ++at) tree.p[at] = at & -at;  // every place free
  std::int32_t top = 1;
  while (top * 2 <= n) top *= 2;
  for (std::int32_t i = n - 1; i >= 0; --i) {
    // The smallest place whose count of free places up to it is position + 1.
    std::int32_t at = 0, want = position.p[i] + 1;
    for (std::int32_t step = top; step > 0; step >>= 1) {
      if (at + step <= n && tree.p[at + step] < want) {
        at += step;
        want -= tree.p[at];
      }
    }
    order[at] = i;  // place at + 1, 0-based at
    FenwickAdd(tree.p, n, at + 1, -1);
  }
  return true;
}
