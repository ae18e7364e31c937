// The pair test, the flip and its bookkeeping, the convexity test, and the
// repair: against a recursive rendering of the same algorithm, and on a fan
// far deeper than a call stack would allow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "plugin/triangulate/EdgeSwap.h"
#include "plugin/triangulate/ExactPredicates.h"
#include "plugin/triangulate/HullFan.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "tests/support/TriFixture.h"

namespace {

class EdgeSwap : public TriTest {
 protected:
  // Two triangles T1 = (S, R, P) and T2 = (R, S, Q) over the common edge S–R
  // (edge 0 of both), with outer neighbours made from extra triangles so that
  // the outer links can be checked.
  struct Quad {
    TTINTriangle* t1;
    TTINTriangle* t2;
    TTINVtx *S, *R, *P, *Q;
  };

  Quad MakeQuad(TTIN* tin, XYZ s, XYZ r, XYZ p, XYZ q) {
    const auto v = PlaceVertices(tin, {s, r, p, q});
    Quad k{new TTINTriangle(), new TTINTriangle(), v[0], v[1], v[2], v[3]};
    TTINVtx* c1[3] = {k.S, k.R, k.P};
    TTINVtx* c2[3] = {k.R, k.S, k.Q};
    // P right of S→R and Q left of it make both triangles clockwise (or P
    // on the edge, for the degenerate case).
    EXPECT_LE(OrientSign(s.x, s.y, r.x, r.y, p.x, p.y), 0);
    EXPECT_GT(OrientSign(s.x, s.y, r.x, r.y, q.x, q.y), 0);
    k.t1->SetVertices(c1);
    k.t2->SetVertices(c2);
    k.t1->fNeighbors[0] = k.t2;
    k.t2->fNeighbors[0] = k.t1;
    tin->fTINTriangleList = TLinkedList::New();
    EXPECT_TRUE(tin->fTINTriangleList->ILinkedList());
    tin->fTINTriangleList->Append(k.t1);
    tin->fTINTriangleList->Append(k.t2);
    return k;
  }
};

TEST_F(EdgeSwap, CocircularDiagonalStaysAndIsMarkedOkay) {
  TTIN* tin = NewTIN();
  // Square (0,0) (0,10) (10,10) (10,0): diagonal (0,0)–(10,10).
  Quad k = MakeQuad(tin, {0, 0, 0}, {10, 10, 0}, {10, 0, 0}, {0, 10, 0});
  TTINTriangle* pair[2] = {k.t1, k.t2};
  bool known = true;
  EXPECT_TRUE(CheckIfDelauneyOkay(pair, &known));
  EXPECT_FALSE(known);
  EXPECT_TRUE(k.t1->fEdgeOkay[0] && k.t2->fEdgeOkay[0]);
  // Tested and passed once: answered from the flags next time.
  EXPECT_TRUE(CheckIfDelauneyOkay(pair, &known));
  EXPECT_TRUE(known);
  EXPECT_EQ(DelauneyizeWithNeighbors(tin, k.t1), kNoErr);
  EXPECT_EQ(k.t1->fVertices[2], k.P);  // nothing flipped
}

TEST_F(EdgeSwap, NullAndNonAdjacentPairsPassWithoutATest) {
  TTIN* tin = NewTIN();
  Quad k = MakeQuad(tin, {0, 0, 0}, {10, 10, 0}, {10, 0, 0}, {0, 10, 0});
  TTINTriangle* lone = new TTINTriangle();
  tin->fTINTriangleList->Append(lone);
  bool known = false;
  TTINTriangle* withNull[2] = {k.t1, nullptr};
  EXPECT_TRUE(CheckIfDelauneyOkay(withNull, &known));
  EXPECT_TRUE(known);
  known = false;
  TTINTriangle* apart[2] = {k.t1, lone};
  EXPECT_TRUE(CheckIfDelauneyOkay(apart, &known));
  EXPECT_TRUE(known);
  EXPECT_FALSE(k.t1->fEdgeOkay[0]);
}

TEST_F(EdgeSwap, FlipKeepsOrientationMovesLinksAndMarksOnlyTheNewEdge) {
  TTIN* tin = NewTIN();
  // A thin diamond whose diagonal S–R is the long one: it fails.
  Quad k = MakeQuad(tin, {0, 0, 1}, {0, 100, 2}, {10, 50, 3}, {-10, 50, 4});
  // Outer neighbours X1 across P–S (edge 2 of T1) and X2 across Q–R (edge 2 of T2).
  auto* x1 = new TTINTriangle();
  auto* x2 = new TTINTriangle();
  x1->fNeighbors[1] = k.t1;
  x2->fNeighbors[0] = k.t2;
  k.t1->fNeighbors[2] = x1;
  k.t2->fNeighbors[2] = x2;
  tin->fTINTriangleList->Append(x1);
  tin->fTINTriangleList->Append(x2);
  // Y1 across R–P and Y2 across S–Q keep their links.  All four outer pairs
  // are known to pass beforehand, with their bits set on both sides.
  auto* y1 = new TTINTriangle();
  auto* y2 = new TTINTriangle();
  y1->fNeighbors[0] = k.t1;
  y2->fNeighbors[2] = k.t2;
  k.t1->fNeighbors[1] = y1;
  k.t2->fNeighbors[1] = y2;
  tin->fTINTriangleList->Append(y1);
  tin->fTINTriangleList->Append(y2);
  x1->fPairOkay = 2;
  x2->fPairOkay = 1;
  y1->fPairOkay = 1;
  y2->fPairOkay = 4;
  k.t1->fPairOkay = k.t2->fPairOkay = 6;
  k.S->SetHighest(k.t1, -1);
  k.R->SetHighest(k.t2, 1);
  k.P->SetHighest(k.t1, 1);
  k.Q->SetHighest(k.t2, 1);

  TTINTriangle* pair[2] = {k.t1, k.t2};
  bool known = true;
  ASSERT_FALSE(CheckIfDelauneyOkay(pair, &known));
  EXPECT_FALSE(known);
  SwapPairOfTriangles(pair);

  EXPECT_EQ(Corners(k.t1), "(-10,50)(0,100)(10,50)");  // (Q, R, P)
  EXPECT_EQ(Corners(k.t2), "(10,50)(0,0)(-10,50)");    // (P, S, Q)
  EXPECT_EQ(k.t1->fNeighbors[0], x2);
  EXPECT_EQ(k.t1->fNeighbors[2], k.t2);
  EXPECT_EQ(k.t2->fNeighbors[0], x1);
  EXPECT_EQ(k.t2->fNeighbors[2], k.t1);
  EXPECT_EQ(x1->fNeighbors[1], k.t2);
  EXPECT_EQ(x2->fNeighbors[0], k.t1);
  EXPECT_EQ(k.S->fTriangle, k.t2);
  EXPECT_EQ(k.S->fTriangleMark, -1);  // carried over
  EXPECT_EQ(k.R->fTriangle, k.t1);
  EXPECT_EQ(k.P->fTriangle, k.t1);
  EXPECT_EQ(k.Q->fTriangle, k.t2);
  const bool f1[3] = {k.t1->fEdgeOkay[0], k.t1->fEdgeOkay[1], k.t1->fEdgeOkay[2]};
  const bool f2[3] = {k.t2->fEdgeOkay[0], k.t2->fEdgeOkay[1], k.t2->fEdgeOkay[2]};
  EXPECT_TRUE(!f1[0] && !f1[1] && f1[2]);
  EXPECT_TRUE(!f2[0] && !f2[1] && f2[2]);
  // Only the new diagonal is known to pass, on both sides; every outer pair
  // lost its bit with the flags of T1 and T2.
  EXPECT_EQ(k.t1->fNeighbors[1], y1);
  EXPECT_EQ(k.t1->fPairOkay, 4);
  EXPECT_EQ(k.t2->fPairOkay, 4);
  EXPECT_EQ(x1->fPairOkay | x2->fPairOkay | y1->fPairOkay | y2->fPairOkay, 0);
}

TEST_F(EdgeSwap, FarVertexOnTheCommonEdgeFailsAndIsFlipped) {
  TTIN* tin = NewTIN();
  // T1 = (S, R, P) with P on the segment S–R: no area, no circumcircle.
  Quad k = MakeQuad(tin, {0, 0, 0}, {0, 100, 0}, {0, 40, 0}, {-30, 50, 0});
  TTINTriangle* pair[2] = {k.t1, k.t2};
  bool known = true;
  EXPECT_FALSE(CheckIfDelauneyOkay(pair, &known));
  EXPECT_FALSE(known);
  EXPECT_FALSE(k.t1->fEdgeOkay[0]);
  SwapPairOfTriangles(pair);
  EXPECT_EQ(Corners(k.t1), "(-30,50)(0,100)(0,40)");
  EXPECT_EQ(Corners(k.t2), "(0,40)(0,0)(-30,50)");
}

TEST_F(EdgeSwap, CanSwapOnlyAStrictlyConvexQuadrilateral) {
  // S (0,0), R (0,100); P to the right of S→R, Q to its left.  At each end
  // of the common edge the inner angle is convex, straight (exactly π) or
  // reflex as Q lies one unit to one side of the line through P and that
  // end, on it, or one unit to the other side.
  struct Case {
    XYZ p, q;
    bool can;
  };
  const Case cases[] = {
      {{10, 0, 0}, {-10, 1, 0}, true},       // at S: convex
      {{10, 0, 0}, {-10, 0, 0}, false},      // at S: π
      {{10, 0, 0}, {-10, -1, 0}, false},     // at S: reflex
      {{10, 100, 0}, {-10, 99, 0}, true},    // at R: convex
      {{10, 100, 0}, {-10, 100, 0}, false},  // at R: π
      {{10, 100, 0}, {-10, 101, 0}, false},  // at R: reflex
      {{10, 50, 0}, {-10, 300, 0}, false},   // R inside the triangle P, S, Q
  };
  for (const Case& c : cases) {
    TTIN* tin = NewTIN();
    Quad k = MakeQuad(tin, {0, 0, 0}, {0, 100, 0}, c.p, c.q);
    TTINTriangle* pair[2] = {k.t1, k.t2};
    EXPECT_EQ(CheckIfCanSwapTwoTris(pair), c.can)
        << "P (" << c.p.x << "," << c.p.y << ") Q (" << c.q.x << "," << c.q.y << ")";
  }
}

TEST_F(EdgeSwap, RepairReportsStructuralDamage) {
  TTIN* tin = NewTIN();
  Quad k = MakeQuad(tin, {0, 0, 0}, {0, 100, 0}, {10, 50, 0}, {-10, 50, 0});
  k.t2->fNeighbors[0] = nullptr;  // not mutual
  EXPECT_FALSE(CheckNabrsForCommonVtxs(k.t1));
  EXPECT_EQ(DelauneyizeWithNeighbors(tin, k.t1), kErrRepairLinks);
  k.t2->fNeighbors[0] = k.t1;
  k.t2->fVertices[2] = k.t2->fVertices[0];  // repeated corner
  EXPECT_FALSE(IsClockwise(k.t2));
  EXPECT_EQ(DelauneyizeWithNeighbors(tin, k.t1), kErrRepairRepeatedCorner);
}

// The repair as the classic recursion, for comparison with the library's
// iterative one: same tests, same flips, same order.
void RecursiveRepair(TTINTriangle* t) {
  TTINTriangle* nabrs[3] = {t->fNeighbors[0], t->fNeighbors[1], t->fNeighbors[2]};
  for (TTINTriangle* n : nabrs) {
    if (n == nullptr) continue;
    TTINTriangle* pair[2] = {t, n};
    bool known = false;
    const bool ok = CheckIfDelauneyOkay(pair, &known);
    if (!ok) {
      SwapPairOfTriangles(pair);
      RecursiveRepair(t);
      RecursiveRepair(n);
      return;
    }
    if (!known) RecursiveRepair(n);
  }
}

// The vertices of a convex lattice polygon: partial sums of the primitive
// vectors with coordinates up to m, in clockwise order, lowest-leftmost first.
std::vector<XYZ> ConvexLatticePolygon(int m) {
  struct V {
    int a, b;
    double angle;
  };
  std::vector<V> dirs;
  for (int a = -m; a <= m; ++a)
    for (int b = -m; b <= m; ++b)
      if ((a != 0 || b != 0) && std::gcd(a, b) == 1)
        dirs.push_back({a, b, std::atan2(static_cast<double>(a), static_cast<double>(b))});
  // Clockwise from +y is increasing atan2(x, y); start with the direction +y.
  for (V& d : dirs)
    if (d.angle < 0) d.angle += 2 * 3.14159265358979323846;
  std::sort(dirs.begin(), dirs.end(), [](const V& p, const V& q) { return p.angle < q.angle; });
  std::vector<XYZ> pts;
  std::int32_t x = 0, y = 0;
  for (std::size_t i = 0; i < dirs.size(); ++i) {
    pts.push_back({x, y, static_cast<std::int32_t>(i % 17)});
    x += dirs[i].a;
    y += dirs[i].b;
  }
  // Rotate so that the lowest, then leftmost, vertex comes first.
  auto lowest = std::min_element(pts.begin(), pts.end(), [](const XYZ& p, const XYZ& q) {
    return p.y != q.y ? p.y < q.y : p.x < q.x;
  });
  std::rotate(pts.begin(), lowest, pts.end());
  return pts;
}

class RepairOrder : public TriTest {
 protected:
  TTIN* Fan(const std::vector<XYZ>& hull) {
    TTIN* tin = NewTIN();
    PlaceHull(tin, PlaceVertices(tin, hull));
    EXPECT_EQ(TriangulateConvexHull(tin), kNoErr);
    return tin;
  }
};

TEST_F(RepairOrder, IterativeRepairFlipsExactlyAsTheRecursionDoes) {
  const std::vector<XYZ> hull = ConvexLatticePolygon(12);  // a few hundred hull vertices
  TTIN* a = Fan(hull);
  TTIN* b = Fan(hull);
  const auto ta = Triangles(a), tb = Triangles(b);
  ASSERT_EQ(ta.size(), tb.size());
  ASSERT_GT(ta.size(), 200u);
  std::vector<std::string> before;
  for (const TTINTriangle* t : ta) before.push_back(Corners(t));
  // Start in the middle of the fan, then from both ends.
  for (std::size_t start : {ta.size() / 2, std::size_t{0}, ta.size() - 1}) {
    EXPECT_EQ(DelauneyizeWithNeighbors(a, ta[start]), kNoErr);
    RecursiveRepair(tb[start]);
    for (std::size_t i = 0; i < ta.size(); ++i) {
      ASSERT_EQ(Corners(ta[i]), Corners(tb[i])) << "triangle " << i << " after start " << start;
      for (int e = 0; e < 3; ++e) ASSERT_EQ(ta[i]->fEdgeOkay[e], tb[i]->fEdgeOkay[e]);
    }
  }
  std::size_t changed = 0;
  for (std::size_t i = 0; i < ta.size(); ++i) changed += Corners(ta[i]) != before[i];
  EXPECT_GT(changed, ta.size() / 2) << "the comparison should cover many flips";
}

TEST_F(RepairOrder, DeepRepairOverALargeFanNeedsNoCallStack) {
  // About 8,700 hull vertices: the fan from H1 is repaired in sweeps that
  // reach across the whole polygon.
  TTIN* tin = Fan(ConvexLatticePolygon(60));
  ASSERT_GT(Triangles(tin).size(), 8000u);
  ASSERT_EQ(DelauneyizeFirstTrianglesOfHull(tin), kNoErr);
  for (TTINTriangle* t : Triangles(tin))
    for (TTINVtx* v : t->fVertices) v->SetHighest(t, 1);
  EXPECT_TRUE(TINIsValid(tin, {.delaunay = true, .finalMarks = true}));
}

}  // namespace
