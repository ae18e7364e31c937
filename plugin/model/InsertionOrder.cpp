#include "plugin/model/InsertionOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "plugin/host/PluginMemory.h"
#include "plugin/model/TKeyRunIndex.h"

namespace {

// A block of `count` values of T from the host allocator, freed with the object.
template <typename T>
struct TScratch {
  T* p;
  explicit TScratch(std::int64_t count)
      : p(static_cast<T*>(
            PluginAlloc(sizeof(T) * static_cast<std::size_t>(count > 0 ? count : 1)))) {}
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
    // places, moving the later ones up (a few places each: a loop, not a call).
    for (std::int32_t k = 0; k < m; ++k) {
      const std::int32_t at = offset[items[k]];
      for (std::int32_t j = k; j > at; --j) out[j] = out[j - 1];
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
    for (std::int32_t k = 0; k < n; ++k)
      to[count.p[(from[k] >> shift) & (kDigits - 1)]++] = from[k];
    std::swap(from, to);
  }
  if (from != keys) std::memcpy(keys, from, sizeof(std::uint64_t) * static_cast<std::size_t>(n));
  return true;
}

// The items sorted by (elevation, index): items[k] the index, zs[k] its
// elevation.  Elevations within a span of at most twice the item count (plus
// a little) are counted into a table over the span, one pass that keeps
// equal ones in index order; wider spans are sorted by digits, measured from
// the lowest elevation so that a narrow span's high digits, all zero, are
// passed over.  False when the host refuses the scratch.
bool SortByZ(const std::int32_t* z, std::int32_t n, std::int32_t* items, std::int32_t* zs) {
  std::int32_t lowest = z[0], highest = z[0];
  for (std::int32_t i = 1; i < n; ++i) {
    lowest = std::min(lowest, z[i]);
    highest = std::max(highest, z[i]);
  }
  const std::int64_t span = std::int64_t{highest} - lowest + 1;
  if (span <= 2 * std::int64_t{n} + 65536) {
    TScratch<std::int32_t> first(span);  // per elevation: its first place
    if (first.p == nullptr) return false;
    std::memset(first.p, 0, sizeof(std::int32_t) * static_cast<std::size_t>(span));
    for (std::int32_t i = 0; i < n; ++i) ++first.p[z[i] - lowest];
    std::int32_t place = 0;
    for (std::int64_t v = 0; v < span; ++v) {
      const std::int32_t c = first.p[v];
      first.p[v] = place;
      for (std::int32_t k = 0; k < c; ++k) zs[place + k] = static_cast<std::int32_t>(lowest + v);
      place += c;
    }
    for (std::int32_t i = 0; i < n; ++i) items[first.p[z[i] - lowest]++] = i;
    return true;
  }
  TScratch<std::uint64_t> keys(n);
  if (keys.p == nullptr) return false;
  const auto base = static_cast<std::uint32_t>(lowest);
  for (std::int32_t i = 0; i < n; ++i)
    keys.p[i] = std::uint64_t{static_cast<std::uint32_t>(z[i]) - base} << 32 |
                static_cast<std::uint32_t>(i);
  // The keys are made in index order, so a stable sort by elevation sorts
  // them by (elevation, index).
  if (!SortByUpperHalf(keys.p, n)) return false;
  for (std::int32_t k = 0; k < n; ++k) {
    items[k] = static_cast<std::int32_t>(keys.p[k] & 0xFFFFFFFFu);
    zs[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(keys.p[k] >> 32) + base);
  }
  return true;
}

// FirstProbeIn for a batch of searches at once.  One search's probes form a
// chain of dependent steps whose count is as good as random; a batch runs a
// fixed number of steps (enough for the largest size) on all its searches
// side by side, without a branch, a search staying put once its probe lies
// in its range.
class TProbeBatch {
 public:
  static constexpr std::int32_t kSize = 256;
  bool Full() const { return fCount == kSize; }
  // A search over `size` places for the first probe in [a, a + width], on
  // behalf of `item`.
  void Add(std::int32_t item, std::int32_t size, std::int32_t a, std::int32_t width) {
    fItem[fCount] = item;
    fSize[fCount] = static_cast<std::uint32_t>(size);
    fA[fCount] = static_cast<std::uint32_t>(a);
    fWidth[fCount] = static_cast<std::uint32_t>(width);
    ++fCount;
  }
  // offset[item] = the item's first probe less its a, plus one, for each
  // search in the batch, which then empties.
  void Flush(std::int32_t* offset) {
    std::uint32_t largest = 1;
    for (std::int32_t j = 0; j < fCount; ++j) largest = std::max(largest, fSize[j]);
    const int steps = std::bit_width(largest);
    std::uint32_t lo[kSize], hi[kSize], mid[kSize];
    for (std::int32_t j = 0; j < fCount; ++j) {
      lo[j] = 0;
      hi[j] = fSize[j] - 1;
      mid[j] = hi[j] / 2;
    }
    for (int s = 0; s < steps; ++s)
      for (std::int32_t j = 0; j < fCount; ++j) {
        const std::uint32_t below = 0u - static_cast<std::uint32_t>(mid[j] < fA[j]);
        const std::uint32_t above =
            (0u - static_cast<std::uint32_t>(mid[j] - fA[j] > fWidth[j])) & ~below;
        lo[j] += (mid[j] + 1 - lo[j]) & below;
        hi[j] -= (hi[j] - mid[j] + 1) & above;
        mid[j] = (lo[j] + hi[j]) / 2;
      }
    for (std::int32_t j = 0; j < fCount; ++j)
      offset[fItem[j]] = static_cast<std::int32_t>(mid[j] - fA[j]) + 1;
    fCount = 0;
  }

 private:
  std::int32_t fCount = 0;
  std::int32_t fItem[kSize];
  std::uint32_t fSize[kSize], fA[kSize], fWidth[kSize];
};

}  // namespace

bool InsertionOrderByZ(const std::int32_t* z, std::int32_t n, std::int32_t* order) {
  if (n <= 0) return true;
  // The items sorted by (elevation, index): each group of equal elevations
  // lies together, in insertion order, and the groups in list order.
  TScratch<std::int32_t> sorted(n);
  TScratch<std::int32_t> zs(n);
  TScratch<std::int32_t> rank(n);
  TScratch<std::int32_t> offset(n);
  if (sorted.p == nullptr || zs.p == nullptr || rank.p == nullptr || offset.p == nullptr)
    return false;
  if (!SortByZ(z, n, sorted.p, zs.p)) return false;
  std::int32_t distinct = 0;  // dense ranks, 1-based
  for (std::int32_t k = 0; k < n; ++k) {
    if (k == 0 || zs.p[k] != zs.p[k - 1]) ++distinct;
    rank.p[sorted.p[k]] = distinct;
  }
  {
    // Forward: each item's position within its group as it is inserted.  An
    // item meeting no equal one goes first in its (empty) group; otherwise
    // the search's first probe among the equal ones decides, which needs the
    // count of lower items listed so far.  The probes are found in batches.
    TScratch<std::int32_t> lower(std::int64_t{distinct} + 1);  // Fenwick over ranks
    TScratch<std::int32_t> equal(std::int64_t{distinct} + 1);  // items listed per rank
    if (lower.p == nullptr || equal.p == nullptr) return false;
    TProbeBatch batch;
    std::memset(lower.p, 0, sizeof(std::int32_t) * (static_cast<std::size_t>(distinct) + 1));
    std::memset(equal.p, 0, sizeof(std::int32_t) * (static_cast<std::size_t>(distinct) + 1));
    for (std::int32_t i = 0; i < n; ++i) {
      const std::int32_t r = rank.p[i];
      const std::int32_t same = equal.p[r];
      offset.p[i] = 0;
      if (same != 0) {
        if (batch.Full()) batch.Flush(offset.p);
        batch.Add(i, i, FenwickSum(lower.p, r - 1), same - 1);
      }
      FenwickAdd(lower.p, distinct, r, 1);
      ++equal.p[r];
    }
    batch.Flush(offset.p);
  }
  // Backward, group by group: a group's items never leave its block of
  // places, so each group is ordered on its own.
  std::int32_t largest = 0;
  for (std::int32_t k = 0, end = 0; k < n; k = end) {
    for (end = k + 1; end < n && zs.p[end] == zs.p[k];) ++end;
    largest = std::max(largest, end - k);
  }
  TScratch<std::int32_t> tree(largest > kShortGroup ? std::int64_t{largest} + 1 : 1);
  if (tree.p == nullptr) return false;
  for (std::int32_t k = 0, end = 0; k < n; k = end) {
    for (end = k + 1; end < n && zs.p[end] == zs.p[k];) ++end;
    PlaceGroup(sorted.p + k, end - k, offset.p, tree.p, order + k);
  }
  return true;
}
