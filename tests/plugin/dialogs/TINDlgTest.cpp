// The TIN parameters dialog through the in-process host: what it shows, what
// it writes back, every row of its validation, and the base TIN pop-ups of a
// difference TIN.
#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "DialogFixture.h"
#include "plugin/dialogs/TINDlg.h"
#include "tinhost/core/DrawingUnits.h"

namespace {

using tinhost::DialogRecord;
using tinhost::DialogScript;

TTIN* const kProvisionalBase = reinterpret_cast<TTIN*>(1);

// Registry: 1 Ground (0..10000 square, z 1000..5000), 2 Design (inside Ground,
// z 2000..3000), 3 Far (outside Ground), 4 Cut (a difference TIN), 5 Stored
// (keeps no geometry).
class TINDlgTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    ground = AddTIN("Ground", 0, 0, 10000, 1000, 5000);
    design = AddTIN("Design", 2000, 2000, 4000, 2000, 3000);
    far = AddTIN("Far", 50000, 0, 1000, 0, 100);
    TTIN* cut = AddTIN("Cut", 3000, 3000, 1000, -50, 50);
    cut->fTINParams.normalTIN = false;
    AddTIN("Stored")->fTINParams.notResident = true;
  }
  void TearDown() override {
    delete site;
    DialogTest::TearDown();
  }

  // The TIN being created: an ordinary one, or a difference TIN carrying the
  // provisional base marker.
  TTIN* NewSite(bool difference) {
    site = MakeTIN(difference ? "Site-diff" : "Site");
    site->fTINParams.normalTIN = !difference;
    if (difference) site->fInnerTIN = kProvisionalBase;
    return site;
  }
  // Runs the dialog on `tin` as the commands do; true when confirmed (the
  // values are then in the TIN's record).
  bool Run(TTIN* tin, std::int32_t low = 0, std::int32_t high = 10000) {
    auto* dlg = new TTINDlg();
    EXPECT_NE(dlg, nullptr);
    const TTINParams copy = tin->fTINParams;
    const bool ok = dlg->ITINDlg(cb(), tin, low, high, &copy) && dlg->DoDialog();
    if (ok) dlg->GetTINParams(&tin->fTINParams);
    dlg->Free();
    delete dlg;
    return ok;
  }
  const DialogRecord& Params() {
    for (auto it = host.dialogs().shown().rbegin(); it != host.dialogs().shown().rend(); ++it)
      if (it->resId == kTINDlgResource || it->resId == kDiffTINDlgResource) return *it;
    ADD_FAILURE() << "no parameters dialog was shown";
    return host.dialogs().shown().back();
  }
  std::string Length(std::int32_t world, bool withUnit) const {
    return tinhost::formatLength(world, host.document().units(), withUnit);
  }
  std::string Message(std::int16_t index) const { return host.resources().string(11100, index).value(); }
  void Answer(bool difference, DialogScript script) {
    answers().once(difference ? kDiffTINDlgResource : kTINDlgResource, std::move(script));
  }

  TTIN* ground = nullptr;
  TTIN* design = nullptr;
  TTIN* far = nullptr;
  TTIN* site = nullptr;
};

// ------------------------------------------------------------- contents

TEST_F(TINDlgTest, OrdinaryTINShowsItsParametersAndNoBaseItems) {
  NewSite(false);
  site->fTINParams.contourInterval = 250;
  Answer(false, DialogScript{}.cancelled());
  EXPECT_FALSE(Run(site, -1500, 8000));

  const DialogRecord& rec = Params();
  EXPECT_EQ(rec.resId, kTINDlgResource);
  for (const auto& item : rec.items)
    EXPECT_EQ(item.hidden, item.number >= 22 && item.number <= 28) << "item " << item.number;
  EXPECT_EQ(rec.itemText(13), "Site");
  EXPECT_EQ(rec.itemText(15), "Site-3D");
  EXPECT_EQ(rec.itemText(16), Length(250, false));
  EXPECT_EQ(rec.item(16)->coordFlag, 1);
  EXPECT_EQ(rec.itemText(21), Length(8000, false));
  EXPECT_EQ(rec.itemText(46), Length(9500, true));
  EXPECT_TRUE(rec.item(31)->checked);   // want3DTris
  EXPECT_FALSE(rec.item(32)->checked);  // want2DTris
  EXPECT_FALSE(rec.item(36)->checked);  // corner contours
  EXPECT_TRUE(rec.item(39)->checked);   // notResident
}

TEST_F(TINDlgTest, ConfirmedValuesAreWrittenBackButNotTheName) {
  NewSite(false);
  site->fTINParams.spareFlag = true;
  Answer(false, DialogScript{}
                    .text("layer2DName", "Site plan")
                    .text("layer3DName", "Site model")
                    .text("contourInterval", "0.5")
                    .text("indexContourEvery", "4")
                    .text("datumElev", "12.25")
                    .text("contourBaseElev", "0.1")
                    .text("lowContourElev", "2")
                    .text("highContourElev", "9")
                    .check("want2DCntr", false)
                    .check("want2DTris", true)
                    .check("wantHull", true)
                    .check("smooth2DCntr", false)
                    .check("notResident", false));
  ASSERT_TRUE(Run(site));

  const TTINParams& p = site->fTINParams;
  EXPECT_EQ(ToStd(p.tinName), "Site");
  EXPECT_EQ(ToStd(p.layer2DName), "Site plan");
  EXPECT_EQ(ToStd(p.layer3DName), "Site model");
  EXPECT_EQ(p.contourInterval, 500);
  EXPECT_EQ(p.indexContourEvery, 4);
  EXPECT_EQ(p.datumElev, 12250);
  EXPECT_EQ(p.contourBaseElev, 100);
  EXPECT_EQ(p.lowContourElev, 2000);
  EXPECT_EQ(p.highContourElev, 9000);
  EXPECT_EQ(p.cntr2DVtxKind, kContourCorners);
  EXPECT_FALSE(p.want2DCntr);
  EXPECT_TRUE(p.want2DTris);
  EXPECT_TRUE(p.wantHull);
  EXPECT_FALSE(p.notResident);
  EXPECT_TRUE(p.spareFlag);
  EXPECT_TRUE(p.normalTIN);
}

// Values that cannot be read fall back: the interval to one user unit, the
// index step to 5, elevations to 0; a negative interval is stored positive.
TEST_F(TINDlgTest, GetTINParamsFallsBackOnUnreadableItems) {
  NewSite(false);
  auto* dlg = new TTINDlg();
  const TTINParams copy = site->fTINParams;
  ASSERT_TRUE(dlg->ITINDlg(cb(), site, 0, 100, &copy));
  Answer(false, DialogScript{}.text("contourInterval", "-2.5").cancelled());
  EXPECT_FALSE(dlg->DoDialog());
  TTINParams out = site->fTINParams;
  dlg->GetTINParams(&out);
  EXPECT_EQ(out.contourInterval, 2500);
  for (std::int16_t item : {16, 17, 18, 21}) host.dialogs().putText(dlg->DialogRef(), item, "n/a");
  dlg->GetTINParams(&out);
  EXPECT_EQ(out.contourInterval, 1000);
  EXPECT_EQ(out.indexContourEvery, 5);
  EXPECT_EQ(out.datumElev, 0);
  EXPECT_EQ(out.highContourElev, 0);
  dlg->Free();
  delete dlg;
}

// ------------------------------------------------------------- validation

struct BadRow {
  const char* what;
  bool difference;  // a new difference TIN (else an ordinary one)
  DialogScript script;
  std::int16_t message;
  std::int16_t item;
};

std::vector<BadRow> BadRows() {
  const std::string name21(21, 'L');
  return {
      {"2D layer empty", false, DialogScript{}.text("layer2DName", ""), 9, 14},
      {"2D layer of 21 characters", false, DialogScript{}.text("layer2DName", name21), 14, 14},
      {"2D layer is another TIN's name", false, DialogScript{}.text("layer2DName", "Ground"), 10, 14},
      {"2D layer is another TIN's 3D layer", false, DialogScript{}.text("layer2DName", "Design-3D"), 10, 14},
      {"3D layer empty", false, DialogScript{}.text("layer3DName", ""), 9, 15},
      {"3D layer of 21 characters", false, DialogScript{}.text("layer3DName", name21), 14, 15},
      {"3D layer is another TIN's 2D layer", false, DialogScript{}.text("layer3DName", "Far-2D"), 10, 15},
      {"both layers alike", false, DialogScript{}.text("layer2DName", "Pad").text("layer3DName", "Pad"), 13, 15},
      {"interval 0", false, DialogScript{}.text("contourInterval", "0"), 12, 16},
      {"interval negative", false, DialogScript{}.text("contourInterval", "-1"), 12, 16},
      {"interval unreadable", false, DialogScript{}.text("contourInterval", "ten"), 12, 16},
      {"index step 0", false, DialogScript{}.text("indexContourEvery", "0"), 11, 17},
      {"index step unreadable", false, DialogScript{}.text("indexContourEvery", "x"), 11, 17},
      {"low contour unreadable", false, DialogScript{}.text("lowContourElev", "low"), 17, 20},
      {"high contour unreadable", false, DialogScript{}.text("highContourElev", "high"), 17, 21},
      {"first bad value wins", false,
       DialogScript{}.text("contourInterval", "0").text("layer3DName", "").text("layer2DName", ""), 9, 14},
      {"same base twice", true, DialogScript{}.choose("outerTIN", 2), 7, 16},
      {"missing base chosen", true, DialogScript{}.choose("outerTIN", "(none)"), 16, 16},
      {"base keeps no geometry", true, DialogScript{}.choose("innerTIN", 5), 17, 16},
      {"base is a difference TIN", true, DialogScript{}.choose("innerTIN", 4), 15, 16},
      {"inner base outside the outer", true, DialogScript{}.choose("innerTIN", 3), 8, 16},
      {"bases the wrong way round", true, DialogScript{}.choose("innerTIN", 1).choose("outerTIN", 2), 8, 16},
      {"missing checked before residence", true,
       DialogScript{}.choose("outerTIN", "(none)").choose("innerTIN", 5), 16, 16},
      {"residence checked before sameness", true,
       DialogScript{}.choose("outerTIN", 5).choose("innerTIN", 5), 17, 16},
      {"layer names checked before bases", true,
       DialogScript{}.choose("outerTIN", 2).text("layer2DName", "Far"), 10, 14},
  };
}

class BadValueTest : public TINDlgTest, public ::testing::WithParamInterface<BadRow> {};

TEST_P(BadValueTest, IsRefusedWithItsMessageAndTheItemSelected) {
  const BadRow& row = GetParam();
  NewSite(row.difference);
  Answer(row.difference, row.script);
  EXPECT_FALSE(Run(site));

  ASSERT_EQ(host.dialogs().alerts().size(), 1u);
  EXPECT_EQ(host.dialogs().alerts()[0].text, Message(row.message));
  EXPECT_EQ(host.dialogs().alerts()[0].detail, "");
  const DialogRecord& rec = Params();
  EXPECT_NE(rec.outcome.find("refused"), std::string::npos) << rec.outcome;
  for (const auto& item : rec.items) {
    const bool selected = item.number == row.item;
    EXPECT_EQ(item.selEnd, selected ? 32767 : 0) << "item " << item.number;
  }
  if (row.difference) {
    EXPECT_EQ(site->fInnerTIN, kProvisionalBase) << "bases are set only on success";
  }
  EXPECT_TRUE(host.diagnostics().empty()) << host.diagnostics().front();
}

INSTANTIATE_TEST_SUITE_P(EveryRow, BadValueTest, ::testing::ValuesIn(BadRows()),
                         [](const ::testing::TestParamInfo<BadRow>& row) {
                           std::string name;
                           for (const char* c = row.param.what; *c != 0; ++c)
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           return name;
                         });

TEST_F(TINDlgTest, TwentyCharacterLayerNamesAndTheTINsOwnNamesAreAccepted) {
  NewSite(false);
  Answer(false, DialogScript{}.text("layer2DName", std::string(20, 'A')).text("layer3DName", std::string(20, 'B')));
  ASSERT_TRUE(Run(site));
  EXPECT_EQ(ToStd(site->fTINParams.layer2DName), std::string(20, 'A'));

  // Changing a registered TIN: its own names are not "taken".
  EXPECT_TRUE(Run(ground));
  Answer(false, DialogScript{}.text("layer2DName", "Ground").text("layer3DName", "Ground-2D"));
  EXPECT_TRUE(Run(ground));
  EXPECT_TRUE(host.dialogs().alerts().empty());
}

// More than 50 contours need the user's consent; declining keeps the dialog
// open on the interval without a message.
TEST_F(TINDlgTest, ManyContoursAskFirst) {
  NewSite(false);
  const auto range = [](const char* high) {
    return DialogScript{}.text("contourInterval", "10").text("lowContourElev", "0").text("highContourElev", high);
  };
  Answer(false, range("500"));
  EXPECT_TRUE(Run(site)) << "50 contours";
  EXPECT_TRUE(host.dialogs().confirms().empty());

  Answer(false, range("1000"));
  answers().confirm(false);
  EXPECT_FALSE(Run(site));
  ASSERT_EQ(host.dialogs().confirms().size(), 1u);
  EXPECT_EQ(host.dialogs().confirms()[0].index, 16);
  EXPECT_TRUE(host.dialogs().alerts().empty());
  EXPECT_EQ(Params().item(16)->selEnd, 32767);

  Answer(false, range("1000"));
  answers().confirm(true);
  EXPECT_TRUE(Run(site));
}

TEST_F(TINDlgTest, AtTheTerminalARefusedValueKeepsTheDialogOpen) {
  NewSite(false);
  std::istringstream in("layer2DName =\nok\n\nlayer2DName = Site north\nok\n");
  std::ostringstream out;
  host.dialogs().setInteractive(&in, &out);
  ASSERT_TRUE(Run(site));
  EXPECT_EQ(ToStd(site->fTINParams.layer2DName), "Site north");
  ASSERT_EQ(host.dialogs().alerts().size(), 1u);
  EXPECT_EQ(host.dialogs().alerts()[0].text, Message(9));
}

// ------------------------------------------------------------- difference TINs

TEST_F(TINDlgTest, NewDifferenceTINOffersTheRegistryAndTheDifferenceRange) {
  NewSite(true);
  Answer(true, DialogScript{}.cancelled());
  EXPECT_FALSE(Run(site, 0, 0));
  const DialogRecord& rec = Params();
  EXPECT_EQ(rec.resId, kDiffTINDlgResource);
  const std::vector<std::string> names = {"Ground", "Design", "Far", "Cut", "Stored"};
  std::vector<std::string> withNone = names;
  withNone.push_back("(none)");
  EXPECT_EQ(rec.popUps.at(25).entries, withNone) << "the outer base may be missing";
  EXPECT_EQ(rec.popUps.at(26).entries, names) << "the provisional inner base is not missing";
  EXPECT_EQ(rec.popUps.at(25).choice, 1);
  EXPECT_EQ(rec.popUps.at(26).choice, 2);
  EXPECT_TRUE(rec.item(27)->hidden && rec.item(28)->hidden);
  // Design minus Ground: 2000 - 5000 up to 3000 - 1000; interval a tenth.
  EXPECT_EQ(rec.itemText(44), Length(-3000, true));
  EXPECT_EQ(rec.itemText(46), Length(5000, true));
  EXPECT_EQ(rec.itemText(20), Length(-3000, false));
  EXPECT_EQ(rec.itemText(16), Length(500, false));

  // Another inner base (Far minus Ground: -5000 up to -900) changes the
  // range shown but not the contour limits.
  Answer(true, DialogScript{}.choose("innerTIN", "Far").cancelled());
  EXPECT_FALSE(Run(site, 0, 0));
  EXPECT_EQ(Params().itemText(44), Length(-5000, true));
  EXPECT_EQ(Params().itemText(45), Length(-900, true));
  EXPECT_EQ(Params().itemText(21), Length(2000, false));

  ASSERT_TRUE(Run(site, 0, 0));
  EXPECT_EQ(site->fInnerTIN, design);
  EXPECT_EQ(site->fOuterTIN, ground);
}

TEST_F(TINDlgTest, ExistingDifferenceTINShowsItsBasesByName) {
  site = MakeTIN("Pit-diff");
  site->fTINParams.normalTIN = false;
  ASSERT_TRUE(BuildSquareTIN(site, 2000, 2000, 100, 0, 10));
  site->fInnerTIN = design;
  ASSERT_TRUE(Run(site)) << "registry positions 1 and 2 keep their geometry";
  const DialogRecord& rec = Params();
  EXPECT_EQ(rec.itemText(28), "Design");
  EXPECT_EQ(rec.itemText(27), "(none)");
  EXPECT_TRUE(rec.item(25)->hidden);
  EXPECT_TRUE(rec.item(26)->hidden);
  EXPECT_FALSE(rec.item(22)->hidden);
  EXPECT_EQ(site->fInnerTIN, design) << "the bases are not re-chosen";

  ground->fTINParams.notResident = true;
  EXPECT_FALSE(Run(site));
  ASSERT_EQ(host.dialogs().alerts().size(), 1u);
  EXPECT_EQ(host.dialogs().alerts()[0].text, Message(17));
}

}  // namespace
