// The command frame through an in-process host: initialise / run / terminate,
// the memory check, the reading and saving of the data object, class
// registration, and the one alert an error produces.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/host/Str255.h"
#include "plugin/shell/Errors.h"
#include "plugin/shell/LandMgr.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/PluginSession.h"

namespace {

using tinhost::Host;
using tinhost::PluginSession;

constexpr std::uint32_t kTag = 0x57584230;  // "WXB0"

std::string Text(const unsigned char* p) { return std::string(PView(p)); }

TEST(EntryPoint, InitialiseRunTerminateKeepTheManagerInTheSlot) {
  Host host;
  void* slot = nullptr;
  ASSERT_EQ(PluginMain(1, nullptr, &slot, host.callbacks()), 0);
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(static_cast<TLandMgr*>(slot)->fTINList, nullptr);

  KVMenuMessage msg{};
  msg.menuItem = kMenuNothing;
  EXPECT_EQ(PluginMain(3, &msg, &slot, host.callbacks()), kDocNotHandled);
  EXPECT_EQ(PluginMain(7, &msg, &slot, host.callbacks()), 0);  // unknown action: nothing done

  EXPECT_EQ(PluginMain(2, nullptr, &slot, host.callbacks()), 0);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(host.memory().stats().pluginBlocks, 0u);
}

TEST(EntryPoint, RefusedManagerLeavesTheSlotEmptyAndLaterCallsDoNothing) {
  Host host;
  host.memory().failAllocation(1);
  void* slot = reinterpret_cast<void*>(0x1);  // whatever was there is overwritten
  EXPECT_EQ(PluginMain(1, nullptr, &slot, host.callbacks()), 0);
  EXPECT_EQ(slot, nullptr);
  host.memory().clearFailure();

  KVMenuMessage msg{};
  msg.menuItem = kMenuCalcArea;
  EXPECT_EQ(PluginMain(3, &msg, &slot, host.callbacks()), 0);
  EXPECT_TRUE(host.dialogs().alerts().empty());
  EXPECT_EQ(PluginMain(2, nullptr, &slot, host.callbacks()), 0);
}

TEST(EntryPoint, EveryCallRefreshesTheCallbackValue) {
  Host first;
  Host second;
  void* slot = nullptr;
  PluginMain(1, nullptr, &slot, first.callbacks());
  KVMenuMessage msg{};
  msg.menuItem = kMenuNothing;
  PluginMain(3, &msg, &slot, second.callbacks());
  EXPECT_EQ(static_cast<TLandMgr*>(slot)->fCB, second.callbacks());
  PluginMain(2, nullptr, &slot, first.callbacks());
  EXPECT_EQ(first.memory().stats().pluginBlocks, 0u);
}

class Dispatch : public ::testing::Test {
 protected:
  Host host;
  PluginSession session{host, &PluginMain};
};

TEST_F(Dispatch, UnhandledItemReturnsFiveWithoutSavingOrAlerting) {
  for (std::int16_t item : {93, 0, 96, -4}) {
    EXPECT_EQ(session.runCommand(item), kDocNotHandled) << item;
  }
  EXPECT_TRUE(host.dialogs().alerts().empty());
  EXPECT_EQ(host.toolbox().ordinal504Calls(), 0u);
  EXPECT_EQ(host.memory().stats().pluginBlocks, 1u) << "only the manager survives a command";
}

TEST_F(Dispatch, ClassesAreRegisteredFromTheResourceNamesAtEveryCommand) {
  session.runCommand(93);
  session.runCommand(93);
  auto classes = host.document().classes();
  ASSERT_EQ(classes.size(), 10u);
  Str255 name;
  for (std::int16_t i = 1; i <= 10; ++i) {
    host.callbacks()->GetIndString(host.callbacks(), name, 11103, i);
    EXPECT_EQ(classes[static_cast<std::size_t>(i - 1)], Text(name).substr(0, 21));
  }
}

TEST_F(Dispatch, CommandNeedingATinOnAnEmptyDrawingGivesOneAlertWithoutDetail) {
  for (std::int16_t item : {kMenuCalcArea, kMenuCalcCutFillDatum, kMenuChangeTIN, kMenuDeleteTIN}) {
    host.dialogs().clearRecords();
    const auto beeps = host.toolbox().ordinal504Calls();
    EXPECT_EQ(session.runCommand(item), kDocUnchanged) << item;
    ASSERT_EQ(host.dialogs().alerts().size(), 1u) << item;
    EXPECT_EQ(host.dialogs().alerts()[0].text, "The drawing holds no TIN.");
    EXPECT_EQ(host.dialogs().alerts()[0].detail, "");
    EXPECT_EQ(host.toolbox().ordinal504Calls(), beeps + 1) << "ordinal 504 precedes the alert";
  }
  EXPECT_EQ(host.findDataObject(kTag), nullptr) << "nothing was written";
}

TEST_F(Dispatch, TooLittleMemoryRefusesToStartAndReadsNothing) {
  // A data object that could not be read would give an alert of its own.
  KVHandle h = host.newDataObject(kTag, 40);
  ASSERT_NE(h, nullptr);
  host.memory().overrideFreeMem(0x20000);  // exactly 131,072 bytes is not enough
  host.memory().overridePurgeSpace(0x20000, 0x20000);
  EXPECT_EQ(session.runCommand(kMenuCalcArea), kDocUnchanged);
  ASSERT_EQ(host.dialogs().alerts().size(), 1u);
  EXPECT_EQ(host.dialogs().alerts()[0].text,
            "There is not enough memory to complete the command.");
  EXPECT_EQ(host.dialogs().alerts()[0].detail, "Error detail: 1, 16");
  EXPECT_TRUE(host.document().classes().empty()) << "the command never reached registration";

  host.dialogs().clearRecords();
  host.memory().overridePurgeSpace(0x20001, 0x100);  // purging would free enough
  session.runCommand(93);
  EXPECT_TRUE(host.dialogs().alerts().empty());
}

TEST_F(Dispatch, StoredDataThatCannotBeReadIsReportedAndLeftUntouched) {
  KVHandle h = host.newDataObject(kTag, 30);
  ASSERT_NE(h, nullptr);
  std::memset(*h, 0xAB, 30);
  EXPECT_EQ(session.runCommand(kMenuCreateTIN), kDocUnchanged);
  EXPECT_EQ(host.dialogs().alerts().size(), 1u);
  ASSERT_EQ(host.findDataObject(kTag), h);
  EXPECT_EQ(host.memory().contents(h).size(), 30u);
  EXPECT_EQ(host.memory().contents(h)[29], 0xAB);
  EXPECT_EQ(host.memory().stats().pluginBlocks, 1u) << "the TIN list was released";
}

TEST_F(Dispatch, SavingWithAnEmptyRegistryDeletesTheDataObject) {
  ASSERT_NE(host.newDataObject(kTag, 22), nullptr);
  auto* mgr = static_cast<TLandMgr*>(session.slot());
  EXPECT_EQ(mgr->SaveAllTINs(), kNoErr);
  EXPECT_EQ(host.findDataObject(kTag), nullptr);
  // Nothing to save and no object: nothing is created.
  EXPECT_EQ(mgr->SaveAllTINs(), kNoErr);
  EXPECT_EQ(host.findDataObject(kTag), nullptr);
}

TEST_F(Dispatch, CancelledCommandChangesNothingAndShowsNothing) {
  auto& doc = host.document();
  for (int i = 0; i < 4; ++i) doc.select(doc.addLocus(doc.currentLayer(), i * 1000, (i * i) * 700, i));
  host.dialogs().answers().once(11006, tinhost::DialogScript{}.cancelled());
  EXPECT_EQ(session.runCommand(kMenuCreateTIN), kDocUnchanged);
  EXPECT_EQ(host.dialogs().shown().size(), 1u) << "the parameters dialog ran";
  EXPECT_TRUE(host.dialogs().alerts().empty());
  EXPECT_EQ(host.toolbox().ordinal504Calls(), 0u);
  EXPECT_EQ(host.findDataObject(kTag), nullptr);
}

TEST(AlertTexts, DetailNamesGroupAndLocationAsSignedHalves) {
  Host host;
  Str255 first;
  Str255 second;
  BuildAlertTexts(host.callbacks(), 0x90023, first, second);
  EXPECT_EQ(Text(first), "The triangulation failed.");
  EXPECT_EQ(Text(second), "Error detail: 9, 35");

  BuildAlertTexts(host.callbacks(), 0x1FFFF, first, second);
  EXPECT_EQ(Text(second), "Error detail: 1, -1");

  BuildAlertTexts(host.callbacks(), 0x70000, first, second);
  EXPECT_EQ(Text(second), "");
}

}  // namespace
