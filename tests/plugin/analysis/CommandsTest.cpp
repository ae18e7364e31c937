// The analysis commands end to end through the manager and the in-process
// host: TINs made from selected survey points with the create command, the
// chooser picking the TIN, the difference command with its dialog, and the
// reports the user reads.
#include <cstdio>

#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTINVtx.h"
#include "tests/support/CommandFixture.h"
#include "tests/support/PointSets.h"

namespace {

class AnalysisCommands : public CommandTest {
 protected:
  TTIN* CreateFrom(const std::vector<XYZ>& pts, const std::string& layer) {
    host.document().clearSelection();
    MakeCurrent(layer);
    for (const XYZ& p : pts) host.document().select(host.document().addLocus(Layer(layer), p.x, p.y, p.z));
    PlainTINAnswers();
    const std::int32_t before = mgr->GetNumOfTINs();
    EXPECT_EQ(mgr->CreateTIN(), kNoErr) << layer;
    return mgr->GetNumOfTINs() > before ? mgr->GetTINByNum(mgr->GetNumOfTINs()) : nullptr;
  }
  // The two numbers of the last cut-and-fill report.
  std::pair<double, double> LastVolumes() {
    double first = 0, second = 0;
    const std::string text = host.dialogs().reports().back().text;
    EXPECT_EQ(std::sscanf(text.c_str(), "Volumes against the datum: %lf, %lf", &first, &second), 2) << text;
    return {first, second};
  }
  void Units(std::int32_t worldPerUnit) {
    tinhost::UnitsRecord u = host.document().units();
    u.worldPerUnit = worldPerUnit;
    host.document().setUnits(u);
  }
};

TEST_F(AnalysisCommands, AreaOfARealSurveyThroughTheChooser) {
  Units(1000);  // millimetres
  CreateFrom(ReadPointsCSV("autzen_bmx/bmx2023_points.csv", 3), "Track2023");
  CreateFrom(ReadPointsCSV("autzen_bmx/bmx2010_points.csv", 3), "Track2010");
  host.dialogs().answers().chooseTIN(2);
  host.dialogs().answers().placeReportText(true);
  std::int32_t touched = 1;
  ASSERT_EQ(mgr->CalcArea(&touched), kNoErr);
  EXPECT_EQ(host.dialogs().reports().back().text, "Planimetric area: 1012.58");  // 1,012.5837 m²
  EXPECT_EQ(touched, 0);
  EXPECT_EQ(CountClass(kClassResultText), 1u);
}

// A design surface (a tilted plane over the ground's hull) minus the existing
// ground: the difference TIN has the ground's points, so its signed volume is
// the design's minus the ground's against any datum, and the report names
// the cut (design below ground) first.
TEST_F(AnalysisCommands, DesignMinusGroundBalancesTheTwoSurfacesVolumes) {
  Units(1000);
  TTIN* ground = CreateFrom(ReadPointsCSV("autzen_bmx/bmx2010_points.csv", 3), "Ground");
  ASSERT_NE(ground, nullptr);
  std::vector<XYZ> design;
  for (TLinkNode* n = ground->fConvexHullVtxList->fFirst; n != nullptr; n = n->next) {
    const auto* v = static_cast<const TTINVtx*>(n->item);
    // Sloping 2 % along x through 428.5 ft at the track's middle.
    design.push_back({v->x, v->y, 428500 + (v->x - 194490000) / 50});
  }
  TTIN* pad = CreateFrom(design, "Design");
  ASSERT_EQ(mgr->GetNumOfTINs(), 2);

  MakeCurrent("Earthwork");
  // One contour per foot of difference: contours at a finer interval stop on
  // this data with two equal consecutive points (0xE0002), in the ground TIN too.
  host.dialogs().answers().always(11007).check(30, false).check(38, false).text(16, "1");
  ASSERT_EQ(mgr->CreateDiffTIN(), kNoErr);
  ASSERT_EQ(mgr->GetNumOfTINs(), 3);
  TTIN* diff = mgr->GetTINByNum(3);
  EXPECT_FALSE(diff->fTINParams.normalTIN);
  EXPECT_EQ(diff->fInnerTIN, pad);
  EXPECT_EQ(diff->fOuterTIN, ground);
  EXPECT_EQ(sorted_list_literal::CountItems(*diff->fTINTriangleList), sorted_list_literal::CountItems(*ground->fTINTriangleList));

  std::int32_t touched = 1;
  const std::int32_t datum = 420000;
  ground->fTINParams.datumElev = pad->fTINParams.datumElev = datum;
  ASSERT_EQ(ground->CalcCutFillDatum(&touched), kNoErr);
  const auto [groundAbove, groundBelow] = LastVolumes();
  ASSERT_EQ(pad->CalcCutFillDatum(&touched), kNoErr);
  const auto [padAbove, padBelow] = LastVolumes();
  ASSERT_EQ(diff->CalcCutFillDatum(&touched), kNoErr);
  const auto [cut, fill] = LastVolumes();  // below the 0 datum first
  EXPECT_GT(cut, 1.0);
  EXPECT_GT(fill, 1.0);
  // The difference takes the ground's points, where the ground's elevations
  // are exact and the design's are its plane truncated toward zero: positive
  // values, so each lies up to one world unit (0.001 ft) low.  The signed
  // volume of the difference is therefore the two surfaces' balance less at
  // most the area (1012.58 m²) times 0.001 ft, each figure rounded to 0.01.
  const double balance = (padAbove - padBelow) - (groundAbove - groundBelow);
  EXPECT_LE(fill - cut, balance + 0.03);
  EXPECT_GE(fill - cut, balance - 1012.59 * 0.001 - 0.03)
      << "cut " << cut << ", fill " << fill << "; design " << padAbove << "/" << padBelow
      << ", ground " << groundAbove << "/" << groundBelow;
  std::printf("design minus ground: cut %.2f, fill %.2f; design %.2f and ground %.2f above %d (m2 ft)\n", cut,
              fill, padAbove - padBelow, groundAbove - groundBelow, datum);
}

}  // namespace
