// Every fan case of the hull, triangle by triangle (stored corner order, list
// order, links through the checker), and the error codes of the first steps.
#include <gtest/gtest.h>

#include "plugin/triangulate/HullFan.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/VertexLinks.h"
#include "tests/support/TriFixture.h"

namespace {

struct FanCase {
  const char* name;
  std::vector<XYZ> hull;                // H1 … Hn, clockwise from the lowest, leftmost
  std::vector<std::vector<int>> fans;   // expected triangles as 1-based hull positions
};

void PrintTo(const FanCase& c, std::ostream* os) { *os << c.name; }

class HullFan : public TriTest, public ::testing::WithParamInterface<FanCase> {};

TEST_P(HullFan, MakesTheStatedTrianglesInOrderWithSharedEdgesLinked) {
  const FanCase& c = GetParam();
  TTIN* tin = NewTIN();
  const auto h = PlaceVertices(tin, c.hull);
  PlaceHull(tin, h);
  ASSERT_EQ(TriangulateConvexHull(tin), kNoErr);
  const auto tris = Triangles(tin);
  ASSERT_EQ(tris.size(), c.fans.size());
  for (std::size_t i = 0; i < tris.size(); ++i)
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(tris[i]->fVertices[k], h[c.fans[i][k] - 1])
          << "triangle " << i << " corner " << k << ": " << Corners(tris[i]);
  // Links, edge correspondence and exact clockwise corners of the fan.
  ASSERT_EQ(AssignAllTrisToAllVtxs(tin->fVtxTriMgr), kNoErr);
  EXPECT_TRUE(TINIsValid(tin, {.delaunay = false, .finalMarks = true}));
  // Only the hull edges are unlinked.
  std::size_t boundary = 0;
  for (const TTINTriangle* t : tris)
    for (const TTINTriangle* n : t->fNeighbors) boundary += n == nullptr;
  EXPECT_EQ(boundary, c.hull.size());
  // The Delaunay pass leaves a valid Delaunay triangulation of the polygon.
  ASSERT_EQ(DelauneyizeFirstTrianglesOfHull(tin), kNoErr);
  EXPECT_TRUE(TINIsValid(tin, {.delaunay = true, .finalMarks = true}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HullFan,
    ::testing::Values(
        FanCase{"ThreeVertices", {{0, 0, 0}, {0, 10, 0}, {10, 0, 0}}, {{1, 2, 3}}},
        FanCase{"SquareFromH1",
                {{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}},
                {{1, 2, 3}, {1, 3, 4}}},
        FanCase{"RunOnFirstSideFannedFromHfEqualsHb",
                {{0, 0, 0}, {0, 5, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}},
                {{4, 5, 1}, {4, 1, 2}, {4, 2, 3}}},
        FanCase{"AllButLastOnOneLineFannedFromHn",
                {{0, 0, 0}, {0, 5, 0}, {0, 10, 0}, {10, 0, 0}},
                {{4, 1, 2}, {4, 2, 3}}},
        FanCase{"RunOnLastSideFannedFromH2",
                {{0, 0, 0}, {5, 10, 0}, {20, 0, 0}, {10, 0, 0}},
                {{2, 3, 4}, {2, 4, 1}}},
        FanCase{"RunsOnBothSidesThreeFans",
                {{0, 0, 0}, {0, 5, 0}, {0, 10, 0}, {10, 15, 0}, {20, 10, 0}, {20, 0, 0},
                 {10, 0, 0}},
                {{4, 2, 3}, {4, 1, 2}, {5, 6, 7}, {5, 7, 1}, {1, 4, 5}}},
        FanCase{"LastOffSideBeforeFirstOffSideTwoFans",
                {{0, 0, 0}, {0, 5, 0}, {0, 10, 0}, {10, 0, 0}, {5, 0, 0}},
                {{5, 1, 2}, {5, 2, 3}, {3, 4, 5}}},
        // H3 turned 0.00075 rad off the line H1–H2 still lies on the first
        // side (within 0.001 rad): fanned from H4.  Turned 0.00125 rad, it is
        // off the side, and the fan comes from H1.
        FanCase{"TurnWithinTheSideToleranceIsOnTheSide",
                {{0, 0, 0}, {0, 10000, 0}, {15, 20000, 0}, {20000, 20000, 0}, {20000, 0, 0}},
                {{4, 5, 1}, {4, 1, 2}, {4, 2, 3}}},
        FanCase{"TurnBeyondTheSideToleranceIsOffTheSide",
                {{0, 0, 0}, {0, 10000, 0}, {25, 20000, 0}, {20000, 20000, 0}, {20000, 0, 0}},
                {{1, 2, 3}, {1, 3, 4}, {1, 4, 5}}}),
    [](const ::testing::TestParamInfo<FanCase>& p) { return std::string(p.param.name); });

class HullFanErrors : public TriTest {};

TEST_F(HullFanErrors, CollinearHullMissingHullAndExistingTriangles) {
  TTIN* tin = NewTIN();
  const auto v = PlaceVertices(tin, {{0, 0, 0}, {5, 5, 0}, {10, 10, 0}});
  EXPECT_EQ(TriangulateConvexHull(tin), kErrFanNoHull);
  tin->fConvexHullVtxList = TLinkedList::New();
  ASSERT_TRUE(tin->fConvexHullVtxList->ILinkedList());
  EXPECT_EQ(TriangulateConvexHull(tin), kErrFanEmptyHull);
  // The walk's hull of three collinear vertices: A, B, D, B.
  for (TTINVtx* h : {v[0], v[1], v[2], v[1]}) tin->fConvexHullVtxList->Append(h);
  EXPECT_EQ(TriangulateConvexHull(tin), kErrFanCollinear);
  EXPECT_EQ(tin->fTINTriangleList, nullptr);

  TTIN* other = NewTIN();
  PlaceHull(other, PlaceVertices(other, {{0, 0, 0}, {0, 10, 0}, {10, 0, 0}}));
  ASSERT_EQ(TriangulateConvexHull(other), kNoErr);
  EXPECT_EQ(TriangulateConvexHull(other), kErrFanTriListExists);
}

TEST_F(HullFanErrors, PassesAfterTheFanNeedTriangles) {
  TTIN* tin = NewTIN();
  EXPECT_EQ(DelauneyizeFirstTrianglesOfHull(tin), kErrFirstPassNoList);
  EXPECT_EQ(AssignAllTrisToAllVtxs(tin->fVtxTriMgr), kErrAssignNoTriangles);
  EXPECT_EQ(AssignHighTrianglesToVertices(tin->fVtxTriMgr), kErrHighNoTriangles);
  tin->fTINTriangleList = TLinkedList::New();
  ASSERT_TRUE(tin->fTINTriangleList->ILinkedList());
  EXPECT_EQ(DelauneyizeFirstTrianglesOfHull(tin), kErrFirstPassEmptyList);
  EXPECT_EQ(AssignAllTrisToAllVtxs(tin->fVtxTriMgr), kErrAssignNoTriangles);
  EXPECT_EQ(AssignHighTrianglesToVertices(tin->fVtxTriMgr), kErrHighNoTriangles);
}

TEST_F(HullFanErrors, DelaunayPassRefusesUnmatchedLinks) {
  TTIN* tin = NewTIN();
  PlaceHull(tin, PlaceVertices(tin, {{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}}));
  ASSERT_EQ(TriangulateConvexHull(tin), kNoErr);
  Triangles(tin)[1]->fNeighbors[0] = nullptr;  // the first still names the second
  EXPECT_EQ(DelauneyizeFirstTrianglesOfHull(tin), kErrFirstPassLinksBefore);
}

}  // namespace
