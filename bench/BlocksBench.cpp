// The building blocks of a build, indexed against step by step, on the same
// inputs: vertex-list insertion, X-sorted array insertion with the nearest
// search that precedes every insertion, the hull walk, and a whole build from
// vertices already in the list.  Run through bench/run.sh, which prints the
// ratios; the literal cases stay small because they are quadratic.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "plugin/host/PluginMemory.h"
#include "plugin/model/InsertionOrder.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TKestXYAndHdlArray.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/triangulate/BuildTIN.h"
#include "plugin/triangulate/ConvexHull.h"
#include "tinhost/core/Host.h"

namespace {

struct P {
  std::int32_t x, y, z;
};

std::vector<P> RandomPoints(std::int64_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::int32_t> c(0, 100000000), z(0, 100000);
  std::vector<P> out(static_cast<std::size_t>(n));
  for (P& p : out) p = {c(rng), c(rng), z(rng)};
  return out;
}

std::vector<P> CirclePoints(std::int64_t n) {
  std::vector<P> out;
  for (std::int64_t i = 0; i < n; ++i) {
    const double a = 6.283185307179586 * double(i) / double(n);
    out.push_back({std::int32_t(1e7 * std::cos(a)), std::int32_t(1e7 * std::sin(a)), std::int32_t(i % 97)});
  }
  return out;
}

// One host for the whole run; every case frees what it made.
tinhost::Host& TheHost() {
  static tinhost::Host host;
  gKVCallback = host.callbacks();
  return host;
}

template <bool kLiteral>
void VertexListInsert(benchmark::State& state) {
  TheHost();
  const std::vector<P> pts = RandomPoints(state.range(0), 1);
  std::vector<std::unique_ptr<TTINVtx>> vtxs;
  for (const P& p : pts) vtxs.emplace_back(new TTINVtx(p.x, p.y, p.z % 1000));
  for (auto _ : state) {
    TKestSortedLList* list = TKestSortedLList::New();
    list->IKestSortedLList();
    for (auto& v : vtxs) {
      if (kLiteral) sorted_list_literal::Insert(*list, v.get());
      else list->Insert(v.get());
    }
    list->Free();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(VertexListInsert<false>)->Name("VertexListInsert/indexed")->Arg(20000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(VertexListInsert<true>)->Name("VertexListInsert/literal")->Arg(20000)->Unit(benchmark::kMillisecond);

// The vertex list's order computed at once, on elevations with as many ties
// as a terrain tile's (some ten points a millimetre of height).
void InsertionOrderAtOnce(benchmark::State& state) {
  TheHost();
  const std::vector<P> pts = RandomPoints(state.range(0), 2);
  std::vector<std::int32_t> z, order(pts.size());
  for (const P& p : pts) z.push_back(p.z % static_cast<std::int32_t>(state.range(0) / 10));
  for (auto _ : state)
    if (!InsertionOrderByZ(z.data(), static_cast<std::int32_t>(z.size()), order.data()))
      state.SkipWithError("no memory");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(InsertionOrderAtOnce)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The triangulation's pattern: the nearest entry, then the new one.
template <bool kLiteral>
void XYArrayNearestThenAdd(benchmark::State& state) {
  TheHost();
  const std::vector<P> pts = RandomPoints(state.range(0), 2);
  std::vector<std::unique_ptr<TTINVtx>> vtxs;
  for (const P& p : pts) vtxs.emplace_back(new TTINVtx(p.x, p.y, p.z));
  for (auto _ : state) {
    TKestXYAndHdlArray arr;
    std::vector<TXYAndHdl> plain;
    arr.InitKestXYAndHdlArray();
    bool exact = false;
    for (auto& v : vtxs) {
      const TXYPoint p{v->x, v->y};
      if (kLiteral) {
        if (!plain.empty())
          benchmark::DoNotOptimize(xy_array_literal::FindNearest(plain.data(), std::int32_t(plain.size()), p, &exact));
        plain.push_back({});
        xy_array_literal::InsertEntry(plain.data(), std::int32_t(plain.size()) - 1, p, v.get());
      } else {
        if (arr.Count() > 0) benchmark::DoNotOptimize(arr.GetHdlByXYNearest(p, &exact));
        arr.AddXYAndHdl(p, v.get());
      }
    }
    arr.DisposeXYAndHdlArray();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(XYArrayNearestThenAdd<false>)->Name("XYArrayNearestThenAdd/indexed")->Arg(20000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(XYArrayNearestThenAdd<true>)->Name("XYArrayNearestThenAdd/literal")->Arg(20000)->Unit(benchmark::kMillisecond);

// A TIN whose vertex list holds the points (no drawing involved).
TTIN* TINOf(const std::vector<P>& pts) {
  auto* tin = new TTIN(nullptr);
  tin->InitVars(gKVCallback);
  tin->MakeVtxTriMgr();
  tin->fTINVtxListByZ = TKestSortedLList::New();
  tin->fTINVtxListByZ->IKestSortedLList();
  for (const P& p : pts) tin->fTINVtxListByZ->Insert(new TTINVtx(p.x, p.y, p.z));
  return tin;
}

template <bool kLiteral, bool kCircle>
void Hull(benchmark::State& state) {
  TheHost();
  TTIN* tin = TINOf(kCircle ? CirclePoints(state.range(0)) : RandomPoints(state.range(0), 3));
  for (auto _ : state) {
    if (tin->fConvexHullVtxList != nullptr) tin->fConvexHullVtxList->Free();
    tin->fConvexHullVtxList = nullptr;
    benchmark::DoNotOptimize(kLiteral ? DetermineConvexHullLiteral(tin->fVtxTriMgr)
                                      : DetermineConvexHull(tin->fVtxTriMgr));
  }
  delete tin;
}
BENCHMARK(Hull<false, false>)->Name("HullRandom/indexed")->Arg(20000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Hull<true, false>)->Name("HullRandom/literal")->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(Hull<false, true>)->Name("HullCircle/indexed")->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(Hull<true, true>)->Name("HullCircle/literal")->Arg(2000)->Unit(benchmark::kMillisecond);

// Hull, fan, flips, insertion by rising elevation and links, from a vertex
// list already made.
void TriangulateRandom(benchmark::State& state) {
  TheHost();
  const std::vector<P> pts = RandomPoints(state.range(0), 4);
  for (auto _ : state) {
    state.PauseTiming();
    TTIN* tin = TINOf(pts);
    state.ResumeTiming();
    TErr err = DetermineConvexHull(tin->fVtxTriMgr);
    if (err == 0) err = TriangulateFromScratch(tin);
    if (err != 0) state.SkipWithError("build failed");
    state.PauseTiming();
    delete tin;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(TriangulateRandom)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
