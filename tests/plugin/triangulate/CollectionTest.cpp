// Vertex collection from the TIN's layer, breaklines, the per-object
// callbacks, and the gift-wrapping hull.
#include <gtest/gtest.h>

#include "plugin/host/KVESDK.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/Steps.h"
#include "plugin/triangulate/ConvexHull.h"
#include "plugin/triangulate/OrderedCollection.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/VtxCollection.h"
#include "tests/support/TriFixture.h"

namespace {

class Collection : public TriTest {
 protected:
  TTIN* Collect(TErr* err, bool useBrklns = false) {
    TTIN* tin = NewTIN("Ground", useBrklns);
    *err = MakeVtxList(tin->fVtxTriMgr);
    return tin;
  }
  static std::vector<std::string> XYZs(const std::vector<TTINVtx*>& v) {
    std::vector<std::string> out;
    for (const TTINVtx* p : v)
      out.push_back(std::to_string(p->x) + "," + std::to_string(p->y) + "," + std::to_string(p->z));
    return out;
  }
  static std::vector<std::string> Sorted(std::vector<std::string> s) {
    std::sort(s.begin(), s.end());
    return s;
  }
};

TEST_F(Collection, DuplicateXYKeepsThePolygonVertexThenTheFirstLocus) {
  AddLoci({{10, 10, 99}, {40, 0, 1}, {40, 0, 2}, {0, 40, 3}});
  AddPoly({{10, 10, 5}, {20, 30, 6}});  // read before the loci, wherever it lies
  TErr err = -1;
  TTIN* tin = Collect(&err);
  ASSERT_EQ(err, kNoErr);
  EXPECT_EQ(Sorted(XYZs(Items(tin->fTINVtxListByZ))),
            Sorted({"10,10,5", "20,30,6", "40,0,1", "0,40,3"}));
  EXPECT_EQ(tin->fBrklnList, nullptr);  // breaklines not wanted
}

TEST_F(Collection, BreaklinesHoldOnlyTheVerticesTheirPolygonAddedFirst) {
  AddLoci({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}});
  AddPoly({{10, 10, 1}, {20, 20, 2}, {30, 10, 3}}, true);
  AddPoly({{20, 20, 9}, {50, 50, 4}, {60, 40, 5}});  // shares (20,20): a breakline of two
  AddPoly({{50, 50, 7}, {70, 20, 6}});                // one new vertex: no breakline
  AddPoly({{5, 5, 1}, {5, 5, 2}, {5, 5, 3}});         // one XY: nothing
  TErr err = -1;
  TTIN* tin = Collect(&err, true);
  ASSERT_EQ(err, kNoErr);
  EXPECT_EQ(Items(tin->fTINVtxListByZ).size(), 3u + 3u + 2u + 1u);
  ASSERT_NE(tin->fBrklnList, nullptr);
  std::vector<const TBrkln*> b;
  for (TLinkNode* n = tin->fBrklnList->fFirst; n != nullptr; n = n->next)
    b.push_back(static_cast<const TBrkln*>(n->item));
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(XYZs(Items(b[0]->fVtxList)), (std::vector<std::string>{"10,10,1", "20,20,2", "30,10,3"}));
  EXPECT_TRUE(b[0]->IsClosed());
  EXPECT_EQ(XYZs(Items(b[1]->fVtxList)), (std::vector<std::string>{"50,50,4", "60,40,5"}));
  EXPECT_FALSE(b[1]->IsClosed());
  EXPECT_EQ(b[1]->fNumVtxs, 2);
}

// A regression: the indexed collection remembered which breakline was taking
// corners by its address, so a polygon left with one corner (its breakline
// deleted) lent that corner to the next polygon's breakline whenever the
// allocator gave the new breakline the freed address.
TEST_F(Collection, APolygonLeftWithOneCornerLendsItToNoOtherBreakline) {
  for (const TSteps steps : {TSteps::kIndexed, TSteps::kLiteral}) {
    SCOPED_TRACE(steps == TSteps::kIndexed ? "indexed" : "step by step");
    host.document() = tinhost::Document();
    AddLoci({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}});
    AddPoly({{10, 10, 1}, {20, 20, 2}, {30, 10, 3}});
    AddPoly({{20, 20, 2}, {50, 50, 4}});  // one new corner: no breakline
    AddPoly({{60, 60, 5}, {70, 20, 6}, {80, 60, 7}});
    SetNewStructureSteps(steps);
    TErr err = -1;
    TTIN* tin = Collect(&err, true);
    SetNewStructureSteps(TSteps::kIndexed);
    ASSERT_EQ(err, kNoErr);
    std::vector<std::vector<std::string>> lines;
    for (TLinkNode* n = tin->fBrklnList->fFirst; n != nullptr; n = n->next)
      lines.push_back(XYZs(Items(static_cast<const TBrkln*>(n->item)->fVtxList)));
    EXPECT_EQ(lines, (std::vector<std::vector<std::string>>{{"10,10,1", "20,20,2", "30,10,3"},
                                                            {"60,60,5", "70,20,6", "80,60,7"}}));
  }
}

// The indexed collection looks loci up a few loci late; every question it
// answers in between must count the loci still waiting.
TEST_F(Collection, LociWaitingForTheirLookupStillCount) {
  TTIN* tin = NewTIN();
  ASSERT_EQ(MakeEmptyVtxList(tin), kNoErr);
  TOrderedSink sink(tin);
  // 40 loci, each of the last 20 at the XY of the one 20 before it (further
  // back than the queue holds), then one at the XY of the locus just offered.
  for (std::int32_t i = 0; i < 40; ++i) sink.Locus(KVPoint3D{i % 20 * 10, i % 20, i});
  sink.Locus(KVPoint3D{500, 7, 1000});
  sink.Locus(KVPoint3D{500, 7, 1001});
  EXPECT_TRUE(sink.Present(500, 7));
  EXPECT_TRUE(sink.Present(190, 19));
  EXPECT_FALSE(sink.Present(200, 20));
  ASSERT_EQ(sink.Finish(), kNoErr);
  std::vector<std::string> want;
  for (std::int32_t i = 0; i < 20; ++i)
    want.push_back(std::to_string(i * 10) + "," + std::to_string(i) + "," + std::to_string(i));
  want.push_back("500,7,1000");
  EXPECT_EQ(XYZs(Items(tin->fTINVtxListByZ)), want);  // the first at each XY, by elevation
}

TEST_F(Collection, TooFewDistinctPositionsAndMissingLayer) {
  AddLoci({{0, 0, 1}, {5, 5, 2}, {0, 0, 3}});
  TErr err = 0;
  Collect(&err);
  EXPECT_EQ(err, kErrTooFewVertices);
  TTIN* tin = NewTIN("NoSuchLayer");
  EXPECT_EQ(MakeVtxList(tin->fVtxTriMgr), kErrTooFewVertices);
  ASSERT_NE(tin->fTINVtxListByZ, nullptr);
  EXPECT_EQ(tin->fTINVtxListByZ->fFirst, nullptr);
}

// Collection asks memory for places to hold the loci until the layer's
// polygons are in, for room ahead in its tables and for the vertices.  On
// loci alone a refusal either ends it with a code or changes nothing: loci
// past a refused place are read again by a second walk, tables grow as
// points come.
TEST_F(Collection, ARefusalItDoesNotEndOnChangesNothing) {
  // More loci than one block of held places, every tenth at the position of
  // an earlier one.
  std::vector<XYZ> loci;
  for (std::int32_t i = 0; i < 20000; ++i) {
    const std::int32_t at = i % 10 == 9 ? i / 2 : i;
    loci.push_back({at % 150 * 7, at / 150 * 5, (i * 7919) % 1000});
  }
  AddLoci(loci);
  auto collect = [&](std::uint64_t refused, TErr* err) {
    TTIN* tin = NewTIN();
    if (refused > 0) host.memory().failAllocation(refused);
    *err = MakeVtxList(tin->fVtxTriMgr);
    return XYZs(Items(tin->fTINVtxListByZ));
  };
  TErr err = -1;
  const std::vector<std::string> want = collect(0, &err);
  ASSERT_EQ(err, kNoErr);
  ASSERT_EQ(want.size(), 19000u);
  int absorbed = 0;
  for (std::uint64_t k = 1; k <= 40; ++k) {
    const std::vector<std::string> got = collect(k, &err);
    if (err != kNoErr) continue;
    ++absorbed;
    EXPECT_EQ(got, want) << "request " << k << " refused";
  }
  EXPECT_GE(absorbed, 4);
}

// The first thing collection asks memory for: the literal steps' X-sorted
// array, the indexed build's vertex list (it keeps its points itself).
TEST_F(Collection, NoMemoryForTheFirstStructure) {
  AddLoci({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}});
  SetNewStructureSteps(TSteps::kLiteral);
  TTIN* literal = NewTIN();
  SetNewStructureSteps(TSteps::kIndexed);
  host.memory().failAllocation(1);
  EXPECT_EQ(MakeVtxList(literal->fVtxTriMgr), kErrNoXYArray);
  EXPECT_EQ(literal->fTINVtxListByZ, nullptr);
  EXPECT_EQ(literal->fVtxArrayByX, nullptr);
  TTIN* indexed = NewTIN();
  host.memory().failAllocation(1);
  EXPECT_EQ(MakeVtxList(indexed->fVtxTriMgr), kErrNoVtxListMemory);
  EXPECT_EQ(indexed->fTINVtxListByZ, nullptr);
}

TEST_F(Collection, CallbacksAddWhatLiesOnTheTINLayerGroupsIncluded) {
  AddLoci({{0, 0, 0}, {10, 0, 1}, {10, 0, 2}});
  AddLoci({{70, 70, 7}}, "Elsewhere");
  tinhost::Document& doc = host.document();
  const tinhost::ObjId group = doc.createObject(kKVTypeGroup);
  doc.addToContainer(group, Layer("Ground"));
  doc.addLocus(group, 5, 5, 3);
  AddPoly({{20, 20, 4}, {30, 30, 5}});
  TTIN* tin = NewTIN("Ground", true);
  tin->fTINVtxListByZ = TKestSortedLList::New();
  ASSERT_TRUE(tin->fTINVtxListByZ->IKestSortedLList());
  KV_ForEachObject(host.callbacks(), kKVWalkAll, &AddLocToTINVtxListByZ, tin);
  KV_ForEachObject(host.callbacks(), kKVWalkAll, &Add3DPolyVtxsToTINVtxList, tin);
  EXPECT_EQ(Sorted(XYZs(Items(tin->fTINVtxListByZ))),
            Sorted({"0,0,0", "10,0,1", "5,5,3", "20,20,4", "30,30,5"}));
  ASSERT_NE(tin->fBrklnList, nullptr);
  EXPECT_NE(tin->fBrklnList->fFirst, nullptr);
}

TEST_F(Collection, HullTakesEveryVertexOnASideAndWalksCollinearInputOutAndBack) {
  AddLoci({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {5, 0, 0}, {4, 6, 0}});
  TErr err = -1;
  TTIN* tin = Collect(&err);
  ASSERT_EQ(err, kNoErr);
  ASSERT_EQ(DetermineConvexHull(tin->fVtxTriMgr), kNoErr);
  EXPECT_EQ(XYZs(Items(tin->fConvexHullVtxList)),
            (std::vector<std::string>{"0,0,0", "0,10,0", "10,10,0", "10,0,0", "5,0,0"}));

  TTIN* line = NewTIN();
  const auto v = PlaceVertices(line, {{0, 0, 3}, {4, 4, 2}, {8, 8, 1}});  // A, B, D
  ASSERT_EQ(DetermineConvexHull(line->fVtxTriMgr), kNoErr);
  EXPECT_EQ(Items(line->fConvexHullVtxList), (std::vector<TTINVtx*>{v[0], v[1], v[2], v[1]}));

  TTIN* none = NewTIN();
  EXPECT_EQ(DetermineConvexHull(none->fVtxTriMgr), kErrHullNoVtxList);
  PlaceVertices(none, {});
  EXPECT_EQ(DetermineConvexHull(none->fVtxTriMgr), kErrHullEmptyVtxList);
}

}  // namespace
