// The flat-area pass: where a region of horizontal triangles lies exactly at
// a contour elevation, the contour is the region's outline.  The walk keeps
// the region on its right (corners run clockwise) and turns around each
// outline vertex through the horizontal triangles that meet there, so the
// outline's points are the region's boundary vertices in boundary order;
// hull edges that bound the region belong to the outline.
#include "plugin/contour/ContourErrors.h"
#include "plugin/contour/TTINContourMap.h"
#include "plugin/contour/TTINContourPolyline.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/shell/Trace.h"

namespace {

bool IsOutlineEdge(const TTINTriangle* t, int slot) {
  const TTINTriangle* n = t->fNeighbors[slot];
  return n == nullptr || !n->fHoriz;
}

// Each outline edge is walked once and each pivot turns one triangle further
// around a vertex, so a sound region needs fewer steps than six per triangle
// of the TIN; more means the neighbour links are damaged.
std::int64_t WalkLimit(const TTIN* tin) {
  std::int64_t n = 0;
  if (tin->fTINTriangleList != nullptr)
    for (const TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next) ++n;
  return 6 * n + 6;
}

}  // namespace

TErr TTINContourMap::DrawContAroundHorizTris(TTIN* tin, std::int32_t z, bool major) {
  if (tin->fTINTriangleList == nullptr) return kNoErr;
  fFlatWalkLimit = WalkLimit(tin);
  TErr err = kNoErr;
  for (TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    if (t == nullptr || !t->fHoriz || t->fContoursAnyDone || t->fVertices[0]->z != z) continue;
    err = DrawContAroundThisTriAndNabrs(tin, t, z, major);
    if (err != kNoErr) break;
  }
  fFlatWalkLimit = 0;
  return err;
}

TErr TTINContourMap::DrawContAroundThisTriAndNabrs(TTIN* tin, TTINTriangle* seed, std::int32_t z,
                                                   bool major) {
  // A starting edge on the outline, unless the seed's region is outlined
  // already or the seed lies inside it.
  int s0 = -1;
  for (int slot = 0; slot < 3 && s0 < 0; ++slot) {
    if (IsOutlineEdge(seed, slot)) {
      s0 = slot;
    } else if (seed->fNeighbors[slot]->fContoursAnyDone) {
      seed->fContoursAnyDone = true;
      return kNoErr;
    }
  }
  if (s0 < 0) {
    Trace(kTraceBuild, "Triangle is surrounded by horizontal neighbors; exit quietly.\n");
    seed->fContoursAnyDone = true;
    return kNoErr;
  }

  TTINContourPolyline* line = TTINContourPolyline::New(z, major);
  if (line == nullptr) return kErrContourMemLow;
  const TTINVtx* start = seed->fVertices[s0];
  TErr err = line->AddPoint(TContourPt{start->x, start->y}) ? kNoErr : kErrContourMemLow;

  const std::int64_t limit = fFlatWalkLimit > 0 ? fFlatWalkLimit : WalkLimit(tin);
  TTINTriangle* t = seed;
  int s = s0;
  for (std::int64_t steps = 0; err == kNoErr; ++steps) {
    if (steps > limit) {
      err = kErrContourWalkRunaway;
      break;
    }
    if (IsOutlineEdge(t, s)) {
      const int n = (s + 1) % 3;
      t->fContoursAnyDone = true;
      const TTINVtx* v = t->fVertices[n];
      if (v == start) {
        line->SetClosedFlag(true);
        break;
      }
      if (!line->AddPoint(TContourPt{v->x, v->y})) err = kErrContourMemLow;
      s = n;
    } else {
      // Pivot around the current vertex into the horizontal neighbour.
      TTINTriangle* nabr = t->fNeighbors[s];
      int back = -1;
      for (int i = 0; i < 3; ++i)
        if (nabr->fNeighbors[i] == t) back = i;
      if (back < 0) {
        err = kErrLookFromNotFound;
        break;
      }
      t = nabr;
      s = (back + 1) % 3;
    }
  }
  if (err == kNoErr && !AppendPolyline(line)) err = kErrContourMemLow;
  if (err != kNoErr) delete line;
  return err;
}
