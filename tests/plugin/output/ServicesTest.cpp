// The busy cursor's pace and cycle, the free-memory threshold and the key
// map.  (The user unit is read by the parameter defaults' interval.)
#include "plugin/output/BusyCursor.h"
#include "plugin/output/Keys.h"
#include "plugin/output/MemLevel.h"
#include "tests/plugin/model/ModelFixture.h"

namespace {

using ServicesTest = ModelTest;

TEST_F(ServicesTest, BusyCursorChangesAtMostOncePer20TicksCycling128To131) {
  tinhost::Toolbox& tb = host.toolbox();
  tb.useManualClock(1000);
  gBusyCursor = {0, 0};  // never changed: an out-of-range number becomes 128
  SpinBusyCursor(cb());
  EXPECT_EQ(tb.currentCursor(), kFirstBusyCursor);
  const std::uint64_t changes = tb.cursorChanges();

  tb.advanceClock(20);
  SpinBusyCursor(cb());
  EXPECT_EQ(tb.cursorChanges(), changes);  // exactly 20 ticks is not enough

  const std::int16_t expected[] = {129, 130, 131, 128, 129};
  for (std::int16_t want : expected) {
    tb.advanceClock(1);
    SpinBusyCursor(cb());
    EXPECT_EQ(tb.currentCursor(), want);
    tb.advanceClock(20);
  }
  EXPECT_EQ(tb.cursorChanges(), changes + 5);

  ResetBusyCursorTicks(cb());
  tb.advanceClock(20);
  SpinBusyCursor(cb());
  EXPECT_EQ(tb.cursorChanges(), changes + 5);
}

TEST_F(ServicesTest, MemoryLevelNeedsStrictlyMoreThan128K) {
  tinhost::Memory& m = host.memory();
  m.overrideFreeMem(kMinFreeMemory + 1);
  m.overridePurgeSpace(0, 0);
  EXPECT_TRUE(MemLevelOK(cb()));
  m.overrideFreeMem(kMinFreeMemory);
  m.overridePurgeSpace(kMinFreeMemory, kMinFreeMemory);
  EXPECT_FALSE(MemLevelOK(cb()));
  m.overridePurgeSpace(kMinFreeMemory + 1, 16);  // the total decides, not the block
  EXPECT_TRUE(MemLevelOK(cb()));
}

TEST_F(ServicesTest, KeysAreReadFromTheKeyMap) {
  EXPECT_FALSE(IsKeyDown(cb(), kKeyOption));
  host.toolbox().holdKey(kKeyOption);
  host.toolbox().holdKey(127);
  EXPECT_TRUE(IsKeyDown(cb(), kKeyOption));
  EXPECT_FALSE(IsKeyDown(cb(), kKeyOption - 1));
  EXPECT_FALSE(IsKeyDown(cb(), kKeyOption + 8));
  EXPECT_TRUE(IsKeyDown(cb(), 127));
  EXPECT_FALSE(IsKeyDown(cb(), 128));
}

}  // namespace
