// TListReadAhead: a cursor kept a fixed number of nodes in front of a walk
// along a linked list, so that the walk can start fetching what the item
// that many places on will need.  The nodes of the TIN's lists lie in memory
// in list order and the hardware follows them; the items they name (the
// triangles above all) lie anywhere, and each first touch would otherwise
// wait for memory.
#pragma once

#include "plugin/host/KVUTIL.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"

class TListReadAhead {
 public:
  TListReadAhead(const TLinkNode* first, int ahead) : fNode(first) {
    for (int k = 0; k < ahead && fNode != nullptr; ++k) fNode = fNode->next;
  }
  // The item `ahead` places in front of the walk's current node (null past
  // the end or for a null item); the cursor then moves one node on.  Called
  // once per node the walk visits.
  template <class T>
  const T* Next() {
    if (fNode == nullptr) return nullptr;
    const auto* item = static_cast<const T*>(fNode->item);
    fNode = fNode->next;
    return item;
  }

 private:
  const TLinkNode* fNode;
};

// For a walk along the triangle list that reads each triangle's corners: the
// triangle eight places on is fetched, and the corners of the one four places
// on, which has arrived by then.
class TTriangleReadAhead {
 public:
  explicit TTriangleReadAhead(const TLinkNode* first) : fTriangles(first, 8), fCorners(first, 4) {}
  // Called once per triangle the walk visits.
  void Step() {
    __builtin_prefetch(fTriangles.Next<TTINTriangle>());
    if (const TTINTriangle* t = fCorners.Next<TTINTriangle>(); t != nullptr)
      for (const TTINVtx* v : t->fVertices) __builtin_prefetch(v);
  }

 private:
  TListReadAhead fTriangles, fCorners;
};
