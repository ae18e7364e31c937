// The run index against a plain ordered map of key -> items, over enough keys
// to make the tree several levels deep, with runs growing at every offset,
// and with the host refusing memory part way.
#include <map>
#include <random>
#include <vector>

#include "ModelFixture.h"
#include "plugin/model/TKeyRunIndex.h"

namespace {

using Reference = std::map<std::int32_t, std::vector<void*>>;

void* ItemNo(std::intptr_t k) { return reinterpret_cast<void*>(k); }

class KeyRunIndexTest : public ModelTest {
 protected:
  // Inserts `count` items with keys drawn from [0, keyRange) at random offsets
  // of their runs, into both the index and the reference.
  void Fill(TKeyRunIndex& index, Reference& ref, int count, std::int32_t keyRange, unsigned seed) {
    std::mt19937 rng(seed);
    for (int i = 0; i < count; ++i) {
      const auto key = static_cast<std::int32_t>(rng() % static_cast<unsigned>(keyRange)) - keyRange / 2;
      std::vector<void*>& run = ref[key];
      const auto k = static_cast<std::int32_t>(rng() % (run.size() + 1));
      void* item = ItemNo(i + 1);
      TKeyRunIndex::TRun r = TKeyRunIndex::kNoRun;
      if (!index.Insert(key, k, item, &r)) {
        if (run.empty()) ref.erase(key);
        continue;
      }
      run.insert(run.begin() + k, item);
      ASSERT_EQ(index.RunKey(r), key);
    }
  }

  // Every query of the index answers as the reference does.
  void ExpectSame(const TKeyRunIndex& index, const Reference& ref) {
    std::int32_t total = 0;
    for (const auto& [key, items] : ref) total += static_cast<std::int32_t>(items.size());
    ASSERT_EQ(index.Total(), total);

    std::vector<std::int32_t> order;
    index.ForEachRun([&](TKeyRunIndex::TRun r) { order.push_back(index.RunKey(r)); });
    std::vector<std::int32_t> keys;
    for (const auto& entry : ref) keys.push_back(entry.first);
    ASSERT_EQ(order, keys);

    std::int32_t below = 0;
    for (const auto& [key, items] : ref) {
      std::int32_t found = -1;
      const TKeyRunIndex::TRun r = index.Find(key, &found);
      ASSERT_NE(r, TKeyRunIndex::kNoRun) << key;
      EXPECT_EQ(found, below) << key;
      ASSERT_EQ(index.RunSize(r), static_cast<std::int32_t>(items.size()));
      EXPECT_TRUE(std::equal(items.begin(), items.end(), index.RunItems(r))) << key;
      // A key between this one and the next is absent, with the same count below.
      std::int32_t gapBelow = -1;
      EXPECT_EQ(index.Find(key + 1, &gapBelow) == TKeyRunIndex::kNoRun, !ref.contains(key + 1));
      if (!ref.contains(key + 1)) {
        EXPECT_EQ(gapBelow, below + static_cast<std::int32_t>(items.size()));
      }
      below += static_cast<std::int32_t>(items.size());
    }
    // Neighbours of present and absent keys, and the last run.
    for (std::int32_t probe : {keys.front() - 1, keys.front(), keys[keys.size() / 3],
                               keys[keys.size() / 3] + 1, keys.back(), keys.back() + 1}) {
      const auto next = ref.upper_bound(probe);
      const TKeyRunIndex::TRun n = index.Next(probe);
      if (next == ref.end()) EXPECT_EQ(n, TKeyRunIndex::kNoRun);
      else EXPECT_EQ(index.RunKey(n), next->first);
      const auto prev = ref.lower_bound(probe);
      const TKeyRunIndex::TRun p = index.Prev(probe);
      if (prev == ref.begin()) EXPECT_EQ(p, TKeyRunIndex::kNoRun);
      else EXPECT_EQ(index.RunKey(p), std::prev(prev)->first);
    }
    EXPECT_EQ(index.RunKey(index.LastRun()), keys.back());
  }
};

TEST_F(KeyRunIndexTest, AnswersAsAnOrderedMapWhenWideAndWhenRunsAreLong) {
  {
    auto* index = new TKeyRunIndex();
    Reference ref;
    Fill(*index, ref, 300000, 1 << 30, 1);  // nearly every key new: four levels
    ExpectSame(*index, ref);
    delete index;
  }
  {
    auto* index = new TKeyRunIndex();
    Reference ref;
    Fill(*index, ref, 50000, 500, 2);  // long runs, items inserted at every offset
    ExpectSame(*index, ref);
    delete index;
  }
  EXPECT_EQ(Live(), 0u);
}

TEST_F(KeyRunIndexTest, RefusedMemoryLeavesTheIndexAsItWas) {
  auto* index = new TKeyRunIndex();
  Reference ref;
  Fill(*index, ref, 20000, 1 << 20, 3);
  // Every allocation from now on fails: the inserts that need memory (a new
  // key past the reserved nodes, a run that must grow) answer false and change
  // nothing; the others still succeed.
  host.memory().failAllocation(1, true);
  Fill(*index, ref, 20000, 1 << 20, 4);
  host.memory().clearFailure();
  EXPECT_GT(host.memory().stats().failedAllocations, 0u);
  ExpectSame(*index, ref);
  delete index;
  EXPECT_EQ(Live(), 0u);
}

}  // namespace
