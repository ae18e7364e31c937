// Point location and vertex insertion: the in-triangle test's cases, walks
// checked against brute force, the three kinds of split, hints, the order of
// equal elevations, the highest-neighbour links, the known-pair bits and the
// error codes.
#include <gtest/gtest.h>

#include <algorithm>

#include "plugin/triangulate/BuildTIN.h"
#include "plugin/triangulate/ExactPredicates.h"
#include "plugin/triangulate/HullFan.h"
#include "plugin/triangulate/PointLocation.h"
#include "plugin/triangulate/QuickLocator.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/VertexInsertion.h"
#include "plugin/triangulate/VertexLinks.h"
#include "tests/support/PairBits.h"
#include "tests/support/PointSets.h"
#include "tests/support/TriFixture.h"

namespace {

KVPoint2D Pt(std::int32_t x, std::int32_t y) { return KVPoint2D{y, x}; }

class Location : public TriTest {};

TEST_F(Location, EnclosesXYDecidesInsideEdgeCornerAndTheNextStep) {
  TTIN* tin = NewTIN();
  const auto v = PlaceVertices(tin, {{0, 0, 0}, {0, 10, 0}, {10, 0, 0}});
  TTINTriangle t, n0, n1, n2;
  TTINVtx* c[3] = {v[0], v[1], v[2]};
  t.SetVertices(c);
  TTINTriangle* nabrs[3] = {&n0, &n1, &n2};
  t.SetNeighbors(nabrs);
  TTINTriangle* next = nullptr;
  TTINVtx* skip = nullptr;
  std::int16_t edge = 99;

  EXPECT_TRUE(EnclosesXY(&t, Pt(2, 2), nullptr, &next, &skip, &edge));
  EXPECT_EQ(edge, -1);
  EXPECT_TRUE(EnclosesXY(&t, Pt(5, 5), nullptr, &next, &skip, &edge));
  EXPECT_EQ(edge, 1);
  EXPECT_TRUE(EnclosesXY(&t, Pt(0, 5), nullptr, &next, &skip, &edge));
  EXPECT_EQ(edge, 0);
  EXPECT_TRUE(EnclosesXY(&t, Pt(0, 0), nullptr, &next, &skip, &edge));  // a corner
  EXPECT_EQ(edge, 0);

  EXPECT_FALSE(EnclosesXY(&t, Pt(6, 6), nullptr, &next, &skip, &edge));
  EXPECT_EQ(next, &n1);
  EXPECT_EQ(skip, v[2]);
  EXPECT_FALSE(EnclosesXY(&t, Pt(0, 20), nullptr, &next, &skip, &edge));  // beyond (0,10)
  EXPECT_EQ(next, &n1);
  EXPECT_EQ(skip, v[2]);
  EXPECT_FALSE(EnclosesXY(&t, Pt(0, -5), nullptr, &next, &skip, &edge));  // behind (0,0)
  EXPECT_EQ(next, &n2);
  EXPECT_EQ(skip, v[0]);
  EXPECT_EQ(edge, -1);
  // Skipping corner 1 leaves edge 1 untested: (6, 6) then counts as inside.
  EXPECT_TRUE(EnclosesXY(&t, Pt(6, 6), v[1], &next, &skip, &edge));

  t.fNeighbors[1] = nullptr;  // edge 1 on the hull
  EXPECT_FALSE(EnclosesXY(&t, Pt(6, 6), nullptr, &next, &skip, &edge));
  EXPECT_EQ(next, nullptr);
}

// The copy-of-corners test answers as the triangle's own over every point of a
// window around each triangle, hull edges or not: the last triangle's edge
// lines run on through its box beyond their ends, where being on the line is
// not enough.
TEST_F(Location, CornersEncloseAsTheTriangleDoes) {
  const std::vector<std::vector<XYZ>> shapes = {{{0, 0, 0}, {0, 10, 0}, {10, 0, 0}},
                                                {{0, 0, 0}, {10, 20, 0}, {10, 0, 0}},
                                                {{0, 0, 0}, {20, 10, 0}, {10, 0, 0}},
                                                {{3, 1, 0}, {-7, 12, 0}, {15, 9, 0}}};
  TTINTriangle n0, n1, n2;
  TTINTriangle* nabrs[3] = {&n0, &n1, &n2};
  for (const auto& shape : shapes) {
    const auto v = PlaceVertices(NewTIN(), shape);
    TTINTriangle t;
    TTINVtx* c[3] = {v[0], v[1], v[2]};
    t.SetVertices(c);
    const std::int32_t xs[3] = {v[0]->x, v[1]->x, v[2]->x}, ys[3] = {v[0]->y, v[1]->y, v[2]->y};
    for (int hull = 0; hull < 2; ++hull) {
      t.SetNeighbors(nabrs);
      if (hull == 1) t.fNeighbors[0] = t.fNeighbors[2] = nullptr;
      for (std::int32_t y = -10; y <= 25; ++y)
        for (std::int32_t x = -10; x <= 25; ++x) {
          TTINTriangle* next = nullptr;
          TTINVtx* skip = nullptr;
          std::int16_t edge = 0;
          ASSERT_EQ(CornersEncloseXY(xs, ys, Pt(x, y)),
                    EnclosesXY(&t, Pt(x, y), nullptr, &next, &skip, &edge))
              << "at " << x << "," << y << " in triangle " << shape[0].x << "," << shape[0].y
              << " ...";
        }
    }
  }
}

// The nearest-vertex walk, and the quick walk from anywhere: the quick walk names
// the nearest-vertex walk's triangle exactly when the point is strictly inside it,
// and nothing when the point lies on an edge or a corner.
TEST_F(Location, WalksEndInATriangleThatHoldsThePoint) {
  AddLoci(RandomPoints(400, 0, 2000, 21));
  AddLoci({{0, 0, 0}, {2000, 0, 0}, {0, 2000, 0}, {2000, 2000, 0}});
  TTIN* tin = NewTIN();
  ASSERT_EQ(MakeSomethingOfMyself(tin), kNoErr);
  const auto tris = Triangles(tin);
  std::mt19937 rng(5);
  std::uniform_int_distribution<std::int32_t> c(0, 2000);
  for (int i = 0; i < 2000; ++i) {
    // Random points, and every fifth one exactly on a vertex or an edge midpoint.
    KVPoint2D p = Pt(c(rng), c(rng));
    if (i % 5 == 0) {
      const TTINTriangle* t = tris[static_cast<std::size_t>(i) % tris.size()];
      const TTINVtx* a = t->fVertices[i % 3];
      const TTINVtx* b = t->fVertices[(i + 1) % 3];
      p = (i % 10 == 0) ? Pt(a->x, a->y) : Pt((a->x + b->x) / 2, (a->y + b->y) / 2);
    }
    std::int16_t edge = 5;
    const TTINTriangle* t = GetTriangleInWhichXYFalls(tin, p, &edge);
    ASSERT_NE(t, nullptr) << p.x << "," << p.y;
    EXPECT_EQ(tin->fTriLastFoundIn, t);
    bool onSomeEdge = false;
    for (int k = 0; k < 3; ++k) {
      const TTINVtx* a = t->fVertices[k];
      const TTINVtx* b = t->fVertices[(k + 1) % 3];
      const int s = OrientSign(a->x, a->y, b->x, b->y, p.x, p.y);
      ASSERT_LE(s, 0) << "point outside the triangle found";
      onSomeEdge |= s == 0;
    }
    EXPECT_EQ(edge == -1, !onSomeEdge);
    const TTINTriangle* start = tris[static_cast<std::size_t>(i * 7919) % tris.size()];
    EXPECT_EQ(WalkToStrictlyEnclosing(const_cast<TTINTriangle*>(start), p, 1 << 20),
              edge == -1 ? t : nullptr)
        << p.x << "," << p.y;
    if (edge != -1) {
      const TTINVtx* a = t->fVertices[edge];
      const TTINVtx* b = t->fVertices[(edge + 1) % 3];
      EXPECT_EQ(OrientSign(a->x, a->y, b->x, b->y, p.x, p.y), 0);
    }
  }
}

TEST_F(Location, OutsideTheHullOrOnACycleTheWalkFails) {
  AddLoci(RandomPoints(50, 0, 100, 22));
  TTIN* tin = NewTIN();
  ASSERT_EQ(MakeSomethingOfMyself(tin), kNoErr);
  TTINTriangle* hint = Triangles(tin)[3];
  tin->fTriLastFoundIn = hint;
  std::int16_t edge = 0;
  EXPECT_EQ(GetTriangleInWhichXYFalls(tin, Pt(500, 50), &edge), nullptr);
  EXPECT_EQ(edge, -1);
  EXPECT_EQ(tin->fTriLastFoundIn, hint);

  // Two triangles that send the walk to each other.
  TTIN* bad = NewTIN();
  const auto v = PlaceVertices(bad, {{0, 0, 0}, {0, 10, 0}, {10, 0, 0}, {10, 10, 0}});
  PlaceHull(bad, {v[0], v[1], v[3], v[2]});
  ASSERT_EQ(TriangulateConvexHull(bad), kNoErr);
  const auto t = Triangles(bad);  // (H1 H2 H3) and (H1 H3 H4), linked across H1–H3
  t[1]->fNeighbors[1] = t[0];     // a corrupt link across H3–H4
  t[0]->fNeighbors[0] = t[1];     // and across H1–H2
  bad->fTriLastFoundIn = t[0];
  EXPECT_EQ(GetTriangleInWhichXYFalls(bad, Pt(-5, 5), &edge), nullptr);
}

class Insertion : public TriTest {
 protected:
  // One triangle over the hull, links set, ready for insertions.
  TTIN* OneTriangle(std::vector<TTINVtx*>* v, std::vector<XYZ> extra) {
    TTIN* tin = NewTIN();
    std::vector<XYZ> pts = {{0, 0, 0}, {0, 30, 0}, {30, 0, 0}};
    pts.insert(pts.end(), extra.begin(), extra.end());
    *v = PlaceVertices(tin, pts);
    PlaceHull(tin, {(*v)[0], (*v)[1], (*v)[2]});
    EXPECT_EQ(TriangulateConvexHull(tin), kNoErr);
    EXPECT_EQ(AssignAllTrisToAllVtxs(tin->fVtxTriMgr), kNoErr);
    return tin;
  }
  // The square (0,0) (0,10) (10,10) (10,0) as two triangles over the
  // diagonal (0,0)–(10,10), links set, with `extra` vertices to insert.
  TTIN* Square(std::vector<TTINVtx*>* v, std::vector<XYZ> extra) {
    TTIN* tin = NewTIN();
    std::vector<XYZ> pts = {{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}};
    pts.insert(pts.end(), extra.begin(), extra.end());
    *v = PlaceVertices(tin, pts);
    PlaceHull(tin, {(*v)[0], (*v)[1], (*v)[2], (*v)[3]});
    EXPECT_EQ(TriangulateConvexHull(tin), kNoErr);
    EXPECT_EQ(AssignAllTrisToAllVtxs(tin->fVtxTriMgr), kNoErr);
    return tin;
  }
  static ::testing::AssertionResult Valid(TTIN* tin) {
    EXPECT_EQ(AssignHighTrianglesToVertices(tin->fVtxTriMgr), kNoErr);
    return TINIsValid(tin);
  }
};

TEST_F(Insertion, InsideMakesThreeTrianglesTheOldOneFirst) {
  std::vector<TTINVtx*> v;
  TTIN* tin = OneTriangle(&v, {{10, 10, 5}});
  TTINTriangle* old = Triangles(tin)[0];
  ASSERT_EQ(AddOneVertexAndTriangulate(tin, v[3]), kNoErr);
  const auto t = Triangles(tin);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0], old);
  EXPECT_EQ(Corners(t[0]), "(0,0)(0,30)(10,10)");   // (A, B, v)
  EXPECT_EQ(Corners(t[1]), "(10,10)(0,30)(30,0)");  // (v, B, D)
  EXPECT_EQ(Corners(t[2]), "(0,0)(10,10)(30,0)");   // (A, v, D)
  EXPECT_EQ(t[0]->fNeighbors[1], t[1]);
  EXPECT_EQ(t[0]->fNeighbors[2], t[2]);
  EXPECT_EQ(t[1]->fNeighbors[0], t[0]);
  EXPECT_EQ(t[2]->fNeighbors[1], t[1]);
  EXPECT_EQ(v[2]->fTriangle, t[1]);  // D's link moved off T
  EXPECT_TRUE(Valid(tin));
}

TEST_F(Insertion, OnAnInteriorEdgeFourOnABoundaryEdgeTwo) {
  std::vector<TTINVtx*> v;
  TTIN* tin = Square(&v, {{5, 5, 1}, {10, 4, 2}});
  const auto before = Triangles(tin);
  ASSERT_EQ(AddOneVertexAndTriangulate(tin, v[4]), kNoErr);  // on the diagonal
  auto t = Triangles(tin);
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0], before[0]);
  EXPECT_EQ(t[1], before[1]);
  ASSERT_EQ(AddOneVertexAndTriangulate(tin, v[5]), kNoErr);  // on the hull edge x = 10
  t = Triangles(tin);
  EXPECT_EQ(t.size(), 5u);
  EXPECT_EQ(Items(tin->fConvexHullVtxList).size(), 4u);  // not a hull vertex
  EXPECT_TRUE(Valid(tin));
}

TEST_F(Insertion, AnEdgeSplitWithAHintIsNotRepaired) {
  for (const bool hint : {false, true}) {
    std::vector<TTINVtx*> v;
    TTIN* tin = Square(&v, {{5, 5, 1}});
    TTINTriangle* first = Triangles(tin)[0];  // (H1, H2, H3): the diagonal is edge 2
    ASSERT_EQ(AddOneVertexAndAdjustTriangles(tin, v[4], hint ? first : nullptr, hint ? 2 : -1),
              kNoErr);
    int flags = 0;
    for (const TTINTriangle* t : Triangles(tin))
      for (bool f : t->fEdgeOkay) flags += f;
    if (hint) {
      EXPECT_EQ(flags, 0) << "no pair may have been tested";
    } else {
      EXPECT_GT(flags, 0) << "the repair marks the pairs it tested";
    }
    EXPECT_EQ(Triangles(tin).size(), 4u);
  }
}

TEST_F(Insertion, EqualElevationsEnterInVertexListOrder) {
  // Two interior vertices at one elevation, put into the list in placement
  // order: the build inserts them as the list orders them, and the reverse
  // order gives a different triangle list.  `byHand` empty: the build's pass.
  auto build = [&](const std::vector<int>& byHand) {
    TTIN* tin = NewTIN();
    const auto v = PlaceVertices(
        tin, {{0, 0, 0}, {0, 100, 0}, {100, 100, 0}, {100, 0, 0}, {30, 40, 7}, {60, 70, 7}});
    PlaceHull(tin, {v[0], v[1], v[2], v[3]});
    EXPECT_EQ(TriangulateConvexHull(tin), kNoErr);
    EXPECT_EQ(DelauneyizeFirstTrianglesOfHull(tin), kNoErr);
    EXPECT_EQ(AssignAllTrisToAllVtxs(tin->fVtxTriMgr), kNoErr);
    if (byHand.empty()) {
      EXPECT_EQ(AddInteriorVerticesAndTriangulate(tin), kNoErr);
    }
    for (int i : byHand) EXPECT_EQ(AddOneVertexAndTriangulate(tin, v[i]), kNoErr);
    EXPECT_TRUE(Valid(tin));
    std::vector<std::string> out;
    for (const TTINTriangle* t : Triangles(tin)) out.push_back(Corners(t));
    return out;
  };
  const std::vector<std::string> listOrder = build({});
  EXPECT_EQ(listOrder, build({4, 5}));
  EXPECT_NE(listOrder, build({5, 4}));
}

TEST_F(Insertion, HighestNeighbourLinksPointAtTheHighestPartner) {
  std::vector<XYZ> pts = GridPoints(9, 7, 10);
  std::mt19937 rng(3);
  for (XYZ& p : pts) p.z = static_cast<std::int32_t>(rng() % 4);  // many ties
  AddLoci(pts);
  TTIN* tin = NewTIN();
  ASSERT_EQ(MakeSomethingOfMyself(tin), kNoErr);
  ASSERT_TRUE(TINIsValid(tin));
  for (const TTINVtx* u : Items(tin->fTINVtxListByZ)) {
    // Brute force: the highest z among u's partners in each incident triangle,
    // the higher of its two partners there.
    std::int32_t best = INT32_MIN;
    for (const TTINTriangle* t : Triangles(tin)) {
      const std::int16_t i = t->IndexOfVertex(u);
      if (i == kNoIndex) continue;
      best = std::max(best, std::max(t->fVertices[(i + 1) % 3]->z, t->fVertices[(i + 2) % 3]->z));
    }
    const TTINTriangle* t = u->fTriangle;
    const std::int16_t i = t->IndexOfVertex(u);
    const TTINVtx* partner = t->fVertices[((i + u->fTriangleMark) % 3 + 3) % 3];
    const TTINVtx* other = t->fVertices[((i - u->fTriangleMark) % 3 + 3) % 3];
    EXPECT_EQ(partner->z, best) << "vertex (" << u->x << "," << u->y << ")";
    EXPECT_GE(partner->z, other->z);
  }
}

// The first triangle and edge whose known-pair bit does not hold; empty when
// every bit holds.
std::string StaleBits(const std::vector<TTINTriangle*>& tris) {
  for (const TTINTriangle* t : tris)
    for (int i = 0; i < 3; ++i)
      if (!PairBitHolds(t, i)) return Corners(t) + " edge " + std::to_string(i);
  return {};
}

TEST_F(Insertion, KnownPairBitsHoldAfterEverySplitAndFlip) {
  // Grid points split edges (on the hull and inside) and make cocircular
  // quadrilaterals; random points between them make ordinary flips.
  std::vector<XYZ> pts = {{0, 0, 0}, {0, 900, 0}, {900, 900, 0}, {900, 0, 0}};
  std::mt19937 rng(11);
  for (const XYZ& p : GridPoints(10, 10, 100))
    if (p.x % 900 != 0 || p.y % 900 != 0)
      pts.push_back({p.x, p.y, static_cast<std::int32_t>(rng() % 50) + 1});
  for (const XYZ& p : RandomPoints(150, 1, 899, 5))
    if (p.x % 100 != 0 || p.y % 100 != 0) pts.push_back({p.x, p.y, p.z % 50 + 1});
  TTIN* tin = NewTIN();
  const auto v = PlaceVertices(tin, pts);
  PlaceHull(tin, {v[0], v[1], v[2], v[3]});
  ASSERT_EQ(TriangulateConvexHull(tin), kNoErr);
  ASSERT_EQ(DelauneyizeFirstTrianglesOfHull(tin), kNoErr);
  ASSERT_EQ(AssignAllTrisToAllVtxs(tin->fVtxTriMgr), kNoErr);
  int flagged = 0;
  for (TTINVtx* u : Items(tin->fTINVtxListByZ)) {
    if (u == v[0] || u == v[1] || u == v[2] || u == v[3]) continue;
    ASSERT_EQ(AddOneVertexAndTriangulate(tin, u), kNoErr);
    const auto tris = Triangles(tin);
    ASSERT_EQ(StaleBits(tris), "") << "after inserting (" << u->x << "," << u->y << ")";
    for (const TTINTriangle* t : tris) flagged += t->fPairOkay != 0;
  }
  EXPECT_GT(flagged, 0) << "the bits are in use";
  EXPECT_TRUE(Valid(tin));
}

TEST_F(Insertion, ErrorCodes) {
  std::vector<TTINVtx*> v;
  TTIN* tin = OneTriangle(&v, {{10, 10, 5}, {100, 100, 6}});
  // A hull vertex is already a corner.
  EXPECT_EQ(AddOneVertexAndTriangulate(tin, v[0]), kNoErr);
  EXPECT_EQ(Triangles(tin).size(), 1u);
  // Outside the hull.
  EXPECT_EQ(AddOneVertexAndTriangulate(tin, v[4]), kErrNoTriangleForVtx);
  // No memory for a new triangle: nothing changes.
  host.memory().failAllocation(1);
  EXPECT_EQ(AddOneVertexAndTriangulate(tin, v[3]), kErrNoTriangleMemory);
  host.memory().clearFailure();
  EXPECT_EQ(Triangles(tin).size(), 1u);
  // Free memory too low.
  host.memory().overrideFreeMem(1000);
  host.memory().overridePurgeSpace(1000, 1000);
  EXPECT_EQ(AddOneVertexAndTriangulate(tin, v[3]), kErrMemLowInsert);
  host.memory().overrideFreeMem(std::nullopt);
  host.memory().overridePurgeSpace(std::nullopt, std::nullopt);
  // A null entry in the vertex list.
  tin->fTINVtxListByZ->fFirst->item = nullptr;
  EXPECT_EQ(AddInteriorVerticesAndTriangulate(tin), kErrNullVtxInList);
  tin->fTINVtxListByZ->fFirst->item = v[0];
  EXPECT_EQ(tin->fTriLastFoundIn, nullptr);
  // No hull.
  tin->fConvexHullVtxList->Free();
  tin->fConvexHullVtxList = nullptr;
  EXPECT_EQ(AddOneVertexAndTriangulate(tin, v[3]), kErrInsertNoHull);
}

}  // namespace
