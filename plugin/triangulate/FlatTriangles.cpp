#include "plugin/triangulate/FlatTriangles.h"

#include "plugin/host/KVUTIL.h"
#include "plugin/host/PointerSet.h"
#include "plugin/host/WorkList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/Breaklines.h"
#include "plugin/triangulate/EdgeSwap.h"
#include "plugin/triangulate/ExactPredicates.h"
#include "plugin/triangulate/Tolerances.h"
#include "plugin/triangulate/ULandUtils.h"

namespace {

KVPoint2D XY(const TTINVtx* v) { return KVPoint2D{v->y, v->x}; }

// Whether edge `i` of `t` lies on a breakline; with a corner missing, whether
// the corner that exists is a breakline vertex (true when neither exists).
bool EdgeHitsBreakline(const TTIN* tin, const TTINTriangle* t, std::int16_t i) {
  const TTINVtx* from = t->fVertices[i];
  const TTINVtx* to = t->fVertices[NextIndex(i, 1)];
  if (from != nullptr && to != nullptr) return TwoVtxsAreNabrsOnActiveBrkln(tin, from, to);
  if (from != nullptr) return IsVtxOnBrkln(tin, from);
  if (to != nullptr) return IsVtxOnBrkln(tin, to);
  return true;
}

// One search beyond the flat area, from edge `e` of `start`: through flat
// triangles, entering each by its middle edge and leaving by its longest or
// the reverse, until a sloping triangle is reached.  True when the edge
// reached is off the breaklines and can be flipped.
bool FindBetterSwap(const TTIN* tin, TTINTriangle* start, std::int16_t e) {
  TPointerSet crossed;  // the triangles this walk has crossed
  bool noMemory = false;
  crossed.Add(start, &noMemory);
  TTINTriangle* cur = start;
  for (;;) {
    TTINTriangle* nxt = cur->fNeighbors[e];
    if (nxt == nullptr) return false;
    // Back at a triangle already crossed: a ring of flats, not a way out.
    if (!crossed.Add(nxt, &noMemory)) {
      if (noMemory) Trace(kTraceBuild, "FillConcavities: no memory for the look-further walk\n");
      return false;
    }
    std::int16_t shortest, middle, longest;
    SortEdgeIndicesByLength(nxt, &shortest, &middle, &longest);
    std::int16_t exitEdge;
    if (nxt->fNeighbors[middle] == cur) exitEdge = longest;
    else if (nxt->fNeighbors[longest] == cur) exitEdge = middle;
    else return false;
    if (IsExactlyHorizontal(nxt)) {
      cur = nxt;
      e = exitEdge;
      continue;
    }
    std::int16_t a, b;
    FindCommonEdge(cur, nxt, &a, &b);
    if (a == kNoIndex || EdgeHitsBreakline(tin, cur, a)) return false;
    TTINTriangle* const pair[2] = {cur, nxt};
    return CheckIfCanSwapTwoTris(pair);
  }
}

// Examines one triangle and flips it off its flat where it should.  The
// neighbours to examine again afterwards go into notify[0..*count).
void ExamineTriangle(TTIN* tin, TTINTriangle* t, TTINTriangle* notify[2], int* count) {
  *count = 0;
  if (!IsExactlyHorizontal(t)) return;

  bool nabrFlat[3] = {false, false, false};
  bool candidate[3] = {false, false, false};
  int candidates = 0;
  for (std::int16_t i = 0; i < 3; ++i) {
    const TTINTriangle* n = t->fNeighbors[i];
    if (n == nullptr) continue;
    nabrFlat[i] = IsExactlyHorizontal(n);
    candidate[i] = !nabrFlat[i];
    if (candidate[i]) ++candidates;
  }
  if (candidates == 0) return;

  for (std::int16_t i = 0; i < 3; ++i)
    if (candidate[i] && EdgeHitsBreakline(tin, t, i)) candidate[i] = false;

  // The quadrilateral P, S, Q, R must be strictly convex at both ends S and
  // R of the common edge (an exact orientation decision); among those left
  // the smallest sum of the two inner angles wins, the first of equal sums.
  std::int16_t best = kNoIndex;
  double bestSum = kTwoPi;
  for (std::int16_t i = 0; i < 3; ++i) {
    if (!candidate[i]) continue;
    const TTINVtx* s = t->fVertices[i];
    const TTINVtx* r = t->fVertices[NextIndex(i, 1)];
    const TTINVtx* p = t->fVertices[NextIndex(i, 2)];
    const TTINVtx* q = GetFarVertex(t, t->fNeighbors[i]);
    const bool convexAtS = OrientSign(s->x, s->y, q->x, q->y, p->x, p->y) < 0;
    const bool convexAtR = OrientSign(r->x, r->y, p->x, p->y, q->x, q->y) < 0;
    if (!convexAtS || !convexAtR) continue;
    const double angleS = GetAngleAtVertex(XY(p), XY(s), XY(q));
    const double angleR = kTwoPi - GetAngleAtVertex(XY(p), XY(r), XY(q));
    if (angleS + angleR < bestSum) {
      best = i;
      bestSum = angleS + angleR;
    }
  }
  if (best == kNoIndex) return;

  TTINTriangle* toNotify[2] = {nullptr, nullptr};
  int numToNotify = 0;
  for (std::int16_t i = 0; i < 3; ++i)
    if (i != best && t->fNeighbors[i] != nullptr && nabrFlat[i])
      toNotify[numToNotify++] = t->fNeighbors[i];

  // A flat triangle whose best flip is across its shortest edge lies inside
  // a flat area; it is left alone when a flippable sloping edge can be
  // reached through the flat from its middle or its longest edge.
  std::int16_t shortest, middle, longest;
  SortEdgeIndicesByLength(t, &shortest, &middle, &longest);
  if (best == shortest &&
      (FindBetterSwap(tin, t, middle) || FindBetterSwap(tin, t, longest)))
    return;

  TTINTriangle* const pair[2] = {t, t->fNeighbors[best]};
  SwapPairOfTriangles(pair);
  for (int k = 0; k < numToNotify; ++k) notify[k] = toNotify[k];
  *count = numToNotify;
}

}  // namespace

bool IsExactlyHorizontal(const TTINTriangle* tri) {
  const TTINVtx* const* c = tri->fVertices;
  if (c[0] == nullptr || c[1] == nullptr || c[2] == nullptr) return false;
  return c[0]->z == c[1]->z && c[1]->z == c[2]->z;
}

void SortEdgeIndicesByLength(const TTINTriangle* tri, std::int16_t* shortest,
                             std::int16_t* middle, std::int16_t* longest) {
  double len[3];
  for (std::int16_t i = 0; i < 3; ++i)
    len[i] = GetVtxDistance(tri->fVertices[i], tri->fVertices[NextIndex(i, 1)]);
  std::int16_t s = 0, l = 0;
  for (std::int16_t i = 1; i < 3; ++i) {
    if (len[i] < len[s]) s = i;
    if (len[i] > len[l]) l = i;
  }
  if (s == l) l = NextIndex(s, 1);
  std::int16_t m = NextIndex(s, 1);
  if (m == l) m = NextIndex(s, 2);
  *shortest = s;
  *middle = m;
  *longest = l;
}

TErr CheckTriToFillConcavity(TTINTriangle* tri, TTIN* tin) {
  // Depth first: the neighbours a flip asks to re-examine are taken in index
  // order, each with everything it asks for in turn, before the next.
  TWorkList<TTINTriangle*, 32> pending;
  pending.Push(tri);
  while (!pending.Empty()) {
    TTINTriangle* t = pending.Top();
    pending.Pop();
    TTINTriangle* notify[2];
    int count = 0;
    ExamineTriangle(tin, t, notify, &count);
    for (int k = count - 1; k >= 0; --k)
      if (!pending.Push(notify[k]))
        Trace(kTraceBuild, "FillConcavities: no memory to re-examine a neighbour\n");
    SpinBusyCursor(gKVCallback);
  }
  return kNoErr;
}

TErr FillConcavities(TTIN* tin) {
  if (!tin->fTINParams.useBrklns || tin->fBrklnList == nullptr ||
      tin->fBrklnList->fFirst == nullptr || tin->fTINTriangleList == nullptr)
    return kNoErr;
  TErr err = kNoErr;
  for (TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr && err == kNoErr;
       node = node->next) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    if (t != nullptr) err = CheckTriToFillConcavity(t, tin);
  }
  return err;
}
