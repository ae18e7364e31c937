// Flat triangle removal on hand-made triangulations: which neighbour a flat
// triangle flips towards, which flips are refused (breakline edges, reflex
// quadrilaterals, a better flip further on through the flat area), and that
// a ring of flat triangles ends the look-further walk.
#include <gtest/gtest.h>

#include <cmath>

#include "BrklnFixture.h"
#include "plugin/triangulate/FlatTriangles.h"
#include "plugin/triangulate/Tolerances.h"
#include "plugin/triangulate/ULandUtils.h"

namespace {

class Flat : public BrklnTest {
 protected:
  // Flat T = A (0,0), B (0,100), C (100,0) with sloping neighbours across
  // A–B (to L), B–C (to H) and C–A (to D).  Angle sums at the ends of the
  // common edge: 212.3° towards L, 151.9° towards H, 196.9° towards D.
  TTIN* ThreeSloping(const std::vector<std::pair<std::vector<int>, bool>>& brklns = {{{3}, false}}) {
    return HandTIN({{0, 0, 0}, {0, 100, 0}, {100, 0, 0}, {-40, 50, 10}, {80, 80, 10}, {50, -30, 10}},
                   {{0, 1, 2}, {1, 0, 3}, {2, 1, 4}, {0, 2, 5}}, brklns);
  }
  TTINTriangle* First(const TTIN* tin) { return Triangles(tin).front(); }
};

TEST_F(Flat, FlipGoesToTheSmallestAngleSumAndNeverAcrossABreakline) {
  TTIN* tin = ThreeSloping();
  EXPECT_EQ(CheckTriToFillConcavity(First(tin), tin), kNoErr);
  EXPECT_TRUE(HasEdge(tin, 0, 4));
  EXPECT_FALSE(HasEdge(tin, 1, 2));
  EXPECT_TRUE(TINIsValid(tin, TTINCheckOptions{false, true}));

  tin = ThreeSloping({{{1, 2}, false}});  // B–C is a breakline: next best is D
  CheckTriToFillConcavity(First(tin), tin);
  EXPECT_TRUE(HasEdge(tin, 1, 5));
  EXPECT_TRUE(HasEdge(tin, 1, 2));

  tin = ThreeSloping({{{0, 1, 2}, true}});  // every sloping neighbour across a breakline
  const std::vector<std::string> before = Shape(tin);
  FillConcavities(tin);
  EXPECT_EQ(Shape(tin), before);
}

TEST_F(Flat, NothingChangesWithoutBreaklinesOrWithTheOptionOff) {
  TTIN* tin = ThreeSloping({});
  const std::vector<std::string> before = Shape(tin);
  EXPECT_EQ(FillConcavities(tin), kNoErr);
  EXPECT_EQ(Shape(tin), before);
  tin = ThreeSloping();
  tin->fTINParams.useBrklns = false;
  FillConcavities(tin);
  EXPECT_EQ(Shape(tin), before);
  tin->fTINParams.useBrklns = true;
  FillConcavities(tin);
  EXPECT_NE(Shape(tin), before);
}

TEST_F(Flat, AQuadrilateralReflexOrStraightAtAnEndOfTheCommonEdgeIsNotFlipped) {
  // Flat A (0,0), B (0,100), C (100,0) and a sloping H across B–C.  H one
  // unit below the line A–C beyond C makes the inner angle at C reflex, on
  // the line a straight angle (the flip would leave A, C, H as a triangle
  // without area), one unit above convex: only then is the flip made.  The
  // same at B, with H beside the line A–B beyond B.
  for (const int side : {-1, 0, 1}) {
    for (const bool atC : {true, false}) {
      const XYZ h = atC ? XYZ{110, side, 10} : XYZ{side, 110, 10};
      TTIN* tin = HandTIN({{0, 0, 0}, {0, 100, 0}, {100, 0, 0}, h}, {{0, 1, 2}, {2, 1, 3}},
                          {{{3}, false}});
      FillConcavities(tin);
      EXPECT_EQ(HasEdge(tin, 0, 3), side > 0) << (atC ? "at C, " : "at B, ") << "side " << side;
      EXPECT_TRUE(TINIsValid(tin, TTINCheckOptions{false, true}));
    }
  }
}

TEST_F(Flat, OfTwoFlipsWithEqualAngleSumsTheFirstEdgeWins) {
  // Flat A (0,0), B (10,45), C (20,0) with mirror-image sloping neighbours L
  // across A–B (edge 0) and H across B–C (edge 1): the two angle sums are
  // equal, also in double arithmetic, and neither edge is T's shortest.
  // Edge 0 wins, so A–B flips to C–L; L one unit further out makes edge 1's
  // sum the smaller, one unit further in keeps edge 0 ahead.
  const XYZ a{0, 0, 0}, b{10, 45, 0}, c{20, 0, 0};
  auto sum = [](const XYZ& p, const XYZ& s, const XYZ& r, const XYZ& q) {
    auto pt = [](const XYZ& v) { return KVPoint2D{v.y, v.x}; };
    return GetAngleAtVertex(pt(p), pt(s), pt(q)) + (kTwoPi - GetAngleAtVertex(pt(p), pt(r), pt(q)));
  };
  const XYZ h{60, 19, 5};
  ASSERT_EQ(sum(c, a, b, {-40, 19, 5}), sum(a, b, c, h));
  ASSERT_GT(sum(c, a, b, {-41, 19, 5}), sum(a, b, c, h));
  ASSERT_LT(sum(c, a, b, {-39, 19, 5}), sum(a, b, c, h));
  for (const int lx : {-40, -41, -39}) {
    const XYZ l{lx, 19, 5};
    const double sum0 = sum(c, a, b, l), sum1 = sum(a, b, c, h);
    TTIN* tin = HandTIN({a, b, c, l, h}, {{0, 1, 2}, {1, 0, 3}, {2, 1, 4}}, {{{3}, false}});
    FillConcavities(tin);
    const bool edge0 = sum0 <= sum1;
    EXPECT_EQ(HasEdge(tin, 2, 3), edge0) << "L at x = " << lx;
    EXPECT_EQ(HasEdge(tin, 0, 4), !edge0) << "L at x = " << lx;
  }
}

TEST_F(Flat, ABetterFlipReachedThroughTheFlatAreaSuppressesTheFlip) {
  // T's only flip is across its shortest edge A–B; from its middle edge C–A
  // the walk crosses flat M (A, C, D) to the sloping K beyond C–D, which can
  // flip.  With C–D on a breakline that search fails and T flips.
  for (const bool cdIsBreakline : {false, true}) {
    TTIN* tin = HandTIN({{0, 0, 0}, {0, 60, 0}, {100, 0, 0}, {-40, 30, 10}, {45, -40, 0},
                         {112, -60, 10}},
                        {{0, 1, 2}, {1, 0, 3}, {0, 2, 4}, {4, 2, 5}},
                        {{cdIsBreakline ? std::vector<int>{2, 4} : std::vector<int>{3}, false}});
    CheckTriToFillConcavity(First(tin), tin);
    EXPECT_EQ(HasEdge(tin, 2, 3), cdIsBreakline);
    EXPECT_TRUE(TINIsValid(tin, TTINCheckOptions{false, true}));
  }
}

TEST_F(Flat, ARingOfFlatTrianglesEndsTheLookFurtherWalk) {
  // Eight flat triangles around a centre, rims shorter than spokes, spokes of
  // growing length: both walks from the first triangle run round the ring.
  std::vector<XYZ> pts{{0, 0, 0}};
  std::vector<std::array<int, 3>> tris;
  for (int k = 0; k < 8; ++k) {
    const double a = k * kTwoPi / 8, r = 100 + 3 * k;
    pts.push_back({int(std::lround(r * std::sin(a))), int(std::lround(r * std::cos(a))), 0});
  }
  for (int k = 0; k < 8; ++k) {
    const double b = k * kTwoPi / 8 + kTwoPi / 16;
    pts.push_back({int(std::lround(160 * std::sin(b))), int(std::lround(160 * std::cos(b))), 5});
    tris.push_back({0, 1 + k, 1 + (k + 1) % 8});
  }
  for (int k = 0; k < 8; ++k) tris.push_back({1 + (k + 1) % 8, 1 + k, 9 + k});
  TTIN* tin = HandTIN(pts, tris, {{{9}, false}});
  EXPECT_EQ(FillConcavities(tin), kNoErr);
  EXPECT_TRUE(HasEdge(tin, 0, 9));
  EXPECT_TRUE(TINIsValid(tin, TTINCheckOptions{false, true}));
}

TEST_F(Flat, EdgeOrderAndHorizontalityBreakTiesByIndex) {
  TTIN* tin = HandTIN({{0, 0, 7}, {0, 10, 7}, {10, 0, 7}, {4, 3, 8}}, {{0, 1, 2}, {0, 1, 3}});
  const std::vector<TTINTriangle*> t = Triangles(tin);  // lengths 10, 14.1, 10 and 10, 8.1, 5
  std::array<std::int16_t, 3> e0, e1;
  SortEdgeIndicesByLength(t[0], &e0[0], &e0[1], &e0[2]);
  SortEdgeIndicesByLength(t[1], &e1[0], &e1[1], &e1[2]);
  EXPECT_EQ(e0, (std::array<std::int16_t, 3>{0, 2, 1}));
  EXPECT_EQ(e1, (std::array<std::int16_t, 3>{2, 1, 0}));
  EXPECT_TRUE(IsExactlyHorizontal(t[0]));
  EXPECT_FALSE(IsExactlyHorizontal(t[1]));
}

}  // namespace
