#include "plugin/triangulate/QuickLocator.h"

#include <cstring>

#include "plugin/host/KVUTIL.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/ExactPredicates.h"

TQuickLocator::TQuickLocator(const TTIN* tin, std::int64_t vertices, const TLinkNode* toCome) {
  const TLinkedList* hull = tin->fConvexHullVtxList;
  if (hull == nullptr || hull->fFirst == nullptr || vertices < 1) return;
  std::int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
  for (const TLinkNode* n = hull->fFirst; n != nullptr; n = n->next) {
    const auto* v = static_cast<const TTINVtx*>(n->item);
    if (v == nullptr) continue;
    if (v->x < x0) x0 = v->x;
    if (v->x > x1) x1 = v->x;
    if (v->y < y0) y0 = v->y;
    if (v->y > y1) y1 = v->y;
  }
  if (x0 > x1) return;
  fX0 = x0;
  fY0 = y0;
  fSpan = (x1 - x0 > y1 - y0 ? x1 - x0 : y1 - y0) + 1;
  // Level l has 2^l cells a side; the finest about one cell per two vertices.
  std::int64_t total = 0;
  for (int l = 0; l < kMaxLevels; ++l) {
    fOffset[l] = total;
    total += std::int64_t{1} << (2 * l);
    fLevels = l + 1;
    if ((std::int64_t{1} << (2 * l)) * 2 >= vertices) break;
  }
  // side <= 2^15, so side * 2^32 fits; a column is d * fCellScale >> 32 for
  // 0 < d < fSpan, a product below side * 2^32.
  fCellScale = (std::uint64_t{1} << (fLevels - 1 + 32)) / static_cast<std::uint64_t>(fSpan);
  fCells = static_cast<TTINVtx**>(PluginAlloc(sizeof(TTINVtx*) * static_cast<std::size_t>(total)));
  if (fCells == nullptr) {
    fLevels = 0;
    return;
  }
  std::memset(fCells, 0, sizeof(TTINVtx*) * static_cast<std::size_t>(total));
  if (toCome != nullptr) MakeFineLevel(toCome);
}

TQuickLocator::~TQuickLocator() {
  PluginFree(fCells);
  PluginFree(fFine);
}

// Counts the finest cells the vertices to come fall in.  Spread points fill
// most of them; when they fill under a sixteenth, each occupied cell holds on
// average over 32 vertices, and the sparse level splits cells 4^k ways so
// that about one remains a cell.  Without memory there is no sparse level.
void TQuickLocator::MakeFineLevel(const TLinkNode* toCome) {
  const std::int64_t finest = std::int64_t{1} << (2 * (fLevels - 1));
  if (finest < 64) return;
  auto* seen = static_cast<std::uint8_t*>(PluginAlloc(static_cast<std::size_t>(finest)));
  if (seen == nullptr) return;
  std::memset(seen, 0, static_cast<std::size_t>(finest));
  std::int64_t occupied = 0, counted = 0;
  const std::int64_t side = std::int64_t{1} << (fLevels - 1);
  for (const TLinkNode* n = toCome; n != nullptr; n = n->next) {
    const auto* v = static_cast<const TTINVtx*>(n->item);
    if (v == nullptr) continue;
    std::int64_t cx = 0, cy = 0;
    FinestCell(v->x, v->y, &cx, &cy);
    std::uint8_t& s = seen[cy * side + cx];
    if (s == 0) ++occupied;
    s = 1;
    ++counted;
  }
  PluginFree(seen);
  if (counted < 64 || occupied * 16 > finest) return;
  int shift = 0;  // 4^shift sparse cells a finest one: about a vertex each
  while (shift < 12 && (occupied << (2 * (shift + 1))) <= counted) ++shift;
  // The sparse level's cells stay within 28 bits a side (FineKey).
  while (shift > 0 && fLevels - 1 + shift > 27) --shift;
  if (shift == 0) return;
  std::uint64_t slots = 1;
  while (slots < static_cast<std::uint64_t>(counted) * 2 + 2) slots <<= 1;
  fFine = static_cast<FineSlot*>(PluginAlloc(sizeof(FineSlot) * slots));
  if (fFine == nullptr) return;
  std::memset(fFine, 0, sizeof(FineSlot) * slots);
  fFineMask = slots - 1;
  fFineShift = shift;
}

std::uint64_t TQuickLocator::FineKey(std::int32_t x, std::int32_t y) const {
  const int level = fLevels - 1 + fFineShift;
  const std::int64_t side = std::int64_t{1} << level;
  // dx < 2^32 and side <= 2^27: the products stay below 2^64 as unsigned.
  const std::int64_t dx = x - fX0, dy = y - fY0;
  auto cell = [&](std::int64_t d) -> std::uint64_t {
    if (d <= 0) return 0;
    const std::uint64_t c = static_cast<std::uint64_t>(d) * static_cast<std::uint64_t>(side) /
                            static_cast<std::uint64_t>(fSpan);
    return c >= static_cast<std::uint64_t>(side) ? static_cast<std::uint64_t>(side - 1) : c;
  };
  return (std::uint64_t{1} << 63) | (cell(dx) << 28) | cell(dy);
}

TQuickLocator::FineSlot* TQuickLocator::FineFind(std::uint64_t key) const {
  std::uint64_t i = FineHome(key);
  while (fFine[i].key != 0 && fFine[i].key != key) i = (i + 1) & fFineMask;
  return fFine + i;
}

void TQuickLocator::FinestCell(std::int32_t x, std::int32_t y, std::int64_t* cx,
                               std::int64_t* cy) const {
  const std::int64_t side = std::int64_t{1} << (fLevels - 1);
  auto cell = [&](std::int64_t d) -> std::int64_t {
    if (d <= 0) return 0;
    if (d >= fSpan) return side - 1;
    const auto c = static_cast<std::int64_t>(static_cast<std::uint64_t>(d) * fCellScale >> 32);
    return c >= side ? side - 1 : c;
  };
  *cx = cell(std::int64_t{x} - fX0);
  *cy = cell(std::int64_t{y} - fY0);
}

void TQuickLocator::Remember(TTINVtx* v) {
  if (fLevels == 0) return;
  std::int64_t cx = 0, cy = 0;
  FinestCell(v->x, v->y, &cx, &cy);
  for (int l = 0; l < fLevels; ++l) fCells[Cell(l, cx, cy)] = v;
  if (fFine == nullptr) return;
  const std::uint64_t key = FineKey(v->x, v->y);
  FineSlot* slot = FineFind(key);
  if (slot->key == 0) {
    // Half full at most, so that a search of a missing key ends soon.
    if (static_cast<std::uint64_t>(fFineUsed + 1) * 2 > fFineMask + 1) return;
    slot->key = key;
    ++fFineUsed;
  }
  slot->vtx = v;
}

template <class Accept>
const TTINVtx* TQuickLocator::FirstInCells(std::int32_t x, std::int32_t y, Accept accept) const {
  if (fFine != nullptr) {
    const FineSlot* fine = FineFind(FineKey(x, y));
    if (fine->key != 0 && accept(fine->vtx)) return fine->vtx;
  }
  std::int64_t cx = 0, cy = 0;
  FinestCell(x, y, &cx, &cy);
  for (int l = fLevels - 1; l >= 0; --l) {
    const TTINVtx* v = fCells[Cell(l, cx, cy)];
    if (v != nullptr && accept(v)) return v;
  }
  return nullptr;
}

TTINTriangle* TQuickLocator::StrictlyEnclosing(const KVPoint2D& p, TTINTriangle* fallback) const {
  if (fLevels == 0) return nullptr;
  const TTINVtx* v =
      FirstInCells(p.x, p.y, [](const TTINVtx* u) { return u->fTriangle != nullptr; });
  TTINTriangle* start = v != nullptr ? v->fTriangle : fallback;
  return start != nullptr ? WalkToStrictlyEnclosing(start, p, kQuickWalkSteps) : nullptr;
}

TTINTriangle* WalkToStrictlyEnclosing(TTINTriangle* start, const KVPoint2D& p, int maxSteps) {
  TTINTriangle* cur = start;
  const TTINTriangle* came = nullptr;
  for (int step = 0; step < maxSteps; ++step) {
    bool onLine = false;
    TTINTriangle* next = nullptr;
    for (int i = 0; i < 3; ++i) {
      TTINTriangle* n = cur->fNeighbors[i];
      if (n != nullptr && n == came) continue;  // p is strictly on this side of it
      const TTINVtx* a = cur->fVertices[i];
      const TTINVtx* b = cur->fVertices[i == 2 ? 0 : i + 1];
      const int s = OrientSign(a->x, a->y, b->x, b->y, p.x, p.y);
      if (s > 0) {
        next = n;
        if (next == nullptr) return nullptr;  // beyond the hull
        break;
      }
      if (s == 0) onLine = true;
    }
    if (next == nullptr) return onLine ? nullptr : cur;
    came = cur;
    cur = next;
  }
  return nullptr;
}

// In line where the read-ahead calls it: called, a function that only
// prefetches looks free of effects to the optimiser, which then drops the
// call and the prefetches with it.
[[gnu::always_inline]] inline void TQuickLocator::PrefetchCells(std::int32_t x,
                                                                std::int32_t y) const {
  if (fLevels == 0) return;
  if (fFine != nullptr) __builtin_prefetch(&fFine[FineHome(FineKey(x, y))]);
  std::int64_t cx = 0, cy = 0;
  FinestCell(x, y, &cx, &cy);
  for (int l = fLevels - 1; l >= 0 && l >= fLevels - 3; --l)
    __builtin_prefetch(fCells + Cell(l, cx, cy));
}

const TTINVtx* TQuickLocator::CellVertex(std::int32_t x, std::int32_t y) const {
  if (fLevels == 0) return nullptr;
  return FirstInCells(x, y, [](const TTINVtx*) { return true; });
}

TLocatePrefetch::TLocatePrefetch(const TQuickLocator* locator, const TLinkNode* first)
    : fLocator(locator) {
  const TLinkNode* n = first;
  for (int k = 0; k <= kAhead; ++k) {
    fNode[k] = n;
    if (n != nullptr) n = n->next;
  }
  if (fLocator == nullptr) return;
  for (int k = 1; k < kAhead; ++k) {
    const auto* v = fNode[k] != nullptr ? static_cast<const TTINVtx*>(fNode[k]->item) : nullptr;
    fStart[k] = v != nullptr ? fLocator->CellVertex(v->x, v->y) : nullptr;
  }
}

void TLocatePrefetch::Step() {
  if (fLocator == nullptr) return;
  for (int k = 0; k < kAhead; ++k) {
    fNode[k] = fNode[k + 1];
    fStart[k] = fStart[k + 1];
  }
  const TLinkNode* last = fNode[kAhead - 1];
  fNode[kAhead] = last != nullptr ? last->next : nullptr;
  fStart[kAhead] = nullptr;
  for (int k = 1; k <= kAhead; ++k) Stage(k);
}

void TLocatePrefetch::Stage(int ahead) {
  if (ahead == kAhead || ahead == 3) {
    const TLinkNode* node = fNode[ahead];
    const auto* v = node != nullptr ? static_cast<const TTINVtx*>(node->item) : nullptr;
    if (v == nullptr) return;
    if (ahead == kAhead) {
      fLocator->PrefetchCells(v->x, v->y);
      return;
    }
    fStart[ahead] = fLocator->CellVertex(v->x, v->y);
    if (fStart[ahead] != nullptr) __builtin_prefetch(fStart[ahead]);
    return;
  }
  const TTINVtx* v = fStart[ahead];
  if (v == nullptr) return;
  const TTINTriangle* t = v->fTriangle;
  if (t == nullptr) return;
  if (ahead == 2) {
    __builtin_prefetch(t);
    return;
  }
  for (const TTINVtx* c : t->fVertices) __builtin_prefetch(c);
}
