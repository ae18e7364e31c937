#include "plugin/triangulate/VtxCollection.h"

#include "plugin/analysis/DiffTIN.h"
#include "plugin/host/KVESDK.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TKestXYAndHdlArray.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/output/Layers.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/BrklnSources.h"
#include "plugin/triangulate/OrderedCollection.h"
#include "plugin/triangulate/TriangulateErrors.h"

namespace {

// Duplicate test of one collection: through the X-sorted array, or (for the
// per-object callbacks) by walking the vertex list.
TTINVtx* FindPresent(TTIN* tin, std::int32_t x, std::int32_t y, bool useArray) {
  if (useArray) return GetVtxAtXY(tin, x, y);
  TKestXYAndHdlArray* saved = tin->fVtxArrayByX;
  tin->fVtxArrayByX = nullptr;
  TTINVtx* found = GetVtxAtXY(tin, x, y);
  tin->fVtxArrayByX = saved;
  return found;
}

// A new vertex at p, inserted into the vertex list and, when asked, the
// X-sorted array.  Null when it could not be allocated or listed.
TTINVtx* AddNewVtx(TTIN* tin, const KVPoint3D& p, bool useArray) {
  TTINVtx* v = new TTINVtx(p.x, p.y, p.z);
  if (v == nullptr) {
    Trace(kTraceBuild, "In AddNewVtx no memory for a vertex\n");
    return nullptr;
  }
  if (!tin->fTINVtxListByZ->Insert(v)) {
    Trace(kTraceBuild, "In AddNewVtx fTINVtxListByZ->Insert failed\n");
    delete v;
    return nullptr;
  }
  if (useArray && tin->fVtxArrayByX != nullptr)
    tin->fVtxArrayByX->AddXYAndHdl(TXYPoint{p.x, p.y}, v);
  return v;
}

}  // namespace

void KeepBrkln(TTIN* tin, TBrkln* brkln, bool closed) {
  if (tin->fBrklnList == nullptr) {
    TLinkedList* list = TLinkedList::New();
    if (list != nullptr && !list->ILinkedList()) {
      list->Free();
      list = nullptr;
    }
    tin->fBrklnList = list;
  }
  brkln->SetClosed(closed);
  if (tin->fBrklnList == nullptr || !tin->fBrklnList->Append(brkln)) {
    Trace(kTraceBuild, "ERROR: theTIN->fBrklnList->InsertAfter((void*)aBrkln)\n");
    delete brkln;
  }
}

namespace {

// Makes each vertex at once and inserts it into the vertex list (and, when
// asked, the X-sorted array).
class TLiteralSink final : public TCollectSink {
 public:
  TLiteralSink(TTIN* tin, bool useArray) : fTIN(tin), fUseArray(useArray) {}
  bool Present(std::int32_t x, std::int32_t y) override {
    return FindPresent(fTIN, x, y, fUseArray) != nullptr;
  }
  bool Take(const KVPoint3D& p) override {
    fLast = AddNewVtx(fTIN, p, fUseArray);
    return fLast != nullptr;
  }
  void Corner(TBrkln* brkln) override { brkln->AddVtx(fLast); }
  void Keep(TBrkln* brkln, bool closed) override { KeepBrkln(fTIN, brkln, closed); }

 private:
  TTIN* fTIN;
  bool fUseArray;
  TTINVtx* fLast = nullptr;
};

void AddLocus(KVCallback cb, KVObj locus, TCollectSink& sink) {
  KVPoint3D p{0, 0, 0};
  KV_GetLocus3DPosition(cb, locus, &p);
  sink.Locus(p);
}

// A record of where the polygon's breakline comes from, while the build keeps
// one; null otherwise or without memory.
TBrklnSource* NewSource(TTIN* tin, KVCallback cb, KVObj poly) {
  TTINVtxTriMgr* mgr = tin->fVtxTriMgr;
  if (mgr == nullptr || mgr->fBrklnSources == nullptr) return nullptr;
  TBrklnSource* source = mgr->fBrklnSources->Add(poly, KV_GetPolyShapeClose(cb, poly) != 0);
  if (source == nullptr) Trace(kTraceBuild, "In AddPolygon no memory for the breakline's source\n");
  return source;
}

void AddPolygon(TTIN* tin, KVCallback cb, KVObj poly, TCollectSink& sink) {
  const std::int32_t n = KV_CountVertices(cb, poly);
  if (n < 2) return;
  // Nothing to add when every vertex lies at one XY.
  bool allSame = true;
  for (std::int32_t k = 2; k <= n && allSame; ++k) {
    KVPoint3D pk{0, 0, 0};
    KV_Get3DVertex(cb, poly, static_cast<std::int16_t>(k), &pk);
    for (std::int32_t j = 1; j < k; ++j) {
      KVPoint3D pj{0, 0, 0};
      KV_Get3DVertex(cb, poly, static_cast<std::int16_t>(j), &pj);
      if (pj.x != pk.x || pj.y != pk.y) {
        allSame = false;
        break;
      }
    }
  }
  if (allSame) return;

  const bool doBrklns = tin->fTINParams.useBrklns;
  TBrkln* brkln = nullptr;
  if (doBrklns) {
    brkln = new TBrkln();
    if (brkln == nullptr) {
      Trace(kTraceBuild, "In Add3DPolyVtxsToTINVtxListByZ; doBrklns && !aBrkln\n");
      return;
    }
  }
  TBrklnSource* source = doBrklns ? NewSource(tin, cb, poly) : nullptr;
  auto record = [&](const KVPoint3D& p, bool kept) {
    if (source != nullptr && !source->AddCorner(TPolyCorner{p.x, p.y, kept})) source->fComplete = false;
  };
  std::int32_t appended = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    KVPoint3D p{0, 0, 0};
    KV_Get3DVertex(cb, poly, static_cast<std::int16_t>(i), &p);
    // A corner at the XY of an existing vertex is skipped: no new vertex,
    // and not in this polygon's breakline.
    if (sink.Present(p.x, p.y)) {
      record(p, false);
      continue;
    }
    const bool kept = sink.Take(p) && doBrklns;
    if (kept) {
      sink.Corner(brkln);
      ++appended;
    }
    record(p, kept);
  }
  if (!doBrklns) return;
  if (appended < 2) {
    sink.Drop(brkln);
    delete brkln;
    return;
  }
  sink.Keep(brkln, KV_GetPolyShapeClose(cb, poly) != 0);
}

// The object's nearest enclosing layer is the TIN's layer, which exists.
bool OnTINLayer(TTIN* tin, KVCallback cb, KVObj obj) {
  const KVObj layer = GetLayerByName(cb, tin->fTINParams.tinName);
  if (layer == 0) return false;
  KVObj parent = KV_ParentObject(cb, obj);
  while (parent != 0 && KV_GetObjectType(cb, parent) != kKVTypeLayer)
    parent = KV_ParentObject(cb, parent);
  return parent == layer;
}

}  // namespace

TErr MakeEmptyVtxList(TTIN* tin) {
  TKestSortedLList* list = TKestSortedLList::New();
  if (list == nullptr) return kErrNoVtxListMemory;
  if (!list->IKestSortedLList()) {
    list->Free();
    return kErrVtxListInit;
  }
  tin->fTINVtxListByZ = list;
  return kNoErr;
}

TTINVtx* GetVtxAtXY(TTIN* tin, std::int32_t x, std::int32_t y) {
  if (tin->fVtxArrayByX != nullptr) return tin->fVtxArrayByX->GetHdlByXY(TXYPoint{x, y});
  if (tin->fTINVtxListByZ == nullptr) return nullptr;
  for (TLinkNode* node = tin->fTINVtxListByZ->fFirst; node != nullptr; node = node->next) {
    SpinBusyCursor(gKVCallback);
    auto* v = static_cast<TTINVtx*>(node->item);
    if (v != nullptr && v->x == x && v->y == y) return v;
  }
  return nullptr;
}

void Add3DPolyVtxsToTINVtxListByZ(TTINVtxTriMgr* mgr, KVObj poly) {
  TLiteralSink sink(mgr->fTIN, true);
  AddPolygon(mgr->fTIN, gKVCallback, poly, sink);
}

namespace {

// The X-sorted array for the literal duplicate test, in fVtxArrayByX.
TErr MakeXYArray(TTIN* tin) {
  auto* array = new TKestXYAndHdlArray();
  if (array == nullptr) {
    Trace(kTraceBuild, "kErrLocnTINCreation61\n");
    return kErrNoXYArray;
  }
  const TErr err = array->InitKestXYAndHdlArray();
  if (err != kNoErr) {
    delete array;
    return err;
  }
  tin->fVtxArrayByX = array;
  return kNoErr;
}

// Positions of loci kept in order, in blocks from the host allocator, so
// that holding a million of them copies none as their number grows.
class THeldLoci {
 public:
  THeldLoci() = default;
  ~THeldLoci() {
    for (std::int32_t k = 0; k < fBlockCount; ++k) PluginFree(fBlocks[k]);
    PluginFree(fBlocks);
  }
  THeldLoci(const THeldLoci&) = delete;
  THeldLoci& operator=(const THeldLoci&) = delete;

  // Reads the locus's position into the next place; false, with nothing
  // held, when the host refuses room for it.
  bool Hold(KVCallback cb, KVObj locus) {
    if (fCount % kBlock == 0) {
      if (!RoomForOneMore(&fBlocks, fBlockCount, &fBlockRoom, 64)) return false;
      auto* block = static_cast<KVPoint3D*>(PluginAlloc(sizeof(KVPoint3D) * kBlock));
      if (block == nullptr) return false;
      fBlocks[fBlockCount++] = block;
    }
    KVPoint3D& p = fBlocks[fCount / kBlock][fCount % kBlock];
    p = KVPoint3D{0, 0, 0};
    KV_GetLocus3DPosition(cb, locus, &p);
    ++fCount;
    return true;
  }
  std::int32_t Count() const { return fCount; }
  const KVPoint3D& At(std::int32_t k) const { return fBlocks[k / kBlock][k % kBlock]; }

 private:
  static constexpr std::int32_t kBlock = 1 << 14;
  KVPoint3D** fBlocks = nullptr;
  std::int32_t fBlockCount = 0, fBlockRoom = 0, fCount = 0;
};

// The 3D polygons of the TIN's layer, then its 3D loci, into `sink`.  Every
// polygon's corners go before the first locus, so one walk over the layer
// hands the polygons over as it meets them and holds the loci's positions
// until it ends.  Loci that find no room to be held (the host refused it)
// are read by a second walk, after the held ones.
void ReadLayer(TTIN* tin, KVCallback cb, TCollectSink& sink) {
  const KVObj layer = GetLayerByName(cb, tin->fTINParams.tinName);
  if (layer == 0) return;
  THeldLoci held;
  bool full = false;
  TBusySpinner busy(cb);
  for (KVObj obj = KV_FirstMemberObj(cb, layer); obj != 0; obj = KV_NextObject(cb, obj)) {
    const std::int16_t type = KV_GetObjectType(cb, obj);
    if (type == kKVTypePoly3D) AddPolygon(tin, cb, obj, sink);
    if (type == kKVTypeLocus3D && !full) full = !held.Hold(cb, obj);
    busy.Item();
  }
  std::int32_t count = held.Count();
  sink.Expect(count);
  for (std::int32_t k = 0; k < count; ++k) sink.Locus(held.At(k));
  if (!full) return;
  Trace(kTraceBuild, "ReadLayer: no room to hold the loci past %d; reading them again\n", count);
  for (KVObj obj = KV_FirstMemberObj(cb, layer); obj != 0; obj = KV_NextObject(cb, obj)) {
    if (KV_GetObjectType(cb, obj) == kKVTypeLocus3D && count-- <= 0) AddLocus(cb, obj, sink);
    busy.Item();
  }
}

}  // namespace

TErr MakeVtxList(TTINVtxTriMgr* mgr) {
  TTIN* tin = mgr->fTIN;
  // A difference TIN samples its two base TINs instead of reading the drawing.
  if (tin->fInnerTIN != nullptr) return MakeDiffVtxList(mgr);

  // An indexed build keeps the points and makes the vertices in list order at
  // the end; the literal build makes each at once, testing duplicates through
  // the X-sorted array.
  const bool ordered = tin->fSteps == TSteps::kIndexed;
  TErr err = ordered ? kNoErr : MakeXYArray(tin);
  // A fresh record of the breaklines' sources when they are wanted; without
  // memory for it the build goes on and only the checks that need it lapse.
  mgr->SetBrklnSources(err == kNoErr && tin->fTINParams.useBrklns ? new TBrklnSources() : nullptr);
  if (err == kNoErr) err = MakeEmptyVtxList(tin);
  if (err == kNoErr) {
    TLiteralSink literal(tin, true);
    TOrderedSink inOrder(tin);
    ReadLayer(tin, gKVCallback, ordered ? static_cast<TCollectSink&>(inOrder) : literal);
    if (ordered) err = inOrder.Finish();
    if (err == kNoErr && tin->fTINVtxListByZ->CountItems() < 3) err = kErrTooFewVertices;
  }

  if (tin->fVtxArrayByX != nullptr) {
    tin->fVtxArrayByX->DisposeXYAndHdlArray();
    delete tin->fVtxArrayByX;
    tin->fVtxArrayByX = nullptr;
  }
  return err;
}

extern "C" void AddLocToTINVtxListByZ(KVObj obj, KVCallback cb, void* user) {
  auto* tin = static_cast<TTIN*>(user);
  if (tin == nullptr || tin->fTINVtxListByZ == nullptr) return;
  if (!OnTINLayer(tin, cb, obj) || KV_GetObjectType(cb, obj) != kKVTypeLocus3D) return;
  TLiteralSink sink(tin, false);
  AddLocus(cb, obj, sink);
}

extern "C" void Add3DPolyVtxsToTINVtxList(KVObj obj, KVCallback cb, void* user) {
  auto* tin = static_cast<TTIN*>(user);
  if (tin == nullptr || tin->fTINVtxListByZ == nullptr) return;
  if (!OnTINLayer(tin, cb, obj) || KV_GetObjectType(cb, obj) != kKVTypePoly3D) return;
  TLiteralSink sink(tin, false);
  AddPolygon(tin, cb, obj, sink);
}
