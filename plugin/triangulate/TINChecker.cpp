#include "plugin/triangulate/TINChecker.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "plugin/host/KVUTIL.h"
#include "plugin/host/WorkList.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/EdgeSwap.h"
#include "plugin/triangulate/ExactPredicates.h"
#include "plugin/triangulate/ULandUtils.h"

namespace {

struct VtxEntry {
  const TTINVtx* vtx;
  bool isCorner;
};

class TChecker {
 public:
  TChecker(char* msg, std::size_t capacity) : fMsg(msg), fCapacity(capacity) {
    if (fCapacity > 0) fMsg[0] = 0;
  }

  template <class... Args>
  bool Fail(const char* format, Args... args) {
    if (fCapacity > 0) std::snprintf(fMsg, fCapacity, format, args...);
    return false;
  }

  // The vertex list as a sorted array, to find a corner among the vertices.
  VtxEntry* Find(const TTINVtx* v) {
    VtxEntry* first = &fVtxs.At(0);
    VtxEntry* last = first + fVtxs.Size();
    VtxEntry* it = std::lower_bound(first, last, v, [](const VtxEntry& e, const TTINVtx* p) {
      return reinterpret_cast<std::uintptr_t>(e.vtx) < reinterpret_cast<std::uintptr_t>(p);
    });
    return (it != last && it->vtx == v) ? it : nullptr;
  }

  bool Run(const TTIN* tin, const TTINCheckOptions& options);

 private:
  bool CheckTriangle(const TTINTriangle* t, std::int32_t index, const TTINCheckOptions& options,
                     std::int64_t* boundaryEdges);

  bool Listed(const TTINTriangle* t) const {
    const TTINTriangle* const* first = &fTris.At(0);
    return std::binary_search(first, first + fTris.Size(), t, PtrLess{});
  }
  struct PtrLess {
    bool operator()(const TTINTriangle* a, const TTINTriangle* b) const {
      return reinterpret_cast<std::uintptr_t>(a) < reinterpret_cast<std::uintptr_t>(b);
    }
  };

  char* fMsg;
  std::size_t fCapacity;
  TWorkList<VtxEntry, 16> fVtxs;
  TWorkList<const TTINTriangle*, 16> fTris;
};

bool TChecker::CheckTriangle(const TTINTriangle* t, std::int32_t index,
                             const TTINCheckOptions& options, std::int64_t* boundaryEdges) {
  const TTINVtx* const* c = t->fVertices;
  for (int i = 0; i < 3; ++i) {
    if (c[i] == nullptr) return Fail("triangle %d: corner %d is null", index, i);
    VtxEntry* e = Find(c[i]);
    if (e == nullptr) return Fail("triangle %d: corner %d is not a vertex of the TIN", index, i);
    e->isCorner = true;
  }
  if (!IsClockwise(t)) return Fail("triangle %d: repeated corner", index);
  if (!IsClockwiseExact(c[0]->x, c[0]->y, c[1]->x, c[1]->y, c[2]->x, c[2]->y))
    return Fail("triangle %d: corners (%d,%d) (%d,%d) (%d,%d) are not clockwise", index, c[0]->x,
                c[0]->y, c[1]->x, c[1]->y, c[2]->x, c[2]->y);
  for (std::int16_t i = 0; i < 3; ++i) {
    const TTINTriangle* n = t->fNeighbors[i];
    if (n == nullptr) {
      ++*boundaryEdges;
      continue;
    }
    if (n == t) return Fail("triangle %d: neighbour %d is itself", index, i);
    if (!Listed(n)) return Fail("triangle %d: neighbour %d is not in the triangle list", index, i);
    std::int16_t a = kNoIndex, k = kNoIndex;
    FindCommonEdge(t, n, &a, &k);
    if (k == kNoIndex) return Fail("triangle %d: neighbour %d does not list it", index, i);
    if (n->fVertices[k] != c[NextIndex(i, 1)] || n->fVertices[NextIndex(k, 1)] != c[i])
      return Fail("triangle %d: edge %d does not match its neighbour's edge %d", index, i, k);
    if (options.delaunay) {
      const TTINVtx* q = n->fVertices[NextIndex(k, 2)];
      if (InCircleSign(c[0]->x, c[0]->y, c[1]->x, c[1]->y, c[2]->x, c[2]->y, q->x, q->y) > 0)
        return Fail("triangle %d: vertex (%d,%d) of neighbour %d lies inside its circumcircle",
                    index, q->x, q->y, i);
    }
  }
  return true;
}

bool TChecker::Run(const TTIN* tin, const TTINCheckOptions& options) {
  if (tin->fTINVtxListByZ == nullptr) return Fail("no vertex list");
  if (tin->fTINTriangleList == nullptr) return Fail("no triangle list");
  std::int32_t previousZ = 0;
  std::int32_t position = 0;
  for (const TLinkNode* node = tin->fTINVtxListByZ->fFirst; node != nullptr;
       node = node->next, ++position) {
    const auto* v = static_cast<const TTINVtx*>(node->item);
    if (v == nullptr) return Fail("vertex %d of the list is null", position);
    if (position > 0 && v->z < previousZ)
      return Fail("vertex list not in rising z at position %d", position);
    previousZ = v->z;
    if (!fVtxs.Push(VtxEntry{v, false})) return Fail("checker: no scratch memory");
  }
  if (fVtxs.Empty()) return Fail("empty vertex list");
  std::sort(&fVtxs.At(0), &fVtxs.At(0) + fVtxs.Size(), [](const VtxEntry& a, const VtxEntry& b) {
    return reinterpret_cast<std::uintptr_t>(a.vtx) < reinterpret_cast<std::uintptr_t>(b.vtx);
  });
  for (std::int32_t i = 1; i < fVtxs.Size(); ++i)
    if (fVtxs.At(i).vtx == fVtxs.At(i - 1).vtx) return Fail("a vertex is listed twice");

  for (const TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    if (node->item == nullptr) return Fail("a triangle of the list is null");
    if (!fTris.Push(static_cast<const TTINTriangle*>(node->item)))
      return Fail("checker: no scratch memory");
  }
  if (fTris.Empty()) return Fail("empty triangle list");
  std::sort(&fTris.At(0), &fTris.At(0) + fTris.Size(), PtrLess{});
  for (std::int32_t i = 1; i < fTris.Size(); ++i)
    if (fTris.At(i) == fTris.At(i - 1)) return Fail("a triangle is listed twice");

  std::int64_t triangles = 0, boundaryEdges = 0;
  for (const TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    const auto* t = static_cast<const TTINTriangle*>(node->item);
    if (t == nullptr) return Fail("triangle %d is null", static_cast<int>(triangles));
    if (!CheckTriangle(t, static_cast<std::int32_t>(triangles), options, &boundaryEdges))
      return false;
    ++triangles;
  }

  for (std::int32_t i = 0; i < fVtxs.Size(); ++i) {
    const TTINVtx* v = fVtxs.At(i).vtx;
    if (!fVtxs.At(i).isCorner)
      return Fail("vertex (%d,%d,%d) is no triangle's corner", v->x, v->y, v->z);
    if (v->fTriangle == nullptr || v->fTriangle->IndexOfVertex(v) == kNoIndex)
      return Fail("vertex (%d,%d,%d): its triangle link does not have it", v->x, v->y, v->z);
    if (options.finalMarks && v->fTriangleMark != 1 && v->fTriangleMark != -1)
      return Fail("vertex (%d,%d,%d): mark %d is not +1 or -1", v->x, v->y, v->z,
                  v->fTriangleMark);
  }
  const std::int64_t n = fVtxs.Size();
  if (triangles != 2 * n - 2 - boundaryEdges)
    return Fail("%lld triangles for %lld vertices and %lld boundary edges (expected %lld)",
                static_cast<long long>(triangles), static_cast<long long>(n),
                static_cast<long long>(boundaryEdges),
                static_cast<long long>(2 * n - 2 - boundaryEdges));
  return true;
}

}  // namespace

bool CheckTIN(const TTIN* tin, const TTINCheckOptions& options, char* msg, std::size_t capacity) {
  TChecker checker(msg, capacity);
  return checker.Run(tin, options);
}
