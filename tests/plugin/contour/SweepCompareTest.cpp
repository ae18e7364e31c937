// The contour sweep and the star walk of GetTriWithTheseTwoVtxs against the
// passes and the list scan as written: the same polylines in the same order
// (points, closed and index flags), the same result code and the same done
// flags left behind, on random, gridded, flat-riddled and real TINs; and
// the same triangle for every directed edge and for pairs that are none.
#include "ContourFixture.h"
#include "plugin/contour/ContourErrors.h"
#include "plugin/contour/ContourSweep.h"

namespace {

class SweepCompare : public ContourTest {
 protected:
  // Everything a contour run leaves behind, as text.
  static std::string RunDump(TTIN* tin, bool literal) {
    auto* map = new TTINContourMap();
    map->UseLiteralPasses(literal);
    std::ostringstream o;
    o << "result " << map->MakeSomethingOfMyself(tin) << '\n';
    for (const TTINContourPolyline* line : Polylines(map)) {
      o << line->GetElevation() << (line->IsMajor() ? " M" : " m") << (line->IsClosed() ? "C" : "O");
      for (const Pt& p : PointsOf(line)) o << ' ' << p.first << ',' << p.second;
      o << '\n';
    }
    for (const TTINTriangle* t : TrianglesOf(tin)) o << (t->fContoursAnyDone ? '1' : '0');
    delete map;
    return o.str();
  }

  // Traces with the grid given, both ways; expects the sweep to have been
  // usable when `sound`.
  static void ExpectSameRun(TTIN* tin, std::int32_t interval, std::int32_t base, bool sound = true) {
    TTINParams& p = tin->fTINParams;
    p.contourInterval = interval;
    p.contourBaseElev = base;
    p.lowContourElev = INT32_MIN;
    p.highContourElev = INT32_MAX;
    p.indexContourEvery = 5;
    if (sound) {
      TTINContourMap::FlagHorizontalTriangles(tin);
      TTINContourMap scratch;
      TContourSweep sweep(&scratch, tin);
      const auto* lowest = static_cast<const TTINVtx*>(tin->fTINVtxListByZ->fFirst->item);
      const auto* highest = static_cast<const TTINVtx*>(tin->fTINVtxListByZ->fLast->item);
      const TContourRange r = FirstContourAndRange(p, lowest->z, highest->z);
      const std::int64_t levels = (r.highestElev - r.firstElev) / interval + 1;
      ASSERT_EQ(sweep.Prepare(r.firstElev, interval, levels), TContourSweep::TReady::kSwept);
    }
    const std::string literal = RunDump(tin, true);
    const std::string swept = RunDump(tin, false);
    ASSERT_GT(literal.size(), 20u);
    EXPECT_TRUE(literal == swept) << "interval " << interval << " base " << base << "\n"
                                  << literal.substr(0, 300) << "\n---\n" << swept.substr(0, 300);
  }

  // Directed edges of triangles spread over the list, their reverses, and
  // pairs of vertices that mostly share no edge: the star walk finds what
  // the scan finds (for a directed edge, the triangle it came from).
  static void ExpectSameEdgeLookups(const TTIN* tin, unsigned seed) {
    const std::vector<TTINTriangle*> tris = TrianglesOf(tin);
    const std::vector<TTINVtx*> verts = VerticesOf(tin);
    const TLinkedList* list = tin->fTINTriangleList;
    const std::size_t stride = tris.size() / 200 + 1;
    for (std::size_t k = 0; k < tris.size(); k += stride) {
      TTINTriangle* t = tris[k];
      for (int i = 0; i < 3; ++i) {
        const TTINVtx* a = t->fVertices[i];
        const TTINVtx* b = t->fVertices[(i + 1) % 3];
        ASSERT_EQ(GetTriWithTheseTwoVtxs(tin, a, b), t);
        ASSERT_EQ(GetTriWithTheseTwoVtxsByScan(list, a, b), t);
        ASSERT_EQ(GetTriWithTheseTwoVtxs(tin, b, a), GetTriWithTheseTwoVtxsByScan(list, b, a));
      }
    }
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::size_t> pick(0, verts.size() - 1);
    for (int k = 0; k < 300; ++k) {
      const TTINVtx* a = verts[pick(rng)];
      const TTINVtx* b = verts[pick(rng)];
      ASSERT_EQ(GetTriWithTheseTwoVtxs(tin, a, b), GetTriWithTheseTwoVtxsByScan(list, a, b));
    }
  }
};

TEST_F(SweepCompare, RandomBuiltTINsOnAndBetweenTheLevels) {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    std::vector<XYZ> pts = RandomPoints(1500, -3000000, 3000000, seed);
    // Few elevations: flat regions, vertices and edges on the levels.
    for (XYZ& p : pts) p.z = (p.z % 6) * 100;
    TErr err = -1;
    TTIN* tin = BuiltTIN(pts, &err);
    ASSERT_EQ(err, kNoErr);
    ExpectSameRun(tin, 100, 0);
    ExpectSameRun(tin, 100, 50);
    ExpectSameRun(tin, 200, -100);
    ExpectSameEdgeLookups(tin, seed);
  }
  std::vector<XYZ> pts = RandomPoints(3000, -3000000, 3000000, 9);  // rough and continuous
  TErr err = -1;
  TTIN* tin = BuiltTIN(pts, &err);
  ASSERT_EQ(err, kNoErr);
  ExpectSameRun(tin, 37, 5);
}

TEST_F(SweepCompare, GridsWithFlatRegionsAtTheLevels) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed * 31);
    std::uniform_int_distribution<std::int32_t> z(0, 3);
    TTIN* tin = GridTIN(18, 15, 100000, seed, [&](int, int) { return z(rng) * 1000; });
    ExpectSameRun(tin, 1000, 0);
    ExpectSameRun(tin, 500, 0);
    ExpectSameEdgeLookups(tin, seed);
  }
}

TEST_F(SweepCompare, RealSurveys) {
  for (const auto& [file, digits, interval] :
       {std::tuple{"volcano/volcano_points.csv", 2, 100}, std::tuple{"quarry_contours/quarry_eg_points.csv", 2, 200}}) {
    const std::vector<XYZ> pts = ReadPointsCSV(file, digits);
    ASSERT_FALSE(pts.empty()) << file;
    TErr err = -1;
    TTIN* tin = BuiltTIN(pts, &err);
    ASSERT_EQ(err, kNoErr);
    ExpectSameRun(tin, interval, 0);
    ExpectSameEdgeLookups(tin, 5);
  }
}

// A TIN the sweep cannot vouch for runs the passes as written: a vertex
// without its link ends both runs at the same level with the same code and
// the same polylines before it; a vertex without a link is looked up by the
// scan.
TEST_F(SweepCompare, DamagedLinksFallBackToThePasses) {
  std::vector<XYZ> pts = RandomPoints(800, -1000000, 1000000, 3);
  TErr err = -1;
  TTIN* tin = BuiltTIN(pts, &err);
  ASSERT_EQ(err, kNoErr);
  std::vector<TTINVtx*> verts = VerticesOf(tin);
  TTINVtx* v = verts[verts.size() / 2];
  TTINTriangle* link = v->fTriangle;
  v->fTriangle = nullptr;
  ExpectSameRun(tin, 50, 0, false);
  EXPECT_EQ(RunDump(tin, false).rfind("result " + std::to_string(kErrNoHighTriangle) + "\n", 0), 0u);
  TTINVtx* w = link->fVertices[(link->IndexOfVertex(v) + 1) % 3];
  EXPECT_EQ(GetTriWithTheseTwoVtxs(tin, v, w), link);
  v->fTriangle = link;
}

}  // namespace
