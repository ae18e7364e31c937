// The TIN chooser and the result dialog through the in-process host's dialog
// manager, answered by script.
#include <string>
#include <vector>

#include "DialogFixture.h"
#include "plugin/dialogs/DisplayStrDlg.h"
#include "plugin/dialogs/TINChooserDlg.h"

namespace {

using tinhost::DialogRecord;
using tinhost::DialogScript;

class ChooserTest : public DialogTest {
 protected:
  // Runs a chooser on the registry; the chosen number, or 0 when the run
  // was not confirmed.
  std::int16_t Choose() {
    auto* dlg = new TTINChooserDlg();
    EXPECT_NE(dlg, nullptr);
    std::int16_t chosen = 0;
    if (dlg->ITINChooserDlg(cb(), mgr) && dlg->DoDialog()) chosen = dlg->GetChosenTINNum();
    dlg->Free();
    delete dlg;
    return chosen;
  }
  const DialogRecord& Shown() { return host.dialogs().shown().back(); }
};

TEST_F(ChooserTest, ThreePopUpsListTheRegistryInOrderAndMoveTogether) {
  // The last name has 21 characters, some of which a menu could take as controls.
  const std::vector<std::string> names = {"Existing", "Design", "Pit;(North)/Stage-1!<"};
  for (const auto& name : names) AddTIN(name);
  answers().once(kChooserDlgResource, DialogScript{}.choose("layer2DName", 2));

  EXPECT_EQ(Choose(), 2);
  const DialogRecord& rec = Shown();
  for (const auto& [item, suffix] : {std::pair<std::int16_t, std::string>{7, ""}, {8, "-2D"}, {9, "-3D"}}) {
    SCOPED_TRACE(item);
    const auto& popUp = rec.popUps.at(item);
    ASSERT_EQ(popUp.entries.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(popUp.entries[i], (names[i] + suffix).substr(0, 21));
    EXPECT_EQ(popUp.choice, 2);
  }
  EXPECT_TRUE(host.diagnostics().empty()) << host.diagnostics().front();
}

TEST_F(ChooserTest, ChoiceInAnyPopUpIsTheRegistryPosition) {
  AddTIN("Existing");
  AddTIN("Design");
  AddTIN("Final");
  EXPECT_EQ(Choose(), 1) << "confirmed without touching the pop-ups";
  answers().once(kChooserDlgResource, DialogScript{}.choose("layer3DName", "Final-3D"));
  EXPECT_EQ(Choose(), 3);
  answers().once(kChooserDlgResource, DialogScript{}.choose("tinName", 2).choose("layer3DName", 1));
  EXPECT_EQ(Choose(), 1) << "the last pop-up touched wins";
  EXPECT_EQ(Shown().popUps.at(8).choice, 1);
  answers().once(kChooserDlgResource, DialogScript{}.choose("tinName", 3).cancelled());
  EXPECT_EQ(Choose(), 0);
}

TEST_F(ChooserTest, EmptyRegistryGivesEmptyPopUps) {
  EXPECT_EQ(Choose(), 1);
  for (std::int16_t item : {7, 8, 9}) EXPECT_TRUE(Shown().popUps.at(item).entries.empty()) << item;
  EXPECT_TRUE(host.diagnostics().empty()) << host.diagnostics().front();
}

TEST_F(ChooserTest, PopUpRefusedInPrepEndsTheRunAndLeavesNothingBehind) {
  AddTIN("Existing");
  auto* dlg = new TTINChooserDlg();
  ASSERT_TRUE(dlg->ITINChooserDlg(cb(), mgr));
  host.memory().failAllocation(2);  // the second pop-up object
  EXPECT_FALSE(dlg->DoDialog());
  host.memory().clearFailure();
  EXPECT_EQ(dlg->fPopupName2D, nullptr);
  dlg->Free();
  delete dlg;
  EXPECT_EQ(Shown().outcome, "the dialog could not be prepared");
}

// ----------------------------------------------------------- result text

class DisplayStrTest : public DialogTest {
 protected:
  // Shows `text`; returns GetMakeText after a confirmed run, false otherwise.
  bool Show(const std::string& text, bool* confirmed = nullptr) {
    Str255 s;
    PFromView(s, text, kTextCapacity);
    auto* dlg = new TDisplayStrDlg();
    EXPECT_NE(dlg, nullptr);
    bool make = false;
    const bool ok = dlg->IDisplayStrDlg(cb(), s) && dlg->DoDialog();
    if (ok) make = dlg->GetMakeText();
    if (confirmed != nullptr) *confirmed = ok;
    dlg->Free();
    delete dlg;
    return make;
  }
};

TEST_F(DisplayStrTest, CheckBoxDecidesWhetherTheTextIsPlaced) {
  bool confirmed = false;
  EXPECT_FALSE(Show("Planimetric area: 12.500 m2", &confirmed));
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(host.dialogs().reports().at(0).text, "Planimetric area: 12.500 m2");
  EXPECT_FALSE(host.dialogs().reports().at(0).placeText) << "the box starts unchecked";

  answers().placeReportText(true);
  EXPECT_TRUE(Show(std::string(255, 'a')));
  EXPECT_EQ(host.dialogs().reports().back().text, std::string(254, 'a'));
  answers().always(kDisplayStrDlgResource) = DialogScript{}.check("placeText", true).cancelled();
  EXPECT_FALSE(Show("cancelled", &confirmed));
  EXPECT_FALSE(confirmed);
}

}  // namespace
