// The TIN records: triangle accessors and their tie rules, breakline level
// tracking, the builder's contour flag, and what destroying a TIN frees.
#include <array>
#include <memory>
#include <vector>

#include "ModelFixture.h"
#include "plugin/contour/TTINContourMap.h"
#include "plugin/model/IDIndex.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TKestXYAndHdlArray.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"

namespace {

using TINModelTest = ModelTest;

TEST(TriangleTest, IndexOfVertexAndNeighbourEdges) {
  TTINVtx a, b, c, other;
  TTINTriangle t;
  TTINVtx* corners[3] = {&a, &b, &c};
  t.SetVertices(corners);
  EXPECT_EQ(t.IndexOfVertex(&c), 2);
  EXPECT_EQ(static_cast<std::uint16_t>(t.IndexOfVertex(&other)), 0xFFFF);

  EXPECT_TRUE(t.AllNabrEdgesOkay());  // no neighbours: nothing to check
  TTINTriangle n;
  TTINTriangle* nabrs[3] = {nullptr, &n, nullptr};
  t.SetNeighbors(nabrs);
  EXPECT_FALSE(t.AllNabrEdgesOkay());
  const bool hullEdgesOnly[3] = {true, false, true};
  t.SetEdgeOkay(hullEdgesOnly);
  EXPECT_FALSE(t.AllNabrEdgesOkay());
  const bool sharedEdgeOnly[3] = {false, true, false};
  t.SetEdgeOkay(sharedEdgeOnly);
  EXPECT_TRUE(t.AllNabrEdgesOkay());
}

// Every elevation pattern of three corners: lo, mid, hi are a permutation in
// non-decreasing z, lo and hi the lowest index of the extreme value, and three
// equal corners give (0, 2, 1).
TEST(TriangleTest, SortVtxIndicesByZOverAllPatterns) {
  for (int code = 0; code < 27; ++code) {
    const std::array<std::int32_t, 3> z = {code % 3, code / 3 % 3, code / 9};
    TTINVtx v0(0, 0, z[0]), v1(0, 0, z[1]), v2(0, 0, z[2]);
    TTINTriangle t;
    TTINVtx* corners[3] = {&v0, &v1, &v2};
    t.SetVertices(corners);
    std::int16_t lo, mid, hi;
    t.SortVtxIndicesByZ(&lo, &mid, &hi);
    SCOPED_TRACE(testing::Message() << "z = " << z[0] << "," << z[1] << "," << z[2]);
    ASSERT_EQ(lo + mid + hi, 3);
    ASSERT_TRUE(lo != mid && mid != hi && lo != hi);
    EXPECT_LE(z[lo], z[mid]);
    EXPECT_LE(z[mid], z[hi]);
    int firstMin = 0, firstMax = 0;
    for (int i = 1; i < 3; ++i) {
      if (z[i] < z[firstMin]) firstMin = i;
      if (z[i] > z[firstMax]) firstMax = i;
    }
    EXPECT_EQ(lo, firstMin);
    EXPECT_EQ(hi, firstMin != firstMax ? firstMax : 1);
  }
}

TEST_F(TINModelTest, BreaklineLevelAndCountFollowEveryVertexOffered) {
  TTINVtx a(0, 0, 120), b(1, 0, 120), c(2, 0, 121), d(3, 0, 120);
  const std::size_t before = Live();
  {
    TBrkln br;
    host.memory().failAllocation(1);  // the list object: a is counted, not stored
    br.AddVtx(&a);
    EXPECT_EQ(br.fVtxList, nullptr);
    br.AddVtx(&b);
    EXPECT_TRUE(br.fLevel);
    EXPECT_EQ(br.fLevelElev, 120);
    br.AddVtx(&c);
    br.AddVtx(&d);
    EXPECT_FALSE(br.fLevel);  // for good
    EXPECT_EQ(br.fNumVtxs, 4);
    ASSERT_NE(br.fVtxList, nullptr);
    EXPECT_EQ(br.fVtxList->fFirst->item, &b);
    EXPECT_EQ(br.fVtxList->fLast->item, &d);
  }
  EXPECT_EQ(Live(), before);  // the list went with the breakline
}

// A TIN with every owned part populated, null items in its lists included.
class BuiltTIN {
 public:
  // The lists always; the array, contour map, read tables and builder unless
  // `listsOnly`.
  explicit BuiltTIN(TTIN* tin, bool listsOnly = false) : t(tin) {
    auto* byZ = TKestSortedLList::New();
    EXPECT_TRUE(byZ->IKestSortedLList());
    t->fTINVtxListByZ = byZ;
    for (int i = 0; i < 12; ++i) {
      auto* v = new TTINVtx(i, i * i % 7, i % 4);
      vertices.push_back(v);
      byZ->Insert(v);
    }
    byZ->Append(nullptr);
    t->fConvexHullVtxList = NewList({vertices[0], vertices[3], vertices[7]});
    std::vector<void*> tris;
    for (int i = 0; i + 2 < 12; i += 3) {
      auto* tri = new TTINTriangle();
      TTINVtx* c[3] = {vertices[i], vertices[i + 1], vertices[i + 2]};
      tri->SetVertices(c);
      tris.push_back(tri);
    }
    tris.push_back(nullptr);
    t->fTINTriangleList = NewList(tris);
    auto* br = new TBrkln();
    br->AddVtx(vertices[1]);
    br->AddVtx(vertices[2]);
    t->fBrklnList = NewList({br, nullptr, new TBrkln()});
    if (listsOnly) return;
    t->fVtxArrayByX = new TKestXYAndHdlArray();
    EXPECT_EQ(t->fVtxArrayByX->InitKestXYAndHdlArray(), 0);
    for (TTINVtx* v : vertices) t->fVtxArrayByX->AddXYAndHdl({v->x, v->y}, v);
    t->fContourMap = new TTINContourMap();
    t->fVtxReadTable = new TIDIndex();
    EXPECT_EQ(t->fVtxReadTable->Create(12), 0);
    t->fTriReadTable = new TIDIndex();
    EXPECT_EQ(t->fTriReadTable->Create(4), 0);
    EXPECT_TRUE(t->MakeVtxTriMgr());  // keeps a builder already made
  }
  static TLinkedList* NewList(std::vector<void*> items) {
    TLinkedList* l = TLinkedList::New();
    EXPECT_TRUE(l->ILinkedList());
    for (void* p : items) l->Append(p);
    return l;
  }
  TTIN* t;
  std::vector<TTINVtx*> vertices;
};

TEST_F(TINModelTest, DestroyingABuiltTINLeavesNoAllocationBehind) {
  const std::size_t before = Live();
  TTIN* tin = new TTIN(nullptr);
  tin->InitVars(cb());
  ASSERT_TRUE(tin->MakeVtxTriMgr());
  tin->fVtxTriMgr->SetAllTriContDoneFlag(true);  // no triangle list: nothing to do
  BuiltTIN built(tin);
  EXPECT_GT(Live(), before + 40);
  tin->fVtxTriMgr->SetAllTriContDoneFlag(true);
  for (TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next)
    if (n->item != nullptr) {
      EXPECT_TRUE(static_cast<TTINTriangle*>(n->item)->fContoursAnyDone);
    }

  tin->DeleteVtxHullAndTriLists();
  EXPECT_EQ(tin->fTINVtxListByZ, nullptr);
  EXPECT_EQ(tin->fConvexHullVtxList, nullptr);
  EXPECT_EQ(tin->fTINTriangleList, nullptr);
  EXPECT_EQ(tin->fBrklnList, nullptr);
  EXPECT_NE(tin->fVtxTriMgr, nullptr);  // the rebuild keeps the builder

  BuiltTIN again(tin, true);  // refilled, then destroyed whole
  delete tin;
  EXPECT_EQ(Live(), before);
}

TEST_F(TINModelTest, ReadTableResolvesNumbersAfterSorting) {
  TIDIndex index;
  ASSERT_EQ(index.Create(5), 0);
  int objs[5];
  for (int i : {4, 1, 3, 0, 2}) ASSERT_TRUE(index.Add(10 * (i + 1), &objs[i]));
  EXPECT_FALSE(index.Add(60, &objs[0]));  // full
  index.Sort();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(index.LookUp(10 * (i + 1)), &objs[i]);
  EXPECT_EQ(index.LookUp(35), nullptr);
}

}  // namespace
