// The reader of the data object.  Nothing in the data is trusted: every field
// is checked against the object's size, every count against the bytes left
// and against the other counts, every reference against the objects read,
// and the links of the triangulation against each other.  A damaged object
// fails with a code; whatever was made for it is freed by the caller
// (a failed TIN is destroyed here, the registry by the command frame), and
// the object itself is never changed.
//
// Work is linear in the size of the data: hull and breakline entries name
// vertices by position and are resolved through the vertex index's entries
// in reading order; triangle references by binary search in the triangle
// index, whose numbers must arrive in rising order (so its sort has nothing
// to move).
#include <cstdint>
#include <limits>

#include "plugin/model/IDIndex.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/storage/StoreIO.h"

namespace {

void ReadParams(TStoreReader& in, TTINParams* p, bool withWantHull) {
  in.GetName(p->tinName);
  in.GetName(p->layer2DName);
  in.GetName(p->layer3DName);
  p->contourInterval = in.GetCoord();
  p->indexContourEvery = in.GetInt16();
  p->datumElev = in.GetCoord();
  p->contourBaseElev = in.GetCoord();
  p->lowContourElev = in.GetCoord();
  p->highContourElev = in.GetCoord();
  p->cntr2DVtxKind = in.GetInt16();
  p->normalTIN = in.GetFlag();
  p->want2DCntr = in.GetFlag();
  p->want3DTris = in.GetFlag();
  p->want2DTris = in.GetFlag();
  p->want3DCntr = in.GetFlag();
  p->labelCntrs = in.GetFlag();
  if (withWantHull) p->wantHull = in.GetFlag();  // else the default stays
  p->makeGroups = in.GetFlag();
  p->useBrklns = in.GetFlag();
  p->notResident = in.GetFlag();
  p->spareFlag = in.GetFlag();
}

// A new empty host list of type L, or null.
template <typename L, typename Init>
L* NewList(Init init) {
  L* list = L::New();
  if (list != nullptr && !(list->*init)()) {
    list->Free();
    list = nullptr;
  }
  return list;
}

bool MakeLists(TTIN* tin) {
  tin->fTINVtxListByZ = NewList<TKestSortedLList>(&TKestSortedLList::IKestSortedLList);
  tin->fConvexHullVtxList = NewList<TLinkedList>(&TLinkedList::ILinkedList);
  tin->fTINTriangleList = NewList<TLinkedList>(&TLinkedList::ILinkedList);
  tin->fBrklnList = NewList<TLinkedList>(&TLinkedList::ILinkedList);
  return tin->fTINVtxListByZ != nullptr && tin->fConvexHullVtxList != nullptr &&
         tin->fTINTriangleList != nullptr && tin->fBrklnList != nullptr;
}

// The vertex at 1-based position `k` among the vertices read, or null.
TTINVtx* VertexAtPosition(const TIDIndex* vertices, std::int32_t k) {
  if (vertices == nullptr || k < 1) return nullptr;
  return static_cast<TTINVtx*>(vertices->ObjectAt(k - 1));
}

// Where the records of one TIN lie in the data object, for the second look
// at their references.
struct TRecordPlaces {
  std::int32_t vertices = 0;
  std::int32_t triangles = 0;
};

TErr ReadVertices(TStoreReader& in, TTIN* tin, TRecordPlaces* at) {
  const std::int32_t count = in.GetInt32();
  if (!in.CheckCount(count, kStoredVtxBytes)) return in.Error();
  tin->fVtxReadTable = new TIDIndex();
  if (tin->fVtxReadTable == nullptr) return kErrVtxIDIndexObject;
  if (tin->fVtxReadTable->Create(count) != 0) return kErrIDIndexBlock;

  at->vertices = in.Offset();
  const KVCallback cb = in.CB();
  std::int32_t lastZ = std::numeric_limits<std::int32_t>::min();
  TBusySpinner busy(cb);
  for (std::int32_t k = 1; k <= count; ++k) {
    TTINVtx* vtx = new TTINVtx();
    if (vtx == nullptr) return kErrStoredItem;
    TErr err = vtx->ReadFromUserDataNode(in);
    // Vertex k carries number k, and the list rises in elevation.
    if (err == kNoErr && (vtx->fIDNum != static_cast<std::uint32_t>(k) || vtx->z < lastZ))
      err = kErrStoredReference;
    if (err == kNoErr && !tin->fTINVtxListByZ->Append(vtx)) err = kErrStoredItem;
    if (err != kNoErr) {
      delete vtx;
      return err;
    }
    lastZ = vtx->z;
    tin->fVtxReadTable->Add(k, vtx);
    busy.Item();
  }
  return kNoErr;
}

TErr ReadHull(TStoreReader& in, TTIN* tin) {
  const std::int32_t count = in.GetInt32();
  if (!in.CheckCount(count, kStoredIDBytes)) return in.Error();
  if (count > tin->fVtxReadTable->Count()) return kErrStoredCount;
  for (std::int32_t i = 0; i < count; ++i) {
    TTINVtx* vtx = VertexAtPosition(tin->fVtxReadTable, in.GetInt32());
    if (vtx == nullptr || !tin->fConvexHullVtxList->Append(vtx)) return kErrStoredItem;
  }
  return kNoErr;
}

TErr ReadTriangles(TStoreReader& in, TTIN* tin, TRecordPlaces* at) {
  const std::int32_t count = in.GetInt32();
  if (!in.CheckCount(count, kStoredTriBytes)) return in.Error();
  // A triangulation of V vertices has fewer than 2V triangles.
  if (count > 2 * static_cast<std::int64_t>(tin->fVtxReadTable->Count())) return kErrStoredCount;
  tin->fTriReadTable = new TIDIndex();
  if (tin->fTriReadTable == nullptr) return kErrTriIDIndexObject;
  if (tin->fTriReadTable->Create(count) != 0) return kErrIDIndexBlock;

  at->triangles = in.Offset();
  const KVCallback cb = in.CB();
  std::int32_t lastNumber = 0;
  TBusySpinner busy(cb);
  for (std::int32_t j = 0; j < count; ++j) {
    TTINTriangle* tri = new TTINTriangle();
    if (tri == nullptr) return kErrStoredItem;
    TErr err = tri->ReadFromUserDataNode(in);
    const auto number = static_cast<std::int32_t>(tri->fIDNum);
    if (err == kNoErr && j > 0 && number <= lastNumber) err = kErrStoredReference;  // no repeats
    if (err == kNoErr && !tin->fTINTriangleList->Append(tri)) err = kErrStoredItem;
    if (err != kNoErr) {
      delete tri;
      return err;
    }
    tin->fTriReadTable->Add(number, tri);
    lastNumber = number;
    busy.Item();
  }
  return kNoErr;
}

TErr ReadBreaklines(TStoreReader& in, TTIN* tin) {
  const std::int32_t count = in.GetInt32();
  if (!in.CheckCount(count, kStoredBrklnFixedBytes)) return in.Error();
  const KVCallback cb = in.CB();
  for (std::int32_t i = 0; i < count; ++i) {
    TBrkln* brkln = new TBrkln();
    if (brkln == nullptr) return kErrStoredItem;
    TErr err = brkln->Read(in, tin);
    if (err == kNoErr && !tin->fBrklnList->Append(brkln)) err = kErrStoredItem;
    if (err != kNoErr) {
      delete brkln;
      return err;
    }
    SpinBusyCursor(cb);
  }
  return kNoErr;
}

// A stored triangle number: -1 is none, any other must name a triangle read.
bool LookUpTriangle(const TIDIndex* table, std::int32_t number, TTINTriangle** out) {
  *out = number == kStoredNoObject ? nullptr : static_cast<TTINTriangle*>(table->LookUp(number));
  return number == kStoredNoObject || *out != nullptr;
}

// The second look at the vertex and triangle records: their references
// become links.
TErr ResolveReferences(TStoreReader& in, TTIN* tin, const TRecordPlaces& at) {
  const KVCallback cb = in.CB();
  const TIDIndex* triangles = tin->fTriReadTable;
  std::int32_t k = 0;
  TBusySpinner busy(cb);
  for (TLinkNode* node = tin->fTINVtxListByZ->fFirst; node != nullptr; node = node->next, ++k) {
    in.Seek(at.vertices + k * kStoredVtxBytes + kStoredVtxTriangleAt);
    auto* vtx = static_cast<TTINVtx*>(node->item);
    if (!LookUpTriangle(triangles, in.GetInt32(), &vtx->fTriangle)) return kErrStoredReference;
    busy.Item();
  }
  std::int32_t j = 0;
  for (TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next, ++j) {
    in.Seek(at.triangles + j * kStoredTriBytes + kStoredTriNeighborsAt);
    auto* tri = static_cast<TTINTriangle*>(node->item);
    for (TTINTriangle*& neighbor : tri->fNeighbors)
      if (!LookUpTriangle(triangles, in.GetInt32(), &neighbor)) return kErrStoredReference;
    for (TTINVtx*& corner : tri->fVertices) {
      corner = static_cast<TTINVtx*>(tin->fVtxReadTable->LookUp(in.GetInt32()));
      if (corner == nullptr) return kErrStoredReference;
    }
    busy.Item();
  }
  return in.Error();
}

// The links the triangulation relies on: three different corners, mutual
// adjacency across the same edge, and a vertex's triangle having it as a
// corner.  A damaged object that passed every count still cannot hand a
// later command a triangulation that walks in circles.
TErr CheckLinks(const TTIN* tin) {
  for (const TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    const auto* tri = static_cast<const TTINTriangle*>(node->item);
    TTINVtx* const* c = tri->fVertices;
    if (c[0] == c[1] || c[1] == c[2] || c[2] == c[0]) return kErrStoredReference;
    for (int i = 0; i < 3; ++i) {
      const TTINTriangle* other = tri->fNeighbors[i];
      if (other == nullptr) continue;
      // Across edge i the neighbour's edge runs from corner i+1 to corner i.
      bool found = false;
      for (int e = 0; e < 3 && !found; ++e)
        found = other->fNeighbors[e] == tri && other->fVertices[e] == c[(i + 1) % 3] &&
                other->fVertices[(e + 1) % 3] == c[i];
      if (!found || other == tri) return kErrStoredReference;
    }
  }
  for (const TLinkNode* node = tin->fTINVtxListByZ->fFirst; node != nullptr; node = node->next) {
    const auto* vtx = static_cast<const TTINVtx*>(node->item);
    if (vtx->fTriangle != nullptr && vtx->fTriangle->IndexOfVertex(vtx) == kNoIndex)
      return kErrStoredReference;
  }
  return kNoErr;
}

TErr ReadGeometry(TStoreReader& in, TTIN* tin) {
  if (!MakeLists(tin)) return kErrStoredItem;
  TRecordPlaces at;
  TErr err = ReadVertices(in, tin, &at);
  if (err == kNoErr) err = ReadHull(in, tin);
  if (err == kNoErr) err = ReadTriangles(in, tin, &at);
  if (err == kNoErr) err = ReadBreaklines(in, tin);
  if (err != kNoErr) return err;

  tin->fVtxReadTable->Sort();
  tin->fTriReadTable->Sort();
  const std::int32_t end = in.Offset();
  err = ResolveReferences(in, tin, at);
  in.Seek(end);
  if (err == kNoErr) err = CheckLinks(tin);

  delete tin->fVtxReadTable;
  tin->fVtxReadTable = nullptr;
  delete tin->fTriReadTable;
  tin->fTriReadTable = nullptr;
  return err;
}

}  // namespace

TErr TLandMgr::ReadAllData(KVHandle handle) {
  TStoreReader in(fCB, handle, kDataObjectHostBytes);
  // Only the host's part: a save that failed before writing left no TINs.
  if (in.Size() == kDataObjectHostBytes) return kNoErr;

  const std::int32_t version = in.GetInt32();
  if (!in.Ok()) return in.Error();
  if (version != kStoredFormatVersion) return kErrFormatVersion;
  const std::int32_t count = in.GetInt32();
  if (!in.CheckCount(count, kStoredNameBytes)) return in.Error();
  in.Skip(count * kStoredNameBytes);  // the name table is for other readers

  for (std::int32_t i = 0; i < count; ++i) {
    if (fTINList == nullptr) return kErrNoTINListAtRead;
    TTIN* tin = new TTIN(this);
    if (tin == nullptr || !tin->MakeVtxTriMgr()) {
      delete tin;
      return kErrNewReadTIN;
    }
    TErr err = tin->ReadFromUserDataNode(in);
    if (err == kNoErr && !fTINList->Append(tin)) err = kErrAppendReadTIN;
    if (err != kNoErr) {
      delete tin;
      return err;
    }
  }
  if (in.Remaining() != 0) return kErrStoredCount;

  // Base TINs by number.  A record that names a first base is a difference
  // TIN even when that base is missing from the object: it keeps normalTIN
  // false and a null base, which the purge at the start of the command
  // removes.
  for (TLinkNode* node = fTINList != nullptr ? fTINList->fFirst : nullptr; node != nullptr;
       node = node->next) {
    auto* tin = static_cast<TTIN*>(node->item);
    tin->fInnerTIN = tin->fInnerTINNum == kStoredNoObject
                         ? nullptr
                         : GetTINByIDNum(static_cast<std::uint32_t>(tin->fInnerTINNum));
    tin->fOuterTIN = tin->fOuterTINNum == kStoredNoObject
                         ? nullptr
                         : GetTINByIDNum(static_cast<std::uint32_t>(tin->fOuterTINNum));
    tin->fTINParams.normalTIN = tin->fInnerTINNum == kStoredNoObject;
  }
  return kNoErr;
}

std::int32_t TTIN::ReadFromUserDataNode(TStoreReader& in) {
  InitVars(in.CB());
  fVersion = in.GetInt16();
  if (!in.Ok()) return in.Error();
  if (fVersion != 1 && fVersion != kTINVersion) return kErrRecordVersion;
  fIDNum = static_cast<std::uint32_t>(in.GetInt32());
  fInnerTINNum = in.GetInt32();
  fOuterTINNum = in.GetInt32();
  ReadParams(in, &fTINParams, fVersion >= kTINVersion);
  if (!in.Ok()) return in.Error();

  if (!fTINParams.notResident) return ReadGeometry(in, this);
  // Only the parameters are kept: the four counts are 0.
  for (int i = 0; i < 4; ++i)
    if (in.GetInt32() != 0) return in.Ok() ? kErrStoredCount : in.Error();
  return in.Error();
}

std::int32_t TTINVtx::ReadFromUserDataNode(TStoreReader& in) {
  fIDNum = static_cast<std::uint32_t>(in.GetInt32());
  x = in.GetCoord();
  y = in.GetCoord();
  z = in.GetCoord();
  in.Skip(kStoredIDBytes);  // the triangle, resolved once all triangles are in
  fTriangle = nullptr;
  fTriangleMark = in.GetInt16();
  return in.Error();
}

std::int32_t TTINTriangle::ReadFromUserDataNode(TStoreReader& in) {
  fIDNum = static_cast<std::uint32_t>(in.GetInt32());
  in.Skip(kStoredTriBytes - kStoredIDBytes);  // six references, resolved later
  return in.Error();
}

std::int32_t TBrkln::Read(TStoreReader& in, const TTIN* tin) {
  fClosed = in.GetFlag();
  fLevel = in.GetFlag();
  fLevelElev = in.GetCoord();
  const std::int32_t count = in.GetInt32();
  if (!in.CheckCount(count, kStoredIDBytes)) return in.Error();
  if (fVtxList == nullptr) fVtxList = NewList<TLinkedList>(&TLinkedList::ILinkedList);
  if (fVtxList == nullptr) return kErrStoredBrklnNoList;
  for (std::int32_t k = 0; k < count; ++k) {
    TTINVtx* vtx = VertexAtPosition(tin->fVtxReadTable, in.GetInt32());
    if (vtx == nullptr) return kErrStoredBrklnVtxNum;
    if (!fVtxList->Append(vtx)) return kErrStoredBrklnAppend;
  }
  fNumVtxs = count;
  return in.Error();
}
