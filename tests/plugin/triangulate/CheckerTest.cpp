// The invariant checker catches each kind of damage it claims to.
#include <gtest/gtest.h>

#include "plugin/triangulate/BuildTIN.h"
#include "plugin/triangulate/EdgeSwap.h"
#include "tests/support/PointSets.h"
#include "tests/support/TriFixture.h"

namespace {

class Checker : public TriTest {
 protected:
  TTIN* Built() {
    AddLoci(RandomPoints(60, 0, 1000, 31));
    TTIN* tin = NewTIN();
    EXPECT_EQ(MakeSomethingOfMyself(tin), kNoErr);
    EXPECT_TRUE(TINIsValid(tin));
    return tin;
  }
  static std::string Message(const TTIN* tin, TTINCheckOptions o = {}) {
    char msg[256];
    return CheckTIN(tin, o, msg, sizeof msg) ? std::string() : std::string(msg);
  }
  static TTINTriangle* Interior(const TTIN* tin) {
    for (TTINTriangle* t : Triangles(tin))
      if (t->fNeighbors[0] && t->fNeighbors[1] && t->fNeighbors[2]) return t;
    return nullptr;
  }
};

TEST_F(Checker, FindsCounterClockwiseCornersAndBrokenLinks) {
  TTIN* tin = Built();
  TTINTriangle* t = Interior(tin);
  ASSERT_NE(t, nullptr);
  std::swap(t->fVertices[0], t->fVertices[1]);
  EXPECT_NE(Message(tin).find("not clockwise"), std::string::npos) << Message(tin);
  std::swap(t->fVertices[0], t->fVertices[1]);
  TTINTriangle* n = t->fNeighbors[0];
  t->fNeighbors[0] = t->fNeighbors[1];
  EXPECT_NE(Message(tin).find("edge"), std::string::npos) << Message(tin);
  t->fNeighbors[0] = n;
  n->fNeighbors[n->fNeighbors[0] == t ? 0 : (n->fNeighbors[1] == t ? 1 : 2)] = nullptr;
  EXPECT_NE(Message(tin), "");
}

TEST_F(Checker, FindsVertexLinksMarksAndCountsThatDoNotHold) {
  TTIN* tin = Built();
  TTINVtx* v = Items(tin->fTINVtxListByZ)[10];
  TTINTriangle* keep = v->fTriangle;
  for (TTINTriangle* t : Triangles(tin))
    if (t->IndexOfVertex(v) == kNoIndex) {
      v->fTriangle = t;
      break;
    }
  EXPECT_NE(Message(tin).find("link"), std::string::npos) << Message(tin);
  v->fTriangle = keep;
  v->fTriangleMark = 1;
  keep->fVertices[0]->fTriangleMark = 999;
  EXPECT_NE(Message(tin).find("mark"), std::string::npos) << Message(tin);
  EXPECT_EQ(Message(tin, {.delaunay = true, .finalMarks = false}), "");
  keep->fVertices[0]->fTriangleMark = 1;
  // A triangle missing from the list, and one listed twice in its place.
  TLinkNode* last = tin->fTINTriangleList->fLast;
  void* lost = last->item;
  last->item = nullptr;
  EXPECT_NE(Message(tin).find("null"), std::string::npos) << Message(tin);
  last->item = tin->fTINTriangleList->fFirst->item;
  EXPECT_NE(Message(tin).find("twice"), std::string::npos) << Message(tin);
  last->item = lost;
  EXPECT_EQ(Message(tin), "");
}

TEST_F(Checker, FindsANonDelaunayEdgeOnlyWhenAskedTo) {
  TTIN* tin = Built();
  // Flip an interior edge whose quadrilateral is convex: the result is a
  // valid triangulation but not Delaunay (unless the four were cocircular).
  bool flipped = false;
  for (TTINTriangle* t : Triangles(tin)) {
    for (TTINTriangle* n : t->fNeighbors) {
      if (n == nullptr) continue;
      TTINTriangle* pair[2] = {t, n};
      if (!CheckIfCanSwapTwoTris(pair)) continue;
      SwapPairOfTriangles(pair);
      flipped = true;
      break;
    }
    if (flipped) break;
  }
  ASSERT_TRUE(flipped);
  EXPECT_NE(Message(tin).find("circumcircle"), std::string::npos) << Message(tin);
  EXPECT_EQ(Message(tin, {.delaunay = false, .finalMarks = true}), "");
}

}  // namespace
