#include "plugin/triangulate/VertexLinks.h"

#include "plugin/host/KVUTIL.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/triangulate/TriangulateErrors.h"

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

namespace {

// Reads ahead of a walk over the triangle list, so that the scattered vertices
// and triangles it is about to visit are on their way to the cache while it
// works: a triangle far ahead, the corners of a nearer one, and nearer still
// the triangles those corners are linked to and their corners.  Only hints:
// nothing is read through a pointer that was not loaded anyway.
class TLinkPrefetch {
 public:
  explicit TLinkPrefetch(TLinkNode* first) : fFar(first), fMid(first), fNear(first), fNext(first) {
    for (int i = 0; i < 24 && fFar != nullptr; ++i) Advance(fFar, 0);
    for (int i = 0; i < 16 && fMid != nullptr; ++i) Advance(fMid, 1);
    for (int i = 0; i < 8 && fNear != nullptr; ++i) Advance(fNear, 2);
    for (int i = 0; i < 4 && fNext != nullptr; ++i) Advance(fNext, 3);
  }
  void Step() {
    Advance(fFar, 0);
    Advance(fMid, 1);
    Advance(fNear, 2);
    Advance(fNext, 3);
  }

 private:
  static void Advance(TLinkNode*& node, int stage) {
    if (node == nullptr) return;
    node = node->next;
    if (node == nullptr) return;
    const auto* t = static_cast<const TTINTriangle*>(node->item);
    if (stage == 0) {
      __builtin_prefetch(t);
      __builtin_prefetch(node->next);
      return;
    }
    for (const TTINVtx* v : t->fVertices) {
      if (v == nullptr) continue;
      if (stage == 1) {
        __builtin_prefetch(v);
      } else if (v->fTriangle != nullptr) {
        if (stage == 2) {
          __builtin_prefetch(v->fTriangle);
        } else {
          for (const TTINVtx* u : v->fTriangle->fVertices) __builtin_prefetch(u);
        }
      }
    }
  }

  TLinkNode* fFar;
  TLinkNode* fMid;
  TLinkNode* fNear;
  TLinkNode* fNext;
};

}  // namespace

TErr AssignHighTrianglesToVertices(TTINVtxTriMgr* mgr) {
  TLinkedList* list = mgr->fTIN->fTINTriangleList;
  if (list == nullptr || list->fFirst == nullptr) return kErrHighNoTriangles;
  TLinkPrefetch ahead(list->fFirst);
  TBusySpinner busy(gKVCallback);
  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next, ahead.Step()) {
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
    busy.Item();
  }
  return kNoErr;
}
