#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "tinhost/core/Host.h"

namespace tinhost {
namespace {

constexpr std::int16_t kParams = 11006;

// A C-style dialog as the plug-in writes them: a record with the callback
// block, an event function, and a log of the events it received.
struct TestDialog {
  KVCallback cb = nullptr;
  KVDialogRef ref = 0;
  KVPopUpRef pop = 0;
  bool prepOk = true;
  int badAnswers = 0;          // AnyBadValues says "bad" this many times
  bool alertWhenBad = false;   // shows a message dialog from inside AnyBadValues
  std::vector<std::string> log;
  std::string exported2D;
};

std::int32_t testDialogEvent(void* self, std::int16_t event, std::int16_t item, std::int16_t value) {
  auto* d = static_cast<TestDialog*>(self);
  KVCallback cb = d->cb;
  switch (event) {
    case kKVDlgPrep:
      d->log.push_back("prep");
      if (!d->prepOk) return 0;
      d->pop = cb->PopUpCreate(cb, d->ref, 25, 11000);
      cb->PopUpAttach(cb, d->ref, d->pop);
      cb->DlgHideItem(cb, d->ref, 27);
      return 1;
    case kKVDlgImportData: {
      d->log.push_back("import");
      test::PStr name("Ground-2D");
      cb->DlgPutString(cb, d->ref, 14, name.get());
      cb->DlgPutCoord(cb, d->ref, 16, 12500, 1);
      cb->DlgPutWord(cb, d->ref, 17, 5);
      cb->DlgPutChkRadio(cb, d->ref, 30, 0);
      return 1;
    }
    case kKVDlgFirst:
      d->log.push_back("first");
      for (const char* n : {"Existing", "Design"}) {
        test::PStr placeholder("x"), text(n);
        cb->PopUpAppendItem(cb, d->pop, placeholder.get());
        cb->PopUpSetItemText(cb, d->pop, cb->PopUpCountItems(cb, d->pop), text.get());
      }
      cb->PopUpSetChoice(cb, d->pop, 1);
      return 1;
    case kKVDlgEditTextUpdated:
    case kKVDlgCheckBoxHit:
    case kKVDlgPopUpHit:
      d->log.push_back("hit " + std::to_string(item) + "=" + std::to_string(value));
      return 1;
    case kKVDlgAnyBadValues: {
      d->log.push_back("check");
      if (d->badAnswers == 0) return 0;
      --d->badAnswers;
      if (d->alertWhenBad) {
        const KVDialogRef msg = cb->DialogCreate(cb, kMessageDialog, 3, nullptr, nullptr);
        test::PStr text("The contour interval must be greater than zero."), empty("");
        cb->DlgPutString(cb, msg, 2, text.get());
        cb->DlgPutString(cb, msg, 3, empty.get());
        cb->DialogRun(cb, msg);
        cb->DialogDispose(cb, msg);
      }
      cb->DlgSelectText(cb, d->ref, 16, 0, 32767);
      return 1;
    }
    case kKVDlgExportData: {
      d->log.push_back("export");
      KVStr255 out{};
      cb->DlgGetString(cb, d->ref, 14, out);
      d->exported2D = test::text(out);
      return 1;
    }
    default: return 1;
  }
}

class DialogRun : public ::testing::Test {
 protected:
  // Creates, runs and disposes the test dialog; returns DialogRun's answer.
  bool runDialog() {
    dlg.cb = cb;
    dlg.ref = cb->DialogCreate(cb, kParams, 52, &dlg, &testDialogEvent);
    EXPECT_NE(dlg.ref, 0u);
    const bool ok = cb->DialogRun(cb, dlg.ref) != 0;
    coordAfterRun = 0;
    cb->DlgGetCoord(cb, dlg.ref, 16, &coordAfterRun);
    cb->PopUpDispose(cb, dlg.pop);
    cb->DialogDispose(cb, dlg.ref);
    return ok;
  }
  Host host;
  KVCallback cb = host.callbacks();
  TestDialog dlg;
  std::int32_t coordAfterRun = 0;
};

TEST_F(DialogRun, EventsComeInOrderWithTheScriptedAnswers) {
  host.dialogs().answers().always(kParams).text(16, "0.25").check(30, true).choose(25, "Design");
  ASSERT_TRUE(runDialog());
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"prep", "import", "first", "hit 16=0", "hit 30=1", "hit 25=2",
                                               "check", "export"}));
  EXPECT_EQ(coordAfterRun, 250) << "0.25 m at 1000 world units per metre";
  EXPECT_EQ(dlg.exported2D, "Ground-2D");
  const DialogRecord& rec = host.dialogs().shown().back();
  EXPECT_TRUE(rec.confirmed);
  EXPECT_EQ(rec.itemText(25), "Design");
  EXPECT_EQ(rec.itemText(17), "5");
  EXPECT_TRUE(rec.item(27)->hidden);
  EXPECT_EQ(host.dialogs().liveDialogs(), 0u);
  EXPECT_EQ(host.dialogs().livePopUps(), 0u);
  EXPECT_TRUE(host.diagnostics().empty()) << host.diagnostics().front();
}

TEST_F(DialogRun, CoordinatesAreShownInUserUnits) {
  host.dialogs().answers().always(kParams).cancelled();
  EXPECT_FALSE(runDialog());
  EXPECT_EQ(host.dialogs().shown().back().itemText(16), "12.500");
  EXPECT_EQ(coordAfterRun, 12500);
  EXPECT_EQ(dlg.log.back(), "first") << "a cancelled run neither checks nor exports";
}

TEST_F(DialogRun, RefusedPreparationEndsTheRun) {
  dlg.prepOk = false;
  EXPECT_FALSE(runDialog());
  EXPECT_EQ(dlg.log, std::vector<std::string>{"prep"});
}

TEST_F(DialogRun, ScriptedRunEndsCancelledWhenValuesStayBad) {
  dlg.badAnswers = 1;
  dlg.alertWhenBad = true;
  EXPECT_FALSE(runDialog());
  const auto& shown = host.dialogs().shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].resId, kMessageDialog);
  EXPECT_EQ(shown[0].depth, 1) << "the message ran inside the parameters dialog";
  EXPECT_NE(shown[1].outcome.find("refused"), std::string::npos) << shown[1].outcome;
  ASSERT_EQ(host.dialogs().alerts().size(), 1u);
  EXPECT_EQ(host.dialogs().alerts()[0].text, "The contour interval must be greater than zero.");
  EXPECT_EQ(host.dialogs().alerts()[0].detail, "");
  EXPECT_EQ(shown[1].item(16)->selEnd, 32767);
}

TEST_F(DialogRun, InteractiveUserIsAskedAgainAfterABadValue) {
  std::istringstream in("16 = -1\nok\n30\n25 = 2\n\n");
  std::ostringstream out;
  host.dialogs().setInteractive(&in, &out);
  dlg.badAnswers = 1;
  ASSERT_TRUE(runDialog());
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"prep", "import", "first", "hit 16=0", "check", "hit 30=1",
                                               "hit 25=2", "check", "export"}));
  EXPECT_EQ(coordAfterRun, -1000);
  EXPECT_NE(out.str().find("Ground-2D"), std::string::npos);
  EXPECT_EQ(out.str().find("  27  "), std::string::npos) << "hidden items are not shown";
}

// An answer the dialog cannot take (a pop-up entry it lacks, a field name its
// layout lacks) is reported and cancels the run; a one-shot script is used once.
TEST_F(DialogRun, UnusableAnswersAreReportedAndCancelTheRun) {
  host.dialogs().answers().once(kParams, DialogScript{}.choose(25, "Nowhere"));
  EXPECT_FALSE(runDialog());
  ASSERT_EQ(host.dialogs().problems().size(), 1u);
  EXPECT_NE(host.dialogs().problems()[0].find("Nowhere"), std::string::npos);
  dlg = TestDialog{};
  EXPECT_TRUE(runDialog()) << "a one-shot script is used once";

  dlg = TestDialog{};
  host.dialogs().answers().once(kParams, DialogScript{}.text("noSuchField", "1"));
  EXPECT_FALSE(runDialog());
  ASSERT_EQ(host.dialogs().problems().size(), 2u);
  EXPECT_NE(host.dialogs().problems()[1].find("noSuchField"), std::string::npos);
}

TEST(DialogManagerBasics, UnknownResourcesReportsAndQuestions) {
  Host host;
  KVCallback cb = host.callbacks();
  EXPECT_EQ(cb->DialogCreate(cb, 999, 0, nullptr, nullptr), 0u);

  const KVDialogRef report = cb->DialogCreate(cb, kResultDialog, 4, nullptr, nullptr);
  test::PStr text("Planimetric area: 1250.000 m");
  cb->DlgPutString(cb, report, 2, text.get());
  host.dialogs().answers().placeReportText(true);
  EXPECT_EQ(cb->DialogRun(cb, report), 1);
  EXPECT_EQ(cb->DlgGetChkRadio(cb, report, 99), 0) << "item 99 does not exist";
  EXPECT_EQ(host.diagnostics().size(), 1u);
  EXPECT_EQ(cb->DlgGetChkRadio(cb, report, 3), 1);
  cb->DialogDispose(cb, report);
  ASSERT_EQ(host.dialogs().reports().size(), 1u);
  EXPECT_EQ(host.dialogs().reports()[0].text, "Planimetric area: 1250.000 m");
  EXPECT_TRUE(host.dialogs().reports()[0].placeText);

  host.dialogs().answers().confirm(false);
  EXPECT_EQ(cb->Confirm(cb, 11101, 11, 0), 0);
  EXPECT_EQ(cb->Confirm(cb, 11101, 16, 0), 1) << "the default answer is yes";
  ASSERT_EQ(host.dialogs().confirms().size(), 2u);
  EXPECT_EQ(host.dialogs().confirms()[1].question, host.resources().string(11101, 16).value());
}

}  // namespace
}  // namespace tinhost
