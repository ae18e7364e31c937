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

bool TOrderedSink::RoomFor(void** block, std::int32_t count, std::int32_t* capacity,
                           std::size_t size) {
  if (count < *capacity) return true;
  const std::int64_t grown = *capacity == 0 ? 1024 : std::int64_t{*capacity} * 2;
  if (grown > INT32_MAX) return false;
  void* bigger = PluginAlloc(size * static_cast<std::size_t>(grown));
  if (bigger == nullptr) return false;
  if (count > 0) std::memcpy(bigger, *block, size * static_cast<std::size_t>(count));
  PluginFree(*block);
  *block = bigger;
  *capacity = static_cast<std::int32_t>(grown);
  return true;
}

bool TOrderedSink::Present(std::int32_t x, std::int32_t y) { return fByXY.Contains(x, y); }

bool TOrderedSink::Take(const KVPoint3D& p) {
  if (!fByXY.Reserved() && !fByXY.Reserve(1024)) return false;
  if (!RoomFor(reinterpret_cast<void**>(&fPoints), fPointCount, &fPointCap, sizeof(KVPoint3D)))
    return false;
  if (!fByXY.Add(p.x, p.y, fPointCount) && !(fByXY.Grow() && fByXY.Add(p.x, p.y, fPointCount)))
    return false;
  fPoints[fPointCount++] = p;
  return true;
}

void TOrderedSink::Corner(TBrkln* brkln) {
  if (brkln != fOpen) {
    fOpen = brkln;
    fOpenFirst = fCornerCount;
  }
  // Without room the corner is lost, as a corner whose vertex the list
  // could not take always was.
  if (RoomFor(reinterpret_cast<void**>(&fCorners), fCornerCount, &fCornerCap, sizeof(std::int32_t)))
    fCorners[fCornerCount++] = fPointCount - 1;
}

void TOrderedSink::Keep(TBrkln* brkln, bool closed) {
  if (!RoomFor(reinterpret_cast<void**>(&fBrklns), fBrklnCount, &fBrklnCap, sizeof(TPendingBrkln))) {
    Trace(kTraceBuild, "ERROR: theTIN->fBrklnList->InsertAfter((void*)aBrkln)\n");
    delete brkln;
    return;
  }
  const std::int32_t first = brkln == fOpen ? fOpenFirst : fCornerCount;
  fBrklns[fBrklnCount++] = TPendingBrkln{brkln, closed, first, fCornerCount - first};
  fOpen = nullptr;
}

void TOrderedSink::Drop(TBrkln* brkln) {
  if (brkln != fOpen) return;
  fCornerCount = fOpenFirst;
  fOpen = nullptr;
}

bool AppendInInsertionOrder(TKestSortedLList* list, const KVPoint3D* points, std::int32_t n,
                            TTINVtx** vtxOf) {
  auto* z = static_cast<std::int32_t*>(PluginAlloc(sizeof(std::int32_t) * static_cast<std::size_t>(n)));
  auto* order = static_cast<std::int32_t*>(PluginAlloc(sizeof(std::int32_t) * static_cast<std::size_t>(n)));
  bool ok = z != nullptr && order != nullptr;
  if (ok) {
    for (std::int32_t i = 0; i < n; ++i) z[i] = points[i].z;
    ok = InsertionOrderByZ(z, n, order);
  }
  PluginFree(z);
  for (std::int32_t k = 0; ok && k < n; ++k) {
    const KVPoint3D& p = points[order[k]];
    auto* v = new TTINVtx(p.x, p.y, p.z);
    if (v == nullptr || !list->Append(v)) {
      delete v;
      ok = false;
      break;
    }
    if (vtxOf != nullptr) vtxOf[order[k]] = v;
  }
  PluginFree(order);
  return ok;
}

TErr TOrderedSink::Finish() {
  if (fPointCount == 0) return kNoErr;
  auto** vtxOf = static_cast<TTINVtx**>(PluginAlloc(sizeof(TTINVtx*) * static_cast<std::size_t>(fPointCount)));
  TErr err = vtxOf != nullptr &&
                     AppendInInsertionOrder(fTIN->fTINVtxListByZ, fPoints, fPointCount, vtxOf)
                 ? kNoErr
                 : kErrNoVtxListMemory;
  if (err == kNoErr) {
    for (; fHanded < fBrklnCount; ++fHanded) {
      const TPendingBrkln& b = fBrklns[fHanded];
      for (std::int32_t c = 0; c < b.corners; ++c) b.brkln->AddVtx(vtxOf[fCorners[b.firstCorner + c]]);
      KeepBrkln(fTIN, b.brkln, b.closed);
    }
  }
  PluginFree(vtxOf);
  if (err != kNoErr) Trace(kTraceBuild, "In MakeVtxList no memory for the vertices in list order\n");
  return err;
}
