// Degenerate survey geometry through the create command: each input must end
// without crash or hang in a TIN that passes the invariant checker (and whose
// contours, area and stored form come out of the same commands), or in the
// error code the input calls for.
#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "plugin/triangulate/TINChecker.h"
#include "tests/plugin/shell/ErrorTables.h"
#include "tests/support/CommandFixture.h"

namespace {

struct P3 {
  std::int32_t x, y, z;
};

struct Shape {
  std::string name;
  std::vector<P3> points;
  std::vector<std::vector<P3>> breaklines;
  std::string interval;                 // contour interval typed in the dialog ("" keeps the default)
  std::optional<TErr> expected;         // the code the input calls for; none: it must build
  std::vector<TErr> alsoAcceptable;     // codes the input may give instead of a TIN
};

Shape Case(std::string name, std::vector<P3> points, std::vector<std::vector<P3>> breaklines, std::string interval,
           std::optional<TErr> expected = std::nullopt, std::vector<TErr> alsoAcceptable = {}) {
  return Shape{std::move(name), std::move(points), std::move(breaklines), std::move(interval), expected,
               std::move(alsoAcceptable)};
}

// Contour tracing stops with 0xE0002 when truncation to whole world units
// makes two consecutive points of a contour equal, which extreme elevations
// and a breakline crossing inside a one-metre cell can bring about.
constexpr TErr kErrRepeatedPointCode = 0xE0002;

std::vector<P3> Grid(int n, double angle, std::int32_t spacing, std::int32_t (*z)(int, int)) {
  std::vector<P3> out;
  const double c = std::cos(angle), s = std::sin(angle);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      out.push_back({static_cast<std::int32_t>(std::lround((i * c - j * s) * spacing)),
                     static_cast<std::int32_t>(std::lround((i * s + j * c) * spacing)), z(i, j)});
  return out;
}

std::int32_t Slope(int i, int j) { return 100000 + i * 1000 + j * 500; }
std::int32_t Flat(int, int) { return 5000; }
// A plateau at 5 with a pit in the middle and a drop at the rim: a flat ring.
std::int32_t PlateauWithHole(int i, int j) {
  const int r = std::max(std::abs(i - 4), std::abs(j - 4));
  return r == 0 ? 2000 : r == 4 ? 1000 : 5000;
}

std::vector<Shape> Shapes() {
  constexpr std::int32_t M = INT_MAX;  // 2^31 - 1
  std::vector<Shape> s;
  s.push_back(Case("unrotated grid", Grid(6, 0, 1000, Slope), {}, "0.5"));
  s.push_back(Case("grid rotated 30 degrees", Grid(6, M_PI / 6, 1000, Slope), {}, "0.5"));
  {
    // On the diagonal lattice every square's corners are exactly cocircular.
    std::vector<P3> pts;
    for (int i = -3; i <= 3; ++i)
      for (int j = -3; j <= 3; ++j)
        if ((i + j) % 2 == 0) pts.push_back({i * 1000, j * 1000, Slope(i + 3, j + 3)});
    s.push_back(Case("grid rotated 45 degrees", pts, {}, "0.5"));
  }
  {
    std::vector<P3> pts;
    for (int i = 0; i < 12; ++i) pts.push_back({i * 1000, 2 * i * 1000 + 7, 100 * i});
    s.push_back(Case("all points collinear", pts, {}, "", kErrFanCollinear));
  }
  {
    // Integer points on the circle of radius 25.
    std::vector<P3> pts;
    const int r[][2] = {{0, 25}, {7, 24}, {15, 20}, {20, 15}, {24, 7}};
    for (auto [a, b] : r)
      for (int sx : {1, -1})
        for (int sy : {1, -1}) pts.push_back({sx * a * 1000, sy * b * 1000, 1000 + a * 37 + b * 11});
    s.push_back(Case("all points cocircular", pts, {}, "0.1"));
  }
  {
    std::vector<P3> pts = Grid(5, 0, 1000, Slope);
    for (int k = 0; k < 25; k += 3) pts.push_back({pts[k].x, pts[k].y, pts[k].z + 777});
    s.push_back(Case("duplicate XY with different z", pts, {}, "0.5"));
    s.push_back(Case("three points at one XY", {{5, 5, 1}, {5, 5, 2}, {5, 5, 3}}, {}, "0.5", kErrTooFewVertices));
  }
  s.push_back(Case("coordinates at the 32-bit limits",
               {{-M, -M, 0}, {M, -M, 1000}, {M, M, 2000}, {-M, M, 3000}, {0, 0, 1500}, {M / 3, -M / 5, 700}},
               {},
               "0.5"));
  s.push_back(Case("elevations at the 32-bit limits",
               {{0, 0, -M}, {10000, 0, M}, {10000, 10000, -M}, {0, 10000, M}, {5000, 5000, 0}, {2000, 7000, M - 1}},
               {},
               "",
               std::nullopt,
               {kErrRepeatedPointCode}));
  s.push_back(Case("breaklines crossing in an X",
               Grid(6, 0, 1000, Slope),
               {{{500, 500, 100200}, {4500, 4400, 104800}}, {{500, 4400, 102700}, {4500, 600, 104700}}},
               "0.5",
               std::nullopt,
               {kErrRepeatedPointCode}));
  s.push_back(Case("breaklines meeting in a T",
               Grid(6, 0, 1000, Slope),
               {{{500, 2500, 101700}, {4500, 2500, 105600}}, {{2500, 500, 102800}, {2500, 2500, 103700}}},
               "0.5"));
  s.push_back(Case("breakline along a hull edge", Grid(6, 0, 1000, Slope), {{{0, 0, 100000}, {5000, 0, 105000}}}, "0.5"));
  s.push_back(Case("breakline across the whole hull",
               Grid(6, 0, 1000, Slope),
               {{{0, 0, 100000}, {5000, 5000, 107500}, {0, 5000, 102500}}},
               "0.5"));
  {
    // A vertex so close to the hull side between two corners that the hull
    // walk may take it as collinear: a breakline to it runs along the side.
    std::vector<P3> pts = Grid(5, 0, 100000, Slope);
    s.push_back(Case("breakline to a vertex nearly on a hull side",
                 pts,
                 {{{200000, -3, 101000}, {200000, 200000, 102000}}},
                 "1",
                 std::nullopt,
                 {TErr{0x90018}, kErrNoTriangleForVtx}));
  }
  s.push_back(Case("contour levels at vertex elevations", Grid(6, 0, 1000, [](int i, int j) { return (i + j) * 1000; }),
               {}, "1"));
  s.push_back(Case("flat plateau with a hole", Grid(9, 0, 1000, PlateauWithHole), {}, "1"));
  s.push_back(Case("everything flat", Grid(5, 0, 1000, Flat), {}, "1"));
  return s;
}

class DegenerateGeometry : public CommandTest, public ::testing::WithParamInterface<Shape> {};

TEST_P(DegenerateGeometry, BuildsAValidTINOrGivesTheCodeItCallsFor) {
  const Shape& shape = GetParam();
  MakeCurrent("Ground");
  auto& doc = host.document();
  for (const P3& p : shape.points) doc.select(doc.addLocus(Layer("Ground"), p.x, p.y, p.z));
  for (const auto& line : shape.breaklines) {
    tinhost::ObjId poly = doc.createObject(kKVTypePoly3D);
    for (const P3& p : line) doc.addVertex(poly, tinhost::Vertex{p.x, p.y, p.z, 0});
    doc.addToContainer(poly, Layer("Ground"));
    doc.select(poly);
  }
  tinhost::DialogScript answers = tinhost::DialogScript{}
                                      .check("want2DCntr", true)
                                      .check("want3DCntr", true)
                                      .check("labelCntrs", true)
                                      .check("want3DTris", true)
                                      .check("wantHull", true)
                                      .check("useBrklns", !shape.breaklines.empty())
                                      .check("notResident", false);
  if (!shape.interval.empty()) answers.text("contourInterval", shape.interval);
  host.dialogs().answers().always(11006) = answers;

  const TErr err = mgr->CreateTIN();
  if (shape.expected) {
    EXPECT_EQ(err, *shape.expected) << std::hex << err;
    return;
  }
  if (err != kNoErr) {
    EXPECT_TRUE(std::find(shape.alsoAcceptable.begin(), shape.alsoAcceptable.end(), err) !=
                shape.alsoAcceptable.end())
        << "code 0x" << std::hex << err;
    EXPECT_TRUE(IsKnownErrorCode(err));
    return;
  }
  ASSERT_EQ(mgr->GetNumOfTINs(), 1);
  char msg[256];
  TTINCheckOptions options;
  options.delaunay = shape.breaklines.empty();
  EXPECT_TRUE(CheckTIN(mgr->GetTINByNum(1), options, msg, sizeof msg)) << msg;

  // The same TIN through the stored form and the report commands.
  ASSERT_EQ(mgr->SaveAllTINs(), kNoErr);
  host.dialogs().answers().placeReportText(false);
  std::int32_t touched = 1;
  EXPECT_EQ(mgr->CalcArea(&touched), kNoErr);
  EXPECT_EQ(mgr->CalcCutFillDatum(&touched), kNoErr);
}

INSTANTIATE_TEST_SUITE_P(Stress, DegenerateGeometry, ::testing::ValuesIn(Shapes()),
                         [](const ::testing::TestParamInfo<Shape>& p) {
                           std::string n;
                           for (char c : p.param.name) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return n;
                         });

}  // namespace
