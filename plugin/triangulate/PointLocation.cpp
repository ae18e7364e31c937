#include "plugin/triangulate/PointLocation.h"

#include "plugin/host/KVUTIL.h"
#include "plugin/model/TKestXYAndHdlArray.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/ExactPredicates.h"
#include "plugin/triangulate/ULandUtils.h"

bool EnclosesXY(const TTINTriangle* tri, const KVPoint2D& p, const TTINVtx* skip,
                TTINTriangle** next, TTINVtx** nextSkip, std::int16_t* edge) {
  *next = nullptr;
  *nextSkip = nullptr;
  *edge = kNoIndex;
  bool beyondHull = false;
  for (std::int16_t i = 0; i < 3; ++i) {
    const TTINVtx* ci = tri->fVertices[i];
    if (ci == skip) continue;
    const std::int16_t j = NextIndex(i, 1);
    const TTINVtx* cj = tri->fVertices[j];
    *next = tri->fNeighbors[i];
    *nextSkip = tri->fVertices[j];
    const int s = OrientSign(ci->x, ci->y, cj->x, cj->y, p.x, p.y);
    if (s < 0) continue;  // inner side of edge i
    if (s > 0) {          // outer side
      if (tri->fNeighbors[i] != nullptr) return false;
      beyondHull = true;
      continue;
    }
    // On the line of edge i: on the edge itself, or beyond one of its ends.
    if (InClosedBox(ci->x, ci->y, cj->x, cj->y, p.x, p.y)) {
      *edge = i;
      break;
    }
    // d = −1: p lies behind corner i, go across the edge that ends there;
    // d = +1: beyond corner j, across the edge that starts there.
    const bool behind = ((ci->x >= p.x) == (cj->x >= ci->x)) && ((ci->y >= p.y) == (cj->y >= ci->y));
    const std::int16_t k = NextIndex(i, behind ? -1 : 1);
    *next = tri->fNeighbors[k];
    *nextSkip = tri->fVertices[NextIndex(k, 1)];
    return false;
  }
  if (beyondHull) {
    *next = nullptr;
    return false;
  }
  return true;
}

// An outer side fails EnclosesXY whether a neighbour lies across it (at
// once) or not (beyond the hull, at the end); a line hit ends the tests there.
bool CornersEncloseXY(const std::int32_t x[3], const std::int32_t y[3], const KVPoint2D& p) {
  for (std::int16_t i = 0; i < 3; ++i) {
    const std::int16_t j = NextIndex(i, 1);
    const int s = OrientSign(x[i], y[i], x[j], y[j], p.x, p.y);
    if (s < 0) continue;
    if (s > 0) return false;
    return InClosedBox(x[i], y[i], x[j], y[j], p.x, p.y);
  }
  return true;
}

TTINTriangle* GetTriangleInWhichXYFalls(TTIN* tin, const KVPoint2D& p, std::int16_t* edge) {
  *edge = kNoIndex;
  if (tin->fVtxArrayByX != nullptr && tin->fVtxArrayByX->Count() > 0) {
    bool exact = false;
    TTINVtx* v = tin->fVtxArrayByX->GetHdlByXYNearest(TXYPoint{p.x, p.y}, &exact);
    std::int16_t mark = 0;
    TTINTriangle* t = v != nullptr ? v->GetHighest(&mark) : nullptr;
    if (t != nullptr) tin->fTriLastFoundIn = t;
    else Trace(kTraceBuild, "GetTriangleInWhichXYFalls: nearest vertex %p has no triangle\n", v);
  }
  TTINTriangle* cur = tin->fTriLastFoundIn;
  if (cur == nullptr && tin->fTINTriangleList != nullptr && tin->fTINTriangleList->fFirst != nullptr)
    cur = static_cast<TTINTriangle*>(tin->fTINTriangleList->fFirst->item);

  // The step bound: a cursor along the triangle list moves one node per step,
  // so the walk fails once it has taken more steps than there are triangles.
  const TLinkNode* bound = tin->fTINTriangleList != nullptr ? tin->fTINTriangleList->fFirst : nullptr;
  const TTINVtx* skip = nullptr;
  const TTINTriangle* prev1 = nullptr;
  const TTINTriangle* prev2 = nullptr;
  while (cur != nullptr && cur != prev1 && cur != prev2 && bound != nullptr) {
    bound = bound->next;
    TTINTriangle* next = nullptr;
    TTINVtx* nextSkip = nullptr;
    std::int16_t e = kNoIndex;
    if (EnclosesXY(cur, p, skip, &next, &nextSkip, &e)) {
      *edge = e;
      tin->fTriLastFoundIn = cur;
      return cur;
    }
    prev2 = prev1;
    prev1 = cur;
    cur = next;
    skip = nextSkip;
  }
  Trace(kTraceBuild, "In GetTriangleInWhichXYFalls foundTriangle is FALSE; fTriLastFoundIn = %lx\n",
        tin->fTriLastFoundIn);
  return nullptr;
}
