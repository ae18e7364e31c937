#include "plugin/model/TTINVtxTriMgr.h"

#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/BrklnSources.h"

TTINVtxTriMgr::~TTINVtxTriMgr() { delete fBrklnSources; }

void TTINVtxTriMgr::SetBrklnSources(TBrklnSources* sources) {
  if (sources == fBrklnSources) return;
  delete fBrklnSources;
  fBrklnSources = sources;
}

void TTINVtxTriMgr::SetAllTriContDoneFlag(bool done) {
  TLinkedList* list = fTIN != nullptr ? fTIN->fTINTriangleList : nullptr;
  if (list == nullptr || list->fFirst == nullptr) {
    Trace(kTraceBuild, "In SetAllTriContDoneFlag there are no triangles\n");
    return;
  }
  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next) {
    auto* tri = static_cast<TTINTriangle*>(node->item);
    if (tri != nullptr) tri->fContoursAnyDone = done;
  }
}
