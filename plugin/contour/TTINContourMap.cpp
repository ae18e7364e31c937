#include "plugin/contour/TTINContourMap.h"

#include "plugin/contour/ContourErrors.h"
#include "plugin/contour/ContourSweep.h"
#include "plugin/contour/ContourThreading.h"
#include "plugin/contour/TTINContourPolyline.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/output/MemLevel.h"
#include "plugin/shell/Trace.h"

TTINContourMap::TTINContourMap() : fLiteralPasses(NewStructureSteps() == TSteps::kLiteral) {}

TTINContourMap::~TTINContourMap() {
  if (fTINContourPolylineList == nullptr) return;
  for (TLinkNode* node = fTINContourPolylineList->fFirst; node != nullptr; node = node->next) {
    delete static_cast<TTINContourPolyline*>(node->item);
    node->item = nullptr;
  }
  fTINContourPolylineList->Free();
  fTINContourPolylineList = nullptr;
}

bool TTINContourMap::AppendPolyline(TTINContourPolyline* line) {
  if (fTINContourPolylineList == nullptr) {
    TLinkedList* list = TLinkedList::New();
    if (list == nullptr) return false;
    if (!list->ILinkedList()) {
      list->Free();
      return false;
    }
    fTINContourPolylineList = list;
  }
  return fTINContourPolylineList->Append(line);
}

std::int32_t TTINContourMap::CountPolylines() const {
  std::int32_t n = 0;
  if (fTINContourPolylineList != nullptr)
    for (const TLinkNode* node = fTINContourPolylineList->fFirst; node != nullptr; node = node->next) ++n;
  return n;
}

// ---------------------------------------------------------------------------
// The contour grid.

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if (q * b < a) ++q;
  return q;
}

TContourRange FirstContourAndRange(const TTINParams& p, std::int32_t zLow, std::int32_t zHigh) {
  const std::int64_t interval = p.contourInterval;
  const std::int64_t base = p.contourBaseElev;
  const std::int64_t kFloor = CeilDiv(std::int64_t{p.lowContourElev} - base, interval);
  std::int64_t k = CeilDiv(std::int64_t{zLow} - base, interval);
  if (k < kFloor) k = kFloor;
  TContourRange r;
  r.k = k;
  r.firstElev = base + k * interval;
  r.highestElev = p.highContourElev < zHigh ? p.highContourElev : zHigh;
  return r;
}

bool IsIndexContour(std::int64_t k, std::int16_t every) { return every > 0 && k % every == 0; }

// ---------------------------------------------------------------------------
// Flagging passes.

TErr TTINContourMap::FlagHorizontalTriangles(TTIN* tin) {
  if (tin->fTINTriangleList == nullptr || tin->fTINTriangleList->fFirst == nullptr) {
    Trace(kTraceBuild, "In FlagHorizontalTriangles there are no triangles\n");
    return kNoErr;
  }
  for (TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    if (t == nullptr) continue;
    const TTINVtx* const* v = t->fVertices;
    t->fHoriz = v[0] != nullptr && v[1] != nullptr && v[2] != nullptr && v[0]->z == v[1]->z &&
                v[1]->z == v[2]->z;
  }
  return kNoErr;
}

TErr TTINContourMap::FlagSkippableTriangles(TTIN* tin, std::int32_t z) {
  if (tin->fTINTriangleList == nullptr || tin->fTINTriangleList->fFirst == nullptr) {
    Trace(kTraceBuild, "In FlagSkippableTriangles there are no triangles\n");
    return kNoErr;
  }
  for (TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    if (t == nullptr) continue;
    if (t->fHoriz) {
      t->fContoursAnyDone = true;
      // Its contour at z, and that of its neighbours, is the flat region's outline.
      if (t->fVertices[0]->z == z)
        for (TTINTriangle* n : t->fNeighbors)
          if (n != nullptr) n->fContoursAnyDone = true;
      continue;
    }
    if (t->fContoursAnyDone) continue;
    int nAbove = 0, nBelow = 0, nOn = 0;
    for (const TTINVtx* v : t->fVertices) {
      if (v == nullptr) {  // a damaged triangle cannot carry a contour
        nAbove = 3;
        break;
      }
      if (v->z > z) ++nAbove;
      else if (v->z < z) ++nBelow;
      else ++nOn;
    }
    if (nAbove == 3 || nBelow == 3 || (nAbove == 2 && nOn == 1) || (nBelow == 2 && nOn == 1))
      t->fContoursAnyDone = true;
  }
  return kNoErr;
}

// ---------------------------------------------------------------------------
// Neighbourhood queries.

TTINTriangle* GetTriWithTheseTwoVtxsByScan(const TLinkedList* triangleList, const TTINVtx* vA,
                                           const TTINVtx* vB) {
  if (triangleList == nullptr) return nullptr;
  for (const TLinkNode* node = triangleList->fFirst; node != nullptr; node = node->next) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    if (t == nullptr) continue;
    for (int i = 0; i < 3; ++i)
      if (t->fVertices[i] == vA && t->fVertices[(i + 1) % 3] == vB) return t;
  }
  return nullptr;
}

namespace {

// A star walk longer than this falls back to the scan (a vertex of a sound
// TIN has far fewer triangles).
constexpr std::int64_t kMaxStarWalk = std::int64_t{1} << 22;

// The triangle around vA, reached from vA's own triangle through
// neighbours, that has the directed edge vA -> vB.  *complete tells that the
// walk went all the way round (or from hull to hull), so that a null answer
// is final.
TTINTriangle* FindAroundVertex(TTINTriangle* start, const TTINVtx* vA, const TTINVtx* vB, bool* complete) {
  *complete = false;
  for (const std::int16_t direction : {kDirCW, kDirCCW}) {
    TTINTriangle* cur = start;
    for (std::int64_t steps = 0;; ++steps) {
      const std::int16_t at = cur->IndexOfVertex(vA);
      if (at == kNotFound || steps > kMaxStarWalk) return nullptr;
      if ((direction == kDirCW || cur != start) && cur->fVertices[(at + 1) % 3] == vB) return cur;
      std::int16_t nextIdx = kNotFound;
      TTINTriangle* next = GetNabrAndVtxIdxByVtxAndDir(cur, vA, direction, at, &nextIdx);
      if (next == start) {
        *complete = true;
        return nullptr;
      }
      if (next == nullptr) break;  // the hull: the other way round from the start
      cur = next;
    }
  }
  *complete = true;
  return nullptr;
}

}  // namespace

TTINTriangle* GetTriWithTheseTwoVtxs(const TTIN* tin, const TTINVtx* vA, const TTINVtx* vB) {
  // A directed edge belongs to at most one triangle of a sound TIN, and that
  // triangle lies in vA's star.
  if (tin->fSteps == TSteps::kIndexed && vA != nullptr && vA->fTriangle != nullptr) {
    bool complete = false;
    TTINTriangle* found = FindAroundVertex(vA->fTriangle, vA, vB, &complete);
    if (found != nullptr || complete) return found;
  }
  return GetTriWithTheseTwoVtxsByScan(tin->fTINTriangleList, vA, vB);
}

TTINTriangle* GetNabrAndVtxIdxByVtxAndDir(const TTINTriangle* tri, const TTINVtx* vtx,
                                          std::int16_t direction, std::int16_t cornerIndex,
                                          std::int16_t* outIndex) {
  *outIndex = kNotFound;
  if (cornerIndex < 0 || cornerIndex > 2) return nullptr;
  const int slot = direction == kDirCW ? (cornerIndex + 2) % 3 : cornerIndex;
  TTINTriangle* next = tri->fNeighbors[slot];
  if (next != nullptr) *outIndex = next->IndexOfVertex(vtx);
  return next;
}

// ---------------------------------------------------------------------------
// The run.

namespace {

void ClearDoneFlags(TTIN* tin) {
  if (tin->fVtxTriMgr != nullptr) {
    tin->fVtxTriMgr->SetAllTriContDoneFlag(false);
    return;
  }
  if (tin->fTINTriangleList == nullptr) return;
  for (TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next)
    if (node->item != nullptr) static_cast<TTINTriangle*>(node->item)->fContoursAnyDone = false;
}

}  // namespace

TErr TTINContourMap::MakeSomethingOfMyself(TTIN* tin) {
  Trace(kTraceBuild, "Just entered TTINContourMap::MakeSomethingOfMyself\n");
  const TTINParams params = tin->fTINParams;
  TKestSortedLList* vertices = tin->fTINVtxListByZ;
  if (vertices == nullptr || vertices->fFirst == nullptr) return kNoErr;
  const auto* lowest = static_cast<const TTINVtx*>(vertices->fFirst->item);
  const auto* highest = static_cast<const TTINVtx*>(vertices->fLast->item);
  if (lowest == nullptr || highest == nullptr) return kErrNullVtxInList;
  if (params.contourInterval <= 0) {
    // No grid to trace; the parameters dialog never lets this through.
    Trace(kTraceBuild, "TTINContourMap: contour interval %d is not positive\n", params.contourInterval);
    return kNoErr;
  }

  const TContourRange range = FirstContourAndRange(params, lowest->z, highest->z);
  std::int64_t k = range.k;
  std::int64_t elevLoopContour = range.firstElev;
  const std::int64_t highestElevToConsider = range.highestElev;

  TErr err = FlagHorizontalTriangles(tin);
  if (err != kNoErr) return err;
  KVCallback cb = gKVCallback;
  ResetBusyCursorTicks(cb);

  TContourThreader threader(this, tin);
  TContourSweep sweep(this, tin);
  const std::int64_t levels = elevLoopContour <= highestElevToConsider
                                  ? (highestElevToConsider - elevLoopContour) / params.contourInterval + 1
                                  : 0;
  bool swept = false;
  if (!fLiteralPasses) {
    const TContourSweep::TReady ready = sweep.Prepare(elevLoopContour, params.contourInterval, levels);
    if (ready == TContourSweep::TReady::kNoMemory) return kErrContourMemLow;
    swept = ready == TContourSweep::TReady::kSwept;
  }
  for (std::int64_t j = 0; err == kNoErr; ++j) {
    if (!MemLevelOK(cb)) return kErrContourMemLow;
    if (elevLoopContour > highestElevToConsider) break;
    const auto z = static_cast<std::int32_t>(elevLoopContour);
    const bool major = IsIndexContour(k, params.indexContourEvery);
    if (swept) {
      err = sweep.FlagLevel(j, major);
      if (err != kNoErr) break;
      threader.SetLevel(z, major);
      err = sweep.TraceLevel(&threader);
    } else {
      ClearDoneFlags(tin);
      err = DrawContAroundHorizTris(tin, z, major);
      if (err != kNoErr) break;
      FlagSkippableTriangles(tin, z);
      err = threader.TraceFromBaseVertices(z, major);
    }
    ++k;
    elevLoopContour += params.contourInterval;
  }
  return err;
}
