// Azimuths, angle arithmetic, distances and the circumcentre's branches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "plugin/triangulate/Tolerances.h"
#include "plugin/triangulate/ULandUtils.h"

namespace {

KVPoint2D Pt(std::int32_t x, std::int32_t y) { return KVPoint2D{y, x}; }

TEST(Azimuth, AxisDirectionsAndQuadrants) {
  const KVPoint2D o = Pt(5, 5);
  EXPECT_EQ(GetAzimuth(o, o), kPi);  // identical points
  EXPECT_EQ(GetAzimuth(o, Pt(5, 9)), 0.0);
  EXPECT_EQ(GetAzimuth(o, Pt(9, 5)), kHalfPi);
  EXPECT_EQ(GetAzimuth(o, Pt(5, 1)), kPi);
  EXPECT_EQ(GetAzimuth(o, Pt(1, 5)), 3 * kHalfPi);
  EXPECT_NEAR(GetAzimuth(o, Pt(6, 6)), kPi / 4, 1e-15);
  EXPECT_NEAR(GetAzimuth(o, Pt(6, 4)), 3 * kPi / 4, 1e-15);
  EXPECT_NEAR(GetAzimuth(o, Pt(4, 4)), 5 * kPi / 4, 1e-15);
  EXPECT_NEAR(GetAzimuth(o, Pt(4, 6)), 7 * kPi / 4, 1e-15);
  // Differences across the whole 32-bit range do not wrap.
  EXPECT_NEAR(GetAzimuth(Pt(INT32_MIN, INT32_MIN), Pt(INT32_MAX, INT32_MAX)), kPi / 4, 1e-9);
}

TEST(AngleArithmetic, NormalizeDifferenceAndTolerance) {
  EXPECT_NEAR(NormalizeAngle(-0.5), kTwoPi - 0.5, 1e-15);
  EXPECT_NEAR(NormalizeAngle(3 * kTwoPi + 1.0), 1.0, 1e-12);
  EXPECT_EQ(NormalizeAngle(kTwoPi), 0.0);

  std::int16_t dir = 99;
  EXPECT_EQ(GetAngleDifference(1.25, 1.25, &dir), 0.0);
  EXPECT_EQ(dir, 0);
  EXPECT_NEAR(GetAngleDifference(0.1, 6.2, &dir), 6.1 - kTwoPi, 1e-12);
  EXPECT_EQ(dir, -1);
  EXPECT_NEAR(GetAngleDifference(6.2, 0.1, &dir), 0.183185, 1e-6);
  EXPECT_EQ(dir, 1);
  EXPECT_EQ(GetAngleDifference(0.0, kPi, &dir), kPi);  // exactly π stays +π
  EXPECT_EQ(dir, 1);

  EXPECT_EQ(CompareWithTolerance(1.0, 1.0 + 1e-8, 1e-7), 0);
  EXPECT_EQ(CompareWithTolerance(1.0, 1.1, 0.1 + 1e-12), 0);
  EXPECT_EQ(CompareWithTolerance(1.0, 2.0, 0.5), -1);
  EXPECT_EQ(CompareWithTolerance(2.0, 1.0, 0.5), 1);
  // A difference of exactly the tolerance counts as equal, on both sides.
  EXPECT_EQ(CompareWithTolerance(1.0, 1.5, 0.5), 0);
  EXPECT_EQ(CompareWithTolerance(1.5, 1.0, 0.5), 0);
  EXPECT_EQ(CompareWithTolerance(1.0, 1.5, 0.5 - 0x1p-52), -1);
  EXPECT_EQ(CompareWithTolerance(1.5, 1.0, 0.5 - 0x1p-52), 1);
}

TEST(Distance, AxisAlignedExactAndNeverNegative) {
  EXPECT_EQ(GetDistance(Pt(0, 0), Pt(0, -7)), 7.0);
  EXPECT_EQ(GetDistance(Pt(-3, 2), Pt(4, 2)), 7.0);
  EXPECT_EQ(GetDistance(Pt(0, 0), Pt(3, 4)), 5.0);
  EXPECT_EQ(GetDistance(TRealPt{0.5, 0.25}, TRealPt{0.5, -1.75}), 2.0);
  EXPECT_EQ(GetDistance(Pt(INT32_MIN, 0), Pt(INT32_MAX, 0)), 4294967295.0);
}

// The comparison through squares must answer as the distances themselves,
// near the tie above all: points on one circle about centres of every size
// (circumcentres of near-flat triangles lie far away), nudged by a few ulps.
TEST(Distance, AtLeastAnswersAsTheDistancesDoEvenAtTies) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> ulps(-4, 4);
  int ties = 0;
  for (int k = 0; k < 200000; ++k) {
    const double scale = std::ldexp(1.0, static_cast<int>(rng() % 140) - 20);
    const TRealPt o{unit(rng) * scale, unit(rng) * scale};
    const double r = std::fabs(unit(rng)) * scale + 1.0, t = unit(rng) * kPi;
    TRealPt a{o.y + r * std::sin(t), o.x + r * std::cos(t)};
    const TRealPt b = k % 3 == 0 ? TRealPt{std::round(o.y - r), std::round(o.x)} : TRealPt{o.y - r, o.x};
    for (int n = ulps(rng); n != 0; n += n > 0 ? -1 : 1) a.x = std::nextafter(a.x, n > 0 ? 1e308 : -1e308);
    const bool expected = GetDistance(o, a) >= GetDistance(o, b);
    ties += GetDistance(o, a) == GetDistance(o, b);
    ASSERT_EQ(DistanceAtLeast(o, a, b), expected) << k;
    ASSERT_EQ(DistanceAtLeast(o, b, a), GetDistance(o, b) >= GetDistance(o, a)) << k;
  }
  EXPECT_GT(ties, 1000);  // the ties were reached, not only clear cases
  const double nan = std::nan(""), inf = INFINITY;
  for (const TRealPt o : {TRealPt{nan, 0}, TRealPt{0, inf}, TRealPt{1e300, -1e300}, TRealPt{0, 0}})
    for (const TRealPt a : {TRealPt{0, 0}, TRealPt{3, 4}, TRealPt{1e-300, 0}})
      EXPECT_EQ(DistanceAtLeast(o, a, TRealPt{4, 3}), GetDistance(o, a) >= GetDistance(o, TRealPt{4, 3}));
}

TEST(AngleAtVertex, ClockwiseTurnFromSecondRayToFirst) {
  const KVPoint2D center = Pt(0, 0), east = Pt(10, 0), north = Pt(0, 10), west = Pt(-10, 0);
  // From north clockwise to east: a quarter turn; the other way three quarters.
  EXPECT_NEAR(GetAngleAtVertex(east, center, north), kHalfPi, 1e-15);
  EXPECT_NEAR(GetAngleAtVertex(north, center, east), 3 * kHalfPi, 1e-15);
  EXPECT_NEAR(GetAngleAtVertex(west, center, east), kPi, 1e-15);
  EXPECT_EQ(GetAngleAtVertex(north, center, north), 0.0);
}

struct CircumcenterCase {
  const char* branch;
  KVPoint2D c[3];  // corners relative to an offset
  double cx, cy;   // expected centre relative to the same offset
};

class Circumcenter : public ::testing::TestWithParam<std::int32_t> {};

// One triangle per branch of the formula (corner 1 is the local origin).
const CircumcenterCase kCases[] = {
    {"u horizontal, w vertical", {Pt(4, 0), Pt(0, 0), Pt(0, 6)}, 2, 3},
    {"u vertical, w horizontal", {Pt(0, 4), Pt(0, 0), Pt(6, 0)}, 3, 2},
    {"u horizontal", {Pt(4, 0), Pt(0, 0), Pt(3, 5)}, 2, 2.2},
    {"w horizontal", {Pt(3, 5), Pt(0, 0), Pt(4, 0)}, 2, 2.2},
    {"u vertical", {Pt(0, 4), Pt(0, 0), Pt(5, 3)}, 2.2, 2},
    {"w vertical", {Pt(5, 3), Pt(0, 0), Pt(0, 4)}, 2.2, 2},
    {"general", {Pt(1, 2), Pt(7, 3), Pt(4, 9)}, 0, 0},
};

TEST_P(Circumcenter, EveryBranchIsEquidistantFromTheCorners) {
  const std::int32_t off = GetParam();
  for (const CircumcenterCase& k : kCases) {
    KVPoint2D c[3];
    for (int i = 0; i < 3; ++i) c[i] = Pt(k.c[i].x + off, k.c[i].y + off);
    const TRealPt o = GetCircumcenter(c);
    const double r0 = GetDistance(o, TRealPt{double(c[0].y), double(c[0].x)});
    for (int i = 1; i < 3; ++i)
      EXPECT_NEAR(GetDistance(o, TRealPt{double(c[i].y), double(c[i].x)}), r0, 1e-6 * r0)
          << k.branch;
    if (k.cx != 0 || k.cy != 0) {
      EXPECT_NEAR(o.x - off, k.cx, 1e-6) << k.branch;
      EXPECT_NEAR(o.y - off, k.cy, 1e-6) << k.branch;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Offsets, Circumcenter, ::testing::Values(0, -1000, (1 << 30) - 20));

}  // namespace
