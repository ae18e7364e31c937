// The check that a breakline segment is a chain of TIN edges, on hand-made
// TINs: it holds through vertices within the drift of the segment, in either
// direction; an edge crossing the segment breaks it, and the gap is where
// that edge crosses; and the flat-triangle step can flip a chain edge away
// when the breakline query does not recognise its inner vertex.
#include <gtest/gtest.h>

#include "BrklnFixture.h"
#include "plugin/triangulate/Breaklines.h"
#include "plugin/triangulate/BrklnChain.h"
#include "plugin/triangulate/FlatTriangles.h"

namespace {

class SegmentCheck : public BrklnTest {
 protected:
  // F (0,0) and G (100,0) joined through X (50, dy), with U above and D below.
  TTIN* Strip(std::int32_t dy) {
    return HandTIN({{0, 0, 0}, {50, dy, 0}, {100, 0, 0}, {50, 40, 0}, {50, -40, 0}},
                   {{0, 3, 1}, {1, 3, 2}, {0, 1, 4}, {1, 2, 4}});
  }
};

TEST_F(SegmentCheck, HoldsThroughVerticesWithinTheDriftAndSaysWhereItLeavesTheEdges) {
  for (const std::int32_t dy : {0, 3, -3}) {
    Strip(dy);
    TRealPt gap{-1, -1};
    EXPECT_TRUE(SegmentIsChainOfEdges(vtx_[0], vtx_[2], &gap)) << "X off by " << dy;
    EXPECT_TRUE(SegmentIsChainOfEdges(vtx_[2], vtx_[0], &gap)) << "backwards, X off by " << dy;
  }
  // X four units off: no chain; the segment leaves the edges where X–D
  // crosses it, straight after F.
  Strip(4);
  TRealPt gap{-1, -1};
  EXPECT_FALSE(SegmentIsChainOfEdges(vtx_[0], vtx_[2], &gap));
  EXPECT_NEAR(gap.x, 50.0, 1e-9);
  EXPECT_NEAR(gap.y, 0.0, 1e-9);
}

TEST_F(SegmentCheck, AnEdgeCrossingTheSegmentBreaksItAndTheGapIsTheCrossing) {
  // F, P (50,10), G, Q (50,-10): P–Q crosses F–G at (50, 0).
  HandTIN({{0, 0, 0}, {50, 10, 0}, {100, 0, 0}, {50, -10, 0}}, {{0, 1, 3}, {3, 1, 2}});
  TRealPt gap{-1, -1};
  EXPECT_FALSE(SegmentIsChainOfEdges(vtx_[0], vtx_[2], &gap));
  EXPECT_NEAR(gap.x, 50.0, 1e-9);
  EXPECT_NEAR(gap.y, 0.0, 1e-9);
  EXPECT_TRUE(SegmentIsChainOfEdges(vtx_[1], vtx_[3], &gap));  // the edge itself
  EXPECT_TRUE(SegmentIsChainOfEdges(vtx_[1], vtx_[1], &gap));  // no length
}

TEST_F(SegmentCheck, TheFlatStepFlipsAChainEdgeWhoseInnerVertexFailsTheRatioTest) {
  // b1 (0,0) → b2 (100,10) runs through X (50,4), one unit off it, as a
  // truncated crossing lies.  The breakline query measures X's slope from b1
  // against the segment's: 0.1 · 50 / 4 = 1.25, not 1 within 5 per cent, so
  // b1–X counts as no breakline edge, and the flat triangle (b1, U, X) flips
  // it towards the sloping D.  The segment no longer holds.
  TTIN* tin = HandTIN({{0, 0, 5}, {50, 4, 5}, {100, 10, 5}, {40, 30, 5}, {30, -30, 1}, {80, 40, 5},
                       {80, -30, 2}},
                      {{0, 3, 1}, {1, 3, 5}, {1, 5, 2}, {1, 2, 6}, {1, 6, 4}, {0, 1, 4}},
                      {{{0, 2}, false}});
  TRealPt gap{};
  ASSERT_TRUE(SegmentIsChainOfEdges(vtx_[0], vtx_[2], &gap));
  EXPECT_FALSE(TwoVtxsAreNabrsOnActiveBrkln(tin, vtx_[0], vtx_[1]));
  EXPECT_EQ(FillConcavities(tin), kNoErr);
  EXPECT_TRUE(HasEdge(tin, 3, 4));
  EXPECT_FALSE(SegmentIsChainOfEdges(vtx_[0], vtx_[2], &gap));
}

}  // namespace
