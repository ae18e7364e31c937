#include "triangulate/VertexLinks.h"

#include "host/KVUTIL.h"
#include "model/TTIN.h"
#include "model/TTINTriangle.h"
#include "model/TTINVtx.h"
#include "model/TTINVtxTriMgr.h"
#include "output/BusyCursor.h"
#include "triangulate/TriangulateErrors.h"

TErr AssignAllTrisToAllVtxs(TTINVtxTriMgr* mgr) {
  TLinkedList* list = mgr->fTIN->fTINTriangleList;
  if (list == nullptr || list->fFirst == nullptr) return kErrAssignNoTriangles;
  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    for (TTINVtx* v : t->fVertices) v->SetHighest(t, kVtxLinked);
    SpinBusyCursor(gKVCallback);
  }
  return kNoErr;
}

TErr AssignHighTrianglesToVertices(TTINVtxTriMgr* mgr) {
  TLinkedList* list = mgr->fTIN->fTINTriangleList;
  if (list == nullptr || list->fFirst == nullptr) return kErrHighNoTriangles;
  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    std::int16_t lo = 0, mid = 0, hi = 0;
    t->SortVtxIndicesByZ(&lo, &mid, &hi);
    for (const std::int16_t c : {lo, mid, hi}) {
      TTINVtx* u = t->fVertices[c];
      const std::int16_t other = c == hi ? mid : hi;  // u's higher partner in t
      std::int16_t mark = 0;
      const TTINTriangle* cur = u->GetHighest(&mark);
      const std::int16_t at = cur != nullptr ? cur->IndexOfVertex(u) : kNoIndex;
      bool replace = at == kNoIndex;
      if (!replace) {
        const int ref = ((at + mark) % 3 + 3) % 3;
        replace = t->fVertices[other]->z > cur->fVertices[ref]->z;
      }
      if (replace) u->SetHighest(t, other == (c + 1) % 3 ? 1 : -1);
    }
    SpinBusyCursor(gKVCallback);
  }
  return kNoErr;
}
