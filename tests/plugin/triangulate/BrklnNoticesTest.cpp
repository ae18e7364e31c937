// What a build tells the host about its breaklines: a segment that
// enforcement stops on at a point lying on it, and the corners a polygon
// loses to an earlier vertex at its XY -- two lines sharing an end, a
// T-junction, a polygon that revisits its own corner, the thin spike whose
// tip is another line's end -- and that polygons sharing no corner are not
// named; each build's report replaces the last one of its TIN.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "BrklnFixture.h"
#include "plugin/triangulate/BuildTIN.h"
#include "plugin/triangulate/Tolerances.h"

namespace {

class Notices : public BrklnTest {
 protected:
  void SetUp() override {
    BrklnTest::SetUp();
    AddLoci({{0, 0, 0}, {100000, 0, 0}, {0, 100000, 0}, {100000, 100000, 0}});
  }
  // Builds the TIN of layer Ground with breaklines; the notices it reported.
  std::vector<tinhost::BuildNotice> Build() {
    host.clearFreshBuildNotices();
    tin_ = NewTIN("Ground", true);
    EXPECT_EQ(MakeSomethingOfMyself(tin_), kNoErr);
    EXPECT_TRUE(TINIsValid(tin_, TTINCheckOptions{false, true}));
    return host.freshBuildNotices();
  }
  // The TIN vertex at an XY, and whether a drawn segment is a chain of edges.
  const TTINVtx* At(const XYZ& p) const {
    for (const TTINVtx* v : Items(tin_->fTINVtxListByZ))
      if (v->x == p.x && v->y == p.y) return v;
    return nullptr;
  }
  bool Held(const XYZ& a, const XYZ& b) const {
    return IsChainOfEdges(Nabrs(tin_), At(a), At(b), kBrklnChainDrift);
  }
  // Two loci close on either side of the middle of a–b, so that the
  // triangulation has an edge across it there.
  void Straddle(const XYZ& a, const XYZ& b) {
    const double mx = (a.x + b.x) / 2.0, my = (a.y + b.y) / 2.0;
    const double len = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
    const double nx = -(double(b.y) - a.y) / len * 200, ny = (double(b.x) - a.x) / len * 200;
    AddLoci({{std::int32_t(mx + nx), std::int32_t(my + ny), 3}, {std::int32_t(mx - nx), std::int32_t(my - ny), 3}});
  }
  static std::vector<tinhost::BuildNotice> OfKind(const std::vector<tinhost::BuildNotice>& all,
                                                  std::int16_t kind) {
    std::vector<tinhost::BuildNotice> out;
    for (const auto& n : all)
      if (n.kind == kind) out.push_back(n);
    return out;
  }

  TTIN* tin_ = nullptr;
};

TEST_F(Notices, ASegmentThatStopsAtAPointOnItIsReportedWithWhereItLeavesTheEdges) {
  // A survey point exactly on F–G: enforcement runs along F–P and ends there,
  // and the pair of points across P–G keeps an edge that crosses it.
  const XYZ f{10000, 50000, 10}, g{90000, 50000, 10};
  AddLoci({{50000, 50000, 20}, {70000, 50100, 5}, {70000, 49900, 5}});
  const tinhost::ObjId poly = AddPoly({f, g});
  const auto notices = Build();
  ASSERT_EQ(notices.size(), 1u);
  const tinhost::BuildNotice& n = notices[0];
  EXPECT_EQ(n.kind, kKVNoticeSegmentNotHeld);
  EXPECT_EQ(std::make_tuple(n.tin, n.polygon, n.layer, n.first, n.second),
            std::make_tuple(std::string("Ground"), poly, std::string("Ground"), 1, 2));
  EXPECT_EQ(std::make_pair(n.x, n.y), std::make_pair(70000, 50000));
  EXPECT_FALSE(Held(f, g));
  EXPECT_TRUE(Held(f, {50000, 50000, 0}));  // enforced up to the point, not past it
}

TEST_F(Notices, LinesSharingAnEndOrMeetingAtATLoseThatCornerFromTheLaterLine) {
  const XYZ a{10000, 10000, 1}, joint{40000, 40000, 2}, b{70000, 10000, 3}, c{90000, 40000, 4};
  AddPoly({a, joint});
  const tinhost::ObjId later = AddPoly({joint, b, c});
  Straddle(joint, b);
  // T-junction: a line ending on the inner vertex of an earlier one.
  const XYZ w{20000, 70000, 5}, t{50000, 70000, 6}, e{80000, 70000, 7}, up{50000, 95000, 8}, far{65000, 98000, 9};
  AddPoly({w, t, e});
  const tinhost::ObjId stem = AddPoly({up, far, t}, false);
  Straddle(t, up);

  const auto notices = Build();
  EXPECT_TRUE(OfKind(notices, kKVNoticeSegmentNotHeld).empty());
  const auto corners = OfKind(notices, kKVNoticeCornerDropped);
  ASSERT_EQ(corners.size(), 2u);
  EXPECT_EQ(std::make_tuple(corners[0].polygon, corners[0].first, corners[0].x, corners[0].y),
            std::make_tuple(later, 1, joint.x, joint.y));
  EXPECT_EQ(corners[0].count, 1);  // joint → b is drawn but not held
  EXPECT_FALSE(Held(joint, b));
  EXPECT_EQ(std::make_tuple(corners[1].polygon, corners[1].first, corners[1].x, corners[1].y),
            std::make_tuple(stem, 3, t.x, t.y));
  EXPECT_EQ(corners[1].count, Held(far, t) ? 0 : 1);
}

TEST_F(Notices, APolygonThatRevisitsItsOwnCornerLosesTheRevisit) {
  const XYZ p1{10000, 10000, 1}, p2{50000, 10000, 2}, p3{50000, 50000, 3}, p5{90000, 30000, 5};
  const tinhost::ObjId poly = AddPoly({p1, p2, p3, p2, p5});
  Straddle(p2, p5);
  const auto corners = OfKind(Build(), kKVNoticeCornerDropped);
  ASSERT_EQ(corners.size(), 1u);
  EXPECT_EQ(std::make_tuple(corners[0].polygon, corners[0].first, corners[0].x, corners[0].y),
            std::make_tuple(poly, 4, p2.x, p2.y));
  // p3 → p2 lies on the breakline's p2–p3; p2 → p5 does not hold.
  EXPECT_TRUE(Held(p3, p2));
  EXPECT_FALSE(Held(p2, p5));
  EXPECT_EQ(corners[0].count, 1);
}

TEST_F(Notices, ASpikeWhoseTipIsAnotherLinesEndLosesTheTipAndBothItsSegments) {
  // The creek survey's case at 1000 world units per foot: arms of 3.5 ft,
  // 4.7° apart, a point inside the spike 0.11 ft from the first arm, and the
  // tip the last vertex of a line drawn before.
  const double apart = 4.7 * M_PI / 180;
  const XYZ tip{50000, 50000, 800}, a{53500, 50000, 790};
  const XYZ c{50000 + std::int32_t(3500 * std::cos(apart)), 50000 + std::int32_t(3500 * std::sin(apart)), 791};
  // Survey points inside the spike and close beside both arms.
  AddLoci({{52000, 50110, 795}, {52000, 49880, 796}, {51500, 50300, 797}, {20000, 60000, 780},
           {80000, 40000, 785}});
  const tinhost::ObjId earlier = AddPoly({{20000, 20000, 700}, tip});
  const tinhost::ObjId spike = AddPoly({a, tip, c});
  const auto notices = Build();
  const auto corners = OfKind(notices, kKVNoticeCornerDropped);
  ASSERT_EQ(corners.size(), 1u);
  EXPECT_EQ(std::make_tuple(corners[0].polygon, corners[0].first, corners[0].x, corners[0].y),
            std::make_tuple(spike, 2, tip.x, tip.y));
  EXPECT_FALSE(Held(a, tip));
  EXPECT_FALSE(Held(tip, c));
  EXPECT_EQ(corners[0].count, 2);
  // What was enforced instead, a → c, holds.
  EXPECT_TRUE(Held(a, c));
  EXPECT_TRUE(OfKind(notices, kKVNoticeSegmentNotHeld).empty());

  // The same spike with its own tip loses nothing and holds both arms.
  host.document().remove(earlier);
  EXPECT_TRUE(Build().empty());
  EXPECT_TRUE(Held(a, tip) && Held(tip, c));
}

TEST_F(Notices, PolygonsSharingNoCornerAreNotNamedAndRepeatedPointsLoseNothing) {
  AddPoly({{10000, 10000, 1}, {40000, 40000, 2}, {70000, 10000, 3}});
  AddPoly({{10000, 60000, 1}, {40000, 60000, 2}, {40000, 60000, 9}, {70000, 90000, 3}});  // a point twice
  AddPoly({{60000, 50000, 1}, {90000, 50000, 2}, {90000, 80000, 3}, {60000, 50000, 1}}, true);  // closed, ends repeat
  AddLoci({{40000, 40000, 7}});  // a locus at a polygon's corner is no polygon corner
  EXPECT_TRUE(Build().empty());
}

TEST_F(Notices, EachBuildReplacesWhatTheLastBuildOfTheTINReported) {
  const tinhost::ObjId first = AddPoly({{10000, 10000, 1}, {40000, 40000, 2}});
  AddPoly({{40000, 40000, 2}, {70000, 10000, 3}, {90000, 40000, 4}});
  ASSERT_EQ(Build().size(), 1u);
  ASSERT_EQ(host.buildNotices().size(), 1u);
  ASSERT_NE(host.findDataObject(tinhost::kBuildNoticesTag), nullptr);
  host.document().remove(first);
  EXPECT_TRUE(Build().empty());
  EXPECT_TRUE(host.buildNotices().empty());
  EXPECT_EQ(host.findDataObject(tinhost::kBuildNoticesTag), nullptr) << "nothing kept: no data object";
  // Drawn again, now after the other line, the first line loses the joint.
  // Without breaklines nothing is checked, and that notice goes too.
  const tinhost::ObjId again = AddPoly({{10000, 10000, 1}, {40000, 40000, 2}});
  const auto notices = Build();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(std::make_pair(notices[0].polygon, notices[0].first), std::make_pair(again, 2));
  TTIN* plain = NewTIN("Ground", false);
  ASSERT_EQ(MakeSomethingOfMyself(plain), kNoErr);
  EXPECT_TRUE(host.buildNotices().empty());
}

}  // namespace
