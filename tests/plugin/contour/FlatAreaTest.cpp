// Contours around flat regions lying at a contour elevation: one closed
// outline per region, hull edges included, nothing between levels, and a
// bounded walk on damaged links.
#include "ContourFixture.h"
#include "plugin/contour/ContourErrors.h"

namespace {

class FlatAreas : public ContourTest {
 protected:
  // A flat triangle a, b, c at z = 10 inside a larger triangle whose corners
  // are at 0, 20 and 0, joined by six sloping triangles.
  TTIN* FlatTriangleInside(std::vector<TTINVtx*>* inner) {
    TTIN* tin = NewTIN();
    std::vector<TTINVtx*> v = PlaceVertices(tin, {{2000, 2000, 10}, {2000, 4000, 10}, {4000, 2000, 10},
                                                  {0, 0, 0}, {0, 8000, 20}, {8000, 0, 0}});
    TTINVtx *a = v[0], *b = v[1], *c = v[2], *p = v[3], *q = v[4], *r = v[5];
    PlaceHull(tin, {p, q, r});
    LinkTriangles(tin, {{a, b, c}, {p, q, b}, {p, b, a}, {q, r, c}, {q, c, b}, {r, p, a}, {r, a, c}});
    *inner = {a, b, c};
    return tin;
  }

  static std::set<Pt> PointSet(const TTINContourPolyline* line) {
    const std::vector<Pt> p = PointsOf(line);
    return {p.begin(), p.end()};
  }

  // Polylines at z.
  static std::vector<const TTINContourPolyline*> At(const TTINContourMap* map, std::int32_t z) {
    std::vector<const TTINContourPolyline*> out;
    for (const TTINContourPolyline* line : Polylines(map))
      if (line->GetElevation() == z) out.push_back(line);
    return out;
  }
};

TEST_F(FlatAreas, SingleFlatTriangleAtALevelIsOneClosedPolylineOfItsCorners) {
  std::vector<TTINVtx*> inner;
  TTIN* tin = FlatTriangleInside(&inner);
  auto* map = new TTINContourMap();
  tin->fContourMap = map;
  TTINContourMap::FlagHorizontalTriangles(tin);
  ASSERT_EQ(map->DrawContAroundHorizTris(tin, 10, true), kNoErr);
  ASSERT_EQ(Polylines(map).size(), 1u);
  const TTINContourPolyline* line = Polylines(map).front();
  EXPECT_TRUE(line->IsClosed());
  EXPECT_TRUE(line->IsMajor());
  EXPECT_EQ(line->GetCount(), 3);
  EXPECT_EQ(PointSet(line), (std::set<Pt>{XY(inner[0]), XY(inner[1]), XY(inner[2])}));

  // Between levels the pass draws nothing.
  auto* other = new TTINContourMap();
  EXPECT_EQ(other->DrawContAroundHorizTris(tin, 7, false), kNoErr);
  EXPECT_TRUE(Polylines(other).empty());
  delete other;

  // The whole run: the outline once, the sloping neighbours skipped, the
  // other triangles traced.
  EXPECT_TRUE(MatchesMarching(tin, TraceMap(tin, 10)));
  EXPECT_EQ(At(tin->fContourMap, 10).size(), 3u);  // the outline; b and c to the hull edges
}

TEST_F(FlatAreas, RegionAtTheHullIsOutlinedAlongTheHullEdges) {
  // The 3 x 3 block of vertices at the corner (0, 0) is flat at 0; elsewhere
  // z rises with i + j.
  TTIN* tin = GridTIN(7, 7, 1000, 1, [](int i, int j) { return i <= 2 && j <= 2 ? 0 : (i + j) * 10; }, false);
  const TTINContourMap* map = TraceMap(tin, 10);
  const std::vector<const TTINContourPolyline*> zero = At(map, 0);
  ASSERT_EQ(zero.size(), 1u);
  EXPECT_TRUE(zero.front()->IsClosed());
  const std::vector<Pt> pts = PointsOf(zero.front());
  EXPECT_EQ(std::set<Pt>(pts.begin(), pts.end()),
            (std::set<Pt>{{0, 0}, {0, 1000}, {0, 2000}, {1000, 2000}, {2000, 2000}, {2000, 1000}, {2000, 0}, {1000, 0}}));
  EXPECT_EQ(pts.size(), 8u);
  for (std::size_t i = 0; i < pts.size(); ++i) {  // boundary order: neighbours one step apart
    const Pt a = pts[i], b = pts[(i + 1) % pts.size()];
    EXPECT_EQ(std::abs(a.first - b.first) + std::abs(a.second - b.second), 1000);
  }
  EXPECT_TRUE(MatchesMarching(tin, map));
}

TEST_F(FlatAreas, TwoRegionsGiveTwoOutlinesInTriangleListOrder) {
  TTIN* tin = GridTIN(9, 4, 1000, 2, [](int i, int j) {
    if (i <= 2 || i >= 6) return 50;
    return 50 + (i == 4 ? 20 : 10) + j;
  }, false);
  const TTINContourMap* map = TraceMap(tin, 50);
  const std::vector<const TTINContourPolyline*> lines = At(map, 50);
  ASSERT_EQ(lines.size(), 2u);
  for (const TTINContourPolyline* line : lines) {
    EXPECT_TRUE(line->IsClosed());
    EXPECT_EQ(line->GetCount(), 10);  // 3 x 4 vertices, all on the outline
  }
  EXPECT_LE(PointSet(lines[0]).rbegin()->first, 2000);  // the region at x <= 2000 comes first
  EXPECT_GE(PointSet(lines[1]).begin()->first, 6000);
  EXPECT_TRUE(MatchesMarching(tin, map));
}

TEST_F(FlatAreas, DamagedLinksInsideARegionEndTheWalk) {
  TTIN* tin = NewTIN();
  std::vector<TTINVtx*> v = PlaceVertices(tin, {{0, 0, 10}, {0, 1000, 10}, {1000, 1000, 10}, {1000, 0, 10}});
  LinkTriangles(tin, {{v[0], v[1], v[2]}, {v[0], v[2], v[3]}});
  std::vector<TTINTriangle*> t = Triangles(tin);
  TTINTriangle *seed = t[0], *n = t[1];
  // The seed's first edge is an outline edge; its other two lead to n, and n
  // leads only back to the seed: the walk can never come round.
  seed->fNeighbors[0] = nullptr;
  seed->fNeighbors[1] = seed->fNeighbors[2] = n;
  n->fNeighbors[0] = n->fNeighbors[1] = n->fNeighbors[2] = seed;
  auto* map = new TTINContourMap();
  tin->fContourMap = map;
  TTINContourMap::FlagHorizontalTriangles(tin);
  EXPECT_EQ(map->DrawContAroundThisTriAndNabrs(tin, seed, 10, false), kErrContourWalkRunaway);
  EXPECT_TRUE(Polylines(map).empty());
}

}  // namespace
