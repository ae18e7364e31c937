// The vertex list by elevation: its order and tie rule among equal
// elevations, and a randomised comparison with a model of the stated binary
// search and insertion rule on a vector.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "ModelFixture.h"
#include "plugin/model/InsertionOrder.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTINVtx.h"

namespace {

std::vector<TTINVtx*> Items(const TLinkedList& list) {
  std::vector<TTINVtx*> out;
  for (const TLinkNode* n = list.fFirst; n != nullptr; n = n->next)
    out.push_back(static_cast<TTINVtx*>(n->item));
  return out;
}

// Probe (lo + hi) / 2 until equal; a new item goes before the last probed item
// when nothing equal was found and that item sorts after it, else after it.
struct ListModel {
  std::vector<TTINVtx*> items;
  bool Search(const TTINVtx* v, std::int16_t* r, std::int32_t* pos) const {
    *r = kSortAfter;
    *pos = -1;
    for (std::int32_t lo = 0, hi = std::int32_t(items.size()) - 1; lo <= hi;) {
      *pos = (lo + hi) / 2;
      const std::int32_t z = items[std::size_t(*pos)]->z;
      *r = z < v->z ? kSortAfter : z > v->z ? kSortBefore : kSortEqual;
      if (*r == kSortEqual) return true;
      if (*r == kSortBefore) hi = *pos - 1;
      else lo = *pos + 1;
    }
    return false;
  }
  void Insert(TTINVtx* v) {
    std::int16_t r;
    std::int32_t pos;
    const bool found = Search(v, &r, &pos);
    items.insert(items.begin() + (!found && r == kSortBefore ? pos : pos + 1), v);
  }
};

class SortedListTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    list = TKestSortedLList::New();
    ASSERT_TRUE(list != nullptr && list->IKestSortedLList());
  }
  void TearDown() override {
    list->Free();
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

  TKestSortedLList* fives = TKestSortedLList::New();
  ASSERT_TRUE(fives != nullptr && fives->IKestSortedLList());
  TTINVtx* a = Vtx(5);
  TTINVtx* b = Vtx(5);
  TTINVtx* c = Vtx(5);
  TTINVtx* d = Vtx(5);
  for (TTINVtx* v : {a, b, c, d}) fives->Insert(v);
  // c probes position 0 (a) and goes after it: a c b; d probes position 1 (c)
  // and becomes the third item.
  EXPECT_EQ(Items(*fives), (std::vector<TTINVtx*>{a, c, d, b}));
  EXPECT_EQ(fives->CountItems(), 4);

  fives->fSortFlags = 0;  // in-order insertion off: to the head
  TTINVtx* top = Vtx(9);
  fives->Insert(top);
  EXPECT_EQ(Items(*fives).front(), top);
  fives->Free();
}

// Positions are 32-bit: a list far longer than 32,768 items is searched over
// its whole length.
TEST_F(SortedListTest, SearchesPastTheOld16BitPositionLimit) {
  constexpr std::int32_t kLong = 40000;
  for (std::int32_t i = 0; i < kLong; ++i) ASSERT_TRUE(list->Append(Vtx(2 * i)));
  TTINVtx* v = Vtx(2 * 39000 + 1);
  ASSERT_TRUE(list->Insert(v));
  const std::vector<TTINVtx*> items = Items(*list);
  EXPECT_EQ(items[39001], v);
  EXPECT_EQ(list->CountItems(), kLong + 1);
}

TEST_F(SortedListTest, RandomInsertsAndSearchesMatchTheModel) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<std::int32_t> zOf(-6, 6);  // many equal elevations
  ListModel model;
  for (int op = 0; op < 3000; ++op) {
    TTINVtx* v = Vtx(zOf(rng));
    if (op % 3 == 0) {  // searches, the first on the empty list
      std::int16_t r = 0, mr = 0;
      std::int32_t mpos = 0;
      ASSERT_EQ(list->Search(v, &r), model.Search(v, &mr, &mpos)) << "op " << op;
      ASSERT_EQ(r, mr) << "op " << op;
      // The current position is left on the last item compared.
      ASSERT_EQ(list->fCurrent != nullptr ? list->fCurrent->item : nullptr,
                mpos >= 0 ? model.items[std::size_t(mpos)] : nullptr);
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

// The order computed at once is the model's order after one-by-one insertion:
// elevations all equal, from a handful of values, spread wide, and sorted.
TEST_F(SortedListTest, InsertionOrderComputedAtOnceMatchesTheModel) {
  std::mt19937 rng(77);
  // A negative spread: that spread in steps of 2048, whose elevations share
  // their lowest bits, which a sort by digits must pass over without stopping.
  for (const std::int32_t spread : {0, 3, 40, 1 << 30, -40}) {
    const std::int32_t step = spread < 0 ? 2048 : 1;
    for (const std::int32_t n : {1, 2, 7, 1000, 5000}) {
      std::uniform_int_distribution<std::int32_t> zOf(-std::abs(spread), std::abs(spread));
      std::vector<std::int32_t> z(static_cast<std::size_t>(n));
      for (std::int32_t& v : z) v = zOf(rng) * step;
      if (spread == 40 && n == 1000) std::sort(z.begin(), z.end());
      ListModel model;
      std::vector<std::unique_ptr<TTINVtx>> vtxs;
      for (const std::int32_t v : z) {
        vtxs.emplace_back(new TTINVtx(0, 0, v));
        model.Insert(vtxs.back().get());
      }
      std::vector<std::int32_t> order(static_cast<std::size_t>(n), -1);
      ASSERT_TRUE(InsertionOrderByZ(z.data(), n, order.data()));
      for (std::int32_t k = 0; k < n; ++k)
        ASSERT_EQ(vtxs[std::size_t(order[std::size_t(k)])].get(), model.items[std::size_t(k)])
            << "spread " << spread << " n " << n << " place " << k;
    }
  }
}

TEST_F(SortedListTest, AFailedNodeLeavesTheListUnchanged) {
  list->Insert(Vtx(1));
  TTINVtx* v = Vtx(2);
  host.memory().failAllocation(1);
  EXPECT_FALSE(list->Insert(v));
  EXPECT_EQ(list->CountItems(), 1);
}

}  // namespace
