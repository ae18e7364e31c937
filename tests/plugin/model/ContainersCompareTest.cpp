// The indexed vertex list and X-sorted array against the step-by-step
// functions they replace, on the comparison inputs: the same node order and
// current node after every search, the same entry order, and the same exact
// and nearest answers (with the exact flag) for every query the triangulation
// makes, on points and between them.
#include <memory>

#include "plugin/model/TKestXYAndHdlArray.h"
#include "tests/support/PerfSets.h"

namespace {

class ContainersCompare : public TriTest, public ::testing::WithParamInterface<PerfSet> {
 protected:
  void TearDown() override {
    for (TKestSortedLList* l : lists_) l->Free();
    lists_.clear();
    vertices_.clear();
    TriTest::TearDown();
  }
  TKestSortedLList* NewList() {
    TKestSortedLList* l = TKestSortedLList::New();
    EXPECT_TRUE(l->IKestSortedLList());
    lists_.push_back(l);
    return l;
  }
  TTINVtx* Vertex(const XYZ& p) {
    vertices_.emplace_back(new TTINVtx(p.x, p.y, p.z));
    return vertices_.back().get();
  }
  std::vector<std::unique_ptr<TTINVtx>> vertices_;
  void XYArrayMatchesTheLiteral(std::size_t every);

 private:
  std::vector<TKestSortedLList*> lists_;
};

TEST_P(ContainersCompare, VertexListKeepsTheLiteralOrderAndCurrentNode) {
  const std::vector<XYZ> pts = GetParam().make();
  ASSERT_FALSE(pts.empty()) << "no data for " << GetParam().name;
  TKestSortedLList* fast = NewList();
  TKestSortedLList* literal = NewList();
  for (std::size_t i = 0; i < pts.size(); ++i) {
    TTINVtx* v = Vertex(pts[i]);
    ASSERT_TRUE(fast->Insert(v));
    ASSERT_TRUE(sorted_list_literal::Insert(*literal, v));
    if (i % 97 == 0) {
      // A search for a vertex of elevation present and one absent, at a
      // point where the list holds long runs of equal elevations.
      for (std::int32_t dz : {0, 1}) {
        TTINVtx probe(0, 0, pts[i].z + dz);
        std::int16_t rf = -1, rl = -1;
        const bool ff = fast->Search(&probe, &rf);
        const bool fl = sorted_list_literal::Search(*literal, &probe, &rl);
        ASSERT_EQ(ff, fl);
        ASSERT_EQ(rf, rl);
        ASSERT_EQ(fast->fCurrent->item, literal->fCurrent->item) << "after " << i << " items";
      }
    }
  }
  EXPECT_EQ(Items(fast), Items(literal));
  EXPECT_EQ(fast->CountItems(), static_cast<std::int32_t>(pts.size()));
}

// Asked before every addition, the array soon indexes its entries; asked
// rarely (as a build on real ground asks), it answers by scanning them until
// the scans add up, and then from the index.
TEST_P(ContainersCompare, XYArrayKeepsTheLiteralOrderAndAnswers) {
  for (const std::size_t every : {1, 601}) XYArrayMatchesTheLiteral(every);
}

void ContainersCompare::XYArrayMatchesTheLiteral(std::size_t every) {
  const std::vector<XYZ> pts = GetParam().make();
  ASSERT_FALSE(pts.empty()) << "no data for " << GetParam().name;
  TKestXYAndHdlArray fast;
  ASSERT_EQ(fast.InitKestXYAndHdlArray(), 0);
  std::vector<TXYAndHdl> literal;
  std::mt19937 rng(17);
  SCOPED_TRACE(every == 1 ? "asked before every addition" : "asked now and then");
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const TXYPoint p{pts[i].x, pts[i].y};
    // The triangulation asks for the nearest vertex before adding one; the
    // contours ask between vertices.
    if (!literal.empty() && i % every == 0) {
      for (const TXYPoint q : {p, TXYPoint{p.x + 1, p.y - 2}, TXYPoint{p.x, p.y + static_cast<std::int32_t>(rng() % 50)}}) {
        bool ef = false, el = false;
        ASSERT_EQ(fast.GetHdlByXYNearest(q, &ef),
                  xy_array_literal::FindNearest(literal.data(), std::int32_t(literal.size()), q, &el))
            << "nearest to (" << q.x << ", " << q.y << ") after " << i << " entries";
        ASSERT_EQ(ef, el);
        ASSERT_EQ(fast.GetHdlByXY(q),
                  xy_array_literal::FindExact(literal.data(), std::int32_t(literal.size()), q));
      }
    }
    TTINVtx* v = Vertex(pts[i]);
    ASSERT_TRUE(fast.AddXYAndHdl(p, v));
    literal.push_back({});
    xy_array_literal::InsertEntry(literal.data(), std::int32_t(literal.size()) - 1, p, v);
  }
  ASSERT_EQ(fast.Count(), std::int32_t(literal.size()));
  const TXYAndHdl* entries = fast.Entries();
  ASSERT_NE(entries, nullptr);
  for (std::size_t i = 0; i < literal.size(); ++i) ASSERT_EQ(entries[i].hdl, literal[i].hdl) << i;
  fast.DisposeXYAndHdlArray();
}

INSTANTIATE_TEST_SUITE_P(Inputs, ContainersCompare, ::testing::ValuesIn(PerfSets()), PerfSetName);

// A column of equal x filled from both ends and the middle: the runs' labels
// run out and are laid out again, and the order must survive it, whether the
// index places each entry as it comes (a tie after every addition) or places
// a thousand at once when the first tie appears.
TEST_F(ContainersCompare, LongRunsOfEqualXKeepTheirOrderThroughRelabelling) {
  for (const std::int32_t stride : {1, 1000}) {
    TKestXYAndHdlArray fast;
    ASSERT_EQ(fast.InitKestXYAndHdlArray(), 0);
    std::vector<TXYAndHdl> literal;
    for (std::int32_t i = 0; i < 3000; ++i) {
      const TXYPoint p{i % 3, i};
      TTINVtx* v = Vertex({p.x, p.y, 0});
      ASSERT_TRUE(fast.AddXYAndHdl(p, v));
      literal.push_back({});
      xy_array_literal::InsertEntry(literal.data(), std::int32_t(literal.size()) - 1, p, v);
      if (i % stride != stride - 1) continue;
      bool ef = false, el = false;
      const TXYPoint q{1, i / 2};
      ASSERT_EQ(fast.GetHdlByXYNearest(q, &ef),
                xy_array_literal::FindNearest(literal.data(), std::int32_t(literal.size()), q, &el))
          << "stride " << stride << ", " << i;
    }
    const TXYAndHdl* entries = fast.Entries();
    for (std::size_t i = 0; i < literal.size(); ++i)
      ASSERT_EQ(entries[i].hdl, literal[i].hdl) << "stride " << stride << ", " << i;
    fast.DisposeXYAndHdlArray();
  }
}

// Entries that share an (x, y) (a vertex list can hold them when collection
// is given duplicates): more of them than a quadtree leaf holds, in a cell
// that cannot split, found in the order the array's scan finds them.
TEST_F(ContainersCompare, ManyEntriesAtOnePointMatchTheArray) {
  TKestXYAndHdlArray fast;
  ASSERT_EQ(fast.InitKestXYAndHdlArray(), 0);
  std::vector<TXYAndHdl> literal;
  for (std::int32_t i = 0; i < 40; ++i) {
    const TXYPoint p{i % 4 == 3 ? 7 : 5, i % 4 == 3 ? i : 9};
    TTINVtx* v = Vertex({p.x, p.y, 0});
    ASSERT_TRUE(fast.AddXYAndHdl(p, v));
    literal.push_back({});
    xy_array_literal::InsertEntry(literal.data(), std::int32_t(literal.size()) - 1, p, v);
    for (const TXYPoint q : {TXYPoint{5, 9}, TXYPoint{6, 9}, TXYPoint{7, i}}) {
      bool ef = false, el = false;
      ASSERT_EQ(fast.GetHdlByXYNearest(q, &ef),
                xy_array_literal::FindNearest(literal.data(), std::int32_t(literal.size()), q, &el))
          << i;
      ASSERT_EQ(fast.GetHdlByXY(q),
                xy_array_literal::FindExact(literal.data(), std::int32_t(literal.size()), q))
          << i;
    }
  }
  const TXYAndHdl* entries = fast.Entries();
  for (std::size_t i = 0; i < literal.size(); ++i) ASSERT_EQ(entries[i].hdl, literal[i].hdl) << i;
  fast.DisposeXYAndHdlArray();
}

}  // namespace
