#include "plugin/model/TTIN.h"

#include <cstring>

#include "plugin/contour/TTINContourMap.h"
#include "plugin/model/IDIndex.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TKestXYAndHdlArray.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/shell/Trace.h"

TTIN::TTIN(TLandMgr* mgr) : fLandMgr(mgr) {
  std::memset(&fTINParams, 0, sizeof fTINParams);
  fTINParams.normalTIN = true;
}

TTIN::~TTIN() {
  DeleteVtxHullAndTriLists();
  delete fContourMap;
  fContourMap = nullptr;
  delete fVtxTriMgr;
  fVtxTriMgr = nullptr;
  delete fVtxReadTable;
  fVtxReadTable = nullptr;
  delete fTriReadTable;
  fTriReadTable = nullptr;
  if (fVtxArrayByX != nullptr) {
    fVtxArrayByX->DisposeXYAndHdlArray();
    delete fVtxArrayByX;
    fVtxArrayByX = nullptr;
  }
}

void TTIN::InitVars(KVCallback cb) {
  fVersion = kTINVersion;
  fIDNum = kInitialTINIDNum;
  fTriLastFoundIn = nullptr;
  fLayer2D = 0;
  fLayer3D = 0;
  InitTINParams(cb, &fTINParams);
}

bool TTIN::MakeVtxTriMgr() {
  if (fVtxTriMgr == nullptr) fVtxTriMgr = new TTINVtxTriMgr(this);
  return fVtxTriMgr != nullptr;
}

// Deletes every item of `list` as a T, then frees the list; null items are
// skipped with a trace line.
template <typename T>
static void DeleteOwnedList(TLinkedList*& list, const char* nullItemTrace) {
  if (list == nullptr) return;
  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next) {
    if (node->item == nullptr) Trace(kTraceBuild, nullItemTrace);
    else delete static_cast<T*>(node->item);
    node->item = nullptr;
  }
  list->Free();
  list = nullptr;
}

void TTIN::DeleteVtxHullAndTriLists() {
  TLinkedList* vertices = fTINVtxListByZ;
  DeleteOwnedList<TTINVtx>(vertices, "In TTIN::DeleteVtxHullAndTriLists aTINVtx was NULL\n");
  fTINVtxListByZ = nullptr;

  if (fConvexHullVtxList != nullptr) fConvexHullVtxList->Free();
  fConvexHullVtxList = nullptr;

  DeleteOwnedList<TTINTriangle>(fTINTriangleList,
                                "In TTIN::DeleteVtxHullAndTriLists aTINTriangle was NULL\n");
  DeleteOwnedList<TBrkln>(fBrklnList, "In TTIN::DeleteVtxHullAndTriLists aBrkln was NULL\n");
  fTriLastFoundIn = nullptr;
}
