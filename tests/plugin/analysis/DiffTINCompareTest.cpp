// The indexed sampling of a difference build against the scans it replaces:
// point by point on bases whose triangles overlap in a shuffled list (so that
// every answer depends on which enclosing triangle is listed first), and as
// whole vertex lists of difference TINs over random, gridded and surveyed
// pairs, also when the memory of an index is refused.
#include <algorithm>
#include <limits>
#include <random>
#include <tuple>

#include "AnalysisFixture.h"
#include "plugin/analysis/DiffTIN.h"
#include "plugin/analysis/SurfaceSampler.h"
#include "plugin/model/XYTable.h"
#include "plugin/triangulate/VtxCollection.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

struct SampleCase {
  const char* name;
  std::vector<XYZ> (*make)();
  bool coverAll;  // add one triangle over nearly the whole 32-bit plane
};

std::vector<SampleCase> SampleCases() {
  return {
      {"Random", [] { return RandomPoints(400, -5000, 5000, 11); }, false},
      {"Grid", [] { return GridPoints(20, 20, 10); }, false},
      {"Bmx2010", [] { return ReadPointsCSV("autzen_bmx/bmx2010_points.csv", 2); }, false},
      {"WideRange", [] { return RandomPoints(300, -(1 << 30), 1 << 30, 12); }, true},
  };
}

using Listed = std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>>;

Listed ListOf(const TTIN* tin) {
  Listed out;
  if (tin->fTINVtxListByZ == nullptr) return out;
  for (const TLinkNode* n = tin->fTINVtxListByZ->fFirst; n != nullptr; n = n->next) {
    const auto* v = static_cast<const TTINVtx*>(n->item);
    out.emplace_back(v->x, v->y, v->z);
  }
  return out;
}

class DiffCompare : public AnalysisTest {
 protected:
  // A second layer over a built base: a copy of every triangle with its
  // corners 1000 higher (listed vertices, so the vertex list holds two at
  // every position, the lower first), then the triangle list shuffled.
  // Every covered point is enclosed by triangles of both layers.
  void Layer(TTIN* base, bool coverAll, unsigned seed) {
    std::vector<TTINTriangle*> tris = Triangles(base);
    const std::size_t built = tris.size();
    for (std::size_t k = 0; k < built; ++k) {
      const TTINTriangle* t = tris[k];
      TTINVtx* up[3];
      for (int i = 0; i < 3; ++i) {
        up[i] = new TTINVtx(t->fVertices[i]->x, t->fVertices[i]->y, t->fVertices[i]->z + 1000);
        ASSERT_TRUE(base->fTINVtxListByZ->Insert(up[i]));
      }
      auto* copy = new TTINTriangle();
      copy->SetVertices(up);
      tris.push_back(copy);
      ASSERT_TRUE(base->fTINTriangleList->Append(copy));
    }
    if (coverAll) {
      TTINVtx* c[3] = {new TTINVtx(kMin, kMin, -7), new TTINVtx(kMin, kMax, 90000),
                       new TTINVtx(kMax, kMin, 3)};
      for (TTINVtx* v : c) ASSERT_TRUE(base->fTINVtxListByZ->Insert(v));
      auto* all = new TTINTriangle();
      all->SetVertices(c);
      tris.push_back(all);
      ASSERT_TRUE(base->fTINTriangleList->Append(all));
    }
    std::shuffle(tris.begin(), tris.end(), std::mt19937(seed));
    TLinkNode* n = base->fTINTriangleList->fFirst;
    for (TTINTriangle* t : tris) {
      n->item = t;
      n = n->next;
    }
  }

  // Vertices, edge midpoints (on the edge when they fall on integers),
  // centroids, and random points over a box a little larger than the base.
  static std::vector<KVPoint2D> SamplePoints(const TTIN* base, unsigned seed) {
    std::vector<KVPoint2D> out;
    std::int64_t lo = kMax, hi = kMin;
    for (const TTINTriangle* t : Triangles(base)) {
      const TTINVtx* const* c = t->fVertices;
      for (int i = 0; i < 3; ++i) {
        const TTINVtx* a = c[i];
        const TTINVtx* b = c[(i + 1) % 3];
        out.push_back(KVPoint2D{a->y, a->x});
        out.push_back(KVPoint2D{static_cast<std::int32_t>((std::int64_t{a->y} + b->y) / 2),
                                static_cast<std::int32_t>((std::int64_t{a->x} + b->x) / 2)});
        lo = std::min<std::int64_t>({lo, a->x, a->y});
        hi = std::max<std::int64_t>({hi, a->x, a->y});
      }
      out.push_back(
          KVPoint2D{static_cast<std::int32_t>((std::int64_t{c[0]->y} + c[1]->y + c[2]->y) / 3),
                    static_cast<std::int32_t>((std::int64_t{c[0]->x} + c[1]->x + c[2]->x) / 3)});
    }
    // Every k-th of them, at most about 4000, as the scans are slow.
    const std::size_t step = out.size() / 4000 + 1;
    for (std::size_t i = 0; i * step < out.size(); ++i) out[i] = out[i * step];
    out.resize((out.size() + step - 1) / step);
    const std::int64_t margin = (hi - lo) / 10;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int64_t> c(std::max<std::int64_t>(kMin, lo - margin),
                                                  std::min<std::int64_t>(kMax, hi + margin));
    for (int i = 0; i < 2000; ++i)
      out.push_back(
          KVPoint2D{static_cast<std::int32_t>(c(rng)), static_cast<std::int32_t>(c(rng))});
    out.push_back(KVPoint2D{kMax, kMax});
    out.push_back(KVPoint2D{kMin, kMin});
    return out;
  }


  // The indexed and the literal difference lists of two bases, with their codes.
  void ExpectSameDifference(TTIN* first, TTIN* second, std::size_t atLeast) {
    TTIN* indexed = NewDiff(first, second);
    TTIN* literal = NewDiff(first, second);
    const TErr err = MakeVtxList(indexed->fVtxTriMgr);
    EXPECT_EQ(err, MakeDiffVtxListLiteral(literal->fVtxTriMgr));
    EXPECT_EQ(err, kNoErr);
    const Listed got = ListOf(indexed);
    EXPECT_GE(got.size(), atLeast);
    EXPECT_TRUE(got == ListOf(literal)) << "the difference lists differ";
  }
};

class SamplerCompare : public DiffCompare, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(SamplerCompare, EverySampleAnswersAsTheScans) {
  const std::vector<XYZ> pts = GetParam().make();
  ASSERT_GE(pts.size(), 100u) << "no data for " << GetParam().name;
  TTIN* base = Built(pts, "Base");
  Layer(base, GetParam().coverAll, 5);
  TSurfaceSampler sampler;
  ASSERT_TRUE(sampler.Build(base));

  std::size_t covered = 0, uncovered = 0;
  for (const KVPoint2D& p : SamplePoints(base, 6)) {
    std::int32_t want = -1, got = -1;
    const bool found = GetElevAtXY(base, p, &want);
    ASSERT_EQ(sampler.ElevAt(p, &got), found) << "at " << p.x << "," << p.y;
    ASSERT_EQ(got, want) << "at " << p.x << "," << p.y;
    // Without the vertex hit, a vertex is enclosed by every triangle around
    // it in both layers: the first listed must answer.
    want = got = -1;
    ASSERT_EQ(sampler.ElevFromTriangles(p, &got), GetElevFromEnclosingTri(base, p, &want))
        << "at " << p.x << "," << p.y;
    ASSERT_EQ(got, want) << "at " << p.x << "," << p.y;
    ++(found ? covered : uncovered);
  }
  EXPECT_GT(covered, 1000u);
  if (!GetParam().coverAll) {
    EXPECT_GT(uncovered, 100u);
  }
}

INSTANTIATE_TEST_SUITE_P(Bases, SamplerCompare, ::testing::ValuesIn(SampleCases()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(DiffCompare, DifferenceListsEqualTheLiteralOnes) {
  // Random bases that overlap in part.
  ExpectSameDifference(Built(RandomPoints(600, 0, 20000, 21), "A"),
                       Built(RandomPoints(800, -5000, 15000, 22), "B"), 400);
  // Grids of spacing 8 and 4: the finer one's points fall on the coarser
  // one's vertices, edges and diagonals, and a copy layer on each base makes
  // every one of those samples a tie between triangles.
  TTIN* coarse = Built(GridPoints(26, 26, 8), "Coarse");
  TTIN* fine = Built(GridPoints(35, 35, 4, 12, 12), "Fine");
  ExpectSameDifference(coarse, fine, 1200);
  ExpectSameDifference(fine, coarse, 1200);
  Layer(coarse, false, 7);
  Layer(fine, true, 8);
  ExpectSameDifference(coarse, fine, 1200);
  // Two surveys of one track, in centimetres.
  ExpectSameDifference(Built(ReadPointsCSV("autzen_bmx/bmx2010_points.csv", 2), "Y2010"),
                       Built(ReadPointsCSV("autzen_bmx/bmx2023_points.csv", 2), "Y2023"), 600);
}

TEST_F(DiffCompare, RefusedIndexMemoryFallsBackToTheScans) {
  TTIN* first = Built(RandomPoints(200, 0, 3000, 31), "A");
  TTIN* second = Built(RandomPoints(250, -500, 2500, 32), "B");
  TTIN* literal = NewDiff(first, second);
  ASSERT_EQ(MakeDiffVtxListLiteral(literal->fVtxTriMgr), kNoErr);
  const Listed expected = ListOf(literal);

  // The indexes are built before anything else of the build is allocated:
  // refusing each of their allocations in turn must change nothing.
  const std::uint64_t before = host.memory().stats().countedAllocations;
  {
    TDiffIndexes probe;
    probe.Build(first, second);
    ASSERT_TRUE(probe.first.Built() && probe.second.Built() && probe.taken.Reserved());
  }
  const std::uint64_t indexAllocations = host.memory().stats().countedAllocations - before;
  ASSERT_GE(indexAllocations, 3u);
  for (std::uint64_t k = 1; k <= indexAllocations; ++k) {
    TTIN* diff = NewDiff(first, second);
    const std::uint64_t failed = host.memory().stats().failedAllocations;
    host.memory().failAllocation(k);
    const TErr err = MakeVtxList(diff->fVtxTriMgr);
    host.memory().clearFailure();
    EXPECT_EQ(host.memory().stats().failedAllocations, failed + 1) << "allocation " << k;
    EXPECT_EQ(err, kNoErr) << "allocation " << k;
    EXPECT_TRUE(ListOf(diff) == expected) << "allocation " << k;
  }
}

TEST(XYTable, KeepsTheFirstValueAndRefusesBeyondItsCapacity) {
  tinhost::Host host;
  gKVCallback = host.callbacks();
  {
    TXYTable table;
    ASSERT_TRUE(table.Reserve(6));
    // Positions that agree in one coordinate or swap them are distinct.
    const std::int32_t xy[6][2] = {{0, 0},       {-1, 0},      {0, -1},
                                   {kMin, kMax}, {kMax, kMin}, {kMin, kMin}};
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(table.Add(xy[i][0], xy[i][1], i));
    EXPECT_TRUE(table.Add(0, 0, 99));
    for (int i = 0; i < 6; ++i) {
      std::int32_t v = -1;
      EXPECT_TRUE(table.Find(xy[i][0], xy[i][1], &v));
      EXPECT_EQ(v, i);
    }
    EXPECT_FALSE(table.Contains(kMax, kMax));
    EXPECT_EQ(table.Count(), 6);
    // At least the reserved count fits; a full table refuses a new position
    // but still finds its own.
    std::int32_t added = 6;
    while (table.Add(added, 1, added)) ++added;
    EXPECT_EQ(added, table.Count());
    EXPECT_FALSE(table.Contains(added, 1));
    EXPECT_TRUE(table.Contains(added - 1, 1));
  }
  EXPECT_EQ(host.memory().stats().pluginBlocks, 0u);
  gKVCallback = nullptr;
}

// The set marks its free slots with one position's key: that position is
// held like any other, through growth, and the positions beside it too.
TEST(XYTable, TheSetHoldsThePositionThatMarksFreeSlots) {
  tinhost::Host host;
  gKVCallback = host.callbacks();
  {
    const std::int32_t marker = static_cast<std::int32_t>(0x80808080u);
    TXYSet set;
    ASSERT_TRUE(set.Reserve(2));
    EXPECT_FALSE(set.Contains(marker, marker));
    EXPECT_FALSE(set.Contains(0, 0));  // a cleared slot's key is not (0, 0)
    std::int32_t added = 0;
    while (set.Add(added, marker)) ++added;
    EXPECT_FALSE(set.Add(marker, marker));  // full: refused like any new position
    ASSERT_TRUE(set.Grow());
    ASSERT_TRUE(set.Add(marker, marker));
    EXPECT_TRUE(set.Add(marker, marker));
    EXPECT_EQ(set.Count(), added + 1);
    ASSERT_TRUE(set.Fit(1000));
    for (std::int32_t i = 0; i < 500; ++i) ASSERT_TRUE(set.Add(marker, i + added));
    EXPECT_TRUE(set.Contains(marker, marker));
    for (std::int32_t i = 0; i < added; ++i) EXPECT_TRUE(set.Contains(i, marker)) << i;
    EXPECT_FALSE(set.Contains(marker, marker - 1));
    EXPECT_EQ(set.Count(), added + 501);
  }
  EXPECT_EQ(host.memory().stats().pluginBlocks, 0u);
  gKVCallback = nullptr;
}

}  // namespace
