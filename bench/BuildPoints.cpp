// Times one TIN build (collection from loci on a layer, hull, triangulation,
// links; no contours) of an "x,y,z" integer points file in an in-process host,
// and prints the seconds of the build, the triangle count and the peak
// resident memory of the process.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "PointsFile.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/host/Str255.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/triangulate/BuildTIN.h"
#include "tinhost/core/Host.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s POINTS.csv\n", argv[0]);
    return 2;
  }
  // The budget of a command-line session (half the machine) and its
  // allocator's setting, so that the largest tiles build here as they do in
  // `tinhost run`.
  tinhost::Memory::keepFreedMemoryForReuse();
  tinhost::Host host(tinhost::HostOptions{tinhost::Memory::machineBudget()});
  gKVCallback = host.callbacks();
  const long points = AddLociFromPointsFile(host, argv[1], "Ground");
  if (points < 0) return 2;
  TTIN* tin = NewTINOnLayer(host, "Ground");
  if (tin == nullptr) return 1;
  rusage before{}, threadBefore{};
  getrusage(RUSAGE_SELF, &before);  // the drawing with its loci, before the build
  getrusage(RUSAGE_THREAD, &threadBefore);
  const auto start = std::chrono::steady_clock::now();
  const TErr err = RebuildSurface(tin);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  long triangles = 0;
  if (tin->fTINTriangleList != nullptr)
    for (const TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next) ++triangles;
  rusage usage{}, thread{};
  getrusage(RUSAGE_SELF, &usage);
  getrusage(RUSAGE_THREAD, &thread);
  // plugin_kb: the most the plug-in held at once, as it asked for it;
  // faults and sys_seconds: the page faults and system time of the thread
  // that builds (the host maps fresh memory in on a thread of its own).
  const double sys = double(thread.ru_stime.tv_sec - threadBefore.ru_stime.tv_sec) +
                     1e-6 * double(thread.ru_stime.tv_usec - threadBefore.ru_stime.tv_usec);
  std::printf(
      "points %ld result %d seconds %.3f triangles %ld peak_kb %ld drawing_kb %ld plugin_kb %lld "
      "faults %ld sys_seconds %.3f\n",
      points, static_cast<int>(err), seconds, triangles, usage.ru_maxrss, before.ru_maxrss,
      static_cast<long long>(host.memory().peakBytesInUse() / 1024),
      thread.ru_minflt - threadBefore.ru_minflt, sys);
  delete tin;
  gKVCallback = nullptr;
  return err == 0 ? 0 : 1;
}
