#include "plugin/triangulate/OrderedCollection.h"

#include <cstring>

#include "plugin/host/PluginMemory.h"
#include "plugin/model/InsertionOrder.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/TriangulateErrors.h"

TOrderedSink::~TOrderedSink() {
  for (std::int32_t k = fHanded; k < fBrklnCount; ++k) delete fBrklns[k].brkln;
  PluginFree(fPoints);
  PluginFree(fCorners);
  PluginFree(fBrklns);
}

bool TOrderedSink::Present(std::int32_t x, std::int32_t y) {
  Settle();
  return fByXY.Contains(x, y);
}

bool TOrderedSink::Take(const KVPoint3D& p) {
  Settle();
  return TakeNow(p);
}

void TOrderedSink::Locus(const KVPoint3D& p) {
  fByXY.Prefetch(p.x, p.y);
  if (fWaiting == kQueue) SettleOldest();
  fQueue[(fQueueFirst + fWaiting++) % kQueue] = p;
}

void TOrderedSink::SettleOldest() {
  const KVPoint3D p = fQueue[fQueueFirst];
  fQueueFirst = (fQueueFirst + 1) % kQueue;
  --fWaiting;
  if (!fByXY.Contains(p.x, p.y)) TakeNow(p);
}

bool TOrderedSink::TakeNow(const KVPoint3D& p) {
  if (!fByXY.Reserved() && !fByXY.Reserve(1024)) return false;
  if (!RoomForOneMore(&fPoints, fPointCount, &fPointCap, 1024)) return false;
  if (!fByXY.Add(p.x, p.y) && !(fByXY.Grow() && fByXY.Add(p.x, p.y)))
    return false;
  fPoints[fPointCount++] = p;
  return true;
}

void TOrderedSink::Corner(TBrkln* brkln) {
  Settle();
  if (brkln != fOpen) {
    fOpen = brkln;
    fOpenFirst = fCornerCount;
  }
  // Without room the corner is lost, as a corner whose vertex the list
  // could not take always was.
  if (RoomForOneMore(&fCorners, fCornerCount, &fCornerCap, 1024))
    fCorners[fCornerCount++] = fPointCount - 1;
}

void TOrderedSink::Keep(TBrkln* brkln, bool closed) {
  Settle();
  if (!RoomForOneMore(&fBrklns, fBrklnCount, &fBrklnCap, 1024)) {
    Trace(kTraceBuild, "ERROR: theTIN->fBrklnList->InsertAfter((void*)aBrkln)\n");
    delete brkln;
    return;
  }
  const std::int32_t first = brkln == fOpen ? fOpenFirst : fCornerCount;
  fBrklns[fBrklnCount++] = TPendingBrkln{brkln, closed, first, fCornerCount - first};
  fOpen = nullptr;
}

void TOrderedSink::Drop(TBrkln* brkln) {
  Settle();
  if (brkln != fOpen) return;
  fCornerCount = fOpenFirst;
  fOpen = nullptr;
}

void TOrderedSink::Expect(std::int32_t loci) {
  Settle();
  const std::int64_t total = std::int64_t{fPointCount} + loci;
  fByXY.Fit(total);
  if (total > fPointCap) MoveToRoomFor(&fPoints, fPointCount, &fPointCap, total);
}

bool AppendInInsertionOrder(TKestSortedLList* list, const KVPoint3D* points, std::int32_t n,
                            const std::uint64_t* wanted, TTINVtx** vtxOf) {
  auto* z =
      static_cast<std::int32_t*>(PluginAlloc(sizeof(std::int32_t) * static_cast<std::size_t>(n)));
  auto* order =
      static_cast<std::int32_t*>(PluginAlloc(sizeof(std::int32_t) * static_cast<std::size_t>(n)));
  bool ok = z != nullptr && order != nullptr;
  if (ok) {
    for (std::int32_t i = 0; i < n; ++i) z[i] = points[i].z;
    ok = InsertionOrderByZ(z, n, order);
  }
  PluginFree(z);
  // The points are read in elevation order, all over the array: ask for
  // each some steps before it is needed.  Only the wanted vertices (a
  // breakline's corners) are written to vtxOf, which is as scattered.
  constexpr std::int32_t kAhead = 16;
  for (std::int32_t k = 0; ok && k < n; ++k) {
    if (k + kAhead < n) __builtin_prefetch(&points[order[k + kAhead]]);
    const std::int32_t i = order[k];
    const KVPoint3D& p = points[i];
    auto* v = new TTINVtx(p.x, p.y, p.z);
    if (v == nullptr || !list->Append(v)) {
      delete v;
      ok = false;
      break;
    }
    if (wanted != nullptr && (wanted[i >> 6] >> (i & 63) & 1u) != 0) vtxOf[i] = v;
  }
  PluginFree(order);
  return ok;
}

TErr TOrderedSink::Finish() {
  Settle();
  if (fPointCount == 0) return kNoErr;
  // The vertices of the breaklines' corners are wanted, and only they.
  std::uint64_t* wanted = nullptr;
  TTINVtx** vtxOf = nullptr;
  bool ready = true;
  if (fBrklnCount > fHanded) {
    const std::size_t words = static_cast<std::size_t>(fPointCount) / 64 + 1;
    wanted = static_cast<std::uint64_t*>(PluginAlloc(sizeof(std::uint64_t) * words));
    vtxOf = static_cast<TTINVtx**>(
        PluginAlloc(sizeof(TTINVtx*) * static_cast<std::size_t>(fPointCount)));
    ready = wanted != nullptr && vtxOf != nullptr;
    if (ready) {
      std::memset(wanted, 0, sizeof(std::uint64_t) * words);
      for (std::int32_t c = 0; c < fCornerCount; ++c)
        wanted[fCorners[c] >> 6] |= std::uint64_t{1} << (fCorners[c] & 63);
    }
  }
  TErr err = ready && AppendInInsertionOrder(fTIN->fTINVtxListByZ, fPoints, fPointCount, wanted,
                                             vtxOf)
                 ? kNoErr
                 : kErrNoVtxListMemory;
  PluginFree(wanted);
  if (err == kNoErr) {
    for (; fHanded < fBrklnCount; ++fHanded) {
      const TPendingBrkln& b = fBrklns[fHanded];
      for (std::int32_t c = 0; c < b.corners; ++c)
        b.brkln->AddVtx(vtxOf[fCorners[b.firstCorner + c]]);
      KeepBrkln(fTIN, b.brkln, b.closed);
    }
  }
  PluginFree(vtxOf);
  if (err != kNoErr)
    Trace(kTraceBuild, "In MakeVtxList no memory for the vertices in list order\n");
  return err;
}
