#include "plugin/contour/ContourSweep.h"

#include <algorithm>

#include "plugin/contour/ContourThreading.h"
#include "plugin/contour/TTINContourMap.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/model/ListReadAhead.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/BusyCursor.h"

namespace {

// Fan positions take 30 bits of the order key, look-from corners 2.
constexpr std::int64_t kMaxFanPosition = (std::int64_t{1} << 30) - 1;
// How far ahead in the open set a triangle is fetched before its flag is
// read or written: the triangles lie anywhere in memory.
constexpr std::int64_t kPrefetchAhead = 8;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if (q * b > a) --q;
  return q;
}

template <class T>
T* NewArray(std::int64_t n) {
  return static_cast<T*>(PluginAlloc(sizeof(T) * static_cast<std::size_t>(n > 0 ? n : 1)));
}

}  // namespace

TContourSweep::TContourSweep(TTINContourMap* map, TTIN* tin) : fMap(map), fTIN(tin) {}

TContourSweep::~TContourSweep() { Free(); }

void TContourSweep::Free() {
  PluginFree(fAll);
  PluginFree(fOpen);
  PluginFree(fSpare);
  PluginFree(fFlat);
  fAll = fOpen = fSpare = nullptr;
  fFlat = nullptr;
  fAllCount = fOpenCount = fFlatCount = 0;
}

// Every triangle present with three distinct corners, and every neighbour
// link mutual with the edge seen from the other side (N's edge towards T
// runs from T's corner i+1 to T's corner i).  Counts the triangles.
bool TContourSweep::CheckNeighbours(std::int64_t* count) const {
  *count = 0;
  if (fTIN->fTINTriangleList == nullptr) return false;
  for (const TLinkNode* node = fTIN->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    const auto* t = static_cast<const TTINTriangle*>(node->item);
    if (t == nullptr) return false;
    const TTINVtx* const* v = t->fVertices;
    if (v[0] == nullptr || v[1] == nullptr || v[2] == nullptr || v[0] == v[1] || v[1] == v[2] || v[0] == v[2])
      return false;
    for (int i = 0; i < 3; ++i) {
      const TTINTriangle* n = t->fNeighbors[i];
      if (n == nullptr) continue;
      int back = -1;
      for (int k = 0; k < 3; ++k)
        if (n->fNeighbors[k] == t) back = k;
      if (back < 0 || n->fVertices[back] != v[(i + 1) % 3] || n->fVertices[(back + 1) % 3] != v[i]) return false;
    }
    ++*count;
  }
  return *count > 0;
}

bool TContourSweep::OpenAt(const TTINTriangle* t, std::int64_t z) const {
  if (t->fHoriz) return false;
  int nAbove = 0, nBelow = 0, nOn = 0;
  for (const TTINVtx* v : t->fVertices) {
    if (v->z > z) ++nAbove;
    else if (v->z < z) ++nBelow;
    else ++nOn;
  }
  return !(nAbove == 3 || nBelow == 3 || (nAbove == 2 && nOn == 1) || (nBelow == 2 && nOn == 1));
}

// Walks every vertex's fan exactly as the tracer does, in vertex-list order;
// the first walk to meet a triangle is its owner's.  Records each sloping
// triangle with the run of levels at which it is open.
TContourSweep::TReady TContourSweep::CollectOpen(std::int64_t triCount) {
  fAll = NewArray<TOpen>(triCount);
  if (fAll == nullptr) return TReady::kNoMemory;
  // Both lists are walked with a read-ahead of the triangles (and of each
  // vertex's highest triangle).
  TListReadAhead triAhead(fTIN->fTINTriangleList->fFirst, kPrefetchAhead);
  for (const TLinkNode* node = fTIN->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    __builtin_prefetch(triAhead.Next<TTINTriangle>(), 1);
    static_cast<TTINTriangle*>(node->item)->fContoursAnyDone = false;
  }

  const std::int64_t expected = 3 * triCount;
  std::int64_t visits = 0;
  std::int64_t rank = 0;
  // The fan of a vertex starts at its highest triangle and goes on through
  // neighbours: those of the vertex half as far ahead are fetched as well.
  TListReadAhead vtxAhead(fTIN->fTINVtxListByZ->fFirst, kPrefetchAhead);
  TListReadAhead fanAhead(fTIN->fTINVtxListByZ->fFirst, kPrefetchAhead / 2);
  for (const TLinkNode* node = fTIN->fTINVtxListByZ->fFirst; node != nullptr; node = node->next, ++rank) {
    if (const TTINVtx* v = vtxAhead.Next<TTINVtx>(); v != nullptr) __builtin_prefetch(v->fTriangle);
    if (const TTINVtx* v = fanAhead.Next<TTINVtx>(); v != nullptr && v->fTriangle != nullptr)
      for (const TTINTriangle* n : v->fTriangle->fNeighbors) __builtin_prefetch(n);
    const auto* base = static_cast<const TTINVtx*>(node->item);
    if (base == nullptr || rank > INT32_MAX) return TReady::kLiteral;
    std::int16_t mark = 0;
    TTINTriangle* hiTri = base->GetHighest(&mark);
    if (hiTri == nullptr || (mark != 1 && mark != -1)) return TReady::kLiteral;
    const std::int16_t baseIdx = hiTri->IndexOfVertex(base);
    if (baseIdx == kNotFound) return TReady::kLiteral;
    const TTINVtx* highest = hiTri->fVertices[(baseIdx + mark + 3) % 3];

    std::int32_t fanMax = INT32_MIN;  // over the other corners
    std::int16_t direction = kDirCW;
    TTINTriangle* fanTri = hiTri;
    for (std::int64_t pos = 0; fanTri != nullptr; ++pos) {
      if (++visits > expected || pos > kMaxFanPosition) return TReady::kLiteral;
      const std::int16_t at = fanTri->IndexOfVertex(base);
      if (at == kNotFound) return TReady::kLiteral;
      for (const TTINVtx* v : fanTri->fVertices)
        if (v != base) fanMax = std::max(fanMax, v->z);
      if (!fanTri->fContoursAnyDone) {
        fanTri->fContoursAnyDone = true;  // owned
        if (!fanTri->fHoriz) {
          std::int64_t z[3] = {fanTri->fVertices[0]->z, fanTri->fVertices[1]->z, fanTri->fVertices[2]->z};
          std::sort(z, z + 3);
          // Open from the lowest corner (inclusive when an edge lies there)
          // to the highest (likewise).
          const std::int64_t from = z[0] == z[1] ? z[0] : z[0] + 1;
          const std::int64_t to = z[1] == z[2] ? z[2] : z[2] - 1;
          const std::int64_t jStart = std::max<std::int64_t>(0, CeilDiv(from - fFirst, fInterval));
          const std::int64_t jEnd = std::min(fLevels - 1, FloorDiv(to - fFirst, fInterval));
          if (jStart <= jEnd)
            fAll[fAllCount++] = TOpen{(static_cast<std::uint64_t>(rank) << 32) |
                                          (static_cast<std::uint64_t>(pos) << 2) |
                                          static_cast<std::uint64_t>(baseIdx),
                                      fanTri, static_cast<std::int32_t>(jStart), static_cast<std::int32_t>(jEnd)};
        }
      }
      std::int16_t nextIdx = kNotFound;
      TTINTriangle* next = GetNabrAndVtxIdxByVtxAndDir(fanTri, base, direction, at, &nextIdx);
      if (next == hiTri) break;
      if (next == nullptr && direction == kDirCW) {
        direction = kDirCCW;
        next = GetNabrAndVtxIdxByVtxAndDir(hiTri, base, direction, baseIdx, &nextIdx);
      }
      fanTri = next;
    }
    // The walk skips a vertex whose highest link lies below z: it must be
    // the highest of its neighbours.
    if (highest == nullptr || highest->z != fanMax) return TReady::kLiteral;
  }
  // With mutual neighbours no walk meets a triangle twice, so 3 visits per
  // triangle means every corner's walk met every one of its triangles.
  if (visits != expected) return TReady::kLiteral;
  std::sort(fAll, fAll + fAllCount, [](const TOpen& a, const TOpen& b) {
    return a.jStart != b.jStart ? a.jStart < b.jStart : a.key < b.key;
  });
  return TReady::kSwept;
}

TContourSweep::TReady TContourSweep::CollectFlat() {
  std::int64_t n = 0;
  for (const TLinkNode* node = fTIN->fTINTriangleList->fFirst; node != nullptr; node = node->next)
    if (static_cast<const TTINTriangle*>(node->item)->fHoriz) ++n;
  fFlat = NewArray<TFlat>(n);
  if (fFlat == nullptr) return TReady::kNoMemory;
  std::int64_t pos = 0;
  for (const TLinkNode* node = fTIN->fTINTriangleList->fFirst; node != nullptr; node = node->next, ++pos) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    if (!t->fHoriz) continue;
    const std::int64_t d = std::int64_t{t->fVertices[0]->z} - fFirst;
    if (d < 0 || d % fInterval != 0 || d / fInterval >= fLevels) continue;  // at no contour elevation
    fFlat[fFlatCount++] = TFlat{t, d / fInterval, pos};
  }
  std::sort(fFlat, fFlat + fFlatCount,
            [](const TFlat& a, const TFlat& b) { return a.j != b.j ? a.j < b.j : a.pos < b.pos; });
  return TReady::kSwept;
}

TContourSweep::TReady TContourSweep::Prepare(std::int64_t first, std::int64_t interval,
                                             std::int64_t levels) {
  Free();
  fFirst = first;
  fInterval = interval;
  fLevels = levels;
  fNextNew = 0;
  fFlatBegin = fFlatEnd = 0;
  std::int64_t triCount = 0;
  if (interval <= 0 || levels <= 0 || levels > INT32_MAX || fTIN->fTINVtxListByZ == nullptr ||
      !CheckNeighbours(&triCount))
    return TReady::kLiteral;
  fWalkLimit = 6 * triCount + 6;
  TReady ready = CollectOpen(triCount);
  if (ready == TReady::kSwept) ready = CollectFlat();
  if (ready == TReady::kSwept) {
    fOpen = NewArray<TOpen>(fAllCount);
    fSpare = NewArray<TOpen>(fAllCount);
    if (fOpen == nullptr || fSpare == nullptr) ready = TReady::kNoMemory;
  }
  if (ready != TReady::kSwept) Free();
  return ready;
}

TErr TContourSweep::FlagLevel(std::int64_t j, bool major) {
  const std::int64_t z = fFirst + j * fInterval;
  const auto z32 = static_cast<std::int32_t>(z);
  TErr err = kNoErr;
  // The open set of level j: the previous one without those closed below j,
  // merged with those opening at j, in key order.  Every sloping triangle
  // not open at the previous level was done then and, unless it opens now,
  // stays so; one that was open is done now unless it is open again.  (One
  // that bordered a flat triangle at the previous level was done then; if it
  // opens now it is cleared here.)  The triangles lie anywhere in memory, so
  // those a few entries ahead are fetched early.
  std::int64_t newEnd = fNextNew;
  while (newEnd < fAllCount && fAll[newEnd].jStart == j) ++newEnd;
  std::int64_t out = 0, a = 0, b = fNextNew;
  while (a < fOpenCount || b < newEnd) {
    if (a + kPrefetchAhead < fOpenCount) __builtin_prefetch(fOpen[a + kPrefetchAhead].tri, 1);
    if (b + kPrefetchAhead < newEnd) __builtin_prefetch(fAll[b + kPrefetchAhead].tri, 1);
    if (a < fOpenCount && fOpen[a].jEnd < j) {
      fOpen[a++].tri->fContoursAnyDone = true;
      continue;
    }
    TOpen& next = b < newEnd && (a >= fOpenCount || fAll[b].key < fOpen[a].key) ? fAll[b++] : fOpen[a++];
    next.tri->fContoursAnyDone = false;
    fSpare[out++] = next;
  }
  std::swap(fOpen, fSpare);
  fOpenCount = out;
  fNextNew = newEnd;

  // The flat triangles at z: outlined from seeds in list order, then done,
  // and so are their neighbours.
  fFlatBegin = fFlatEnd;
  while (fFlatBegin < fFlatCount && fFlat[fFlatBegin].j < j) ++fFlatBegin;
  fFlatEnd = fFlatBegin;
  while (fFlatEnd < fFlatCount && fFlat[fFlatEnd].j == j) ++fFlatEnd;
  if (j == 0) {
    // Every flag from scratch: done unless open, or flat at z (cleared for
    // the flat pass).
    for (const TLinkNode* node = fTIN->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
      auto* t = static_cast<TTINTriangle*>(node->item);
      t->fContoursAnyDone = t->fHoriz ? t->fVertices[0]->z != z : !OpenAt(t, z);
    }
  } else {
    for (std::int64_t i = fFlatBegin; i < fFlatEnd; ++i) fFlat[i].tri->fContoursAnyDone = false;
  }
  fMap->fFlatWalkLimit = fWalkLimit;
  for (std::int64_t i = fFlatBegin; i < fFlatEnd && err == kNoErr; ++i)
    if (!fFlat[i].tri->fContoursAnyDone) err = fMap->DrawContAroundThisTriAndNabrs(fTIN, fFlat[i].tri, z32, major);
  fMap->fFlatWalkLimit = 0;
  for (std::int64_t i = fFlatBegin; i < fFlatEnd; ++i) {
    fFlat[i].tri->fContoursAnyDone = true;
    for (TTINTriangle* n : fFlat[i].tri->fNeighbors)
      if (n != nullptr) n->fContoursAnyDone = true;
  }
  return err;
}

TErr TContourSweep::TraceLevel(TContourThreader* threader) {
  KVCallback cb = gKVCallback;
  SpinBusyCursor(cb);
  TBusySpinner busy(cb);
  for (std::int64_t i = 0; i < fOpenCount; ++i) {
    busy.Item();
    if (i + kPrefetchAhead < fOpenCount) __builtin_prefetch(fOpen[i + kPrefetchAhead].tri);
    TTINTriangle* t = fOpen[i].tri;
    if (t->fContoursAnyDone) continue;
    const TErr err = threader->StartIn(t, static_cast<std::int16_t>(fOpen[i].key & 3));
    if (err != kNoErr) return err;
  }
  return kNoErr;
}
