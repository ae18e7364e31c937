// The vertex list by elevation: its order, its tie rule among equal
// elevations, the position Search leaves, and a randomised comparison with a
// plain model of the binary search and insertion rule on a vector.
#include <memory>
#include <random>
#include <vector>

#include "ModelFixture.h"
#include "model/TKestSortedLList.h"
#include "model/TTINVtx.h"

namespace {

// The list's items front to back.
std::vector<TTINVtx*> Items(const TLinkedList& list) {
  std::vector<TTINVtx*> out;
  for (const TLinkNode* n = list.fFirst; n != nullptr; n = n->next)
    out.push_back(static_cast<TTINVtx*>(n->item));
  return out;
}

// The search and insertion as the text states them, on a vector: probe
// (lo + hi) / 2; equal stops; the new item goes before the last probed item
// when nothing equal was found and that item sorts after it, else after it.
struct ListModel {
  std::vector<TTINVtx*> items;

  // Returns the found flag; *r the last comparison, *pos the last probed index.
  bool Search(const TTINVtx* v, std::int16_t* r, std::int32_t* pos) const {
    *r = kSortAfter;
    *pos = -1;
    std::int32_t lo = 0, hi = static_cast<std::int32_t>(items.size()) - 1;
    while (lo <= hi) {
      const std::int32_t mid = (lo + hi) / 2;
      *pos = mid;
      const std::int32_t z = items[static_cast<std::size_t>(mid)]->z;
      *r = z < v->z ? kSortAfter : z > v->z ? kSortBefore : kSortEqual;
      if (*r == kSortEqual) return true;
      if (*r == kSortBefore) hi = mid - 1;
      else lo = mid + 1;
    }
    return false;
  }
  void Insert(TTINVtx* v) {
    std::int16_t r;
    std::int32_t pos;
    const bool found = Search(v, &r, &pos);
    const std::int32_t at = !found && r == kSortBefore ? pos : pos + 1;
    items.insert(items.begin() + at, v);
  }
};

class SortedListTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    list = TKestSortedLList::New();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->IKestSortedLList());
  }
  void TearDown() override {
    if (list != nullptr) list->Free();
    vertices.clear();
    ModelTest::TearDown();
  }
  TTINVtx* Vtx(std::int32_t z) {
    vertices.emplace_back(new TTINVtx(0, 0, z));
    return vertices.back().get();
  }

  TKestSortedLList* list = nullptr;
  std::vector<std::unique_ptr<TTINVtx>> vertices;
};

TEST_F(SortedListTest, OrdersByElevationAndPlacesTiesAfterTheFirstEqualProbed) {
  TTINVtx* z3 = Vtx(3);
  TTINVtx* z1 = Vtx(1);
  TTINVtx* z2 = Vtx(2);
  for (TTINVtx* v : {z3, z1, z2}) ASSERT_TRUE(list->Insert(v));
  EXPECT_EQ(Items(*list), (std::vector<TTINVtx*>{z1, z2, z3}));

  list->Free();
  list = TKestSortedLList::New();
  ASSERT_TRUE(list != nullptr && list->IKestSortedLList());
  TTINVtx* a = Vtx(5);
  TTINVtx* b = Vtx(5);
  TTINVtx* c = Vtx(5);
  TTINVtx* d = Vtx(5);
  for (TTINVtx* v : {a, b, c, d}) list->Insert(v);
  // b goes after a; c probes position 0 (a) and goes after it: a c b; d
  // probes position 1 (c) and becomes the third item.
  EXPECT_EQ(Items(*list), (std::vector<TTINVtx*>{a, c, d, b}));
  EXPECT_EQ(list->CountItems(), 4);
}

TEST_F(SortedListTest, SearchReportsTheLastComparisonAndLeavesThePositionThere) {
  std::int16_t r = kSortEqual;
  EXPECT_FALSE(list->Search(Vtx(1), &r));
  EXPECT_EQ(r, kSortAfter);

  for (std::int32_t z : {10, 20, 30}) list->Insert(Vtx(z));
  EXPECT_TRUE(list->Search(Vtx(20), &r));
  EXPECT_EQ(r, kSortEqual);
  EXPECT_EQ(static_cast<TTINVtx*>(list->fCurrent->item)->z, 20);
  EXPECT_FALSE(list->Search(Vtx(5), &r));
  EXPECT_EQ(r, kSortBefore);
  EXPECT_EQ(static_cast<TTINVtx*>(list->fCurrent->item)->z, 10);
  EXPECT_FALSE(list->Search(Vtx(35), &r));
  EXPECT_EQ(r, kSortAfter);
  EXPECT_EQ(static_cast<TTINVtx*>(list->fCurrent->item)->z, 30);
}

TEST_F(SortedListTest, WithTheSortFlagClearItemsGoToTheHead) {
  list->fSortFlags = 0;
  TTINVtx* low = Vtx(1);
  TTINVtx* high = Vtx(9);
  list->Insert(low);
  list->Insert(high);
  EXPECT_EQ(Items(*list), (std::vector<TTINVtx*>{high, low}));
}

// Lists are positioned with 32-bit positions: a list far longer than 32,768
// items is searched over its whole length.
TEST_F(SortedListTest, SearchesPastTheOld16BitPositionLimit) {
  constexpr std::int32_t kLong = 40000;
  for (std::int32_t i = 0; i < kLong; ++i) ASSERT_TRUE(list->Append(Vtx(2 * i)));
  TTINVtx* v = Vtx(2 * 39000 + 1);
  ASSERT_TRUE(list->Insert(v));
  std::int32_t at = 0;
  for (const TLinkNode* n = list->fFirst; n != nullptr && n->item != v; n = n->next) ++at;
  EXPECT_EQ(at, 39001);
  EXPECT_EQ(list->CountItems(), kLong + 1);
}

TEST_F(SortedListTest, RandomInsertsAndSearchesMatchTheModel) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<std::int32_t> zOf(-6, 6);  // many equal elevations
  ListModel model;
  for (int op = 0; op < 3000; ++op) {
    TTINVtx* v = Vtx(zOf(rng));
    if (op % 3 == 2) {  // a search for an elevation that may or may not be present
      std::int16_t r = 0, mr = 0;
      std::int32_t mpos = 0;
      const bool found = list->Search(v, &r);
      ASSERT_EQ(found, model.Search(v, &mr, &mpos)) << "op " << op;
      ASSERT_EQ(r, mr) << "op " << op;
      if (mpos >= 0) {
        ASSERT_EQ(list->fCurrent->item, model.items[static_cast<std::size_t>(mpos)]);
      }
      continue;
    }
    ASSERT_TRUE(list->Insert(v));
    model.Insert(v);
    if (op % 97 == 0) {
      ASSERT_EQ(Items(*list), model.items) << "op " << op;
    }
  }
  const std::vector<TTINVtx*> got = Items(*list);
  EXPECT_EQ(got, model.items);
  for (std::size_t i = 1; i < got.size(); ++i) ASSERT_LE(got[i - 1]->z, got[i]->z);
}

TEST_F(SortedListTest, FreeingTheListReleasesEveryNode) {
  list->Free();
  list = nullptr;
  std::vector<TTINVtx*> items = {Vtx(4), Vtx(2), Vtx(4), Vtx(8)};
  const std::size_t before = Live();
  TKestSortedLList* l = TKestSortedLList::New();
  ASSERT_TRUE(l != nullptr && l->IKestSortedLList());
  for (TTINVtx* v : items) l->Insert(v);
  EXPECT_EQ(Live(), before + 1 + items.size());
  l->Free();
  EXPECT_EQ(Live(), before);
}

TEST_F(SortedListTest, AFailedNodeLeavesTheListUnchanged) {
  list->Insert(Vtx(1));
  TTINVtx* v = Vtx(2);
  host.memory().failAllocation(1);
  EXPECT_FALSE(list->Insert(v));
  EXPECT_EQ(list->CountItems(), 1);
}

}  // namespace
