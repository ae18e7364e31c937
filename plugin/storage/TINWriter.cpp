// The writer of the data object: all TINs of the registry, each TIN record
// with its vertices, hull, triangles and breaklines.  Every writer runs in
// the measuring pass (no handle: only the counter advances) and in the
// writing pass through the same code.
#include <cstdint>

#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/storage/StoreIO.h"

namespace {

template <typename T>
std::int32_t IDOrNone(const T* object) {
  return object != nullptr ? static_cast<std::int32_t>(object->fIDNum) : kStoredNoObject;
}

// Visits the items of `list` (a missing list has none); false at a null item.
template <typename T, typename Visit>
bool ForEachItem(const TLinkedList* list, Visit visit) {
  if (list == nullptr) return true;
  for (const TLinkNode* node = list->fFirst; node != nullptr; node = node->next) {
    if (node->item == nullptr) return false;
    visit(static_cast<T*>(node->item));
  }
  return true;
}

// The parameter record, offsets 14 to 144 of the TIN record.
void WriteParams(TStoreWriter& out, const TTINParams& p, bool withWantHull) {
  out.PutName(p.tinName);
  out.PutName(p.layer2DName);
  out.PutName(p.layer3DName);
  out.PutCoord(p.contourInterval);
  out.PutInt16(p.indexContourEvery);
  out.PutCoord(p.datumElev);
  out.PutCoord(p.contourBaseElev);
  out.PutCoord(p.lowContourElev);
  out.PutCoord(p.highContourElev);
  out.PutInt16(p.cntr2DVtxKind);
  out.PutFlag(p.normalTIN);
  out.PutFlag(p.want2DCntr);
  out.PutFlag(p.want3DTris);
  out.PutFlag(p.want2DTris);
  out.PutFlag(p.want3DCntr);
  out.PutFlag(p.labelCntrs);
  if (withWantHull) out.PutFlag(p.wantHull);
  out.PutFlag(p.makeGroups);
  out.PutFlag(p.useBrklns);
  out.PutFlag(p.notResident);
  out.PutFlag(p.spareFlag);
}

struct TRecordCounts {
  std::int32_t vertices = 0;
  std::int32_t hull = 0;
  std::int32_t triangles = 0;
  std::int32_t breaklines = 0;
};

// Numbers the vertices and triangles 1 .. n in list order and counts the hull
// and the breaklines; kErrStoredItem at a null item.
TErr NumberObjects(TTIN* tin, TRecordCounts* n) {
  bool ok = ForEachItem<TTINVtx>(tin->fTINVtxListByZ,
                                 [&](TTINVtx* v) { v->fIDNum = static_cast<std::uint32_t>(++n->vertices); });
  ok = ok && ForEachItem<TTINTriangle>(tin->fTINTriangleList, [&](TTINTriangle* t) {
         t->fIDNum = static_cast<std::uint32_t>(++n->triangles);
       });
  ok = ok && ForEachItem<TTINVtx>(tin->fConvexHullVtxList, [&](TTINVtx*) { ++n->hull; });
  ok = ok && ForEachItem<TBrkln>(tin->fBrklnList, [&](TBrkln*) { ++n->breaklines; });
  return ok ? kNoErr : kErrStoredItem;
}

}  // namespace

TErr TLandMgr::AttachDataToDrawing(KVHandle handle, std::int32_t* counter) {
  *counter = kDataObjectHostBytes;
  TStoreWriter out(fCB, handle, counter);
  out.PutInt32(kStoredFormatVersion);

  // TINs are numbered by registry position; null items are passed over.
  const TLinkNode* first = fTINList != nullptr ? fTINList->fFirst : nullptr;
  std::int32_t n = 0;
  for (const TLinkNode* node = first; node != nullptr; node = node->next)
    if (node->item != nullptr) static_cast<TTIN*>(node->item)->fIDNum = static_cast<std::uint32_t>(++n);
  out.PutInt32(n);

  for (const TLinkNode* node = first; node != nullptr; node = node->next)
    if (node->item != nullptr) out.PutName(static_cast<TTIN*>(node->item)->fTINParams.tinName);
  for (const TLinkNode* node = first; node != nullptr && out.Ok(); node = node->next) {
    if (node->item == nullptr) continue;
    const TErr err = static_cast<TTIN*>(node->item)->AttachDataToDrawing(out);
    if (err != kNoErr) return err;
  }
  return out.Error();
}

std::int32_t TTIN::AttachDataToDrawing(TStoreWriter& out) {
  out.PutInt16(fVersion);
  out.PutInt32(static_cast<std::int32_t>(fIDNum));
  out.PutInt32(IDOrNone(fInnerTIN));
  out.PutInt32(IDOrNone(fOuterTIN));
  WriteParams(out, fTINParams, fVersion >= kTINVersion);

  TRecordCounts n;
  const bool resident = !fTINParams.notResident;
  if (resident) {
    const TErr err = NumberObjects(this, &n);
    if (err != kNoErr) return err;
  }
  const KVCallback cb = out.CB();

  out.PutInt32(n.vertices);
  if (n.vertices > 0) {
    TBusySpinner busy(cb);
    for (const TLinkNode* node = fTINVtxListByZ->fFirst; node != nullptr && out.Ok(); node = node->next) {
      static_cast<const TTINVtx*>(node->item)->AttachDataToDrawing(out);
      busy.Item();
    }
  }

  out.PutInt32(n.hull);
  if (n.hull > 0) {
    for (const TLinkNode* node = fConvexHullVtxList->fFirst; node != nullptr; node = node->next)
      out.PutInt32(IDOrNone(static_cast<const TTINVtx*>(node->item)));
  }

  out.PutInt32(n.triangles);
  if (n.triangles > 0) {
    TBusySpinner busy(cb);
    for (const TLinkNode* node = fTINTriangleList->fFirst; node != nullptr && out.Ok(); node = node->next) {
      const TErr err = static_cast<const TTINTriangle*>(node->item)->AttachDataToDrawing(out);
      if (err != kNoErr) return err;
      busy.Item();
    }
  }

  out.PutInt32(n.breaklines);
  if (n.breaklines > 0) {
    for (const TLinkNode* node = fBrklnList->fFirst; node != nullptr && out.Ok(); node = node->next) {
      const TErr err = static_cast<const TBrkln*>(node->item)->AttachDataToDrawing(out);
      if (err != kNoErr) return err;
    }
  }
  return out.Error();
}

std::int32_t TTINVtx::AttachDataToDrawing(TStoreWriter& out) const {
  out.PutInt32(static_cast<std::int32_t>(fIDNum));
  out.PutCoord(x);
  out.PutCoord(y);
  out.PutCoord(z);
  out.PutInt32(IDOrNone(fTriangle));
  out.PutInt16(fTriangleMark);
  return out.Error();
}

std::int32_t TTINTriangle::AttachDataToDrawing(TStoreWriter& out) const {
  for (const TTINVtx* corner : fVertices)
    if (corner == nullptr) return kErrStoredItem;
  out.PutInt32(static_cast<std::int32_t>(fIDNum));
  for (const TTINTriangle* neighbor : fNeighbors) out.PutInt32(IDOrNone(neighbor));
  for (const TTINVtx* corner : fVertices) out.PutInt32(IDOrNone(corner));
  return out.Error();
}

std::int32_t TBrkln::AttachDataToDrawing(TStoreWriter& out) const {
  std::int32_t n = 0;
  if (!ForEachItem<TTINVtx>(fVtxList, [&](TTINVtx*) { ++n; })) return kErrStoredItem;
  out.PutFlag(fClosed);
  out.PutFlag(fLevel);
  out.PutCoord(fLevelElev);
  out.PutInt32(n);
  if (n > 0) {
    for (const TLinkNode* node = fVtxList->fFirst; node != nullptr; node = node->next)
      out.PutInt32(IDOrNone(static_cast<const TTINVtx*>(node->item)));
  }
  return out.Error();
}
