// The area and cut-and-fill reports as the user meets them in the host: the
// text shown, the units, the place-text box, non-resident TINs rebuilt and
// freed, the memory check, and the number and string helpers.
#include "AnalysisFixture.h"
#include "plugin/analysis/AnalysisErrors.h"
#include "plugin/analysis/ReportText.h"
#include "plugin/triangulate/TriangulateErrors.h"

namespace {

class Report : public AnalysisTest {
 protected:
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (tinhost::ObjId id : host.document().walk(tinhost::WalkScope::All))
      if (host.document().get(id).type == kKVTypeText) out.push_back(host.document().get(id).text.str());
    return out;
  }
  std::string Shown() { return host.dialogs().reports().empty() ? "" : host.dialogs().reports().back().text; }
  void Units(std::int32_t worldPerUnit) {
    tinhost::UnitsRecord u = host.document().units();
    u.worldPerUnit = worldPerUnit;
    host.document().setUnits(u);
  }
  TTIN* RightTriangle() { return OneTriangle({0, 0, 1000}, {0, 3000, 1000}, {4000, 0, 4000}); }
  std::int32_t touched = -1;
};

TEST_F(Report, ReportsInDrawingUnitsArePlacedOnlyWhenTicked) {
  TTIN* tin = RightTriangle();
  host.dialogs().answers().placeReportText(false);
  ASSERT_EQ(tin->CalcArea(&touched), kNoErr);
  EXPECT_EQ(Shown(), "Planimetric area: 6.00");
  EXPECT_EQ(touched, 1);
  ASSERT_EQ(tin->CalcCutFillDatum(&touched), kNoErr);
  EXPECT_EQ(Shown(), "Volumes against the datum: 12.00, 0.00");
  tin->fTINParams.normalTIN = false;
  ASSERT_EQ(tin->CalcCutFillDatum(&touched), kNoErr);
  EXPECT_EQ(Shown(), "Volumes against the datum: 0.00, 12.00") << "a difference TIN swaps the two";
  EXPECT_TRUE(Texts().empty());

  host.dialogs().answers().always(tinhost::kResultDialog) = tinhost::DialogScript{}.check(3, true).cancelled();
  ASSERT_EQ(tin->CalcArea(&touched), kNoErr);
  EXPECT_EQ(touched, 1) << "cancelled with the box ticked";
  EXPECT_TRUE(Texts().empty());

  Units(100);  // area divided by 100 twice, volumes three times
  host.dialogs().answers().placeReportText(true);
  ASSERT_EQ(tin->CalcArea(&touched), kNoErr);
  EXPECT_EQ(touched, 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Planimetric area: 600.00"});
  tin->fTINParams.normalTIN = true;
  tin->fTINParams.datumElev = 3000;  // crossing; mean height 2000 gives −6000 net
  ASSERT_EQ(tin->CalcCutFillDatum(&touched), kNoErr);
  double above = 0, below = 0;
  ASSERT_EQ(std::sscanf(Texts().at(1).c_str(), "Volumes against the datum: %lf, %lf", &above, &below), 2);
  EXPECT_NEAR(above - below, -6000.0, 0.011);

  TTIN* empty = NewTIN("Empty");
  empty->fTINParams.notResident = false;
  host.dialogs().answers().placeReportText(false);
  ASSERT_EQ(empty->CalcArea(&touched), kNoErr);
  EXPECT_EQ(Shown(), "Planimetric area: 0.00");
  ASSERT_EQ(empty->CalcCutFillDatum(&touched), kNoErr);
  EXPECT_EQ(Shown(), "Volumes against the datum: 0.00, 0.00");
}

TEST_F(Report, NonResidentTINIsRebuiltForTheReportAndFreedAfterIt) {
  const std::vector<XYZ> pts = ReadPointsCSV("mass_topo/mass_topo_points.csv", 3);
  TTIN* resident = Built(pts, "Topo");
  AddLoci(pts, "Topo2");
  TTIN* kept = NewTIN("Topo2");
  ASSERT_TRUE(kept->fTINParams.notResident);
  kept->fTINParams.datumElev = resident->fTINParams.datumElev = 800000;  // 800 ft
  Units(1000);
  host.dialogs().answers().placeReportText(true);
  ASSERT_EQ(resident->CalcArea(&touched), kNoErr);
  EXPECT_EQ(Shown(), "Planimetric area: 89975.00");
  ASSERT_EQ(kept->CalcArea(&touched), kNoErr);
  EXPECT_EQ(Shown(), "Planimetric area: 89975.00");
  EXPECT_EQ(touched, 0) << "the text is placed (over the hull) before the surface is freed";
  EXPECT_EQ(kept->fTINVtxListByZ, nullptr);
  EXPECT_EQ(kept->fTINTriangleList, nullptr);
  EXPECT_EQ(kept->fConvexHullVtxList, nullptr);
  ASSERT_EQ(resident->CalcCutFillDatum(&touched), kNoErr);
  const std::string volumes = Shown();
  ASSERT_EQ(kept->CalcCutFillDatum(&touched), kNoErr);
  EXPECT_EQ(Shown(), volumes);
  EXPECT_EQ(kept->fTINTriangleList, nullptr);
  EXPECT_EQ(Texts().size(), 4u);

  // A rebuild that fails ends the report before any dialog.
  AddLoci({{0, 0, 1}, {10, 0, 1}}, "Two");
  TTIN* broken = NewTIN("Two");
  const std::size_t shown = host.dialogs().reports().size();
  EXPECT_EQ(broken->CalcArea(&touched), kErrTooFewVertices);
  EXPECT_EQ(broken->CalcCutFillDatum(&touched), kErrTooFewVertices);
  EXPECT_EQ(touched, 1);
  EXPECT_EQ(host.dialogs().reports().size(), shown);
}

TEST_F(Report, OnlyTheAreaReportChecksMemoryFirst) {
  TTIN* tin = RightTriangle();
  host.memory().overrideFreeMem(4096);
  host.memory().overridePurgeSpace(4096, 4096);
  EXPECT_EQ(tin->CalcArea(&touched), kErrMemLowAreaReport);
  EXPECT_TRUE(host.dialogs().reports().empty());
  EXPECT_EQ(tin->CalcCutFillDatum(&touched), kNoErr);
  EXPECT_EQ(host.dialogs().reports().size(), 1u);
}

TEST_F(Report, NumbersAndAppendingKeepWithinTheirCapacities) {
  const KVCallback cb = host.callbacks();
  TNumberText n;
  FormatNumber(cb, -2.5, n);
  EXPECT_EQ(PView(n), "-2.50");
  Str255 full;
  FormatFixed2(cb, 1e30, full);
  FormatNumber(cb, 1e30, n);
  EXPECT_EQ(PLen(n), 29);
  EXPECT_EQ(PView(full).substr(0, 29), PView(n));
  EXPECT_GT(PLen(full), 29);

  // {have, add, result}: at capacity 255 a text keeps at most 254 characters.
  for (auto [have, add, result] : {std::array<int, 3>{0, 10, 10}, {200, 54, 254}, {200, 55, 254},
                                   {250, 10, 254}, {254, 3, 254}, {0, 255, 254}}) {
    Str255 dst, src;
    PFromView(dst, std::string(have, 'a'), 255);
    PFromView(src, std::string(add, 'b'), 255);
    AppendString(dst, src, kReportCapacity);
    EXPECT_EQ(PView(dst), std::string(have, 'a') + std::string(result - have, 'b')) << have << " + " << add;
  }
  // The cut-and-fill text keeps long numbers whole: 4e27 has 28 digits.
  TTIN* tin = OneTriangle({0, 0, 2000000000}, {0, 2000000000, 2000000000}, {2000000000, 0, 2000000000});
  Units(1);
  ASSERT_EQ(tin->CalcCutFillDatum(&touched), kNoErr);
  const std::string prefix = "Volumes against the datum: 4";
  EXPECT_EQ(Shown().substr(0, prefix.size()), prefix);
  EXPECT_EQ(Shown().find(", "), prefix.size() - 1 + 28 + 3) << Shown();
}

}  // namespace
