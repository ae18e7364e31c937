// The notices of builds at the host: through the callback block they replace
// what the drawing keeps for that TIN (and only that TIN), undo takes them
// back with the command, the kept form reads back as written and refuses
// damage, and the lines for a person name each polygon once with its corners
// in user units.
#include <gtest/gtest.h>

#include "HostTestSupport.h"
#include "tinhost/core/BuildNotices.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"

namespace tinhost {
namespace {

class Notices : public ::testing::Test {
 protected:
  void SetUp() override {
    layer_ = host_.document().createLayer("Creek", 1.0);
    poly_ = host_.document().createObject(kKVTypePoly3D);
    host_.document().addToContainer(poly_, layer_);
  }
  void Report(const std::string& tin, std::vector<KVBuildNotice> notices) {
    const test::PStr name(tin);
    KVCallback cb = host_.callbacks();
    cb->ReportBuildNotices(cb, name.get(), notices.empty() ? nullptr : notices.data(),
                           static_cast<std::int32_t>(notices.size()));
  }
  KVBuildNotice Corner(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t count) const {
    return KVBuildNotice{kKVNoticeCornerDropped, poly_, number, 0, KVPoint2D{y, x}, count};
  }

  Host host_;
  ObjId layer_ = kNoObject, poly_ = kNoObject;
};

TEST_F(Notices, EachReportReplacesItsTINsNoticesAndUndoTakesThemBack) {
  host_.beginCommand();
  Report("Creek", {Corner(2, 5000, 7000, 1)});
  Report("Road", {KVBuildNotice{kKVNoticeSegmentNotHeld, poly_, 3, 4, KVPoint2D{-20, 10}, 0}});
  host_.endCommand();
  std::vector<BuildNotice> kept = host_.buildNotices();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0], (BuildNotice{"Creek", kKVNoticeCornerDropped, poly_, "Creek", 2, 0, 5000, 7000, 1}));
  EXPECT_EQ(kept[1], (BuildNotice{"Road", kKVNoticeSegmentNotHeld, poly_, "Creek", 3, 4, 10, -20, 0}));
  EXPECT_EQ(host_.freshBuildNotices(), kept);

  host_.clearFreshBuildNotices();
  host_.beginCommand();
  Report("Creek", {});  // the next build of Creek reports nothing
  host_.endCommand();
  EXPECT_TRUE(host_.freshBuildNotices().empty());
  ASSERT_EQ(host_.buildNotices().size(), 1u);
  EXPECT_EQ(host_.buildNotices()[0].tin, "Road");
  host_.beginCommand();
  Report("Road", {});
  host_.endCommand();
  EXPECT_EQ(host_.findDataObject(kBuildNoticesTag), nullptr);

  ASSERT_TRUE(host_.undo());
  EXPECT_EQ(host_.buildNotices().size(), 1u);
  ASSERT_TRUE(host_.undo());
  EXPECT_EQ(host_.buildNotices(), kept);
  EXPECT_TRUE(host_.diagnostics().empty()) << host_.diagnostics().front();
}

TEST_F(Notices, ABadReportChangesNothingAndIsNoted) {
  Report("Creek", {Corner(2, 0, 0, 0)});
  Report("Creek", {KVBuildNotice{7, poly_, 1, 0, KVPoint2D{0, 0}, 0}});
  const test::PStr name("Creek");
  host_.callbacks()->ReportBuildNotices(host_.callbacks(), name.get(), nullptr, 3);
  EXPECT_EQ(host_.buildNotices().size(), 1u);
  ASSERT_EQ(host_.diagnostics().size(), 2u);
  EXPECT_NE(host_.diagnostics()[0].find("unknown kind 7"), std::string::npos);
}

TEST(BuildNoticeRecord, ReadsBackAsWrittenAndRefusesDamage) {
  const std::vector<BuildNotice> notices{
      {"Ground", kKVNoticeSegmentNotHeld, 12, "Survey points", 3, 4, -2147483647 - 1, 2147483647, 0},
      {"A name of 21 letters.", kKVNoticeCornerDropped, 4000000000u, "", 65535, 0, 0, -1, 7}};
  const std::vector<std::uint8_t> bytes = encodeBuildNotices(notices);
  EXPECT_EQ(decodeBuildNotices(bytes), notices);
  EXPECT_TRUE(decodeBuildNotices({}).empty());
  for (std::size_t cut : {std::size_t{1}, bytes.size() / 2, bytes.size() - 1})
    EXPECT_THROW(decodeBuildNotices(std::span(bytes).first(cut)), HostError) << cut;
  std::vector<std::uint8_t> badKind = bytes;
  badKind[2 + 6] = 9;  // the kind of the first notice, after its TIN name
  EXPECT_THROW(decodeBuildNotices(badKind), HostError);
}

TEST(BuildNoticeLines, OneLinePerSegmentAndPerPolygonInUserUnits) {
  UnitsRecord feet;
  feet.kind = UnitKind::Foot;
  feet.worldPerUnit = 1000;
  const UserPlace place{feet, 27000.0, 38000.0};
  const std::vector<BuildNotice> notices{
      {"Ground", kKVNoticeCornerDropped, 7, "Ground", 2, 0, 1500, -250, 2},
      {"Ground", kKVNoticeCornerDropped, 7, "Ground", 5, 0, 3000, 0, 2},
      {"Ground", kKVNoticeCornerDropped, 9, "Ground", 1, 0, 0, 0, 1},
      {"Ground", kKVNoticeSegmentNotHeld, 9, "Ground", 2, 3, 10, 20, 0}};
  const std::vector<std::string> lines = describeBuildNotices(notices, place);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            "TIN \"Ground\": 3D polygon #7 on layer \"Ground\" lost corners 2 at (27001.500, 37999.750) ft "
            "and 5 at (27003.000, 38000.000) ft from its breakline (their XYs were already a vertex); "
            "2 of its drawn segments are therefore not TIN edges");
  EXPECT_EQ(lines[1],
            "TIN \"Ground\": 3D polygon #9 on layer \"Ground\" lost corner 1 at (27000.000, 38000.000) ft "
            "from its breakline (its XY was already a vertex); 1 of its drawn segments is therefore not a "
            "TIN edge");
  EXPECT_EQ(lines[2],
            "TIN \"Ground\": the breakline of 3D polygon #9 on layer \"Ground\" does not hold from vertex 2 "
            "to vertex 3: that segment is not a chain of TIN edges; it leaves them at (27000.010, "
            "38000.020) ft");
}

}  // namespace
}  // namespace tinhost
