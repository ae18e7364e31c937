// Difference TINs of two random surfaces over one square (fixed seeds): the
// sampling of each base at the other's vertices through the indexes against
// the scans (quadratic, so only small sizes), and the whole difference build
// (sampling, hull, triangulation) of two 100,000-vertex surfaces.  Run
// through bench/run.sh.  With TIN_DIFF_POINTS=FILE the whole build also
// writes the difference TIN's vertices to FILE as x,y,z lines in its
// insertion order (elevation order), so that the same-order peer can
// triangulate the same points in the same order.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "plugin/analysis/DiffTIN.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/host/Str255.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/triangulate/BuildTIN.h"
#include "plugin/triangulate/ConvexHull.h"
#include "plugin/triangulate/VtxCollection.h"
#include "tinhost/core/Host.h"

namespace {

tinhost::Host& TheHost() {
  static const bool asInTinhost = (tinhost::Memory::keepFreedMemoryForReuse(), true);
  static tinhost::Host host;
  (void)asInTinhost;
  gKVCallback = host.callbacks();
  return host;
}

// A triangulated surface of n random vertices in [0, 10^8]², elevations a
// gentle slope plus noise.
TTIN* Surface(std::int64_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::int32_t> c(0, 100000000), noise(0, 5000);
  auto* tin = new TTIN(nullptr);
  tin->InitVars(gKVCallback);
  tin->MakeVtxTriMgr();
  tin->fTINVtxListByZ = TKestSortedLList::New();
  tin->fTINVtxListByZ->IKestSortedLList();
  for (std::int64_t i = 0; i < n; ++i) {
    const std::int32_t x = c(rng), y = c(rng);
    tin->fTINVtxListByZ->Insert(new TTINVtx(x, y, x / 1000 + y / 2000 + noise(rng)));
  }
  if (DetermineConvexHull(tin->fVtxTriMgr) != 0 || TriangulateFromScratch(tin) != 0) {
    delete tin;
    return nullptr;
  }
  return tin;
}

struct Bases {
  TTIN* first = nullptr;
  TTIN* second = nullptr;
  ~Bases() {
    delete first;
    delete second;
  }
};

TTIN* NewDiff(const Bases& b) {
  auto* d = new TTIN(nullptr);
  d->InitVars(gKVCallback);
  d->MakeVtxTriMgr();
  PFromView(d->fTINParams.tinName, "Diff", kNameCapacity);
  d->fTINParams.normalTIN = false;
  d->fInnerTIN = b.first;
  d->fOuterTIN = b.second;
  return d;
}

// Times `run` on a fresh difference TIN of two surfaces of range(0) vertices
// each; the TIN's making and deletion are not timed.
template <class Run>
void TimeDiff(benchmark::State& state, Run run) {
  TheHost();
  Bases b;
  b.first = Surface(state.range(0), 21);
  b.second = Surface(state.range(0), 22);
  if (b.first == nullptr || b.second == nullptr) {
    state.SkipWithError("base build failed");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    TTIN* diff = NewDiff(b);
    state.ResumeTiming();
    if (run(diff) != 0) state.SkipWithError("difference TIN failed");
    state.PauseTiming();
    delete diff;
    state.ResumeTiming();
  }
}

template <bool kLiteral>
void DiffSampling(benchmark::State& state) {
  TimeDiff(state, [](TTIN* diff) {
    return kLiteral ? MakeDiffVtxListLiteral(diff->fVtxTriMgr) : MakeVtxList(diff->fVtxTriMgr);
  });
  state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(DiffSampling<false>)
    ->Name("DiffSampling/indexed")
    ->Arg(5000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DiffSampling<true>)
    ->Name("DiffSampling/literal")
    ->Arg(2500)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond);

// The vertices of `tin` in list order as x,y,z lines; false when the file
// cannot be written.
bool WritePoints(const TTIN* tin, const char* path) {
  FILE* out = std::fopen(path, "w");
  if (out == nullptr) return false;
  for (const TLinkNode* n = tin->fTINVtxListByZ->fFirst; n != nullptr; n = n->next) {
    const auto* v = static_cast<const TTINVtx*>(n->item);
    std::fprintf(out, "%d,%d,%d\n", v->x, v->y, v->z);
  }
  return std::fclose(out) == 0;
}

// The whole difference build: sampling, hull, triangulation.
void DiffBuild(benchmark::State& state) {
  const char* dump = std::getenv("TIN_DIFF_POINTS");
  TimeDiff(state, [dump, &state](TTIN* diff) {
    const TErr err = RebuildSurface(diff);
    if (err == 0 && dump != nullptr && *dump != 0) {
      state.PauseTiming();  // the file is not part of the build
      if (!WritePoints(diff, dump)) std::fprintf(stderr, "cannot write %s\n", dump);
      state.ResumeTiming();
    }
    return err;
  });
}
BENCHMARK(DiffBuild)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
