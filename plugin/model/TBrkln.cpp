#include "plugin/model/TBrkln.h"

#include "plugin/model/TTINVtx.h"
#include "plugin/shell/Trace.h"

TBrkln::~TBrkln() {
  if (fVtxList != nullptr) fVtxList->Free();
  fVtxList = nullptr;
}

void TBrkln::AddVtx(TTINVtx* vtx) {
  if (fNumVtxs == 0) {
    fLevelElev = vtx->z;
  } else if (fLevel && vtx->z != fLevelElev) {
    fLevel = false;
  }

  if (fVtxList == nullptr) {
    TLinkedList* list = TLinkedList::New();
    if (list != nullptr && !list->ILinkedList()) {
      list->Free();
      list = nullptr;
    }
    fVtxList = list;
  }
  if (fVtxList != nullptr && !fVtxList->Append(vtx))
    Trace(kTraceBuild, "ERROR: fVtxList->InsertAfter((void*)aVtx)\n");

  ++fNumVtxs;
}
