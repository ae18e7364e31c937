#include "analysis/DiffTIN.h"

#include "analysis/AnalysisErrors.h"
#include "analysis/TriangleSurface.h"
#include "host/KVUTIL.h"
#include "model/TKestSortedLList.h"
#include "model/TTIN.h"
#include "model/TTINTriangle.h"
#include "model/TTINVtx.h"
#include "model/TTINVtxTriMgr.h"
#include "output/BusyCursor.h"
#include "shell/Trace.h"
#include "triangulate/PointLocation.h"
#include "triangulate/TriangulateErrors.h"
#include "triangulate/VtxCollection.h"

namespace {

// first − second as a 32-bit elevation.  Both are 32-bit; a difference
// beyond the range wraps, which no survey reaches.
std::int32_t Difference(std::int32_t first, std::int32_t second) {
  return static_cast<std::int32_t>(std::int64_t{first} - second);
}

// Inserts a new vertex into the difference TIN's vertex list; a vertex that
// cannot be allocated or listed is dropped.
void AddDiffVtx(TTIN* tin, std::int32_t x, std::int32_t y, std::int32_t z) {
  auto* v = new TTINVtx(x, y, z);
  if (v == nullptr) {
    Trace(kTraceBuild, "MakeDiffVtxList: no memory for a vertex\n");
    return;
  }
  if (!tin->fTINVtxListByZ->Insert(v)) {
    Trace(kTraceBuild, "MakeDiffVtxList: fTINVtxListByZ->Insert failed\n");
    delete v;
  }
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

TErr MakeDiffVtxList(TTINVtxTriMgr* mgr) {
  TTIN* tin = mgr->fTIN;
  const TTIN* first = tin->fInnerTIN;
  const TTIN* second = tin->fOuterTIN;

  TKestSortedLList* list = TKestSortedLList::New();
  if (list == nullptr) return kErrNoVtxListMemory;
  if (!list->IKestSortedLList()) {
    list->Free();
    return kErrVtxListInit;
  }
  tin->fTINVtxListByZ = list;

  if (!HasVertexList(first) || !HasVertexList(second)) {
    Trace(kTraceBuild, "MakeDiffVtxList: a base has no vertex list\n");
    return kErrDiffBaseNoGeometry;
  }

  // The first base's vertices that the second base covers.
  for (const TLinkNode* node = first->fTINVtxListByZ->fFirst; node != nullptr; node = node->next) {
    const auto* u = static_cast<const TTINVtx*>(node->item);
    if (u == nullptr) return kErrDiffNullInnerVtx;
    KVPoint2D p;
    u->GetXY(&p);
    std::int32_t zo = 0;
    if (GetElevAtXY(second, p, &zo)) AddDiffVtx(tin, u->x, u->y, Difference(u->z, zo));
    else Trace(kTraceBuild, "MakeDiffVtxList: inner vertex outside the outer TIN\n");
    SpinBusyCursor(gKVCallback);
  }

  // The second base's vertices at new XY that the first base covers.
  for (const TLinkNode* node = second->fTINVtxListByZ->fFirst; node != nullptr; node = node->next) {
    const auto* w = static_cast<const TTINVtx*>(node->item);
    if (w == nullptr) return kErrDiffNullOuterVtx;
    if (GetVtxAtXY(tin, w->x, w->y) != nullptr) continue;
    KVPoint2D p;
    w->GetXY(&p);
    std::int32_t zi = 0;
    if (GetElevAtXY(first, p, &zi)) AddDiffVtx(tin, w->x, w->y, Difference(zi, w->z));
    else Trace(kTraceBuild, "MakeDiffVtxList: outer vertex outside the inner TIN\n");
    SpinBusyCursor(gKVCallback);
  }

  if (tin->fTINVtxListByZ->CountItems() < 3) return kErrDiffTooFewVertices;
  return kNoErr;
}
