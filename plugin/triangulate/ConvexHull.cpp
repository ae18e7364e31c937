#include "triangulate/ConvexHull.h"

#include "model/TKestSortedLList.h"
#include "model/TTIN.h"
#include "model/TTINVtx.h"
#include "model/TTINVtxTriMgr.h"
#include "output/BusyCursor.h"
#include "shell/Trace.h"
#include "triangulate/Tolerances.h"
#include "triangulate/TriangulateErrors.h"
#include "triangulate/ULandUtils.h"

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

}  // namespace

TErr DetermineConvexHull(TTINVtxTriMgr* mgr) {
  TTIN* tin = mgr->fTIN;
  TKestSortedLList* vertices = tin->fTINVtxListByZ;
  if (vertices == nullptr) return kErrHullNoVtxList;
  if (vertices->fFirst == nullptr) return kErrHullEmptyVtxList;

  // Start: smallest y, then smallest x.
  TTINVtx* start = nullptr;
  std::int32_t count = 0;
  for (TLinkNode* node = vertices->fFirst; node != nullptr; node = node->next) {
    auto* v = static_cast<TTINVtx*>(node->item);
    if (v == nullptr) continue;
    ++count;
    if (start == nullptr || v->y < start->y || (v->y == start->y && v->x < start->x)) start = v;
  }
  if (start == nullptr) return kErrHullEmptyVtxList;

  // A closed walk visits each vertex at most twice (collinear input goes out
  // and back); more steps mean it has lost its way.
  const std::int64_t maxSteps = 2 * std::int64_t{count} + 2;
  std::int64_t steps = 0;
  double prevAz = 3.0 * kHalfPi;  // the direction −x
  TTINVtx* current = start;
  for (;;) {
    TTINVtx* cand = nullptr;
    double candTurn = 0.0, candDist = 0.0, candAz = 0.0;
    for (TLinkNode* node = vertices->fFirst; node != nullptr; node = node->next) {
      auto* v = static_cast<TTINVtx*>(node->item);
      if (v == nullptr || v == current) continue;
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
    }
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
