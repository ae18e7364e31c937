// Breakline enforcement: one vertex per crossed edge, on the segment with its
// interpolated elevation; the stops (already an edge, along an edge, out
// through the hull); the error codes; the geometric queries.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "BrklnFixture.h"
#include "plugin/triangulate/Breaklines.h"
#include "plugin/triangulate/BuildTIN.h"

namespace {

KVPoint2D Pt(std::int32_t x, std::int32_t y) { return KVPoint2D{y, x}; }

TEST(LineIntersection, TakesTheBranchesInOrderAndTruncatesTowardZero) {
  struct Case { KVPoint2D l1, l2, k1, k2; std::int32_t x, y; };
  const Case cases[] = {
      {Pt(0, 5), Pt(10, 5), Pt(2, 0), Pt(4, 10), 3, 5},       // first horizontal
      {Pt(0, 5), Pt(10, 5), Pt(7, 9), Pt(1, 9), 7, 9},        // both horizontal: k1
      {Pt(2, 0), Pt(4, 10), Pt(0, 5), Pt(10, 5), 3, 5},       // second horizontal
      {Pt(3, 0), Pt(3, 9), Pt(0, 0), Pt(9, 3), 3, 1},         // first vertical
      {Pt(3, 0), Pt(3, 9), Pt(8, 1), Pt(8, 7), 8, 1},         // both vertical: k1
      {Pt(0, 0), Pt(9, 3), Pt(3, 0), Pt(3, 9), 3, 1},         // second vertical
      {Pt(0, 0), Pt(10, 10), Pt(0, 10), Pt(10, 0), 5, 5},     // slope form
      {Pt(0, 0), Pt(3, 1), Pt(0, 1), Pt(6, 3), 0, 1},         // parallel slopes: k1
      {Pt(0, 0), Pt(-10, -7), Pt(-3, 0), Pt(-3, -9), -3, -2}, // -2.1 truncates to -2
  };
  for (const Case& c : cases) {
    const KVPoint2D p = GetLineIntersection(c.l1, c.l2, c.k1, c.k2);
    EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(c.x, c.y));
  }
}

TEST(EdgeOnSegment, GrownBoxShortSpansAndTheFivePerCentRatio) {
  const TTINVtx b1(0, 0, 0), b2(1000, 500, 0), thin(4, 800, 0), twinOfB1(0, 0, 0),
      onLine(400, 200, 0), near(400, 209, 0), off(400, 211, 0), outside(1002, 500, 0),
      corner(-1, -1, 0), beside(3, 400, 0);
  EXPECT_TRUE(EdgeLiesOnSegment(&b1, &b2, &b1, &b2));
  EXPECT_TRUE(EdgeLiesOnSegment(&twinOfB1, &onLine, &b1, &b2));
  EXPECT_TRUE(EdgeLiesOnSegment(&near, &b2, &b1, &b2));  // ratio 200/209: within 5%
  EXPECT_FALSE(EdgeLiesOnSegment(&off, &b2, &b1, &b2));  // 200/211: not
  EXPECT_FALSE(EdgeLiesOnSegment(&b1, &outside, &b1, &b2));
  EXPECT_FALSE(EdgeLiesOnSegment(&corner, &b2, &b1, &b2));
  EXPECT_TRUE(EdgeLiesOnSegment(&beside, &corner, &b1, &thin));  // x span under 5
  EXPECT_FALSE(EdgeLiesOnSegment(&beside, &outside, &b1, &thin));
}

class Enforce : public BrklnTest {
 protected:
  // F, P, G, Q and a lone L (100, 5): P–Q crosses F–G at (50, 0).
  TTIN* Rhombus(std::int32_t zF, std::int32_t zG,
                const std::vector<std::pair<std::vector<int>, bool>>& brklns = {}) {
    return HandTIN({{0, 0, zF}, {50, 10, 0}, {100, 0, zG}, {50, -10, 0}, {100, 5, 0}},
                   {{0, 1, 3}, {3, 1, 2}}, brklns);
  }
  std::size_t Count(const TTIN* tin) { return Items(tin->fTINVtxListByZ).size(); }
};

TEST_F(Enforce, OneCrossingSplitsBothTrianglesAtTheTruncatedInterpolatedElevation) {
  TTIN* tin = Rhombus(-10, -31);
  ASSERT_EQ(ApplyBrklnBetweenTwoVtxs(tin, vtx_[0], vtx_[2]), kNoErr);
  ASSERT_EQ(Triangles(tin).size(), 4u);
  EXPECT_FALSE(HasEdge(tin, 1, 3));
  const TTINVtx* x = Items(tin->fTINVtxListByZ)[1];  // by z: -31, -20, -10, 0 ...
  EXPECT_EQ(std::make_tuple(x->x, x->y, x->z), std::make_tuple(50, 0, -20));  // -20.5 → -20
  EXPECT_TRUE(IsChainOfEdges(Nabrs(tin), vtx_[0], vtx_[2], 0.0));
}

TEST_F(Enforce, AnExistingEdgeInEitherDirectionAddsNothing) {
  TTIN* tin = Rhombus(0, 0, {{{1, 3}, false}, {{3, 1, 0}, false}});
  const std::vector<std::string> before = Shape(tin);
  ASSERT_EQ(ApplyBreaklines(tin), kNoErr);
  EXPECT_EQ(Shape(tin), before);
}

TEST_F(Enforce, ASegmentWithin1e4OfAnEdgeStopsThereWithoutError) {
  // F → G runs 5e-5 rad off the edge F–P: nothing; 1.5e-4 rad off: one
  // vertex.  On either side of the edge: the walk around F meets it as the
  // first edge of a triangle (G below) or as the second (G above).
  for (const auto& [gy, added] :
       std::vector<std::pair<int, std::size_t>>{{-3, 1}, {-1, 0}, {1, 0}, {3, 1}}) {
    TTIN* tin = HandTIN({{0, 0, 0}, {10000, 5000, 0}, {10000, 0, 0}, {10000, -5000, 0},
                         {20000, gy, 0}},
                        {{0, 1, 2}, {0, 2, 3}, {2, 1, 4}, {2, 4, 3}}, {{{0, 4}, false}});
    ASSERT_EQ(ApplyBreaklines(tin), kNoErr);
    EXPECT_EQ(Count(tin), 5 + added) << "G at y = " << gy;
  }
}

TEST_F(Enforce, ACrossingNoIntegerPointFitsTakesTheFirstNearestCornerOfItsCell) {
  // F (5,7) → S (8,6) crosses P1 (3,10) – P2 (10,3) at (6.5, 6.5), the
  // centre of a unit cell.  Its truncation (6,6) would turn the new
  // triangle F, X, P2 inside out; of the corners left, (7,6) and (6,7) are
  // equally near and both fit, and the first in cell order, (7,6), is taken.
  TTIN* tin = HandTIN({{5, 7, 0}, {3, 10, 0}, {10, 3, 0}, {8, 6, 30}}, {{0, 1, 2}, {2, 1, 3}});
  ASSERT_EQ(ApplyBrklnBetweenTwoVtxs(tin, vtx_[0], vtx_[3]), kNoErr);
  ASSERT_EQ(Count(tin), 5u);
  const TTINVtx* x = nullptr;
  for (const TTINVtx* v : Items(tin->fTINVtxListByZ))
    if (std::find(vtx_.begin(), vtx_.end(), v) == vtx_.end()) x = v;
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(std::make_pair(x->x, x->y), std::make_pair(7, 6));
  EXPECT_TRUE(IsChainOfEdges(Nabrs(tin), vtx_[0], vtx_[3], 1.0));
  EXPECT_TRUE(TINIsValid(tin, TTINCheckOptions{false, false}));
}

TEST_F(Enforce, ASegmentLeavingThroughTheHullStopsAllEnforcement) {
  // F → L crosses P–Q, then leaves through P–G; F → G is never reached.
  TTIN* tin = Rhombus(0, 0, {{{0, 4}, false}, {{0, 2}, false}});
  EXPECT_EQ(ApplyBreaklines(tin), kErrBrklnLeavesTIN);
  EXPECT_EQ(Count(tin), 6u);  // the first crossing stays
  EXPECT_FALSE(IsChainOfEdges(Nabrs(tin), vtx_[0], vtx_[2], 1.0));
}

TEST_F(Enforce, DamagedStructuresAndNoMemoryGiveTheirCodes) {
  using V = std::vector<TTINVtx*>;
  const std::pair<TErr, std::function<void(TTIN*, V&)>> damages[] = {
      {kErrBrklnNoList,
       [](TTIN* t, V&) {
         delete static_cast<TBrkln*>(t->fBrklnList->fFirst->item);
         t->fBrklnList->Free();
         t->fBrklnList = nullptr;
       }},
      {kErrBrklnStartNoTriangle, [](TTIN*, V& v) { v[0]->fTriangle = nullptr; }},
      {kErrBrklnStartNotCorner, [](TTIN*, V& v) { v[0]->fTriangle = v[2]->fTriangle; }},
      {kErrBrklnSelfNabr, [](TTIN*, V& v) { v[0]->fTriangle->fNeighbors[2] = v[0]->fTriangle; }},
      {kErrBrklnNotCornerInWalk, [](TTIN*, V& v) { v[0]->fTriangle->fNeighbors[2] = v[2]->fTriangle; }},
      {kErrBrklnNoFarCorner, [](TTIN*, V& v) { v[2]->fTriangle->fVertices[2] = nullptr; }},
      {kErrBrklnNoVtxMemory, [this](TTIN*, V&) { host.memory().failAllocation(1); }},
  };
  for (const auto& [code, damage] : damages) {
    TTIN* tin = Rhombus(0, 0, {{{0, 4}, false}});  // F → L
    damage(tin, vtx_);
    EXPECT_EQ(ApplyBreaklines(tin), code) << std::hex << code;
    host.memory().clearFailure();
    vtx_[2]->fTriangle->fVertices[2] = vtx_[2];
  }
}

TEST_F(Enforce, BreaklineQueriesFollowTheListsAndTheClosedFlag) {
  TTIN* tin = Rhombus(0, 0, {{{0, 1, 2}, false}});
  EXPECT_TRUE(TwoVtxsAreNabrsOnActiveBrkln(tin, vtx_[1], vtx_[0]));
  EXPECT_FALSE(TwoVtxsAreNabrsOnActiveBrkln(tin, vtx_[2], vtx_[0]));
  static_cast<TBrkln*>(tin->fBrklnList->fFirst->item)->SetClosed(true);
  EXPECT_TRUE(TwoVtxsAreNabrsOnActiveBrkln(tin, vtx_[2], vtx_[0]));
  const TTINVtx twin(0, 0, 0);
  EXPECT_TRUE(IsVtxOnBrkln(tin, vtx_[1]));
  EXPECT_FALSE(IsVtxOnBrkln(tin, vtx_[3]));
  EXPECT_FALSE(IsVtxOnBrkln(tin, &twin));  // by identity, not position
}

// Random clouds: a segment crossing k edges of the unconstrained TIN adds k
// vertices, each within truncation of the segment, with the elevation
// interpolated between its ends.
class CrossingCount : public BrklnTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(CrossingCount, AddsOneVertexPerCrossedEdgeOnTheSegment) {
  const std::vector<XYZ> pts = RandomPoints(400, 0, 100000, GetParam());
  AddLoci(pts);
  AddPoly({{5000, 7000, 100}, {93000, 88000, 900}});
  TTIN* plain = NewTIN("Ground", false);
  ASSERT_EQ(MakeSomethingOfMyself(plain), kNoErr);
  const TTINVtx* ends[2] = {nullptr, nullptr};
  for (const TTINVtx* v : Items(plain->fTINVtxListByZ)) {
    if (v->x == 5000 && v->y == 7000) ends[0] = v;
    if (v->x == 93000 && v->y == 88000) ends[1] = v;
  }
  ASSERT_TRUE(ends[0] != nullptr && ends[1] != nullptr);
  std::size_t k = 0;
  for (const auto& [a, nabrs] : Nabrs(plain))
    for (const TTINVtx* b : nabrs) k += a < b && CrossProperly(ends[0], ends[1], a, b);
  ASSERT_GT(k, 10u);

  TTIN* tin = NewTIN("Ground", true);
  ASSERT_EQ(MakeSomethingOfMyself(tin), kNoErr);
  EXPECT_TRUE(TINIsValid(tin, TTINCheckOptions{false, true}));
  const auto [f, g] = Segments(tin).at(0);
  EXPECT_TRUE(IsChainOfEdges(Nabrs(tin), f, g, 1.5));
  ASSERT_EQ(Items(tin->fTINVtxListByZ).size(), Items(plain->fTINVtxListByZ).size() + k);
  const double len = std::hypot(double(g->x) - f->x, double(g->y) - f->y);
  for (const TTINVtx* v : Items(tin->fTINVtxListByZ)) {
    if (std::any_of(pts.begin(), pts.end(), [v](const XYZ& p) { return p.x == v->x && p.y == v->y; }) ||
        v == f || v == g)
      continue;
    EXPECT_LE(DistanceFromLine(f, g, v), std::sqrt(2.0));
    const double t = std::hypot(double(v->x) - f->x, double(v->y) - f->y) / len;
    EXPECT_NEAR(v->z, f->z + t * (g->z - f->z), 1.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CrossingCount, ::testing::Values(11u, 12u, 13u));

TEST_F(Enforce, AClosedBreaklineEnforcesItsClosingSegmentAnOpenOneDoesNot) {
  AddLoci(RandomPoints(300, 0, 100000, 21));
  AddPoly({{20000, 20000, 5}, {20000, 80000, 5}, {80000, 80000, 5}, {80000, 20000, 5}}, true);
  AddPoly({{30000, 30000, 5}, {30000, 70000, 5}, {70000, 70000, 5}, {70000, 30000, 5}}, false);
  TTIN* tin = NewTIN("Ground", true);
  ASSERT_EQ(MakeSomethingOfMyself(tin), kNoErr);
  const Adjacency nabrs = Nabrs(tin);
  const std::vector<Edge> segments = Segments(tin);
  ASSERT_EQ(segments.size(), 7u);
  for (const auto& [a, b] : segments) EXPECT_TRUE(IsChainOfEdges(nabrs, a, b, 1.5));
  const std::vector<TTINVtx*> open = Items(static_cast<TBrkln*>(tin->fBrklnList->fLast->item)->fVtxList);
  EXPECT_FALSE(IsChainOfEdges(nabrs, open.back(), open.front(), 1.5));
}

}  // namespace
