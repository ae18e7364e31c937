// The Partridge creek survey with its breaklines (cross-sections crossing the
// lines along the creek 404 times), built by the driver at 1000 world units
// per foot: every breakline segment ends up a chain of TIN edges, no edge
// crosses a segment, and the Delaunay condition fails only where enforcement
// inserted a vertex.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "BrklnFixture.h"
#include "plugin/triangulate/BuildTIN.h"
#include "plugin/triangulate/EdgeSwap.h"
#include "plugin/triangulate/ExactPredicates.h"

namespace {

constexpr int kDigits = 3;       // 1000 world units per foot
constexpr double kDrift = 3.0;   // world units a chain may stray from its segment

// The survey's breaklines (line_id,x,y,z), each a vertex list.
std::vector<std::vector<XYZ>> ReadBreaklines() {
  std::ifstream in(std::string(TIN_DATA_DIR) + "/partridge_survey/partridge_breaklines.csv");
  std::vector<std::vector<XYZ>> out;
  std::string line, id, last, f[3];
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream s(line);
    std::getline(s, id, ',');
    std::getline(s, f[0], ',');
    std::getline(s, f[1], ',');
    std::getline(s, f[2]);
    if (id != last) out.emplace_back();
    last = id;
    out.back().push_back({ScaledDecimal(f[0], kDigits), ScaledDecimal(f[1], kDigits),
                          ScaledDecimal(f[2], kDigits)});
  }
  return out;
}

class Partridge : public BrklnTest {};

TEST_F(Partridge, EverySegmentIsAChainOfEdgesAndOnlyInsertionsBreakDelaunay) {
  const std::vector<XYZ> pts = ReadPointsCSV("partridge_survey/partridge_points.csv", kDigits);
  const std::vector<std::vector<XYZ>> lines = ReadBreaklines();
  ASSERT_EQ(pts.size(), 2896u);
  ASSERT_FALSE(lines.empty());
  AddLoci(pts);
  for (const std::vector<XYZ>& l : lines) AddPoly(l);
  TTIN* tin = NewTIN("Ground", true);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(MakeSomethingOfMyself(tin), kNoErr);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(TINIsValid(tin, TTINCheckOptions{false, true}));

  const std::vector<Edge> segments = Segments(tin);
  const Adjacency nabrs = Nabrs(tin);
  int notChains = 0, crossings = 0;
  for (const auto& [b1, b2] : segments) {
    notChains += !IsChainOfEdges(nabrs, b1, b2, kDrift);
    const std::int32_t loX = std::min(b1->x, b2->x), hiX = std::max(b1->x, b2->x);
    const std::int32_t loY = std::min(b1->y, b2->y), hiY = std::max(b1->y, b2->y);
    for (const auto& [u, uNabrs] : nabrs)
      for (const TTINVtx* w : uNabrs)
        if (u < w && std::max(u->x, w->x) >= loX && std::min(u->x, w->x) <= hiX &&
            std::max(u->y, w->y) >= loY && std::min(u->y, w->y) <= hiY)
          crossings += CrossProperly(b1, b2, u, w) && DistanceFromLine(b1, b2, u) > kDrift &&
                       DistanceFromLine(b1, b2, w) > kDrift;
  }
  EXPECT_EQ(notChains, 0) << "of " << segments.size() << " segments";
  EXPECT_EQ(crossings, 0) << "edges crossing a breakline segment";

  std::set<std::pair<std::int32_t, std::int32_t>> surveyed;
  for (const XYZ& p : pts) surveyed.insert({p.x, p.y});
  auto inserted = [&](const TTINVtx* v) { return !surveyed.count({v->x, v->y}); };
  int nonDelaunay = 0, unexplained = 0;
  for (const TTINTriangle* t : Triangles(tin))
    for (const TTINTriangle* n : t->fNeighbors) {
      if (n == nullptr) continue;
      const TTINVtx* const* c = t->fVertices;
      const TTINVtx* q = GetFarVertex(t, n);
      if (InCircleSign(c[0]->x, c[0]->y, c[1]->x, c[1]->y, c[2]->x, c[2]->y, q->x, q->y) <= 0)
        continue;
      ++nonDelaunay;
      bool near = false;
      for (const TTINTriangle* x : {t, n})
        for (const TTINVtx* v : x->fVertices) near = near || inserted(v);
      unexplained += !near;
    }
  EXPECT_EQ(unexplained, 0) << "non-Delaunay pairs away from inserted vertices";
  std::printf("[ measured ] %zu breaklines, %zu segments, %zu vertices inserted, "
              "%zu triangles, %d non-Delaunay pairs, build %.0f ms\n",
              lines.size(), segments.size(),
              Items(tin->fTINVtxListByZ).size() - pts.size(), Triangles(tin).size(), nonDelaunay, ms);
}

}  // namespace
