// Cut and fill against a datum: the branches on exact figures, and over whole
// TINs agreement with an independent clipping integral within what the
// integer division of the tip height and the truncated split points allow,
// with above − below equal to the signed prism volume.
#include "AnalysisFixture.h"
#include "plugin/analysis/CutFill.h"

namespace {

using CutFill = AnalysisTest;

std::pair<double, double> Of(const TTINTriangle* t, std::int32_t d) {
  double above = -1, below = -1;
  EXPECT_EQ(GetCutFillToElev(t, d, &above, &below), kNoErr);
  return {above, below};
}

TEST_F(CutFill, WholeAndCrossingTrianglesOnExactFigures) {
  // Legs 3000 and 4000 at 1000, 1000, 4000: mean height 2000 over 6,000,000.
  TTINTriangle* t = Triangles(OneTriangle({0, 0, 1000}, {0, 3000, 1000}, {4000, 0, 4000}))[0];
  auto [above, below] = Of(t, 0);
  EXPECT_DOUBLE_EQ(above, 1.2e10);
  EXPECT_EQ(below, 0.0);
  std::tie(above, below) = Of(t, 5000);
  EXPECT_EQ(above, 0.0);
  EXPECT_DOUBLE_EQ(below, 1.8e10);
  // A corner exactly on the datum: wholly above, or wholly below.
  std::tie(above, below) = Of(t, 1000);
  EXPECT_DOUBLE_EQ(above, 6e9);
  EXPECT_EQ(below, 0.0);
  std::tie(above, below) = Of(t, 4000);
  EXPECT_EQ(above, 0.0);
  EXPECT_DOUBLE_EQ(below, 1.2e10);

  // Legs 4000, two corners 10 below the datum and one 10 above: the piece
  // above is cut at half the legs (area 2,000,000) and its mean height taken
  // as 10 / 3 = 3, not 3.33; the rest of the prism (area 8,000,000) is below.
  const double area = 8e6;
  t = Triangles(OneTriangle({0, 0, -10}, {0, 4000, -10}, {4000, 0, 10}, "Up"))[0];
  std::tie(above, below) = Of(t, 0);
  EXPECT_DOUBLE_EQ(above, 3 * 2e6);
  EXPECT_NEAR(below, 10 * area - (20.0 / 3 * area - 3 * 2e6), 1e-3);
  // Mirrored: one corner below, and the piece below takes 3.
  t = Triangles(OneTriangle({0, 0, 10}, {0, 4000, 10}, {4000, 0, -10}, "Down"))[0];
  std::tie(above, below) = Of(t, 0);
  EXPECT_DOUBLE_EQ(below, 3 * 2e6);
  EXPECT_NEAR(above, 40.0 / 3 * area - (10 * area - 3 * 2e6), 1e-3);
  // The middle corner on the datum: the split runs through it (30 / 3 = 10).
  t = Triangles(OneTriangle({0, 0, -30}, {0, 3000, 0}, {3000, 0, 30}, "Mid"))[0];
  std::tie(above, below) = Of(t, 0);
  EXPECT_DOUBLE_EQ(below, 10 * 2250000.0);
  EXPECT_DOUBLE_EQ(above, 10 * 2250000.0);
}

TEST_F(CutFill, TheTipHeightIsDividedBy3InIntegersAtAnyDatum) {
  // The crossing triangles above, lifted with their datum to elevations of
  // every remainder by 3, sunk below zero and raised near the top of the
  // range: the tip's mean height is (zHi − d) / 3 or (d − zLo) / 3 in
  // integers, 10 / 3 = 3, wherever the datum lies -- not zHi / 3 − d / 3.
  const double area = 8e6;
  for (const std::int32_t d : {1001, 999, -1001, 2147483647 - 20}) {
    SCOPED_TRACE("datum " + std::to_string(d));
    const std::string up = "Up" + std::to_string(d), down = "Down" + std::to_string(d);
    TTINTriangle* t = Triangles(OneTriangle({0, 0, d - 10}, {0, 4000, d - 10}, {4000, 0, d + 10}, up))[0];
    auto [above, below] = Of(t, d);
    EXPECT_DOUBLE_EQ(above, 3 * 2e6);
    EXPECT_NEAR(below, 10 * area - (20.0 / 3 * area - 3 * 2e6), 1e-3);
    t = Triangles(OneTriangle({0, 0, d + 10}, {0, 4000, d + 10}, {4000, 0, d - 10}, down))[0];
    std::tie(above, below) = Of(t, d);
    EXPECT_DOUBLE_EQ(below, 3 * 2e6);
    EXPECT_NEAR(above, 40.0 / 3 * area - (10 * area - 3 * 2e6), 1e-3);
  }
}

long double PlanArea(const std::vector<XYZ>& t) {
  return std::fabs(static_cast<long double>(Cross(t[0], t[1], t[2]))) / 2;
}

// How far a crossing triangle's split may lie from the exact one: the tip
// height divided by 3 in integers loses less than 1 (times the piece's area),
// and each split point moves less than √2 by truncation, which changes the
// piece's area by at most √2 · perimeter + 2.
long double SplitTolerance(const std::vector<XYZ>& t, std::int32_t d) {
  const auto [lo, hi] = std::minmax({t[0].z, t[1].z, t[2].z});
  if (lo >= d || hi <= d) return 0;
  long double perimeter = 0;
  for (int i = 0; i < 3; ++i)
    perimeter += std::hypot(static_cast<long double>(t[(i + 1) % 3].x) - t[i].x,
                            static_cast<long double>(t[(i + 1) % 3].y) - t[i].y);
  const long double tip = std::max<long double>(hi - static_cast<long double>(d), d - static_cast<long double>(lo));
  return PlanArea(t) + tip / 3 * (std::sqrt(2.0L) * perimeter + 2);
}

struct TINCase {
  const char* name;
  std::vector<XYZ> (*make)();
};
void PrintTo(const TINCase& c, std::ostream* os) { *os << c.name; }

class CutFillTINs : public CutFill, public ::testing::WithParamInterface<TINCase> {};

TEST_P(CutFillTINs, TotalsMatchTheClippedIntegralAndThePrismVolume) {
  const std::vector<XYZ> pts = GetParam().make();
  TTIN* tin = Built(pts);
  std::int32_t lo = pts[0].z, hi = pts[0].z;
  for (const XYZ& p : pts) lo = std::min(lo, p.z), hi = std::max(hi, p.z);

  for (const std::int32_t d : {lo - 1000, lo, lo + (hi - lo) / 3, (lo + hi) / 2 + 1, hi, hi + 7}) {
    SCOPED_TRACE("datum " + std::to_string(d));
    double above = 0, below = 0;
    long double refAbove = 0, refBelow = 0, signedVolume = 0, tol = 0;
    for (TTINTriangle* t : Triangles(tin)) {
      const auto [a, b] = Of(t, d);
      above += a;
      below += b;
      const std::vector<XYZ> c = CornersOf(t);
      const RefVolumes ref = ReferenceVolumes(c.data(), d);
      refAbove += ref.above;
      refBelow += ref.below;
      signedVolume += PlanArea(c) * ((static_cast<long double>(c[0].z) + c[1].z + c[2].z) / 3 - d);
      tol += SplitTolerance(c, d);
    }
    const double rounding = 1e-9 * static_cast<double>(refAbove + refBelow);
    EXPECT_NEAR(above, static_cast<double>(refAbove), static_cast<double>(tol) + rounding);
    EXPECT_NEAR(below, static_cast<double>(refBelow), static_cast<double>(tol) + rounding);
    // Whatever the truncation, the difference is the signed prism volume.
    EXPECT_NEAR(above - below, static_cast<double>(signedVolume), rounding);
    if (d <= lo) {
      EXPECT_EQ(below, 0.0);
    }
    if (d >= hi) {
      EXPECT_EQ(above, 0.0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Surfaces, CutFillTINs,
    ::testing::Values(TINCase{"random", [] { return RandomPoints(600, -400000, 400000, 5); }},
                      TINCase{"random_steep", [] { return RandomPoints(300, -3000, 3000, 6); }},
                      TINCase{"mass_topo_mm", [] { return ReadPointsCSV("mass_topo/mass_topo_points.csv", 3); }},
                      TINCase{"bmx2023_cm", [] { return ReadPointsCSV("autzen_bmx/bmx2023_points.csv", 2); }}),
    [](const ::testing::TestParamInfo<TINCase>& p) { return std::string(p.param.name); });

}  // namespace
