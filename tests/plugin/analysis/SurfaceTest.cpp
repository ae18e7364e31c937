// The plane of a triangle and planimetric areas: truncation of plane values,
// Heron's area without NaN on degenerate corners, and triangle areas adding
// up to the exact hull area.
#include "AnalysisFixture.h"
#include "plugin/analysis/TriangleSurface.h"

namespace {

using Surface = AnalysisTest;

TEST_F(Surface, ElevationIsThePlaneTruncatedTowardZeroAndAreaIsPlanimetric) {
  // z = 2.7 x: 2.7 at x = 1 and −2.7 at x = −1 (outside the triangle).
  TTINTriangle* t = Triangles(OneTriangle({0, 0, 0}, {10, 0, 27}, {0, 10, 0}))[0];
  EXPECT_EQ(GetElevInTri(t, KVPoint2D{0, 1}), 2);
  EXPECT_EQ(GetElevInTri(t, KVPoint2D{0, -1}), -2);
  EXPECT_EQ(GetElevInTri(t, KVPoint2D{-7, 5}), 13);
  // A flat triangle gives its elevation everywhere, far outside included.
  TTINTriangle* flat = Triangles(OneTriangle({0, 0, -40}, {10, 0, -40}, {0, 10, -40}, "Flat"))[0];
  EXPECT_EQ(GetElevInTri(flat, KVPoint2D{-900000, 700000}), -40);

  TTINTriangle* right = Triangles(OneTriangle({0, 0, 100}, {0, 3000, 100}, {4000, 0, 100}, "R"))[0];
  EXPECT_EQ(CalcTriangleArea(right), 6e6);
  right->fVertices[1]->z = 900000;
  EXPECT_EQ(CalcTriangleArea(right), 6e6) << "lifting a corner changes no plan area";
  // Collinear corners: rounding may push the product under the root below 0;
  // the area is then 0, never NaN.
  for (std::int32_t k = 1; k < 200000; k += 377) {
    const double a = CalcAreaOfTriangle(KVPoint2D{0, 0}, KVPoint2D{k, 3 * k}, KVPoint2D{7 * k, 21 * k});
    EXPECT_FALSE(std::isnan(a));
    EXPECT_LE(a, 1e-3 * k * k);
  }
}

struct AreaCase {
  const char* name;
  std::vector<XYZ> (*make)();
  double published;  // hull area from the data's README, 0 when not given
};
void PrintTo(const AreaCase& c, std::ostream* os) { *os << c.name; }

class SurfaceAreas : public Surface, public ::testing::WithParamInterface<AreaCase> {};

TEST_P(SurfaceAreas, TriangleAreasAddUpToTheHullArea) {
  TTIN* tin = Built(GetParam().make());
  // The hull's area by the shoelace formula on exact 128-bit products.
  const std::vector<TTINVtx*> hull = Items(tin->fConvexHullVtxList);
  __extension__ __int128 twice = 0;
  for (std::size_t i = 0; i < hull.size(); ++i) {
    const TTINVtx* a = hull[i];
    const TTINVtx* b = hull[(i + 1) % hull.size()];
    twice += __int128{a->x} * b->y - __int128{b->x} * a->y;
  }
  const long double exact = std::fabs(static_cast<long double>(twice)) / 2;
  double sum = 0;
  for (TTINTriangle* t : Triangles(tin)) sum += CalcTriangleArea(t);
  EXPECT_NEAR(sum / exact, 1.0, 1e-9);
  if (GetParam().published > 0) {
    EXPECT_NEAR(sum, GetParam().published, 1e-6 * GetParam().published);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, SurfaceAreas,
    ::testing::Values(
        AreaCase{"random", [] { return RandomPoints(800, -5000000, 5000000, 21); }, 0},
        AreaCase{"grid", [] { return GridPoints(30, 17, 2500, -40000, 10000); }, 0},
        AreaCase{"circle", [] { return CirclePoints(5525); }, 0},
        AreaCase{"mass_topo", [] { return ReadPointsCSV("mass_topo/mass_topo_points.csv", 0); }, 89975.0},
        AreaCase{"volcano", [] { return ReadPointsCSV("volcano/volcano_points.csv", 0); }, 516000.0}),
    [](const ::testing::TestParamInfo<AreaCase>& p) { return std::string(p.param.name); });

}  // namespace
