// Whole builds: the driver from a layer of the drawing, and the triangulation
// from scratch on large sets, checked by the invariant checker (exact
// Delaunay, links, counts) and by conserved quantities: triangle areas add up
// to the hull area; real data give the published triangle counts and areas.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>

#include "plugin/triangulate/BuildTIN.h"
#include "plugin/triangulate/ConvexHull.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/VertexLinks.h"
#include "tests/support/PointSets.h"
#include "tests/support/TriFixture.h"

namespace {

__extension__ typedef __int128 Int128;

// Twice the area of a polygon given clockwise (positive result).
Int128 DoubledAreaCW(const std::vector<TTINVtx*>& poly) {
  Int128 sum = 0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const TTINVtx* a = poly[i];
    const TTINVtx* b = poly[(i + 1) % poly.size()];
    sum += Int128{a->x} * b->y - Int128{b->x} * a->y;
  }
  return -sum;
}

class Build : public TriTest {
 protected:
  // The driver, from loci on the TIN's layer.
  TTIN* BuildFromDrawing(const std::vector<XYZ>& pts, TErr* err, std::uint8_t* skipped = nullptr) {
    AddLoci(pts);
    TTIN* tin = NewTIN();
    *err = MakeSomethingOfMyself(tin, skipped);
    return tin;
  }

  // Collection bypassed (the vertex list is filled in z order directly); then
  // hull, triangulation from scratch and the highest-neighbour links.
  TTIN* BuildDirect(std::vector<XYZ> pts, TErr* err) {
    std::stable_sort(pts.begin(), pts.end(), [](const XYZ& a, const XYZ& b) { return a.z < b.z; });
    TTIN* tin = NewTIN();
    tin->fTINVtxListByZ = TKestSortedLList::New();
    EXPECT_TRUE(tin->fTINVtxListByZ->IKestSortedLList());
    for (const XYZ& p : pts) EXPECT_TRUE(tin->fTINVtxListByZ->Append(new TTINVtx(p.x, p.y, p.z)));
    *err = DetermineConvexHull(tin->fVtxTriMgr);
    if (*err == kNoErr) *err = TriangulateFromScratch(tin);
    if (*err == kNoErr) *err = AssignHighTrianglesToVertices(tin->fVtxTriMgr);
    return tin;
  }

  static Int128 TriangleAreaSum(const TTIN* tin) {
    Int128 sum = 0;
    for (const TTINTriangle* t : Triangles(tin)) {
      const std::vector<TTINVtx*> c(t->fVertices, t->fVertices + 3);
      sum += DoubledAreaCW(c);
    }
    return sum;
  }

  static void ExpectAreasAddUp(const TTIN* tin) {
    EXPECT_TRUE(TriangleAreaSum(tin) == DoubledAreaCW(Items(tin->fConvexHullVtxList)))
        << "triangle areas do not add up to the hull area";
  }
};

struct NamedSet {
  const char* name;
  std::function<std::vector<XYZ>()> make;
};

void PrintTo(const NamedSet& s, std::ostream* os) { *os << s.name; }

class BuildSets : public Build, public ::testing::WithParamInterface<NamedSet> {};

TEST_P(BuildSets, DriverGivesAValidDelaunayTINWhoseAreasAddUp) {
  TErr err = -1;
  std::uint8_t skipped = 0;
  TTIN* tin = BuildFromDrawing(GetParam().make(), &err, &skipped);
  ASSERT_EQ(err, kNoErr);
  EXPECT_TRUE(TINIsValid(tin));
  ExpectAreasAddUp(tin);
  EXPECT_EQ(skipped, 0);
  EXPECT_EQ(tin->fVtxArrayByX, nullptr);
  EXPECT_EQ(tin->fTriLastFoundIn, nullptr);
  ASSERT_NE(tin->fBrklnList, nullptr);
  EXPECT_EQ(tin->fBrklnList->fFirst, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BuildSets,
    ::testing::Values(
        NamedSet{"Random200", [] { return RandomPoints(200, 0, 100000, 1); }},
        NamedSet{"RandomDense", [] { return RandomPoints(1500, 0, 60, 2); }},  // many ties
        NamedSet{"Grid", [] { return GridPoints(23, 17, 10); }},
        NamedSet{"GridUnitSpacing", [] { return GridPoints(30, 30, 1, -15, -15); }},
        NamedSet{"Circle", [] { return CirclePoints(5525); }},
        NamedSet{"CircleAndCentre",
                 [] {
                   auto p = CirclePoints(1105, 7, -3);
                   p.push_back({7, -3, 50});
                   return p;
                 }},
        NamedSet{"Clusters", [] { return ClusterPoints(6, 80, 3); }},
        NamedSet{"NearPlus2To30", [] { return RandomPoints(400, (1 << 30) - 5000, 1 << 30, 4); }},
        NamedSet{"NearMinus2To30",
                 [] { return RandomPoints(400, -(1 << 30), -(1 << 30) + 5000, 5); }},
        NamedSet{"Across2To30", [] { return RandomPoints(300, -(1 << 30), 1 << 30, 6); }},
        NamedSet{"GridNear2To30",
                 [] { return GridPoints(12, 12, 3, (1 << 30) - 40, -(1 << 30)); }}),
    [](const ::testing::TestParamInfo<NamedSet>& p) { return std::string(p.param.name); });

TEST_F(Build, CollinearInputStopsAtTheFan) {
  TErr err = 0;
  TTIN* tin = BuildFromDrawing({{0, 0, 1}, {10, 10, 2}, {5, 5, 3}, {20, 20, 0}}, &err);
  EXPECT_EQ(err, kErrFanCollinear);
  EXPECT_EQ(Items(tin->fConvexHullVtxList).size(), 6u);  // out to the far end and back
  EXPECT_EQ(tin->fTINTriangleList, nullptr);
}

TEST_F(Build, TooFewVerticesStopsTheBuild) {
  TErr err = 0;
  TTIN* tin = BuildFromDrawing({{0, 0, 1}, {10, 10, 2}, {0, 0, 3}}, &err);
  EXPECT_EQ(err, kErrTooFewVertices);
  EXPECT_EQ(tin->fConvexHullVtxList, nullptr);
}

TEST_F(Build, RebuildSurfaceFreesAndRebuildsTheSameTIN) {
  TErr err = 0;
  TTIN* tin = BuildFromDrawing(RandomPoints(300, 0, 5000, 8), &err);
  ASSERT_EQ(err, kNoErr);
  std::vector<std::string> before;
  for (const TTINTriangle* t : Triangles(tin)) before.push_back(Corners(t));
  std::uint8_t skipped = 0xFF;
  ASSERT_EQ(RebuildSurface(tin, &skipped), kNoErr);
  EXPECT_EQ(skipped, 0);  // no contour map on a rebuild
  std::vector<std::string> after;
  for (const TTINTriangle* t : Triangles(tin)) after.push_back(Corners(t));
  EXPECT_EQ(before, after);
  EXPECT_TRUE(TINIsValid(tin));
}

TEST_F(Build, CollectedBreaklinesAreEnforcedByTheDriver) {
  AddLoci({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {100, 100, 0}});
  AddPoly({{20, 20, 5}, {80, 70, 6}});
  TTIN* tin = NewTIN("Ground", true);
  std::uint8_t skipped = 0xFF;
  ASSERT_EQ(MakeSomethingOfMyself(tin, &skipped), kNoErr);
  EXPECT_EQ(skipped, 0);
  // Forced edges need not be Delaunay.
  EXPECT_TRUE(TINIsValid(tin, TTINCheckOptions{false, true}));
}

struct RealData {
  const char* name;
  const char* file;
  int digits;  // world units per source unit: 10^digits
  std::size_t points;
  std::size_t triangles, hullBoundary;  // at full precision, from the data's README
  double area;                          // source units²
  bool exact;  // every coordinate has at most `digits` decimals: the README's figures hold
};

void PrintTo(const RealData& d, std::ostream* os) { *os << d.name; }

class BuildRealData : public Build, public ::testing::WithParamInterface<RealData> {};

TEST_P(BuildRealData, GivesThePublishedTriangleCountAndHullArea) {
  const RealData& d = GetParam();
  const std::vector<XYZ> pts = ReadPointsCSV(d.file, d.digits);
  ASSERT_EQ(pts.size(), d.points) << "data file " << d.file;
  TErr err = 0;
  TTIN* tin = BuildFromDrawing(pts, &err);
  ASSERT_EQ(err, kNoErr);
  EXPECT_TRUE(TINIsValid(tin));
  // Truncation to world units can make hull points collinear; the boundary
  // count then comes from an independent hull of the truncated points.
  const std::size_t hullBoundary = d.exact ? d.hullBoundary : HullBoundaryCount(pts);
  EXPECT_EQ(HullBoundaryCount(pts), hullBoundary);
  EXPECT_EQ(Items(tin->fConvexHullVtxList).size(), hullBoundary);
  EXPECT_EQ(Triangles(tin).size(), 2 * d.points - 2 - hullBoundary);
  if (d.exact) {
    EXPECT_EQ(Triangles(tin).size(), d.triangles);
  }
  ExpectAreasAddUp(tin);
  const double scale = std::pow(10.0, d.digits);
  const double area = static_cast<double>(TriangleAreaSum(tin)) / 2.0 / (scale * scale);
  // The README prints areas to four decimals.
  EXPECT_NEAR(area, d.area, d.exact ? 0.5001e-4 : 1e-5 * d.area);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BuildRealData,
    ::testing::Values(
        RealData{"volcano", "volcano/volcano_points.csv", 0, 5307, 10320, 292, 516000.0, true},
        RealData{"mass_topo", "mass_topo/mass_topo_points.csv", 0, 52, 87, 15, 89975.0, true},
        RealData{"quarry", "quarry_contours/quarry_eg_points.csv", 3, 713, 1396, 28,
                 10186566.1622, false},
        RealData{"bmx2010", "autzen_bmx/bmx2010_points.csv", 2, 829, 1635, 21, 1012.5837, true},
        RealData{"bmx2023", "autzen_bmx/bmx2023_points.csv", 2, 687, 1355, 17, 1009.3885, true}),
    [](const ::testing::TestParamInfo<RealData>& p) { return std::string(p.param.name); });

TEST_F(Build, LargeRandomSetFromScratchIsDelaunay) {
  const int n = 20000;
  TErr err = 0;
  const auto start = std::chrono::steady_clock::now();
  TTIN* tin = BuildDirect(RandomPoints(n, -(1 << 29), 1 << 29, 11), &err);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(err, kNoErr);
  EXPECT_TRUE(TINIsValid(tin));
  ExpectAreasAddUp(tin);
  RecordProperty("build_seconds", std::to_string(seconds));
}

TEST_F(Build, LargeGridFromScratchIsDelaunay) {
  TErr err = 0;
  TTIN* tin = BuildDirect(GridPoints(100, 80, 2), &err);
  ASSERT_EQ(err, kNoErr);
  EXPECT_TRUE(TINIsValid(tin));
  EXPECT_EQ(Triangles(tin).size(), 2u * 99 * 79);
  ExpectAreasAddUp(tin);
}

}  // namespace
