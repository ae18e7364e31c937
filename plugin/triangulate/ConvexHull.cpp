#include "plugin/triangulate/ConvexHull.h"

#include "plugin/triangulate/HullBand.h"

#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/Tolerances.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/ULandUtils.h"

namespace {

TErr AppendHullVtx(TTIN* tin, TTINVtx* start, TTINVtx* next) {
  if (tin->fConvexHullVtxList == nullptr) {
    TLinkedList* list = TLinkedList::New();
    if (list == nullptr) return kErrHullListMemory;
    if (!list->ILinkedList()) {
      list->Free();
      return kErrHullListInit;
    }
    tin->fConvexHullVtxList = list;
    if (!list->Append(start)) return kErrHullAppendStart;
  }
  if (!tin->fConvexHullVtxList->Append(next)) return kErrHullAppend;
  return kNoErr;
}

// The gift-wrapping walk from `start` over the vertices that forEach(fn)
// hands to fn in vertex-list order: the smallest clockwise turn from the
// previous direction, the nearest on a tie, in double precision.
template <class ForEach>
TErr GiftWrap(TTIN* tin, ForEach forEach, std::int32_t count, TTINVtx* start) {
  // A closed walk visits each vertex at most twice (collinear input goes out
  // and back); more steps mean it has lost its way.
  const std::int64_t maxSteps = 2 * std::int64_t{count} + 2;
  std::int64_t steps = 0;
  double prevAz = 3.0 * kHalfPi;  // the direction −x
  TTINVtx* current = start;
  for (;;) {
    TTINVtx* cand = nullptr;
    double candTurn = 0.0, candDist = 0.0, candAz = 0.0;
    forEach([&](TTINVtx* v) {
      if (v == current) return;
      const double az = GetVtxAzimuth(current, v);
      double turn = NormalizeAngle(az - prevAz);
      if (turn >= kThreeHalfPiTurn) turn -= kTwoPi;
      const double dist = GetVtxDistance(current, v);
      if (cand == nullptr || turn < candTurn || (turn == candTurn && dist < candDist)) {
        cand = v;
        candTurn = turn;
        candDist = dist;
        candAz = az;
      }
    });
    if (cand == nullptr) break;  // a single vertex: the hull is the start alone
    if (cand != start) {
      const TErr err = AppendHullVtx(tin, start, cand);
      if (err != kNoErr) return err;
    }
    prevAz = candAz;
    current = cand;
    SpinBusyCursor(gKVCallback);
    if (cand == start) break;
    if (++steps > maxSteps) {
      Trace(kTraceBuild, "DetermineConvexHull: the walk did not return to its start\n");
      return kErrHullNotClosed;
    }
  }
  return kNoErr;
}

// The start vertex (smallest y, then smallest x) and the number of vertices.
TErr FindStart(TTIN* tin, TTINVtx** start, std::int32_t* count) {
  *start = nullptr;
  *count = 0;
  TKestSortedLList* vertices = tin->fTINVtxListByZ;
  if (vertices == nullptr) return kErrHullNoVtxList;
  if (vertices->fFirst == nullptr) return kErrHullEmptyVtxList;
  for (TLinkNode* node = vertices->fFirst; node != nullptr; node = node->next) {
    auto* v = static_cast<TTINVtx*>(node->item);
    if (v == nullptr) continue;
    ++*count;
    if (*start == nullptr || v->y < (*start)->y || (v->y == (*start)->y && v->x < (*start)->x))
      *start = v;
  }
  return *start == nullptr ? kErrHullEmptyVtxList : kNoErr;
}

// The walk over every vertex of the list.
TErr WrapAll(TTIN* tin, TTINVtx* start, std::int32_t count) {
  TLinkNode* first = tin->fTINVtxListByZ->fFirst;
  auto everyVertex = [first](auto fn) {
    for (TLinkNode* node = first; node != nullptr; node = node->next)
      if (node->item != nullptr) fn(static_cast<TTINVtx*>(node->item));
  };
  return GiftWrap(tin, everyVertex, count, start);
}

}  // namespace

TErr DetermineConvexHullLiteral(TTINVtxTriMgr* mgr) {
  TTINVtx* start = nullptr;
  std::int32_t count = 0;
  const TErr err = FindStart(mgr->fTIN, &start, &count);
  return err != kNoErr ? err : WrapAll(mgr->fTIN, start, count);
}

TErr DetermineConvexHull(TTINVtxTriMgr* mgr) {
  TTIN* tin = mgr->fTIN;
  if (tin->fSteps == TSteps::kLiteral) return DetermineConvexHullLiteral(mgr);
  TTINVtx* start = nullptr;
  std::int32_t count = 0;
  TErr err = FindStart(tin, &start, &count);
  if (err != kNoErr) return err;
  auto** band = static_cast<TTINVtx**>(PluginAlloc(sizeof(TTINVtx*) * static_cast<std::size_t>(count)));
  if (band == nullptr) return WrapAll(tin, start, count);
  std::int32_t i = 0;
  for (TLinkNode* node = tin->fTINVtxListByZ->fFirst; node != nullptr; node = node->next)
    if (node->item != nullptr) band[i++] = static_cast<TTINVtx*>(node->item);
  // Only the vertices near the boundary can win a step of the walk; the
  // others leave the array, which keeps the list order.
  const std::int32_t kept = KeepHullBand(band, count);
  auto bandVertices = [band, kept](auto fn) {
    for (std::int32_t j = 0; j < kept; ++j) fn(band[j]);
  };
  err = GiftWrap(tin, bandVertices, count, start);
  PluginFree(band);
  return err;
}
