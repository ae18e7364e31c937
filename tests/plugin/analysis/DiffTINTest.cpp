// Difference TINs: which vertices the difference takes from each base and
// with which elevation, the sampling order (a vertex, then the first
// enclosing triangle in list order), the error codes, and whole builds.
#include "AnalysisFixture.h"
#include "plugin/analysis/AnalysisErrors.h"
#include "plugin/analysis/DiffTIN.h"
#include "plugin/triangulate/VtxCollection.h"

namespace {

class DiffTIN : public AnalysisTest {
 protected:
  // The elevation of the difference's only vertex at (x, y); fails on none or two.
  static std::int32_t ZAt(const TTIN* tin, std::int32_t x, std::int32_t y) {
    std::vector<std::int32_t> z;
    for (const TTINVtx* v : Items(tin->fTINVtxListByZ))
      if (v->x == x && v->y == y) z.push_back(v->z);
    EXPECT_EQ(z.size(), 1u) << "vertices at " << x << "," << y;
    return z.empty() ? INT32_MIN : z[0];
  }
};

TEST_F(DiffTIN, TakesCoveredVerticesOfBothBasesOnceWithFirstMinusSecond) {
  // Second base: one triangle, a plane at 10, whose corners lie outside the first.
  TTIN* outer = OneTriangle({0, 0, 10}, {0, 100, 10}, {100, 0, 10}, "Outer");
  TTIN* inner = Built({{10, 10, 15}, {30, 10, 17}, {10, 30, 12}}, "Inner");
  TTIN* diff = NewDiff(inner, outer);
  ASSERT_EQ(MakeVtxList(diff->fVtxTriMgr), kNoErr);
  EXPECT_EQ(Items(diff->fTINVtxListByZ).size(), 3u);
  EXPECT_EQ(ZAt(diff, 10, 10), 5);
  EXPECT_EQ(ZAt(diff, 30, 10), 7);

  // A second base with a vertex at the XY of a first-base vertex and one inside the first base.
  TTIN* ground = Built({{-100, -100, 0}, {300, -100, 0}, {-100, 300, 0}, {300, 300, 0}, {10, 10, 40}, {15, 14, 1}},
                       "Ground");
  diff = NewDiff(inner, ground);
  ASSERT_EQ(MakeVtxList(diff->fVtxTriMgr), kNoErr);
  EXPECT_EQ(Items(diff->fTINVtxListByZ).size(), 4u);
  EXPECT_EQ(ZAt(diff, 10, 10), 15 - 40) << "kept once, as the first base's vertex";
  // The first base's plane at (15, 14) is 14.9, truncated to 14.
  EXPECT_EQ(ZAt(diff, 15, 14), 14 - 1);
}

TEST_F(DiffTIN, BasesWithoutCommonAreaOrWithNullEntriesAreRefused) {
  TTIN* a = OneTriangle({0, 0, 1}, {0, 100, 1}, {100, 0, 1}, "A");
  TTIN* far = OneTriangle({1000, 0, 1}, {1000, 100, 1}, {1100, 0, 1}, "Far");
  EXPECT_EQ(MakeVtxList(NewDiff(a, far)->fVtxTriMgr), kErrDiffTooFewVertices);
  TTIN* touching = OneTriangle({100, 0, 1}, {200, 100, 1}, {200, 0, 1}, "Touching");  // one common corner
  EXPECT_EQ(MakeVtxList(NewDiff(a, touching)->fVtxTriMgr), kErrDiffTooFewVertices);

  TTIN* big = OneTriangle({-500, -500, 0}, {-500, 900, 0}, {900, -500, 0}, "Big");
  ASSERT_TRUE(a->fTINVtxListByZ->Append(nullptr));
  EXPECT_EQ(MakeVtxList(NewDiff(a, big)->fVtxTriMgr), kErrDiffNullInnerVtx);
  TTIN* small = OneTriangle({0, 0, 1}, {0, 50, 1}, {50, 0, 1}, "Small");
  ASSERT_TRUE(big->fTINVtxListByZ->Append(nullptr));
  EXPECT_EQ(MakeVtxList(NewDiff(small, big)->fVtxTriMgr), kErrDiffNullOuterVtx);
  EXPECT_EQ(MakeVtxList(NewDiff(small, NewTIN("Bare"))->fVtxTriMgr), kErrDiffBaseNoGeometry);
}

TEST_F(DiffTIN, SamplingTakesAVertexThenTheFirstEnclosingTriangle) {
  // A second triangle at 300 over the first one at 0: on their common
  // hypotenuse, and inside, the triangle listed first answers.
  TTIN* tin = OneTriangle({0, 0, 0}, {0, 100, 0}, {100, 0, 0}, "Two");
  TTINVtx* high[3] = {new TTINVtx(0, 0, 300), new TTINVtx(0, 100, 300), new TTINVtx(100, 0, 300)};
  for (TTINVtx* v : high) ASSERT_TRUE(tin->fTINVtxListByZ->Insert(v));
  auto* tri = new TTINTriangle();
  tri->SetVertices(high);
  ASSERT_TRUE(tin->fTINTriangleList->Append(tri));
  std::int32_t z = -1;
  EXPECT_TRUE(GetElevFromEnclosingTri(tin, KVPoint2D{50, 50}, &z));
  EXPECT_EQ(z, 0);
  std::swap(tin->fTINTriangleList->fFirst->item, tin->fTINTriangleList->fLast->item);
  EXPECT_TRUE(GetElevAtXY(tin, KVPoint2D{50, 50}, &z));
  EXPECT_EQ(z, 300);
  z = -7;
  EXPECT_FALSE(GetElevAtXY(tin, KVPoint2D{0, 101}, &z));
  EXPECT_EQ(z, -7) << "unchanged outside";
  // A vertex at the point answers before any triangle: (0, 0) is listed at 0 and at 300.
  EXPECT_TRUE(GetElevAtXY(tin, KVPoint2D{0, 0}, &z));
  EXPECT_EQ(z, 0);
}

// Planes with integer coefficients: every difference vertex lies on the
// difference of the planes (give or take a unit of truncation), and the
// vertices are the first base's plus the second base's inside its hull.
TEST_F(DiffTIN, DifferenceOfTwoPlanesAndOfASurfaceWithItself) {
  auto planeA = [](std::int32_t x, std::int32_t y) { return 3 * x - 2 * y + 1000; };
  auto planeB = [](std::int32_t x, std::int32_t y) { return -x + 5 * y - 4000; };
  std::vector<XYZ> a = RandomPoints(150, -20000, 20000, 31), b = RandomPoints(300, -50000, 50000, 32);
  for (XYZ& p : a) p.z = planeA(p.x, p.y);
  b.push_back(a[0]);  // one shared XY
  for (std::int32_t c : {-60000, 60000}) b.push_back({c, c, 0}), b.push_back({c, -c, 0});
  for (XYZ& p : b) p.z = planeB(p.x, p.y);
  TTIN* first = Built(a, "A");
  TTIN* diff = NewDiff(first, Built(b, "B"));
  ASSERT_EQ(RebuildSurface(diff), kNoErr);
  EXPECT_TRUE(TINIsValid(diff));

  const std::vector<TTINVtx*> hull = Items(first->fConvexHullVtxList);  // clockwise
  std::size_t expected = a.size();
  for (const XYZ& p : b) {
    bool inside = !(p.x == a[0].x && p.y == a[0].y);
    for (std::size_t i = 0; i < hull.size() && inside; ++i) {
      const TTINVtx *s = hull[i], *t = hull[(i + 1) % hull.size()];
      inside = Cross({s->x, s->y, 0}, {t->x, t->y, 0}, p) <= 0;
    }
    expected += inside;
  }
  EXPECT_EQ(Items(diff->fTINVtxListByZ).size(), expected);
  for (const TTINVtx* v : Items(diff->fTINVtxListByZ)) EXPECT_NEAR(v->z, planeA(v->x, v->y) - planeB(v->x, v->y), 1);
  for (const XYZ& p : a) EXPECT_NE(ZAt(diff, p.x, p.y), INT32_MIN) << "every first-base vertex, once";

  const std::vector<XYZ> topo = ReadPointsCSV("mass_topo/mass_topo_points.csv", 3);
  TTIN* self = NewDiff(Built(topo, "Copy1"), Built(topo, "Copy2"));
  ASSERT_EQ(RebuildSurface(self), kNoErr);
  EXPECT_EQ(Items(self->fTINVtxListByZ).size(), topo.size());
  for (const TTINVtx* v : Items(self->fTINVtxListByZ)) EXPECT_EQ(v->z, 0);
}

}  // namespace
