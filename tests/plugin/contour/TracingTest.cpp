// Contour tracing: the polylines at every level against an independent
// marching pass over the triangles (random, degenerate and real TINs); the
// shapes of contours on known surfaces; the contour grid; the polyline
// record; and the failures.
#include "ContourFixture.h"
#include "plugin/contour/ContourErrors.h"
#include "plugin/contour/InterpolateToContour.h"

namespace {

class Tracing : public ContourTest {};

// ---------------------------------------------------------------------------
// Against the marching pass.

// Caught a loop closed along an edge back to its start vertex that marked the
// wrong edge's triangles done, so the edge was traced a second time.
TEST_F(Tracing, RandomGridsWithManyVerticesAndEdgesOnTheLevels) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed * 7919);
    std::uniform_int_distribution<std::int32_t> z(0, 4);
    // Five elevations, interval 1: most vertices lie on a level, many edges
    // run along one, and flat regions appear at the levels and at the hull.
    TTIN* tin = GridTIN(14, 11, 100000, seed, [&](int, int) { return z(rng) * 1000; });
    ASSERT_TRUE(TINIsValid(tin, {false, false}));
    const TTINContourMap* map = TraceMap(tin, 1000, 0, INT32_MIN, INT32_MAX, 2);
    EXPECT_TRUE(MatchesMarching(tin, map)) << "seed " << seed;
  }
}

TEST_F(Tracing, RandomGridsCrossedBetweenVertices) {
  for (unsigned seed = 20; seed < 26; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int32_t> z(-5000, 5000);
    // Steep and rough: coordinates fine enough that no two crossings of one
    // polyline truncate to one point.
    TTIN* tin = GridTIN(16, 16, 70000, seed, [&](int, int) { return z(rng); });
    const TTINContourMap* map = TraceMap(tin, 900, -50, INT32_MIN, INT32_MAX, 5);
    EXPECT_TRUE(MatchesMarching(tin, map)) << "seed " << seed;
  }
}

TEST_F(Tracing, RandomPointSetsThroughTheBuild) {
  for (unsigned seed = 3; seed < 7; ++seed) {
    std::vector<XYZ> pts = RandomPoints(400, -2000000, 2000000, seed);
    for (XYZ& p : pts) p.z = (p.z % 7) * 100;  // seven elevations, every one a level
    TErr err = -1;
    TTIN* tin = BuiltTIN(pts, &err);
    ASSERT_EQ(err, kNoErr);
    EXPECT_TRUE(MatchesMarching(tin, TraceMap(tin, 100, 0))) << "on the levels, seed " << seed;
    EXPECT_TRUE(MatchesMarching(tin, TraceMap(tin, 100, 50))) << "between, seed " << seed;
  }
}

struct RealSet {
  const char* name;
  const char* file;
  int digits;
  std::int32_t interval;
};
void PrintTo(const RealSet& s, std::ostream* os) { *os << s.name; }

class TracingRealData : public Tracing, public ::testing::WithParamInterface<RealSet> {};

TEST_P(TracingRealData, EveryLevelMatchesTheMarchingPass) {
  const RealSet& s = GetParam();
  const std::vector<XYZ> pts = ReadPointsCSV(s.file, s.digits);
  ASSERT_FALSE(pts.empty()) << s.file;
  TErr err = -1;
  TTIN* tin = BuiltTIN(pts, &err);
  ASSERT_EQ(err, kNoErr);
  const TTINContourMap* map = TraceMap(tin, s.interval, 0);
  EXPECT_TRUE(MatchesMarching(tin, map));
  EXPECT_GT(Polylines(map).size(), 20u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TracingRealData,
    ::testing::Values(RealSet{"volcano", "volcano/volcano_points.csv", 2, 100},
                      RealSet{"mass_topo", "mass_topo/mass_topo_points.csv", 2, 200},
                      RealSet{"quarry", "quarry_contours/quarry_eg_points.csv", 2, 200},
                      RealSet{"bmx2010", "autzen_bmx/bmx2010_points.csv", 3, 500}),
    [](const ::testing::TestParamInfo<RealSet>& p) { return std::string(p.param.name); });

// ---------------------------------------------------------------------------
// Shapes on known surfaces.

// The points of a polyline that lie on the hull of a square [0, side]^2.
bool OnSquareHull(const Pt& p, std::int32_t side) {
  return p.first == 0 || p.second == 0 || p.first == side || p.second == side;
}

TEST_F(Tracing, HillInsideTheHullGivesOneClosedPolylinePerLevel) {
  // A cone around (5000, 5000), 5000 high, on a 21 x 21 grid.
  std::vector<XYZ> pts;
  for (int j = 0; j <= 20; ++j)
    for (int i = 0; i <= 20; ++i) {
      const double r = std::hypot(i * 500.0 - 5000, j * 500.0 - 5000);
      pts.push_back({i * 500, j * 500, static_cast<std::int32_t>(5000 - r)});
    }
  TErr err = -1;
  TTIN* tin = BuiltTIN(pts, &err);
  ASSERT_EQ(err, kNoErr);
  const TTINContourMap* map = TraceMap(tin, 250, 0, 1);  // level 0 touches the hull
  std::map<std::int32_t, int> perLevel;
  for (const TTINContourPolyline* line : Polylines(map)) {
    ++perLevel[line->GetElevation()];
    EXPECT_TRUE(line->IsClosed()) << line->GetElevation();
    for (const Pt& p : PointsOf(line)) EXPECT_FALSE(OnSquareHull(p, 10000));
  }
  EXPECT_EQ(perLevel.size(), 19u);  // 250 .. 4750; the peak alone is at 5000
  for (const auto& [z, n] : perLevel) EXPECT_EQ(n, 1) << z;
  EXPECT_TRUE(MatchesMarching(tin, map));
}

TEST_F(Tracing, SlopeCutByTheHullGivesOneOpenPolylineFromHullToHull) {
  // z = 3x + y on a jittered grid: every level runs from the bottom or left
  // side to the top or right side.  Levels at multiples of 1000 pass through
  // grid columns, so some run through vertices.
  TTIN* tin = GridTIN(11, 11, 1000, 5, [](int i, int j) { return 3000 * i + 1000 * j; }, false);
  const TTINContourMap* map = TraceMap(tin, 1000, 0, 1, 39999);
  std::map<std::int32_t, int> perLevel;
  for (const TTINContourPolyline* line : Polylines(map)) {
    ++perLevel[line->GetElevation()];
    EXPECT_FALSE(line->IsClosed());
    const std::vector<Pt> pts = PointsOf(line);
    EXPECT_TRUE(OnSquareHull(pts.front(), 10000) && OnSquareHull(pts.back(), 10000)) << line->GetElevation();
    for (std::size_t i = 1; i + 1 < pts.size(); ++i) EXPECT_FALSE(OnSquareHull(pts[i], 10000));
  }
  EXPECT_EQ(perLevel.size(), 39u);
  for (const auto& [z, n] : perLevel) EXPECT_EQ(n, 1) << z;
  EXPECT_TRUE(MatchesMarching(tin, map));
}

TEST_F(Tracing, NegativeBaseAndElevationsGiveTheSameGrid) {
  // Elevations -4000 .. -1; base -7, interval 300, an index contour every 5.
  // The marching comparison holds every level to that grid and its index flag.
  std::mt19937 rng(2);
  std::uniform_int_distribution<std::int32_t> elev(-4000, -1);
  TTIN* tin = GridTIN(12, 12, 100000, 2, [&](int, int) { return elev(rng); });
  const TTINContourMap* map = TraceMap(tin, 300, -7);
  std::set<std::int32_t> index;
  for (const TTINContourPolyline* line : Polylines(map))
    if (line->IsMajor()) index.insert(line->GetElevation());
  EXPECT_TRUE(index.count(-1507) && index.count(-3007));  // k = -5 and k = -10
  EXPECT_TRUE(MatchesMarching(tin, map));
}

TEST(ContourGrid, CeilingsAreExactOnBothSidesOfZero) {
  EXPECT_EQ(CeilDiv(-10, 3), -3);
  EXPECT_EQ(CeilDiv(-9, 3), -3);
  EXPECT_EQ(CeilDiv(-8, 3), -2);
  EXPECT_EQ(CeilDiv(0, 3), 0);
  EXPECT_EQ(CeilDiv(1, 3), 1);
  EXPECT_EQ(CeilDiv(9, 3), 3);
  EXPECT_EQ(CeilDiv(-(std::int64_t{1} << 40) - 1, 1 << 20), -(1 << 20));
  EXPECT_TRUE(IsIndexContour(-5, 5));
  EXPECT_TRUE(IsIndexContour(0, 5));
  EXPECT_FALSE(IsIndexContour(-4, 5));
  EXPECT_FALSE(IsIndexContour(5, 0));

  TTINParams p{};
  p.contourInterval = 5;
  p.contourBaseElev = 2;
  p.lowContourElev = -100;
  p.highContourElev = 1000;
  TContourRange r = FirstContourAndRange(p, -11, 40);
  EXPECT_EQ(r.k, -2);  // ceil(-13 / 5)
  EXPECT_EQ(r.firstElev, -8);
  EXPECT_EQ(r.highestElev, 40);
  p.lowContourElev = 9;  // above the lowest vertex: the first multiple at or above it
  r = FirstContourAndRange(p, -11, 40);
  EXPECT_EQ(r.firstElev, 12);
  p.highContourElev = 20;
  EXPECT_EQ(FirstContourAndRange(p, -11, 40).highestElev, 20);
}

TEST_F(Tracing, VerticesOutsideTheContourRangeGiveNoPolylines) {
  TTIN* tin = GridTIN(5, 5, 1000, 1, [](int i, int j) { return 100 + i * 10 + j; });
  EXPECT_TRUE(Polylines(TraceMap(tin, 5, 0, INT32_MIN, 99)).empty());  // all above highContourElev
  EXPECT_TRUE(Polylines(TraceMap(tin, 5, 0, 200, INT32_MAX)).empty());  // all below lowContourElev
  const TTINContourMap* map = TraceMap(tin, 5, 0, 131, INT32_MAX);
  ASSERT_FALSE(Polylines(map).empty());
  EXPECT_EQ(Polylines(map).front()->GetElevation(), 135);
}

// ---------------------------------------------------------------------------
// The polyline record and edge interpolation.

TEST_F(Tracing, PolylineGrowsByFiftyClosesFromThreePointsAndReverses) {
  TTINContourPolyline* line = TTINContourPolyline::New(7, true);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->GetCapacity(), 50);
  line->AddPoint({1, 1});
  line->AddPoint({2, 2});
  line->SetClosedFlag(true);
  EXPECT_FALSE(line->IsClosed());
  for (std::int32_t i = 3; i <= 120; ++i) ASSERT_TRUE(line->AddPoint({i, -i}));
  EXPECT_EQ(line->GetCount(), 120);
  EXPECT_EQ(line->GetCapacity(), 150);
  line->SetClosedFlag(true);
  EXPECT_TRUE(line->IsClosed());
  line->Reverse();
  EXPECT_EQ(line->GetPoint(0), (TContourPt{120, -120}));
  EXPECT_EQ(line->GetPoint(118), (TContourPt{2, 2}));
  EXPECT_EQ(line->GetPoint(119), (TContourPt{1, 1}));
  delete line;
}

TEST_F(Tracing, InterpolationTruncatesTowardZeroAndFlatEdgesGiveTheStart) {
  const TTINVtx a(-10, 10, 0), b(11, -11, 4), c(5, 6, 4);
  EXPECT_EQ(InterpolateToContour(&a, &b, 1), (TContourPt{-4, 4}));  // -4.75, 4.75
  EXPECT_EQ(InterpolateToContour(&a, &b, 2), (TContourPt{0, 0}));   // 0.5, -0.5
  EXPECT_EQ(InterpolateToContour(&a, &b, 3), (TContourPt{5, -5}));  // 5.75, -5.75
  EXPECT_EQ(InterpolateToContour(&b, &a, 3), (TContourPt{5, -5}));  // from the other end
  EXPECT_EQ(InterpolateToContour(&b, &c, 4), (TContourPt{11, -11}));  // a level edge: its start
}

// ---------------------------------------------------------------------------
// Failures.

TEST_F(Tracing, DamagedModelsEndTheRunWithTheirCodes) {
  auto bowl = [&] { return GridTIN(5, 5, 1000, 3, [](int i, int j) { return (i - 2) * (i - 2) + (j - 2) * (j - 2); }); };
  TErr err = 0;

  TTIN* tin = bowl();
  Items(tin->fTINVtxListByZ)[2]->fTriangle = nullptr;
  TraceMap(tin, 1, 0, INT32_MIN, INT32_MAX, 5, &err);
  EXPECT_EQ(err, kErrNoHighTriangle);

  tin = bowl();
  TLinkNode* second = tin->fTINVtxListByZ->fFirst->next;
  void* vertex = second->item;
  second->item = nullptr;
  TraceMap(tin, 1, 0, INT32_MIN, INT32_MAX, 5, &err);
  EXPECT_EQ(err, kErrNullVtxInList);
  second->item = vertex;  // the TIN deletes it

  // A crossed edge whose far triangle does not point back.
  tin = bowl();
  for (TTINTriangle* t : Triangles(tin)) {
    TTINTriangle* n = t->fNeighbors[0];
    if (n == nullptr) continue;
    const std::int32_t za = t->fVertices[0]->z, zb = t->fVertices[1]->z;
    if (std::abs(za - zb) < 2) continue;  // some level lies strictly between
    for (TTINTriangle*& back : n->fNeighbors)
      if (back == t) back = nullptr;
    break;
  }
  TraceMap(tin, 1, 0, INT32_MIN, INT32_MAX, 5, &err);
  EXPECT_EQ(err, kErrLookFromNotFound);

  // A fan that never comes round: a triangle around the lowest vertex (the
  // centre) points to itself where the fan walk goes on.
  tin = bowl();
  TTINVtx* centre = Items(tin->fTINVtxListByZ).front();
  ASSERT_EQ(centre->z, 0);
  TTINTriangle* hiTri = centre->fTriangle;
  TTINTriangle* next = hiTri->fNeighbors[(hiTri->IndexOfVertex(centre) + 2) % 3];
  ASSERT_NE(next, nullptr);
  next->fNeighbors[(next->IndexOfVertex(centre) + 2) % 3] = next;
  TraceMap(tin, 1, 0, INT32_MIN, INT32_MAX, 5, &err);
  EXPECT_EQ(err, kErrContourWalkRunaway);
}

TEST_F(Tracing, CrossingsThatTruncateToOnePointAreKeptOnce) {
  // Both crossings of the only triangle lie within a unit of (0, 0): the
  // contour is traced, with the point once, instead of failing the map.
  TTIN* tin = NewTIN();
  std::vector<TTINVtx*> v = PlaceVertices(tin, {{0, 0, 1}, {3, 0, -1000}, {0, 3, -1000}});
  LinkTriangles(tin, {{v[0], v[1], v[2]}});
  TErr err = 0;
  TTINContourMap* map = TraceMap(tin, 10, 0, INT32_MIN, INT32_MAX, 5, &err);
  EXPECT_EQ(err, kNoErr);
  for (const TTINContourPolyline* line : Polylines(map))
    for (std::int32_t i = 1; i < line->GetCount(); ++i)
      EXPECT_FALSE(line->GetPoint(i) == line->GetPoint(i - 1));
}

TEST_F(Tracing, LowMemoryAndRefusedPolylinesEndTheRunWithoutLeaks) {
  TTIN* tin = GridTIN(6, 6, 1000, 4, [](int i, int j) { return i * 90 + j * 55; });
  TErr err = 0;
  host.memory().overrideFreeMem(0x20000);
  host.memory().overridePurgeSpace(0x20000, 0x20000);
  TraceMap(tin, 100, 0, INT32_MIN, INT32_MAX, 5, &err);
  EXPECT_EQ(err, kErrContourMemLow);
  host.memory().overrideFreeMem(std::nullopt);
  host.memory().overridePurgeSpace(std::nullopt, std::nullopt);

  const std::size_t full = Polylines(TraceMap(tin, 100)).size();
  ASSERT_GT(full, 5u);
  for (std::uint64_t k : {1, 2, 5, 9}) {
    delete tin->fContourMap;
    tin->fContourMap = nullptr;
    auto* map = new TTINContourMap();
    host.memory().failAllocation(k);
    EXPECT_EQ(map->MakeSomethingOfMyself(tin), kErrContourMemLow) << k;
    host.memory().clearFailure();
    EXPECT_LT(Polylines(map).size(), full);
    tin->fContourMap = map;  // freed with the TIN; TearDown checks for leaks
  }
}

}  // namespace
