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

// Groups of equal elevations up to this size are ordered by moving items;
// longer ones by a Fenwick tree of free places.
constexpr std::int32_t kShortGroup = 64;

// Fenwick tree over 1-based slots: point additions and prefix sums.
void FenwickAdd(std::int32_t* tree, std::int32_t size, std::int32_t at, std::int32_t delta) {
  for (; at <= size; at += at & -at) tree[at] += delta;
}
std::int32_t FenwickSum(const std::int32_t* tree, std::int32_t at) {
  std::int32_t sum = 0;
  for (; at > 0; at -= at & -at) sum += tree[at];
  return sum;
}

// Insertion positions within a group of equal elevations, turned into the
// group's final order: the last item keeps its position; each earlier one
// takes the (position + 1)-th place the later ones left free.  `items` holds
// the group's indices in insertion order, `offset[i]` item i's position
// within the group when it was inserted; out receives the group's indices in
// list order.  `tree` has room for m + 1 counts.
void PlaceGroup(const std::int32_t* items, std::int32_t m, const std::int32_t* offset,
                std::int32_t* tree, std::int32_t* out) {
  if (m <= kShortGroup) {
    // Short groups, the common case: insert one by one into the group's
    // places, moving the later ones up.
    for (std::int32_t k = 0; k < m; ++k) {
      const std::int32_t at = offset[items[k]];
      std::memmove(out + at + 1, out + at, sizeof(std::int32_t) * static_cast<std::size_t>(k - at));
      out[at] = items[k];
    }
    return;
  }
  tree[0] = 0;
  for (std::int32_t at = 1; at <= m; ++at) tree[at] = at & -at;  // every place free
  std::int32_t top = 1;
  while (top * 2 <= m) top *= 2;
  for (std::int32_t k = m - 1; k >= 0; --k) {
    // The smallest place whose count of free places up to it is offset + 1.
    std::int32_t at = 0, want = offset[items[k]] + 1;
    for (std::int32_t step = top; step > 0; step >>= 1) {
      if (at + step <= m && tree[at + step] < want) {
        at += step;
        want -= tree[at];
      }
    }
    out[at] = items[k];
    FenwickAdd(tree, m, at + 1, -1);
  }
}

// Sorts keys by their upper 32 bits, equal ones kept in the order given: a
// radix sort of 11-bit digits, passing over a digit that all keys share.
// False when the host refuses the scratch.
bool SortByUpperHalf(std::uint64_t* keys, std::int32_t n) {
  constexpr int kBits = 11;
  constexpr std::uint32_t kDigits = 1u << kBits;
  TScratch<std::uint64_t> other(n);
  TScratch<std::int32_t> count(kDigits);
  if (other.p == nullptr || count.p == nullptr) return false;
  std::uint64_t* from = keys;
  std::uint64_t* to = other.p;
  for (int shift = 32; shift < 64; shift += kBits) {
    std::memset(count.p, 0, sizeof(std::int32_t) * kDigits);
    for (std::int32_t k = 0; k < n; ++k) ++count.p[(from[k] >> shift) & (kDigits - 1)];
    if (count.p[(from[0] >> shift) & (kDigits - 1)] == n) continue;  // one digit: nothing moves
    std::int32_t start = 0;
    for (std::uint32_t d = 0; d < kDigits; ++d) {
      const std::int32_t c = count.p[d];
      count.p[d] = start;
      start += c;
    }
    for (std::int32_t k = 0; k < n; ++k) to[count.p[(from[k] >> shift) & (kDigits - 1)]++] = from[k];
    std::swap(from, to);
  }
  if (from != keys) std::memcpy(keys, from, sizeof(std::uint64_t) * static_cast<std::size_t>(n));
  return true;
}

}  // namespace

bool InsertionOrderByZ(const std::int32_t* z, std::int32_t n, std::int32_t* order) {
  if (n <= 0) return true;
  // The items sorted by (elevation, index): each group of equal elevations
  // lies together, in insertion order, and the groups in list order.
  TScratch<std::uint64_t> keys(n);
  TScratch<std::int32_t> rank(n);
  TScratch<std::int32_t> offset(n);
  if (keys.p == nullptr || rank.p == nullptr || offset.p == nullptr) return false;
  for (std::int32_t i = 0; i < n; ++i)
    keys.p[i] = (std::uint64_t{static_cast<std::uint32_t>(z[i]) ^ 0x80000000u} << 32) |
                static_cast<std::uint32_t>(i);
  // The keys are made in index order, so a stable sort by elevation sorts
  // them by (elevation, index).
  if (!SortByUpperHalf(keys.p, n)) return false;
  std::int32_t distinct = 0;  // dense ranks, 1-based
  for (std::int32_t k = 0; k < n; ++k) {
    if (k == 0 || (keys.p[k] >> 32) != (keys.p[k - 1] >> 32)) ++distinct;
    rank.p[keys.p[k] & 0xFFFFFFFFu] = distinct;
  }
  {
    // Forward: each item's position within its group as it is inserted.  An
    // item meeting no equal one goes first in its (empty) group; otherwise
    // the search's first probe among the equal ones decides, which needs the
    // count of lower items listed so far.
    TScratch<std::int32_t> lower(std::int64_t{distinct} + 1);  // Fenwick over ranks
    TScratch<std::int32_t> equal(std::int64_t{distinct} + 1);  // items listed per rank
    if (lower.p == nullptr || equal.p == nullptr) return false;
    std::memset(lower.p, 0, sizeof(std::int32_t) * (static_cast<std::size_t>(distinct) + 1));
    std::memset(equal.p, 0, sizeof(std::int32_t) * (static_cast<std::size_t>(distinct) + 1));
    for (std::int32_t i = 0; i < n; ++i) {
      const std::int32_t r = rank.p[i];
      const std::int32_t same = equal.p[r];
      if (same == 0) {
        offset.p[i] = 0;
      } else {
        const std::int32_t below = FenwickSum(lower.p, r - 1);
        offset.p[i] = FirstProbeIn(i, below, below + same - 1) + 1 - below;
      }
      FenwickAdd(lower.p, distinct, r, 1);
      ++equal.p[r];
    }
  }
  // Backward, group by group: a group's items never leave its block of
  // places, so each group is ordered on its own.
  std::int32_t largest = 0;
  for (std::int32_t k = 0, end = 0; k < n; k = end) {
    for (end = k + 1; end < n && (keys.p[end] >> 32) == (keys.p[k] >> 32);) ++end;
    largest = std::max(largest, end - k);
  }
  TScratch<std::int32_t> items(largest);
  TScratch<std::int32_t> tree(largest > kShortGroup ? std::int64_t{largest} + 1 : 1);
  if (items.p == nullptr || tree.p == nullptr) return false;
  for (std::int32_t k = 0, end = 0; k < n; k = end) {
    for (end = k + 1; end < n && (keys.p[end] >> 32) == (keys.p[k] >> 32);) ++end;
    const std::int32_t m = end - k;
    for (std::int32_t j = 0; j < m; ++j) items.p[j] = static_cast<std::int32_t>(keys.p[k + j] & 0xFFFFFFFFu);
    PlaceGroup(items.p, m, offset.p, tree.p, order + k);
  }
  return true;
}
