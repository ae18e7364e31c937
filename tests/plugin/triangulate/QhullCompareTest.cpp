// Against an independent Delaunay triangulation (qhull's, test-only): on
// points in general position the two edge sets are identical.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <utility>

extern "C" {
#include <libqhull_r/qhull_ra.h>
}

#include "plugin/triangulate/BuildTIN.h"
#include "tests/support/PointSets.h"
#include "tests/support/TriFixture.h"

namespace {

using Edge = std::pair<int, int>;

Edge MakeEdge(int a, int b) { return a < b ? Edge{a, b} : Edge{b, a}; }

// Edges of qhull's Delaunay triangulation, as pairs of input indices.
std::set<Edge> QhullEdges(const std::vector<XYZ>& pts) {
  std::vector<coordT> coords;
  for (const XYZ& p : pts) {
    coords.push_back(p.x);
    coords.push_back(p.y);
  }
  qhT qhStorage;
  qhT* qh = &qhStorage;
  qh_zero(qh, stderr);
  char options[] = "qhull d Qt Qbb";
  std::set<Edge> edges;
  if (qh_new_qhull(qh, 2, static_cast<int>(pts.size()), coords.data(), False, options, nullptr,
                   stderr) == 0) {
    facetT* facet;
    FORALLfacets {
      if (facet->upperdelaunay) continue;
      int id[3], k = 0;
      vertexT *vertex, **vertexp;
      FOREACHvertex_(facet->vertices) if (k < 3) id[k++] = qh_pointid(qh, vertex->point);
      if (k != 3) continue;
      edges.insert(MakeEdge(id[0], id[1]));
      edges.insert(MakeEdge(id[1], id[2]));
      edges.insert(MakeEdge(id[0], id[2]));
    }
  }
  qh_freeqhull(qh, !qh_ALL);
  int curlong = 0, totlong = 0;
  qh_memfreeshort(qh, &curlong, &totlong);
  return edges;
}

class AgainstQhull : public TriTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(AgainstQhull, SameEdgesOnPointsInGeneralPosition) {
  const std::vector<XYZ> pts = RandomPoints(3000, 0, 10000000, GetParam());
  AddLoci(pts);
  TTIN* tin = NewTIN();
  ASSERT_EQ(MakeSomethingOfMyself(tin), kNoErr);
  ASSERT_TRUE(TINIsValid(tin));
  std::map<std::pair<std::int32_t, std::int32_t>, int> index;
  for (std::size_t i = 0; i < pts.size(); ++i) index[{pts[i].x, pts[i].y}] = static_cast<int>(i);
  std::set<Edge> ours;
  for (const TTINTriangle* t : Triangles(tin))
    for (int k = 0; k < 3; ++k) {
      const TTINVtx* a = t->fVertices[k];
      const TTINVtx* b = t->fVertices[(k + 1) % 3];
      ours.insert(MakeEdge(index.at({a->x, a->y}), index.at({b->x, b->y})));
    }
  const std::set<Edge> theirs = QhullEdges(pts);
  ASSERT_FALSE(theirs.empty());
  EXPECT_EQ(ours.size(), theirs.size());
  EXPECT_TRUE(ours == theirs);
}

INSTANTIATE_TEST_SUITE_P(Seeds, AgainstQhull, ::testing::Values(101u, 202u, 303u));

}  // namespace
