// Triangles split at a datum plane: the parts lie on their sides of the
// plane, their plan areas add up to the triangle's, and a plane through a
// triangle whose elevation is a linear function of y cuts it where that
// function says.
#include <gtest/gtest.h>

#include <random>

#include "tinhost/io/DatumSplit.h"

namespace tinhost::io {
namespace {

using Tri = std::array<SurfacePoint, 3>;

DatumAreas areasOf(const Tri& t, double datum) {
  StoredSurface s;
  s.vertices = {t[0], t[1], t[2]};
  s.triangles = {{0, 1, 2}};
  return areasAgainstDatum(s, datum);
}

TEST(DatumSplitTest, PlaneCutsATriangleWhereItsElevationMeetsTheDatum) {
  // z = y on a right triangle of legs 4 and 3 (area 6): above z = 1 lies the
  // tip similar to the whole at (3 - 1) / 3, with area 6 * 4/9.
  const Tri t{{{0, 0, 0}, {4, 0, 0}, {0, 3, 3}}};
  const DatumAreas a = areasOf(t, 1);
  EXPECT_NEAR(a.cut, 6.0 * 4 / 9, 1e-12);
  EXPECT_NEAR(a.fill, 6.0 - 6.0 * 4 / 9, 1e-12);
  EXPECT_EQ(a.level, 0);
  std::vector<DatumPart> parts;
  splitAtDatum(t, 1, parts);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].side, DatumSide::Cut);
  EXPECT_EQ(parts[0].corners.size(), 3u) << "one corner above: a triangle";
  EXPECT_EQ(parts[1].corners.size(), 4u) << "two corners below: a quadrilateral";
  EXPECT_GT(parts[0].depth, 0);
  EXPECT_LT(parts[1].depth, 0);
}

TEST(DatumSplitTest, CornersAtTheDatumDoNotSplit) {
  const Tri oneAt{{{0, 0, 5}, {10, 0, 7}, {0, 10, 9}}};
  EXPECT_EQ(areasOf(oneAt, 5).cut, 50) << "one corner at the datum, two above: all cut";
  EXPECT_EQ(areasOf(oneAt, 9).fill, 50) << "one corner at the datum, two below: all fill";
  const DatumAreas level = areasOf({{{0, 0, 5}, {10, 0, 5}, {0, 10, 5}}}, 5);
  EXPECT_EQ(level.level, 50);
  EXPECT_EQ(level.cut + level.fill, 0);
  // A corner on the datum with the others on either side: split through it.
  const DatumAreas through = areasOf({{{0, 0, 5}, {10, 0, 0}, {0, 10, 10}}}, 5);
  EXPECT_NEAR(through.cut, 25, 1e-12);
  EXPECT_NEAR(through.fill, 25, 1e-12);
}

TEST(DatumSplitTest, PartsCoverTheTriangleOnTheirOwnSides) {
  std::mt19937 rng(24);
  std::uniform_real_distribution<double> xy(-1000, 1000), z(-50, 50);
  for (int i = 0; i < 2000; ++i) {
    const Tri t{
        {{xy(rng), xy(rng), z(rng)}, {xy(rng), xy(rng), z(rng)}, {xy(rng), xy(rng), z(rng)}}};
    const double datum = i % 7 == 0 ? t[i % 3].z : z(rng);
    const double whole = planArea({t.begin(), t.end()});
    EXPECT_NEAR(areasOf(t, datum).total(), whole, 1e-9 * (whole + 1)) << i;
    std::vector<DatumPart> parts;
    splitAtDatum(t, datum, parts);
    for (const DatumPart& p : parts)
      for (const SurfacePoint& c : p.corners) {
        if (p.side == DatumSide::Cut) {
          EXPECT_GE(c.z, datum - 1e-9) << i;
        } else if (p.side == DatumSide::Fill) {
          EXPECT_LE(c.z, datum + 1e-9) << i;
        }
      }
  }
}

}  // namespace
}  // namespace tinhost::io
