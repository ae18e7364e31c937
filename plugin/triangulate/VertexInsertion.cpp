#include "plugin/triangulate/VertexInsertion.h"

#include <algorithm>
#include <functional>

#include "plugin/host/KVUTIL.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TKestXYAndHdlArray.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/output/MemLevel.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/EdgeSwap.h"
#include "plugin/triangulate/PointLocation.h"
#include "plugin/triangulate/QuickLocator.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/ULandUtils.h"

namespace {

bool ListsItself(const TTINTriangle* t) {
  return t->fNeighbors[0] == t || t->fNeighbors[1] == t || t->fNeighbors[2] == t;
}

void Set(TTINTriangle* t, TTINVtx* v0, TTINVtx* v1, TTINVtx* v2, TTINTriangle* n0, TTINTriangle* n1,
         TTINTriangle* n2) {
  t->fVertices[0] = v0;
  t->fVertices[1] = v1;
  t->fVertices[2] = v2;
  t->fNeighbors[0] = n0;
  t->fNeighbors[1] = n1;
  t->fNeighbors[2] = n2;
  t->fEdgeOkay[0] = t->fEdgeOkay[1] = t->fEdgeOkay[2] = false;
  t->fPairOkay = 0;
}

// In `outer` (if any), the neighbour at the index of corner `at` becomes `to`.
void Relink(TTINTriangle* outer, const TTINVtx* at, TTINTriangle* to) {
  if (outer == nullptr) return;
  const std::int16_t i = outer->IndexOfVertex(at);
  if (i == kNoIndex) return;
  outer->ForgetPairWith(outer->fNeighbors[i]);  // every edge it held, should it hold two
  outer->fNeighbors[i] = to;
}

// `outer` (if any) stays linked to `t`, whose flags were just cleared.
void Forget(TTINTriangle* outer, const TTINTriangle* t) {
  if (outer != nullptr) outer->ForgetPairWith(t);
}

// The vertex link moves from `from` to `to` (mark unchanged) if it named `from`.
void MoveLink(TTINVtx* v, const TTINTriangle* from, TTINTriangle* to) {
  if (v->fTriangle == from) v->fTriangle = to;
}

TErr Append(TTIN* tin, TTINTriangle* t) {
  return tin->fTINTriangleList->Append(t) ? kNoErr : kErrNoTriangleMemory;
}

TErr SplitInside(TTIN* tin, TTINVtx* v, TTINTriangle* t, TTINTriangle* t1, TTINTriangle* t2) {
  TTINVtx* a = t->fVertices[0];
  TTINVtx* b = t->fVertices[1];
  TTINVtx* d = t->fVertices[2];
  TTINTriangle* x0 = t->fNeighbors[0];
  TTINTriangle* x1 = t->fNeighbors[1];
  TTINTriangle* x2 = t->fNeighbors[2];

  Set(t, a, b, v, x0, t1, t2);
  if (ListsItself(t)) return kErrSplitSelfNabr0;
  if (!IsClockwise(t)) return kErrSplitNotClockwise0;
  Set(t1, v, b, d, t, x1, t2);
  if (ListsItself(t1)) return kErrSplitSelfNabr1;
  if (!IsClockwise(t1)) return kErrSplitNotClockwise1;
  TErr err = Append(tin, t1);
  if (err != kNoErr) return err;
  Set(t2, a, v, d, t, t1, x2);
  if (ListsItself(t2)) return kErrSplitSelfNabr2;
  if (!IsClockwise(t2)) return kErrSplitNotClockwise2;
  err = Append(tin, t2);
  if (err != kNoErr) return err;
  Relink(x1, d, t1);
  Relink(x2, a, t2);
  Forget(x0, t);
  MoveLink(d, t, t1);
  // The repair tests the new triangles against the outer three, whose far
  // corners are seldom in the cache; their records have just been read.
  for (const TTINTriangle* x : {x0, x1, x2})
    if (x != nullptr) x->PrefetchCorners();
  if (!CheckNabrsForCommonVtxs(t) || !CheckNabrsForCommonVtxs(t1) || !CheckNabrsForCommonVtxs(t2))
    return kErrSplitLinks;
  return DelauneyizeWithNeighbors(tin, t);
}

TErr SplitEdge(TTIN* tin, TTINVtx* v, TTINTriangle* t, std::int16_t e, TTINTriangle* t1,
               TTINTriangle* t3, bool repair) {
  const std::int16_t j = NextIndex(e, 1), m = NextIndex(e, 2);
  TTINVtx* oldV[3] = {t->fVertices[0], t->fVertices[1], t->fVertices[2]};
  TTINTriangle* oldN[3] = {t->fNeighbors[0], t->fNeighbors[1], t->fNeighbors[2]};
  TTINVtx* p = oldV[e];
  TTINVtx* q = oldV[j];
  TTINVtx* r = oldV[m];
  TTINTriangle* n = oldN[e];

  // T keeps P and R; v takes Q's place.
  t->fVertices[j] = v;
  t->fNeighbors[j] = t1;
  if (n != nullptr) t->fNeighbors[e] = t3;
  t->fEdgeOkay[0] = t->fEdgeOkay[1] = t->fEdgeOkay[2] = false;
  t->fPairOkay = 0;
  Forget(oldN[m], t);
  if (!IsClockwise(t)) return kErrEdgeSplitNotClockwiseT;
  MoveLink(q, t, t1);

  // T1: v takes P's place; its edge R → v faces T.
  TTINVtx* v1[3] = {oldV[0], oldV[1], oldV[2]};
  TTINTriangle* n1[3] = {oldN[0], oldN[1], oldN[2]};
  v1[e] = v;
  n1[m] = t;
  Set(t1, v1[0], v1[1], v1[2], n1[0], n1[1], n1[2]);
  if (!IsClockwise(t1)) return kErrEdgeSplitNotClockwiseT1;
  TErr err = Append(tin, t1);
  if (err != kNoErr) return err;
  Relink(oldN[j], r, t1);

  if (n != nullptr) {
    const std::int16_t k = n->IndexOfVertex(q);
    const std::int16_t l = NextIndex(k, 1);
    const std::int16_t k2 = NextIndex(k, 2);
    TTINVtx* nV[3] = {n->fVertices[0], n->fVertices[1], n->fVertices[2]};
    TTINTriangle* nN[3] = {n->fNeighbors[0], n->fNeighbors[1], n->fNeighbors[2]};
    TTINVtx* s = nV[k2];
    // N (the second triangle) keeps Q and S; v takes P's place.
    n->fVertices[l] = v;
    n->fNeighbors[k] = t1;
    n->fNeighbors[l] = t3;
    n->fEdgeOkay[0] = n->fEdgeOkay[1] = n->fEdgeOkay[2] = false;
    n->fPairOkay = 0;
    Forget(nN[k2], n);
    if (!IsClockwise(n)) return kErrEdgeSplitNotClockwiseT2;
    MoveLink(p, n, t3);
    // T3: v takes Q's place; its edges v → P and S → v face T and N.
    TTINVtx* v3[3] = {nV[0], nV[1], nV[2]};
    TTINTriangle* n3[3] = {nN[0], nN[1], nN[2]};
    v3[k] = v;
    n3[k] = t;
    n3[k2] = n;
    Set(t3, v3[0], v3[1], v3[2], n3[0], n3[1], n3[2]);
    if (!IsClockwise(t3)) return kErrEdgeSplitNotClockwiseT3;
    err = Append(tin, t3);
    if (err != kNoErr) return err;
    Relink(nN[l], s, t3);
  }
  return repair ? DelauneyizeWithNeighbors(tin, t) : kNoErr;
}

void KeepInList(TTIN* tin, TTINTriangle* t) {
  if (t == nullptr) return;
  for (TLinkNode* node = tin->fTINTriangleList->fLast; node != nullptr; node = node->prev)
    if (node->item == t) return;
  if (!tin->fTINTriangleList->Append(t)) delete t;
}

}  // namespace

TErr AddOneVertexAndAdjustTriangles(TTIN* tin, TTINVtx* vtx, TTINTriangle* hintTri,
                                    std::int16_t hintEdge) {
  TTINTriangle* t = hintTri;
  std::int16_t e = hintEdge;
  if (t == nullptr) t = GetTriangleInWhichXYFalls(tin, KVPoint2D{vtx->y, vtx->x}, &e);
  if (t == nullptr) return kErrNoTriangleForVtx;

  // Every new triangle is allocated before anything changes.
  const bool inside = e == kNoIndex;
  const bool hasNabr = !inside && t->fNeighbors[e] != nullptr;
  TTINTriangle* t1 = new TTINTriangle();
  TTINTriangle* t23 = (inside || hasNabr) ? new TTINTriangle() : nullptr;
  if (t1 == nullptr || ((inside || hasNabr) && t23 == nullptr)) {
    delete t1;
    delete t23;
    return kErrNoTriangleMemory;
  }

  const TErr err = inside ? SplitInside(tin, vtx, t, t1, t23)
                          : SplitEdge(tin, vtx, t, e, t1, t23, hintTri == nullptr);
  if (err != kNoErr) {
    // A failed split leaves the structure as far as it got; a new triangle
    // that did not reach the list joins it now, so that the TIN frees it.
    KeepInList(tin, t1);
    KeepInList(tin, t23);
  }
  if (err == kNoErr && tin->fVtxArrayByX != nullptr) {
    tin->fVtxArrayByX->AddXYAndHdl(TXYPoint{vtx->x, vtx->y}, vtx);
    vtx->SetHighest(t, kVtxLinked);
  }
  return err;
}

TErr AddOneVertexAndTriangulate(TTIN* tin, TTINVtx* vtx) {
  if (!MemLevelOK(gKVCallback)) return kErrMemLowInsert;
  TLinkedList* hull = tin->fConvexHullVtxList;
  if (hull == nullptr || hull->fFirst == nullptr) return kErrInsertNoHull;
  for (TLinkNode* node = hull->fFirst; node != nullptr; node = node->next)
    if (node->item == vtx) return kNoErr;
  return AddOneVertexAndAdjustTriangles(tin, vtx, nullptr, kNoIndex);
}

namespace {

// The hull's vertices sorted by address, so that the membership test of each
// insertion is a binary search instead of a walk of the hull list.  Null when
// there is no hull or no memory: the insertions then walk the list.
struct THullSet {
  TTINVtx** vtxs = nullptr;
  std::int32_t count = 0;
  THullSet(TSteps steps, const TLinkedList* hull) {
    if (steps == TSteps::kLiteral || hull == nullptr) return;
    std::int32_t n = 0;
    for (const TLinkNode* node = hull->fFirst; node != nullptr; node = node->next) ++n;
    vtxs = static_cast<TTINVtx**>(PluginAlloc(sizeof(TTINVtx*) * static_cast<std::size_t>(n)));
    if (vtxs == nullptr) return;
    for (const TLinkNode* node = hull->fFirst; node != nullptr; node = node->next)
      vtxs[count++] = static_cast<TTINVtx*>(node->item);
    std::sort(vtxs, vtxs + count, std::less<TTINVtx*>());
  }
  ~THullSet() { PluginFree(vtxs); }
  THullSet(const THullSet&) = delete;
  THullSet& operator=(const THullSet&) = delete;
  bool Has(TTINVtx* v) const {
    return std::binary_search(vtxs, vtxs + count, v, std::less<TTINVtx*>());
  }
};

// AddOneVertexAndTriangulate with the membership test answered by the set,
// and the triangle found by the quick locator when it can tell (a point
// strictly inside a triangle; the nearest-vertex walk would stop there and leave
// it in fTriLastFoundIn).
TErr AddOneVertexWithHullSet(TTIN* tin, TTINVtx* vtx, const THullSet& hullSet,
                             TQuickLocator* locator) {
  if (hullSet.vtxs == nullptr) return AddOneVertexAndTriangulate(tin, vtx);
  if (!MemLevelOK(gKVCallback)) return kErrMemLowInsert;
  TLinkedList* hull = tin->fConvexHullVtxList;
  if (hull == nullptr || hull->fFirst == nullptr) return kErrInsertNoHull;
  if (hullSet.Has(vtx)) return kNoErr;
  TTINTriangle* quick = nullptr;
  if (locator != nullptr)
    quick = locator->StrictlyEnclosing(KVPoint2D{vtx->y, vtx->x}, tin->fTriLastFoundIn);
  if (quick != nullptr) {
    tin->fTriLastFoundIn = quick;
    // The split relinks the triangle's neighbours and the repair reads them
    // first; ask for them while the new triangles are allocated.
    for (const TTINTriangle* n : quick->fNeighbors) __builtin_prefetch(n);
  }
  const TErr err = AddOneVertexAndAdjustTriangles(tin, vtx, quick, kNoIndex);
  if (err == kNoErr && locator != nullptr) locator->Remember(vtx);
  return err;
}

// The quick locator of an indexed build, seeded with the hull's vertices;
// null for a step-by-step build or without memory.
TQuickLocator* NewQuickLocator(TTIN* tin) {
  if (tin->fSteps == TSteps::kLiteral || tin->fConvexHullVtxList == nullptr) return nullptr;
  auto* locator =
      new TQuickLocator(tin, tin->fTINVtxListByZ->CountItems(), tin->fTINVtxListByZ->fFirst);
  if (locator == nullptr) return nullptr;
  for (TLinkNode* n = tin->fConvexHullVtxList->fFirst; n != nullptr; n = n->next)
    if (n->item != nullptr) locator->Remember(static_cast<TTINVtx*>(n->item));
  return locator;
}

}  // namespace

TErr AddInteriorVerticesAndTriangulate(TTIN* tin) {
  tin->fTriLastFoundIn = nullptr;
  TErr err = kNoErr;
  if (tin->fTINVtxListByZ != nullptr) {
    // Insertions change the triangles, never the hull list.
    const THullSet hullSet(tin->fSteps, tin->fConvexHullVtxList);
    TQuickLocator* locator = NewQuickLocator(tin);
    TLocatePrefetch ahead(locator, tin->fTINVtxListByZ->fFirst);
    TBusySpinner busy(gKVCallback);
    for (TLinkNode* node = tin->fTINVtxListByZ->fFirst; node != nullptr && err == kNoErr;
         node = node->next, ahead.Step()) {
      if (node->item == nullptr)
        err = kErrNullVtxInList;
      else
        err = AddOneVertexWithHullSet(tin, static_cast<TTINVtx*>(node->item), hullSet, locator);
      busy.Item();
    }
    delete locator;
  }
  tin->fTriLastFoundIn = nullptr;
  return err;
}
