// The vertices by x: entry order with equal x, exact and nearest lookups with
// their tie rules, growth failure, and a randomised comparison with a model:
// a vector filled by the stated insertion rule, a linear scan for exact
// lookups and the global Manhattan minimum for nearest ones.
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "ModelFixture.h"
#include "plugin/model/TKestXYAndHdlArray.h"
#include "plugin/model/TTINVtx.h"

namespace {

class XYArrayTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    arr = std::make_unique<TKestXYAndHdlArray>();
    ASSERT_EQ(arr->InitKestXYAndHdlArray(), 0);
  }
  void TearDown() override {
    arr.reset();
    vertices.clear();
    ModelTest::TearDown();
  }
  TTINVtx* Add(std::int32_t x, std::int32_t y) {
    vertices.emplace_back(new TTINVtx(x, y, 0));
    EXPECT_TRUE(arr->AddXYAndHdl({x, y}, vertices.back().get()));
    return vertices.back().get();
  }
  std::vector<std::pair<std::int32_t, std::int32_t>> Order() const {
    std::vector<std::pair<std::int32_t, std::int32_t>> out;
    for (std::int32_t i = 0; i < arr->Count(); ++i)
      out.emplace_back(arr->Entries()[i].x, arr->Entries()[i].y);
    return out;
  }

  std::unique_ptr<TKestXYAndHdlArray> arr;
  std::vector<std::unique_ptr<TTINVtx>> vertices;
};

using Pairs = std::vector<std::pair<std::int32_t, std::int32_t>>;

TEST_F(XYArrayTest, EqualXGoesBeforeTheEqualEntryTheSearchMeets) {
  TTINVtx* v0 = Add(10, 0);
  TTINVtx* v5 = Add(10, 5);
  TTINVtx* v2 = Add(10, 2);
  EXPECT_EQ(Order(), (Pairs{{10, 2}, {10, 5}, {10, 0}}));
  // (10, 0) lies above the probed middle entry: found by the upward scan.
  EXPECT_EQ(arr->GetHdlByXY({10, 0}), v0);
  EXPECT_EQ(arr->GetHdlByXY({10, 5}), v5);
  EXPECT_EQ(arr->GetHdlByXY({10, 2}), v2);
  EXPECT_EQ(arr->GetHdlByXY({10, 1}), nullptr);
  EXPECT_EQ(arr->GetHdlByXY({11, 0}), nullptr);
}

TEST_F(XYArrayTest, NearestStartsAtTheInsertionPointAndKeepsTheFirstOfATie) {
  bool exact = true;
  EXPECT_EQ(arr->GetHdlByXYNearest({0, 0}, &exact), nullptr);  // empty
  EXPECT_FALSE(exact);

  Add(0, 0);
  TTINVtx* far = Add(4, 4);
  EXPECT_EQ(arr->GetHdlByXYNearest({2, 2}, &exact), far);
  EXPECT_FALSE(exact);
  EXPECT_EQ(arr->GetHdlByXYNearest({4, 4}, &exact), far);
  EXPECT_TRUE(exact);

  // Past the largest x the search starts at the last entry, which wins the tie.
  TTINVtx* up = Add(10, 10);
  Add(10, -10);
  EXPECT_EQ(Order(), (Pairs{{0, 0}, {4, 4}, {10, -10}, {10, 10}}));
  EXPECT_EQ(arr->GetHdlByXYNearest({12, 0}, &exact), up);
}

TEST_F(XYArrayTest, DistancesSpanTheWhole32BitRange) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  Add(kMin, 0);
  TTINVtx* near = Add(-10, 0);
  bool exact = true;
  // dx of 2^32 - 1 against 2^31 + 9: neither fits in 32 bits.
  EXPECT_EQ(arr->GetHdlByXYNearest({kMax, 0}, &exact), near);
  EXPECT_FALSE(exact);
  TTINVtx* high = Add(0, kMax);
  EXPECT_EQ(arr->GetHdlByXYNearest({-10, kMin}, &exact), near);
  EXPECT_EQ(arr->GetHdlByXYNearest({5, kMax}, &exact), high);

  // dy of 2^32 - 1 against dx + dy of 2^31: the y distance needs 33 bits too.
  TKestXYAndHdlArray column;
  ASSERT_EQ(column.InitKestXYAndHdlArray(), 0);
  TTINVtx low(0, kMin, 0), side(1, 0, 0);
  column.AddXYAndHdl({0, kMin}, &low);
  column.AddXYAndHdl({1, 0}, &side);
  EXPECT_EQ(column.GetHdlByXYNearest({0, kMax}, &exact), &side);
}

TEST_F(XYArrayTest, RefusedMemoryNeverLeavesAnEntryHalfMade) {
  // Additions wait until a search needs the index, so a refusal can strike
  // the waiting list, the position table or the index as it catches up.
  // Whatever is refused, the array stays whole: it counts what it lists,
  // lists only what was added, and finds each listed entry at its position.
  std::vector<std::unique_ptr<TTINVtx>> extra;
  std::set<std::pair<std::int32_t, std::int32_t>> added;
  for (std::int32_t i = 0; i < 3000; ++i) {
    extra.emplace_back(new TTINVtx(i % 7, i, 0));
    host.memory().failAllocation(1);
    if (arr->AddXYAndHdl({i % 7, i}, extra.back().get())) added.insert({i % 7, i});
    if (i % 500 == 499) {
      bool exact = false;
      arr->GetHdlByXYNearest({0, i}, &exact);  // places the waiting additions
    }
    host.memory().clearFailure();
  }
  const Pairs listed = Order();
  EXPECT_EQ(arr->Count(), static_cast<std::int32_t>(listed.size()));
  EXPECT_GT(listed.size(), 2900u);  // refusals are rare; most additions stand
  for (const auto& [x, y] : listed) {
    ASSERT_TRUE(added.count({x, y})) << x << "," << y;
    const TTINVtx* v = arr->GetHdlByXY({x, y});
    ASSERT_TRUE(v != nullptr && v->x == x && v->y == y);
  }

  TKestXYAndHdlArray other;
  host.memory().failAllocation(1);
  EXPECT_EQ(other.InitKestXYAndHdlArray(), kErrNoXYArrayHandle);
}

// ---- randomised comparison ----

struct XYModel {
  std::vector<TXYAndHdl> e;

  // The stated binary search on x: the entry met with x = px, else the
  // insertion point.
  std::int32_t Probe(std::int32_t px) const {
    std::int32_t lo = 0, hi = std::int32_t(e.size()) - 1, i = 0;
    while (lo <= hi) {
      const std::int32_t mid = (lo + hi) / 2;
      if (e[std::size_t(mid)].x == px) return mid;
      if (e[std::size_t(mid)].x > px) hi = mid - 1, i = mid;
      else lo = mid + 1, i = lo;
    }
    return i;
  }
  void Add(TXYPoint p, TTINVtx* v) { e.insert(e.begin() + Probe(p.x), TXYAndHdl{p.x, p.y, v}); }
  TTINVtx* Exact(TXYPoint p) const {
    for (const TXYAndHdl& x : e)
      if (x.x == p.x && x.y == p.y) return x.hdl;
    return nullptr;
  }
  // The global Manhattan minimum; on a tie the start entry (nearest in x from
  // the probe), then the closest entry below it, then the closest above it.
  TTINVtx* Nearest(TXYPoint p, bool* exact) const {
    const std::int32_t n = std::int32_t(e.size());
    auto dx = [&](std::int32_t j) -> std::int64_t {
      return std::llabs(std::int64_t{e[std::size_t(j)].x} - p.x);
    };
    auto dist = [&](std::int32_t j) -> std::int64_t {
      return dx(j) + std::llabs(std::int64_t{e[std::size_t(j)].y} - p.y);
    };
    std::int32_t s = std::min(Probe(p.x), n - 1);
    while (s > 0 && dx(s - 1) < dx(s)) --s;
    while (s + 1 < n && dx(s + 1) < dx(s)) ++s;
    std::int64_t best = dist(s);
    for (std::int32_t j = 0; j < n; ++j) best = std::min(best, dist(j));
    *exact = best == 0;
    if (dist(s) == best) return e[std::size_t(s)].hdl;
    for (std::int32_t j = s - 1; j >= 0; --j)
      if (dist(j) == best) return e[std::size_t(j)].hdl;
    for (std::int32_t j = s + 1; j < n; ++j)
      if (dist(j) == best) return e[std::size_t(j)].hdl;
    return nullptr;
  }
};

TEST_F(XYArrayTest, RandomAdditionsAndLookupsMatchTheModel) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::int32_t> xOf(0, 30), yOf(-40, 40), pOf(-10, 45);
  XYModel model;
  std::set<std::pair<std::int32_t, std::int32_t>> used;  // collection keeps (x, y) unique
  for (int op = 0; op < 4000; ++op) {
    if (op % 2 == 0 && used.size() < 2000) {
      const TXYPoint p{xOf(rng), yOf(rng)};
      if (!used.insert({p.x, p.y}).second) continue;
      vertices.emplace_back(new TTINVtx(p.x, p.y, 0));
      ASSERT_TRUE(arr->AddXYAndHdl(p, vertices.back().get()));
      model.Add(p, vertices.back().get());
      continue;
    }
    const TXYPoint q{pOf(rng), pOf(rng)};
    ASSERT_EQ(arr->GetHdlByXY(q), model.Exact(q)) << "op " << op;
    if (model.e.empty()) continue;
    bool exact = false, modelExact = false;
    ASSERT_EQ(arr->GetHdlByXYNearest(q, &exact), model.Nearest(q, &modelExact))
        << "op " << op << " at (" << q.x << ", " << q.y << ")";
    ASSERT_EQ(exact, modelExact);
  }
  ASSERT_EQ(arr->Count(), static_cast<std::int32_t>(model.e.size()));
  for (std::size_t i = 0; i < model.e.size(); ++i) ASSERT_EQ(arr->Entries()[i].hdl, model.e[i].hdl);
}

TEST_F(XYArrayTest, NearestKeepsTheArrayWalksTieRuleOnceTheEntryOrderIsKept) {
  // Runs of equal x four apart, so that a query halfway between two runs is
  // as near in x to the last entry before it as to the first entry after it,
  // with y spread so that Manhattan ties abound.  A second entry at one XY
  // makes the indexed array keep its entry order from the start; the
  // step-by-step array walks its entries.  Every nearest answer, ties
  // included, must follow the walk: start where it starts (in a run,
  // between runs, past either end), then below, then above.
  for (const TSteps steps : {TSteps::kIndexed, TSteps::kLiteral}) {
    SCOPED_TRACE(steps == TSteps::kIndexed ? "indexed" : "step by step");
    SetNewStructureSteps(steps);
    TKestXYAndHdlArray array;
    SetNewStructureSteps(TSteps::kIndexed);
    ASSERT_EQ(array.InitKestXYAndHdlArray(), 0);
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::int32_t> yOf(-6, 6);
    XYModel model;
    std::set<std::pair<std::int32_t, std::int32_t>> used;
    auto add = [&](TXYPoint p) {
      vertices.emplace_back(new TTINVtx(p.x, p.y, 0));
      ASSERT_TRUE(array.AddXYAndHdl(p, vertices.back().get()));
      model.Add(p, vertices.back().get());
    };
    add({8, 0});
    add({8, 0});
    for (int i = 0; i < 60; ++i) {
      const TXYPoint p{4 * (i % 11), yOf(rng)};
      if (used.insert({p.x, p.y}).second) add(p);
    }
    add({48, 3});  // a last run of two, tied for every query past it on y = 0
    add({48, -3});
    int ties = 0;
    for (std::int32_t x = -6; x <= 52; ++x)
      for (std::int32_t y = -9; y <= 9; ++y) {
        bool exact = false, modelExact = false;
        TTINVtx* got = array.GetHdlByXYNearest({x, y}, &exact);
        ASSERT_EQ(got, model.Nearest({x, y}, &modelExact)) << "at (" << x << ", " << y << ")";
        ASSERT_EQ(exact, modelExact);
        auto dist = [&](const TXYAndHdl& e) {
          return std::llabs(std::int64_t{e.x} - x) + std::llabs(std::int64_t{e.y} - y);
        };
        long long best = std::numeric_limits<long long>::max();
        int at = 0;
        for (const TXYAndHdl& e : model.e) best = std::min(best, dist(e));
        for (const TXYAndHdl& e : model.e) at += dist(e) == best;
        ties += at > 1;
      }
    EXPECT_GT(ties, 100) << "the queries should meet many ties";
    array.DisposeXYAndHdlArray();
  }
}

}  // namespace
