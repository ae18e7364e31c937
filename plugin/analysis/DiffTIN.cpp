#include "plugin/analysis/DiffTIN.h"

#include <initializer_list>

#include "plugin/analysis/AnalysisErrors.h"
#include "plugin/analysis/TriangleSurface.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/model/ListReadAhead.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/OrderedCollection.h"
#include "plugin/triangulate/PointLocation.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/VtxCollection.h"

namespace {

// first − second as a 32-bit elevation.  Both are 32-bit; a difference
// beyond the range wraps, which no survey reaches.
std::int32_t Difference(std::int32_t first, std::int32_t second) {
  return static_cast<std::int32_t>(std::int64_t{first} - second);
}

// Inserts a new vertex into the difference TIN's vertex list; a vertex that
// cannot be allocated or listed is dropped (false).
bool AddDiffVtx(TTIN* tin, std::int32_t x, std::int32_t y, std::int32_t z) {
  auto* v = new TTINVtx(x, y, z);
  if (v == nullptr) {
    Trace(kTraceBuild, "MakeDiffVtxList: no memory for a vertex\n");
    return false;
  }
  if (!tin->fTINVtxListByZ->Insert(v)) {
    Trace(kTraceBuild, "MakeDiffVtxList: fTINVtxListByZ->Insert failed\n");
    delete v;
    return false;
  }
  return true;
}

bool HasVertexList(const TTIN* base) {
  return base != nullptr && base->fTINVtxListByZ != nullptr;
}

}  // namespace

bool GetElevFromEnclosingTri(const TTIN* base, const KVPoint2D& p, std::int32_t* z) {
  if (base->fTINTriangleList == nullptr) return false;
  for (const TLinkNode* node = base->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    const auto* tri = static_cast<const TTINTriangle*>(node->item);
    if (tri == nullptr) continue;
    TTINTriangle* next = nullptr;
    TTINVtx* nextSkip = nullptr;
    std::int16_t edge = kNoIndex;
    if (EnclosesXY(tri, p, nullptr, &next, &nextSkip, &edge)) {
      *z = GetElevInTri(tri, p);
      return true;
    }
  }
  return false;
}

bool GetElevAtXY(const TTIN* base, const KVPoint2D& p, std::int32_t* z) {
  if (base->fTINVtxListByZ != nullptr) {
    for (const TLinkNode* node = base->fTINVtxListByZ->fFirst; node != nullptr; node = node->next) {
      const auto* v = static_cast<const TTINVtx*>(node->item);
      if (v != nullptr && v->x == p.x && v->y == p.y) {
        *z = v->z;
        return true;
      }
    }
  }
  return GetElevFromEnclosingTri(base, p, z);
}

bool SampleElevAtXY(const TTIN* base, const TSurfaceSampler* sampler, const KVPoint2D& p, std::int32_t* z) {
  return sampler != nullptr && sampler->Built() ? sampler->ElevAt(p, z) : GetElevAtXY(base, p, z);
}

void TDiffIndexes::Build(const TTIN* firstBase, const TTIN* secondBase) {
  first.Build(firstBase);
  second.Build(secondBase);
  // The difference takes at most one vertex per listed vertex of a base.
  std::int64_t capacity = 0;
  for (const TTIN* base : {firstBase, secondBase})
    if (base->fTINVtxListByZ != nullptr) capacity += base->fTINVtxListByZ->CountItems();
  taken.Reserve(capacity);
}

namespace {

// The duplicate test of the second pass: the table of positions taken so far
// stands for a scan of the vertex list as long as it recorded every vertex
// listed and no X-sorted array answers for the list.
bool Taken(TTIN* tin, const TXYTable* taken, std::int32_t x, std::int32_t y) {
  if (taken != nullptr && taken->Reserved() && tin->fVtxArrayByX == nullptr)
    return taken->Contains(x, y);
  return GetVtxAtXY(tin, x, y) != nullptr;
}

// The difference's vertices, kept as points while the table of taken
// positions answers the duplicate test, and listed when it stops answering
// or at the end, in the order one-by-one insertion gives: no list search is
// made per vertex, and the vertices lie in memory in list order.  A point
// that finds no room is listed at once, after those kept before it.
class TPendingDiffVertices {
 public:
  TPendingDiffVertices(TTIN* tin, bool defer) : fTIN(tin), fDeferring(defer) {}
  ~TPendingDiffVertices() { PluginFree(fPoints); }
  TPendingDiffVertices(const TPendingDiffVertices&) = delete;
  TPendingDiffVertices& operator=(const TPendingDiffVertices&) = delete;

  // False when a vertex was dropped: listed at once, its list refused it.
  bool Add(std::int32_t x, std::int32_t y, std::int32_t z) {
    if (fDeferring && Room()) {
      fPoints[fCount++] = KVPoint3D{x, y, z};
      return true;
    }
    if (Flush() != kNoErr) return false;
    return AddDiffVtx(fTIN, x, y, z);
  }
  // Lists the kept points; later points are listed one by one.
  TErr Flush() {
    fDeferring = false;
    const std::int32_t n = fCount;
    fCount = 0;
    if (n == 0) return kNoErr;
    return AppendInInsertionOrder(fTIN->fTINVtxListByZ, fPoints, n, nullptr, nullptr) ? kNoErr
                                                                            : kErrNoVtxListMemory;
  }

 private:
  bool Room() { return RoomForOneMore(&fPoints, fCount, &fCapacity, 4096); }

  TTIN* fTIN;
  bool fDeferring;
  KVPoint3D* fPoints = nullptr;
  std::int32_t fCount = 0, fCapacity = 0;
};

// The read-ahead of the sampling: the vertex kSampleAhead places on has what
// its sample and its duplicate test read first fetched while the current one
// is sampled (the indexes are far larger than the caches and each sample
// lands anywhere in them).  Fetching the cells' entries and triangles in
// later stages as well measured no faster.
constexpr int kSampleAhead = 8;

void PrefetchSample(const TTINVtx* v, const TSurfaceSampler* sampler, const TXYTable* taken) {
  if (v == nullptr) return;
  if (sampler != nullptr) sampler->Prefetch(KVPoint2D{v->y, v->x});
  if (taken != nullptr) taken->Prefetch(v->x, v->y);
}

// Both passes of the difference branch; `indexes` null scans throughout.
TErr CollectDiffVertices(TTIN* tin, TDiffIndexes* indexes) {
  const TTIN* first = tin->fInnerTIN;
  const TTIN* second = tin->fOuterTIN;
  TXYTable* taken = indexes != nullptr ? &indexes->taken : nullptr;
  // Listing waits only while the table stands for the list.
  TPendingDiffVertices pending(tin, taken != nullptr && taken->Reserved());
  TErr listErr = kNoErr;
  auto add = [&](std::int32_t x, std::int32_t y, std::int32_t z) {
    if (!pending.Add(x, y, z) || taken == nullptr || !taken->Reserved()) return;
    // A full table could no longer answer for the list: list what waits and
    // scan from now on.
    if (!taken->Add(x, y, 0)) {
      taken->Dispose();
      if (const TErr err = pending.Flush(); err != kNoErr && listErr == kNoErr) listErr = err;
    }
  };

  if (const TErr err = MakeEmptyVtxList(tin); err != kNoErr) return err;

  if (!HasVertexList(first) || !HasVertexList(second)) {
    Trace(kTraceBuild, "MakeDiffVtxList: a base has no vertex list\n");
    return kErrDiffBaseNoGeometry;
  }

  // The first base's vertices that the second base covers.
  TListReadAhead ahead(first->fTINVtxListByZ->fFirst, kSampleAhead);
  TBusySpinner busy(gKVCallback);
  for (const TLinkNode* node = first->fTINVtxListByZ->fFirst; node != nullptr; node = node->next) {
    PrefetchSample(ahead.Next<TTINVtx>(), indexes != nullptr ? &indexes->second : nullptr, taken);
    const auto* u = static_cast<const TTINVtx*>(node->item);
    if (u == nullptr) return kErrDiffNullInnerVtx;
    KVPoint2D p;
    u->GetXY(&p);
    std::int32_t zo = 0;
    if (SampleElevAtXY(second, indexes != nullptr ? &indexes->second : nullptr, p, &zo))
      add(u->x, u->y, Difference(u->z, zo));
    else
      Trace(kTraceBuild, "MakeDiffVtxList: inner vertex outside the outer TIN\n");
    busy.Item();
  }

  // The second base's vertices at new XY that the first base covers.
  ahead = TListReadAhead(second->fTINVtxListByZ->fFirst, kSampleAhead);
  for (const TLinkNode* node = second->fTINVtxListByZ->fFirst; node != nullptr; node = node->next) {
    PrefetchSample(ahead.Next<TTINVtx>(), indexes != nullptr ? &indexes->first : nullptr, taken);
    const auto* w = static_cast<const TTINVtx*>(node->item);
    if (w == nullptr) return kErrDiffNullOuterVtx;
    if (Taken(tin, taken, w->x, w->y)) continue;
    KVPoint2D p;
    w->GetXY(&p);
    std::int32_t zi = 0;
    if (SampleElevAtXY(first, indexes != nullptr ? &indexes->first : nullptr, p, &zi))
      add(w->x, w->y, Difference(zi, w->z));
    else
      Trace(kTraceBuild, "MakeDiffVtxList: outer vertex outside the inner TIN\n");
    busy.Item();
  }

  if (listErr == kNoErr) listErr = pending.Flush();
  if (listErr != kNoErr) return listErr;
  if (tin->fTINVtxListByZ->CountItems() < 3) return kErrDiffTooFewVertices;
  return kNoErr;
}

}  // namespace

TErr MakeDiffVtxListLiteral(TTINVtxTriMgr* mgr) { return CollectDiffVertices(mgr->fTIN, nullptr); }

TErr MakeDiffVtxList(TTINVtxTriMgr* mgr) {
  TTIN* tin = mgr->fTIN;
  if (tin->fSteps == TSteps::kLiteral) return MakeDiffVtxListLiteral(mgr);
  // The indexes come first, before the difference's own vertex list, and
  // live only while the bases are sampled.
  TDiffIndexes indexes;
  if (HasVertexList(tin->fInnerTIN) && HasVertexList(tin->fOuterTIN))
    indexes.Build(tin->fInnerTIN, tin->fOuterTIN);
  return CollectDiffVertices(tin, &indexes);
}
