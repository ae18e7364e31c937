#include "plugin/triangulate/Breaklines.h"

#include <cmath>
#include <limits>

#include "plugin/host/KVUTIL.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/ExactPredicates.h"
#include "plugin/triangulate/Tolerances.h"
#include "plugin/triangulate/ULandUtils.h"
#include "plugin/triangulate/VertexInsertion.h"
#include "plugin/triangulate/WalkAroundVtx.h"

namespace {

double Diff(std::int32_t a, std::int32_t b) {
  return static_cast<double>(static_cast<std::int64_t>(a) - static_cast<std::int64_t>(b));
}

// Truncation toward zero; values beyond the 32-bit range (only reachable
// from nearly parallel lines) are held at its ends.
std::int32_t Truncate(double v) {
  constexpr double lo = std::numeric_limits<std::int32_t>::min();
  constexpr double hi = std::numeric_limits<std::int32_t>::max();
  if (!(v > lo)) return std::numeric_limits<std::int32_t>::min();
  if (!(v < hi)) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

bool ListsItself(const TTINTriangle* t) {
  return t->fNeighbors[0] == t || t->fNeighbors[1] == t || t->fNeighbors[2] == t;
}

// Whether G is already a corner of a triangle around F (the segment is an
// edge).  *present = true when it is; an error code on a damaged structure.
TErr FindEdgeToVtx(TTINTriangle* t0, std::int16_t i0, const TTINVtx* f, const TTINVtx* g,
                   bool* present) {
  *present = false;
  TWalkAroundVtx walk(t0, i0);
  while (!walk.Ended()) {
    TTINTriangle* t = walk.Current();
    if (t == nullptr) return kErrBrklnWalkNullTri;
    if (t->IndexOfVertex(g) != kNoIndex) {
      *present = true;
      return kNoErr;
    }
    if (ListsItself(t)) return kErrBrklnSelfNabr;
    const std::int16_t i = t->IndexOfVertex(f);
    if (i == kNoIndex) return kErrBrklnNotCornerInWalk;
    walk.Advance(i);
  }
  return kNoErr;
}

enum class TSegmentExit { kNone, kAlongEdge, kCrossing };

// The triangle around F through which the segment F → G leaves F, and the
// index of F in it (its far edge is crossed).  kAlongEdge when the segment's
// direction agrees with an edge from F within kBrklnAlongEdgeTol.
TErr FindCrossedTriangle(TTINTriangle* t0, std::int16_t i0, const TTINVtx* f, const TTINVtx* g,
                         TSegmentExit* exit, TTINTriangle** crossed, std::int16_t* fIndex) {
  *exit = TSegmentExit::kNone;
  const double a = GetVtxAzimuth(f, g);
  TWalkAroundVtx walk(t0, i0);
  while (!walk.Ended()) {
    TTINTriangle* t = walk.Current();
    if (t == nullptr) return kErrBrklnCrossNullTri;
    const std::int16_t i = t->IndexOfVertex(f);
    if (i == kNoIndex) return kErrBrklnNotCornerInWalk;
    const TTINVtx* p1 = t->fVertices[NextIndex(i, 1)];
    const TTINVtx* p2 = t->fVertices[NextIndex(i, 2)];
    const double a1 = GetVtxAzimuth(f, p1);
    const double d1 = NormalizeAngle(a - a1);
    const double d2 = NormalizeAngle(GetVtxAzimuth(f, p2) - a1);
    const int toP1 = CompareWithTolerance(d1, 0.0, kBrklnAlongEdgeTol);
    const int toP2 = CompareWithTolerance(d1, d2, kBrklnAlongEdgeTol);
    if (toP1 == 0 || toP2 == 0) {
      *exit = TSegmentExit::kAlongEdge;
      return kNoErr;
    }
    if (toP1 > 0 && toP2 < 0) {
      *exit = TSegmentExit::kCrossing;
      *crossed = t;
      *fIndex = i;
      return kNoErr;
    }
    walk.Advance(i);
  }
  return kNoErr;
}

// GetLineIntersection before truncation (parallel lines give k1).
TRealPt LineIntersection(const KVPoint2D& l1, const KVPoint2D& l2, const KVPoint2D& k1,
                         const KVPoint2D& k2) {
  const TRealPt k1Real{double(k1.y), double(k1.x)};
  double x = 0.0, y = 0.0;
  if (l1.y == l2.y) {
    if (k1.y == k2.y) return k1Real;
    y = l1.y;
    x = k1.x + Diff(l1.y, k1.y) / Diff(k2.y, k1.y) * Diff(k2.x, k1.x);
  } else if (k1.y == k2.y) {
    y = k1.y;
    x = l1.x + Diff(k1.y, l1.y) / Diff(l2.y, l1.y) * Diff(l2.x, l1.x);
  } else if (l1.x == l2.x) {
    if (k1.x == k2.x) return k1Real;
    x = l1.x;
    y = k1.y + Diff(l1.x, k1.x) / Diff(k2.x, k1.x) * Diff(k2.y, k1.y);
  } else if (k1.x == k2.x) {
    x = k1.x;
    y = l1.y + Diff(k1.x, l1.x) / Diff(l2.x, l1.x) * Diff(l2.y, l1.y);
  } else {
    const double m1 = Diff(l2.y, l1.y) / Diff(l2.x, l1.x);
    const double c1 = l1.y - m1 * l1.x;
    const double m2 = Diff(k2.y, k1.y) / Diff(k2.x, k1.x);
    const double c2 = k1.y - m2 * k1.x;
    if (CompareWithTolerance(m1, m2, kParallelSlopeTol) == 0) return k1Real;
    x = (c1 - c2) / (m2 - m1);
    y = m1 * x + c1;
  }
  return TRealPt{y, x};
}

__extension__ typedef __int128 Int128;

// Squared planimetric distance, exact.
Int128 SquaredDistance(const TTINVtx* a, const TTINVtx* b) {
  const Int128 dx = std::int64_t{b->x} - a->x, dy = std::int64_t{b->y} - a->y;
  return dx * dx + dy * dy;
}

bool Clockwise(const TTINVtx* a, const TTINVtx* b, const TTINVtx* c) {
  return IsClockwiseExact(a->x, a->y, b->x, b->y, c->x, c->y);
}

// The next vertex of the segment F0 → G, whose enforcement has reached F:
// the piece F → G leaves F through T (F at corner i) and crosses T's far
// edge P1–P2.  A new vertex X goes where the segment F0 → G itself crosses
// that edge, with the elevation interpolated between F0 and G (coordinates
// and elevation truncated), and splits T and the neighbour N = (P2, P1, S)
// beyond the edge without repair.  Measuring every crossing on the whole
// segment, not from the last truncated vertex, keeps the chain within a unit
// of the segment however many edges it crosses.
//
// The four triangles of the split must turn clockwise.  When the truncated
// crossing would break one (it falls on a corner, just beyond one, or out of
// a sliver N), the nearest of the other three integer points around the
// crossing that keeps them proper is taken; when there is none (the crossing
// lies within a unit of P1 or P2), the segment passes through the nearer of
// the two and nothing is inserted.  Either way the next vertex must be
// strictly nearer to G than F; when it is not, *next stays null and the
// segment ends there.
TErr CrossFarEdge(TTIN* tin, const TTINVtx* f0, TTINVtx* f, TTINVtx* g, TTINTriangle* t,
                  std::int16_t i, TTINVtx** next) {
  *next = nullptr;
  const std::int16_t edge = NextIndex(i, 1);
  TTINVtx* p1 = t->fVertices[edge];
  TTINVtx* p2 = t->fVertices[NextIndex(i, 2)];
  TTINTriangle* n = t->fNeighbors[edge];
  if (n == nullptr) {
    Trace(kTraceBuild, "Breakline (%d,%d)-(%d,%d) leaves the TIN\n", f->x, f->y, g->x, g->y);
    return kErrBrklnLeavesTIN;
  }
  const std::int16_t k = n->IndexOfVertex(p1);
  TTINVtx* s = k == kNoIndex ? nullptr : n->fVertices[NextIndex(k, 1)];
  if (s == nullptr) {
    Trace(kTraceBuild, "Breakline: the triangle beyond the crossed edge lacks a corner\n");
    return kErrBrklnNoFarCorner;
  }

  const KVPoint2D fxy{f0->y, f0->x};
  const KVPoint2D gxy{g->y, g->x};
  const TRealPt exact =
      LineIntersection(fxy, gxy, KVPoint2D{p1->y, p1->x}, KVPoint2D{p2->y, p2->x});
  const Int128 toGo = SquaredDistance(f, g);
  auto usable = [&](const TTINVtx& c) {
    return Clockwise(f, p1, &c) && Clockwise(f, &c, p2) && Clockwise(p2, &c, s) &&
           Clockwise(&c, p1, s) && SquaredDistance(&c, g) < toGo;
  };
  // The truncated crossing, else the nearest usable corner of the unit cell
  // around the exact crossing.
  const TTINVtx truncated(Truncate(exact.x), Truncate(exact.y), 0);
  const TTINVtx* chosen = usable(truncated) ? &truncated : nullptr;
  const std::int32_t loX = Truncate(std::floor(exact.x)), loY = Truncate(std::floor(exact.y));
  const std::int32_t hiX = Truncate(std::floor(exact.x) + 1.0);
  const std::int32_t hiY = Truncate(std::floor(exact.y) + 1.0);
  const TTINVtx cell[4] = {TTINVtx(loX, loY, 0), TTINVtx(hiX, loY, 0), TTINVtx(loX, hiY, 0),
                           TTINVtx(hiX, hiY, 0)};
  double bestOff = 0.0;
  for (int c = 0; c < 4 && chosen != &truncated; ++c) {
    const double off = std::hypot(cell[c].x - exact.x, cell[c].y - exact.y);
    if ((chosen == nullptr || off < bestOff) && usable(cell[c])) {
      chosen = &cell[c];
      bestOff = off;
    }
  }
  if (chosen == nullptr) {
    TTINVtx* corner = std::hypot(p1->x - exact.x, p1->y - exact.y) <=
                              std::hypot(p2->x - exact.x, p2->y - exact.y)
                          ? p1
                          : p2;
    Trace(kTraceBuild, "Breakline: the crossing (%.1f,%.1f) falls on corner (%d,%d)\n", exact.x,
          exact.y, corner->x, corner->y);
    if (SquaredDistance(corner, g) < toGo) *next = corner;
    return kNoErr;
  }
  const KVPoint2D x{chosen->y, chosen->x};
  std::int32_t z = f0->z;
  if (g->z != f0->z)
    z = Truncate(static_cast<double>(f0->z) +
                 Diff(g->z, f0->z) * GetDistance(fxy, x) / GetDistance(fxy, gxy));

  auto* v = new TTINVtx(x.x, x.y, z);
  if (v == nullptr) {
    Trace(kTraceBuild, "Breakline: no memory for a new vertex\n");
    return kErrBrklnNoVtxMemory;
  }
  if (!tin->fTINVtxListByZ->Insert(v)) {
    Trace(kTraceBuild, "Breakline: fTINVtxListByZ->Insert failed\n");
    delete v;
    return kErrBrklnNoVtxMemory;
  }
  v->SetHighest(t, kVtxLinked);
  *next = v;
  // With the hint the split makes no Delaunay repair: the new edges along
  // the segment must not be flipped away.
  const TErr err = AddOneVertexAndAdjustTriangles(tin, v, t, edge);
  if (err != kNoErr)
    Trace(kTraceBuild, "Breakline: AddOneVertexAndAdjustTriangles returned %x\n", err);
  return err;
}

// Whether `v` lies on segment b1–b2 as EdgeLiesOnSegment decides it.
bool VtxLiesOnSegment(const TTINVtx* v, const TTINVtx* b1, const TTINVtx* b2) {
  if (v == b1 || v == b2) return true;
  const std::int64_t minX = b1->x < b2->x ? b1->x : b2->x;
  const std::int64_t maxX = b1->x < b2->x ? b2->x : b1->x;
  const std::int64_t minY = b1->y < b2->y ? b1->y : b2->y;
  const std::int64_t maxY = b1->y < b2->y ? b2->y : b1->y;
  if (v->x < minX - kBrklnBoxGrowth || v->x > maxX + kBrklnBoxGrowth ||
      v->y < minY - kBrklnBoxGrowth || v->y > maxY + kBrklnBoxGrowth)
    return false;
  if ((v->x == b1->x && v->y == b1->y) || (v->x == b2->x && v->y == b2->y)) return true;
  const std::int64_t spanX = maxX - minX, spanY = maxY - minY;
  if (spanX < kBrklnShortSpan || spanY < kBrklnShortSpan) return true;
  const double dx = Diff(v->x, b1->x), dy = Diff(v->y, b1->y);
  // The ratio of the vertex's slope from b1 to the segment's; a zero divisor
  // (vertex straight across from b1) makes it infinite: off the line.
  double r = 0.0;
  if (spanY > spanX) {
    if (dx == 0.0) return false;
    r = (Diff(b2->x, b1->x) / Diff(b2->y, b1->y)) * dy / dx;
  } else {
    if (dy == 0.0) return false;
    r = (Diff(b2->y, b1->y) / Diff(b2->x, b1->x)) * dx / dy;
  }
  return CompareWithTolerance(r, 1.0, kOnLineRatioTol) == 0;
}

const TBrkln* BrklnOf(const TLinkNode* node) { return static_cast<const TBrkln*>(node->item); }

}  // namespace

KVPoint2D GetLineIntersection(const KVPoint2D& l1, const KVPoint2D& l2, const KVPoint2D& k1,
                              const KVPoint2D& k2) {
  const TRealPt p = LineIntersection(l1, l2, k1, k2);
  return KVPoint2D{Truncate(p.y), Truncate(p.x)};
}

TErr ApplyBrklnBetweenTwoVtxs(TTIN* tin, TTINVtx* from, TTINVtx* to) {
  // Each pass forces the segment from F on: it ends when F–G is an edge or
  // runs along one; otherwise the crossing of the far edge of the triangle
  // the segment leaves F through becomes F.  Every pass comes strictly
  // nearer to G, so the walk ends.
  TTINVtx* f = from;
  for (;;) {
    TTINTriangle* t0 = f->fTriangle;
    if (t0 == nullptr) {
      Trace(kTraceBuild, "Breakline: vertex (%d,%d) has no triangle\n", f->x, f->y);
      return kErrBrklnStartNoTriangle;
    }
    const std::int16_t i0 = t0->IndexOfVertex(f);
    if (i0 == kNoIndex) {
      Trace(kTraceBuild, "Breakline: vertex (%d,%d) is not a corner of its triangle\n", f->x, f->y);
      return kErrBrklnStartNotCorner;
    }

    bool present = false;
    TErr err = FindEdgeToVtx(t0, i0, f, to, &present);
    if (err != kNoErr || present) return err;

    TSegmentExit exit = TSegmentExit::kNone;
    TTINTriangle* crossed = nullptr;
    std::int16_t fIndex = kNoIndex;
    err = FindCrossedTriangle(t0, i0, f, to, &exit, &crossed, &fIndex);
    if (err != kNoErr || exit != TSegmentExit::kCrossing) return err;

    TTINVtx* next = nullptr;
    err = CrossFarEdge(tin, from, f, to, crossed, fIndex, &next);
    if (err != kNoErr || next == nullptr) return err;
    f = next;
  }
}

TErr ApplyBreaklines(TTIN* tin) {
  if (tin->fBrklnList == nullptr) return kErrBrklnNoList;
  TErr err = kNoErr;
  for (TLinkNode* node = tin->fBrklnList->fFirst; node != nullptr && err == kNoErr;
       node = node->next) {
    const TBrkln* brkln = BrklnOf(node);
    if (brkln == nullptr) continue;
    TTINVtx* first = nullptr;
    TTINVtx* prev = nullptr;
    if (brkln->fVtxList != nullptr) {
      for (TLinkNode* vn = brkln->fVtxList->fFirst; vn != nullptr && err == kNoErr; vn = vn->next) {
        auto* v = static_cast<TTINVtx*>(vn->item);
        if (v == nullptr) continue;
        if (prev == nullptr) first = v;
        else err = ApplyBrklnBetweenTwoVtxs(tin, prev, v);
        prev = v;
      }
    }
    if (err == kNoErr && brkln->IsClosed() && first != nullptr)
      err = ApplyBrklnBetweenTwoVtxs(tin, prev, first);
    SpinBusyCursor(gKVCallback);
  }
  return err;
}

bool TwoVtxsAreNabrsOnActiveBrkln(const TTIN* tin, const TTINVtx* e1, const TTINVtx* e2) {
  if (tin->fBrklnList == nullptr) return false;
  for (const TLinkNode* node = tin->fBrklnList->fFirst; node != nullptr; node = node->next) {
    const TBrkln* brkln = BrklnOf(node);
    if (brkln == nullptr || brkln->fVtxList == nullptr) continue;
    const TTINVtx* first = nullptr;
    const TTINVtx* prev = nullptr;
    for (const TLinkNode* vn = brkln->fVtxList->fFirst; vn != nullptr; vn = vn->next) {
      const auto* v = static_cast<const TTINVtx*>(vn->item);
      if (v == nullptr) continue;
      if (prev == nullptr) first = v;
      else if (EdgeLiesOnSegment(e1, e2, prev, v)) return true;
      prev = v;
    }
    if (brkln->IsClosed() && first != nullptr && EdgeLiesOnSegment(e1, e2, prev, first))
      return true;
  }
  return false;
}

bool IsVtxOnBrkln(const TTIN* tin, const TTINVtx* vtx) {
  if (tin->fBrklnList == nullptr) return false;
  for (const TLinkNode* node = tin->fBrklnList->fFirst; node != nullptr; node = node->next) {
    const TBrkln* brkln = BrklnOf(node);
    if (brkln == nullptr || brkln->fVtxList == nullptr) continue;
    for (const TLinkNode* vn = brkln->fVtxList->fFirst; vn != nullptr; vn = vn->next)
      if (vn->item == vtx) return true;
  }
  return false;
}

bool EdgeLiesOnSegment(const TTINVtx* e1, const TTINVtx* e2, const TTINVtx* b1,
                       const TTINVtx* b2) {
  return VtxLiesOnSegment(e1, b1, b2) && VtxLiesOnSegment(e2, b1, b2);
}
