#include "plugin/triangulate/BrklnChain.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "plugin/host/PointerSet.h"
#include "plugin/host/WorkList.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/ExactPredicates.h"
#include "plugin/triangulate/Tolerances.h"
#include "plugin/triangulate/WalkAroundVtx.h"

namespace {

__extension__ typedef __int128 Int128;

// The segment b1 → b2 with exact positions along it and distances off it.
class TSegmentFrame {
 public:
  TSegmentFrame(const TTINVtx* b1, const TTINVtx* b2)
      : fB1(b1), fB2(b2), fDx(std::int64_t{b2->x} - b1->x), fDy(std::int64_t{b2->y} - b1->y),
        fLength(std::hypot(static_cast<double>(fDx), static_cast<double>(fDy))) {}

  // The projection of v on the segment, times its length squared (exact).
  Int128 Along(const TTINVtx* v) const {
    return Int128{fDx} * (std::int64_t{v->x} - fB1->x) + Int128{fDy} * (std::int64_t{v->y} - fB1->y);
  }
  // Twice the area of (b1, b2, v): its distance off the line times the length.
  double Cross(const TTINVtx* v) const {
    const Int128 c = Int128{fDx} * (std::int64_t{v->y} - fB1->y) -
                     Int128{fDy} * (std::int64_t{v->x} - fB1->x);
    return static_cast<double>(c);
  }
  bool Near(const TTINVtx* v) const { return std::fabs(Cross(v)) <= kBrklnChainDrift * fLength; }
  // Where the edge p–q, whose ends lie on opposite sides, crosses the line.
  TRealPt Crossing(const TTINVtx* p, const TTINVtx* q) const {
    const double cp = Cross(p), cq = Cross(q);
    const double t = cp / (cp - cq);
    return TRealPt{p->y + t * (static_cast<double>(q->y) - p->y),
                   p->x + t * (static_cast<double>(q->x) - p->x)};
  }
  int Side(const TTINVtx* v) const {
    return OrientSign(fB1->x, fB1->y, fB2->x, fB2->y, v->x, v->y);
  }
  const TTINVtx* End() const { return fB2; }

 private:
  const TTINVtx* fB1;
  const TTINVtx* fB2;
  std::int64_t fDx, fDy;
  double fLength;
};

// Calls visit(p1, p2) for the far edge of every triangle around v; false
// when v has no usable triangle link.
template <class Visit>
bool ForEachFarEdge(const TTINVtx* v, Visit visit) {
  TTINTriangle* t0 = v->fTriangle;
  if (t0 == nullptr) return false;
  const std::int16_t i0 = t0->IndexOfVertex(v);
  if (i0 == kNoIndex) return false;
  TWalkAroundVtx walk(t0, i0);
  while (!walk.Ended()) {
    TTINTriangle* t = walk.Current();
    const std::int16_t i = t->IndexOfVertex(v);
    if (i == kNoIndex) return false;
    const TTINVtx* p1 = t->fVertices[NextIndex(i, 1)];
    const TTINVtx* p2 = t->fVertices[NextIndex(i, 2)];
    if (p1 == nullptr || p2 == nullptr) return false;
    visit(p1, p2);
    walk.Advance(i);
  }
  return true;
}

// The first crossing of the segment by a TIN edge past `last`, the vertex
// the chain reached furthest along; `last` itself when there is none.
TRealPt GapAfter(const TSegmentFrame& seg, const TTINVtx* last) {
  TRealPt gap{static_cast<double>(last->y), static_cast<double>(last->x)};
  const Int128 from = seg.Along(last);
  double best = 0.0;
  bool found = false;
  ForEachFarEdge(last, [&](const TTINVtx* p1, const TTINVtx* p2) {
    if (seg.Side(p1) * seg.Side(p2) >= 0) return;
    if (seg.Along(p1) <= from && seg.Along(p2) <= from) return;
    const TRealPt x = seg.Crossing(p1, p2);
    const double d = std::hypot(x.x - last->x, x.y - last->y);
    if (!found || d < best) {
      gap = x;
      best = d;
      found = true;
    }
  });
  return gap;
}

}  // namespace

bool SegmentIsChainOfEdges(const TTINVtx* b1, const TTINVtx* b2, TRealPt* gap) {
  if (b1 == b2 || (b1->x == b2->x && b1->y == b2->y)) return true;
  const TSegmentFrame seg(b1, b2);
  const Int128 end = seg.Along(b2);
  // Depth first from b1 over the vertices near the segment, each step
  // strictly further along it; the furthest one reached marks the gap.
  TWorkList<const TTINVtx*, 32> todo;
  TPointerSet seen;
  bool noMemory = false;
  seen.Add(b1, &noMemory);
  todo.Push(b1);
  const TTINVtx* furthest = b1;
  bool held = false;
  while (!todo.Empty() && !held) {
    const TTINVtx* v = todo.Top();
    todo.Pop();
    if (seg.Along(v) > seg.Along(furthest)) furthest = v;
    const Int128 at = seg.Along(v);
    ForEachFarEdge(v, [&](const TTINVtx* p1, const TTINVtx* p2) {
      for (const TTINVtx* w : {p1, p2}) {
        if (held) return;
        if (w == b2) {
          held = true;
          return;
        }
        const Int128 a = seg.Along(w);
        if (a <= at || a >= end || !seg.Near(w)) continue;
        if (seen.Add(w, &noMemory) && !todo.Push(w)) noMemory = true;
      }
    });
  }
  if (noMemory) Trace(kTraceBuild, "SegmentIsChainOfEdges: no memory for the search\n");
  if (!held) *gap = GapAfter(seg, furthest);
  return held;
}
