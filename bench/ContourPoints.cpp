// Times the contour map of the TIN of an "x,y,z" integer points file: the
// TIN is built as tin_build_points builds it (not timed here), then the
// contours are traced at 100 levels spread evenly over the elevation range,
// interval (zHigh - zLow) / 100 from zLow + interval / 2, and timed.
//
//   tin_contour_points POINTS.csv [OUT_PREFIX]
//
// With OUT_PREFIX it also writes what a peer needs to trace the same
// contours on the same triangles: OUT_PREFIX.xyz (the vertices, three
// little-endian doubles x, y, z each), OUT_PREFIX.tri (the corners of every
// triangle in list order, three int32 vertex indices each) and
// OUT_PREFIX.levels (one level a line).  Prints one line:
//   points N triangles M levels L seconds S polylines P contour_points Q peak_kb K
// and, with --output, the seconds of the 2D output of those polylines (one
// host polyshape each, corners only) as output_seconds.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "PointsFile.h"
#include "plugin/contour/TTINContourMap.h"
#include "plugin/contour/TTINContourPolyline.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/host/Str255.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/BuildTIN.h"
#include "tinhost/core/Host.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool WritePeerFiles(const TTIN* tin, const std::string& prefix, std::int64_t first, std::int64_t interval,
                    std::int64_t count) {
  std::unordered_map<const TTINVtx*, std::int32_t> index;
  std::vector<double> xyz;
  for (const TLinkNode* n = tin->fTINVtxListByZ->fFirst; n != nullptr; n = n->next) {
    const auto* v = static_cast<const TTINVtx*>(n->item);
    index.emplace(v, static_cast<std::int32_t>(index.size()));
    xyz.insert(xyz.end(), {double(v->x), double(v->y), double(v->z)});
  }
  std::vector<std::int32_t> corners;
  for (const TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next) {
    const auto* t = static_cast<const TTINTriangle*>(n->item);
    for (const TTINVtx* v : t->fVertices) corners.push_back(index.at(v));
  }
  FILE* f = std::fopen((prefix + ".xyz").c_str(), "wb");
  if (f == nullptr || std::fwrite(xyz.data(), sizeof(double), xyz.size(), f) != xyz.size()) return false;
  std::fclose(f);
  f = std::fopen((prefix + ".tri").c_str(), "wb");
  if (f == nullptr || std::fwrite(corners.data(), sizeof(std::int32_t), corners.size(), f) != corners.size())
    return false;
  std::fclose(f);
  f = std::fopen((prefix + ".levels").c_str(), "w");
  if (f == nullptr) return false;
  for (std::int64_t k = 0; k < count; ++k) std::fprintf(f, "%lld\n", static_cast<long long>(first + k * interval));
  std::fclose(f);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string prefix;
  bool output = false;
  const char* input = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--output") == 0) output = true;
    else if (input == nullptr) input = argv[i];
    else prefix = argv[i];
  }
  if (input == nullptr) {
    std::fprintf(stderr, "usage: %s POINTS.csv [OUT_PREFIX] [--output]\n", argv[0]);
    return 2;
  }
  // Contours at 100 levels over a million random points hold some 100
  // million points: the default budget of the host allocator is too small.
  tinhost::Memory::keepFreedMemoryForReuse();  // as in `tinhost run`
  tinhost::HostOptions options;
  options.memoryBudget = std::int64_t{1} << 36;
  tinhost::Host host(options);
  gKVCallback = host.callbacks();
  const long points = AddLociFromPointsFile(host, input, "Ground");
  if (points < 0) return 2;
  TTIN* tin = NewTINOnLayer(host, "Ground");
  if (tin == nullptr) return 1;
  TErr err = RebuildSurface(tin);
  if (err != kNoErr || tin->fTINTriangleList == nullptr) {
    std::fprintf(stderr, "build failed: %d\n", static_cast<int>(err));
    return 1;
  }
  long triangles = 0;
  for (const TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next) ++triangles;

  // 100 levels, each in the middle of one hundredth of the elevation range.
  const std::int64_t zLow = static_cast<const TTINVtx*>(tin->fTINVtxListByZ->fFirst->item)->z;
  const std::int64_t zHigh = static_cast<const TTINVtx*>(tin->fTINVtxListByZ->fLast->item)->z;
  const std::int64_t interval = (zHigh - zLow) / 100 > 0 ? (zHigh - zLow) / 100 : 1;
  const std::int64_t first = zLow + interval / 2;
  std::int64_t levels = 0;
  while (levels < 100 && first + levels * interval <= zHigh) ++levels;
  TTINParams& p = tin->fTINParams;
  p.contourInterval = static_cast<std::int32_t>(interval);
  p.contourBaseElev = static_cast<std::int32_t>(first);
  p.lowContourElev = static_cast<std::int32_t>(zLow);
  p.highContourElev = static_cast<std::int32_t>(first + (levels - 1) * interval);
  p.indexContourEvery = 5;

  if (!prefix.empty() && !WritePeerFiles(tin, prefix, first, interval, levels)) {
    std::fprintf(stderr, "cannot write %s.*\n", prefix.c_str());
    return 2;
  }

  auto* map = new TTINContourMap();
  auto start = std::chrono::steady_clock::now();
  err = map->MakeSomethingOfMyself(tin);
  const double seconds = Seconds(start);
  long polylines = 0, contourPoints = 0;
  if (map->fTINContourPolylineList != nullptr)
    for (const TLinkNode* n = map->fTINContourPolylineList->fFirst; n != nullptr; n = n->next) {
      ++polylines;
      contourPoints += static_cast<const TTINContourPolyline*>(n->item)->GetCount();
    }
  delete tin->fContourMap;
  tin->fContourMap = map;

  double outputSeconds = -1.0;
  if (output && err == kNoErr) {
    start = std::chrono::steady_clock::now();
    err = map->MakeGroupAndPolysForContourPolylines(tin, 0, true, false, false, false);
    outputSeconds = Seconds(start);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("points %ld triangles %ld levels %lld result %d seconds %.3f polylines %ld contour_points %ld",
              points, triangles, static_cast<long long>(levels), static_cast<int>(err), seconds, polylines,
              contourPoints);
  if (outputSeconds >= 0) std::printf(" output_seconds %.3f", outputSeconds);
  std::printf(" peak_kb %ld\n", usage.ru_maxrss);
  delete tin;
  gKVCallback = nullptr;
  return err == kNoErr ? 0 : 1;
}
