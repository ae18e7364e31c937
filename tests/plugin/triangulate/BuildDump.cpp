// Builds the TIN of the loci in a file of "x,y,z" integer rows (on one layer
// of an in-process host) and prints what the build decided, in order: the
// result code, the vertex list, the hull list and every triangle with its
// corners, neighbours and edge flags (and any known-pair bit that a flag or
// link no longer backs, as "stale"); then the contour polylines at 20 levels over the
// elevation range, and the triangle found for the reverse of every edge of
// every fifth triangle.  With --literal every structure takes the steps as
// written (TSteps::kLiteral), so that a test can compare the two outputs.
//   tin_build_dump [--literal] POINTS.csv
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "plugin/contour/TTINContourMap.h"
#include "plugin/contour/TTINContourPolyline.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/host/Str255.h"
#include "plugin/model/Steps.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/BuildTIN.h"
#include "tests/support/PairBits.h"
#include "tinhost/core/Host.h"

int main(int argc, char** argv) {
  const bool literal = argc == 3 && std::string(argv[1]) == "--literal";
  if (argc != 2 && !literal) {
    std::fprintf(stderr, "usage: %s [--literal] POINTS.csv\n", argv[0]);
    return 2;
  }
  if (literal) SetNewStructureSteps(TSteps::kLiteral);
  tinhost::Host host;
  gKVCallback = host.callbacks();
  const tinhost::ObjId layer = host.document().createLayer("Ground", 1.0);
  std::ifstream in(argv[argc - 1]);
  std::string line;
  while (std::getline(in, line)) {
    std::int32_t x = 0, y = 0, z = 0;
    if (std::sscanf(line.c_str(), "%d,%d,%d", &x, &y, &z) == 3)
      host.document().addLocus(layer, x, y, z);
  }

  auto* tin = new TTIN(nullptr);
  tin->InitVars(host.callbacks());
  if (!tin->MakeVtxTriMgr()) return 1;
  PFromView(tin->fTINParams.tinName, "Ground", kNameCapacity);
  const TErr err = RebuildSurface(tin);
  std::printf("result %d\n", static_cast<int>(err));

  std::map<const void*, long> ids;
  long id = 0;
  for (const TLinkNode* n = tin->fTINVtxListByZ != nullptr ? tin->fTINVtxListByZ->fFirst : nullptr;
       n != nullptr; n = n->next) {
    const auto* v = static_cast<const TTINVtx*>(n->item);
    ids[v] = id++;
    std::printf("v %d %d %d %d\n", v->x, v->y, v->z, static_cast<int>(v->fTriangleMark));
  }
  for (const TLinkNode* n = tin->fConvexHullVtxList != nullptr ? tin->fConvexHullVtxList->fFirst
                                                               : nullptr;
       n != nullptr; n = n->next)
    std::printf("h %ld\n", ids[n->item]);
  long tid = 0;
  std::map<const void*, long> tids;
  for (const TLinkNode* n = tin->fTINTriangleList != nullptr ? tin->fTINTriangleList->fFirst
                                                             : nullptr;
       n != nullptr; n = n->next)
    tids[n->item] = tid++;
  tids[nullptr] = -1;
  for (const TLinkNode* n = tin->fTINTriangleList != nullptr ? tin->fTINTriangleList->fFirst
                                                             : nullptr;
       n != nullptr; n = n->next) {
    const auto* t = static_cast<const TTINTriangle*>(n->item);
    std::printf("t %ld %ld %ld / %ld %ld %ld / %d%d%d\n", ids[t->fVertices[0]],
                ids[t->fVertices[1]], ids[t->fVertices[2]], tids[t->fNeighbors[0]],
                tids[t->fNeighbors[1]], tids[t->fNeighbors[2]], t->fEdgeOkay[0], t->fEdgeOkay[1],
                t->fEdgeOkay[2]);
    // A known-pair bit must never outlive either side's flag or the link.
    for (int i = 0; i < 3; ++i)
      if (!PairBitHolds(t, i)) std::printf("stale %ld %d\n", tids[t], i);
  }
  // Every vertex's link, as the contours will start from it.
  for (const TLinkNode* n = tin->fTINVtxListByZ != nullptr ? tin->fTINVtxListByZ->fFirst : nullptr;
       n != nullptr; n = n->next)
    std::printf("l %ld\n", tids[static_cast<const TTINVtx*>(n->item)->fTriangle]);

  if (err == 0 && tin->fTINVtxListByZ != nullptr && tin->fTINVtxListByZ->fFirst != nullptr) {
    const std::int64_t lo = static_cast<const TTINVtx*>(tin->fTINVtxListByZ->fFirst->item)->z;
    const std::int64_t hi = static_cast<const TTINVtx*>(tin->fTINVtxListByZ->fLast->item)->z;
    TTINParams& p = tin->fTINParams;
    p.contourInterval = static_cast<std::int32_t>((hi - lo) / 20 > 0 ? (hi - lo) / 20 : 1);
    p.contourBaseElev = static_cast<std::int32_t>(lo);
    p.lowContourElev = INT32_MIN;
    p.highContourElev = INT32_MAX;
    auto* map = new TTINContourMap();
    std::printf("contours %d\n", static_cast<int>(map->MakeSomethingOfMyself(tin)));
    for (const TLinkNode* n = map->fTINContourPolylineList != nullptr
                                  ? map->fTINContourPolylineList->fFirst
                                  : nullptr;
         n != nullptr; n = n->next) {
      const auto* poly = static_cast<const TTINContourPolyline*>(n->item);
      std::printf("c %d %d %d", poly->GetElevation(), poly->IsMajor() ? 1 : 0,
                  poly->IsClosed() ? 1 : 0);
      for (std::int32_t i = 0; i < poly->GetCount(); ++i)
        std::printf(" %d,%d", poly->GetPoint(i).x, poly->GetPoint(i).y);
      std::printf("\n");
    }
    delete map;
    long k = 0;
    for (const TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next, ++k) {
      if (k % 5 != 0) continue;
      const auto* t = static_cast<const TTINTriangle*>(n->item);
      for (int i = 0; i < 3; ++i)
        std::printf("e %ld\n",
                    tids[GetTriWithTheseTwoVtxs(tin, t->fVertices[(i + 1) % 3], t->fVertices[i])]);
    }
  }
  delete tin;
  gKVCallback = nullptr;
  return 0;
}
