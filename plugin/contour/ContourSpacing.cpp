#include "plugin/contour/ContourSpacing.h"

#include <algorithm>
#include <cmath>

#include "plugin/contour/TTINContourMap.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/PointLocation.h"
#include "plugin/triangulate/VtxCollection.h"

namespace {

// Distance from r to the infinite line through p and q; 0 when p == q.
double DistToLine(std::int32_t rx, std::int32_t ry, std::int32_t px, std::int32_t py,
                  std::int32_t qx, std::int32_t qy) {
  const double dx = static_cast<double>(std::int64_t{qx} - px);
  const double dy = static_cast<double>(std::int64_t{qy} - py);
  const double len = std::sqrt(dx * dx + dy * dy);
  if (len <= 0.0) return 0.0;
  const double ex = static_cast<double>(std::int64_t{rx} - px);
  const double ey = static_cast<double>(std::int64_t{ry} - py);
  return std::fabs(dx * ey - dy * ex) / len;
}

double DistToLine(const TTINVtx* r, const TTINVtx* p, const TTINVtx* q) {
  return DistToLine(r->x, r->y, p->x, p->y, q->x, q->y);
}

}  // namespace

double ComputeTriDistToNextCont(const TTINTriangle* tri, std::int32_t interval) {
  const TTINVtx* const* v = tri->fVertices;
  double spacing = 0.0;
  if (!(v[0]->z == v[1]->z && v[1]->z == v[2]->z)) {
    std::int16_t lo = 0, mid = 0, hi = 0;
    tri->SortVtxIndicesByZ(&lo, &mid, &hi);
    const TTINVtx* low = v[lo];
    const TTINVtx* middle = v[mid];
    const TTINVtx* high = v[hi];
    double d = 0.0;
    if (low->z == middle->z) {
      d = DistToLine(high, low, middle);
    } else if (middle->z == high->z) {
      d = DistToLine(low, middle, high);
    } else {
      const TContourPt p = InterpolateToContour(low, high, middle->z);
      d = DistToLine(high->x, high->y, middle->x, middle->y, p.x, p.y);
    }
    if (d > 0.0) {
      const double slope = static_cast<double>(std::int64_t{high->z} - low->z) / d;
      if (slope > 0.0) spacing = interval / slope;
    }
  }
  return spacing;
}

// ---------------------------------------------------------------------------

TVtxXYIndex::~TVtxXYIndex() { PluginFree(fEntries); }

bool TVtxXYIndex::Build(const TTIN* tin) {
  if (tin->fTINVtxListByZ == nullptr) return false;
  std::int64_t n = 0;
  for (const TLinkNode* node = tin->fTINVtxListByZ->fFirst; node != nullptr; node = node->next)
    if (node->item != nullptr) ++n;
  if (n == 0) return false;
  fEntries = static_cast<TEntry*>(PluginAlloc(sizeof(TEntry) * static_cast<std::size_t>(n)));
  if (fEntries == nullptr) return false;
  fCount = 0;
  for (const TLinkNode* node = tin->fTINVtxListByZ->fFirst; node != nullptr; node = node->next) {
    auto* v = static_cast<TTINVtx*>(node->item);
    if (v != nullptr) fEntries[fCount++] = TEntry{v->x, v->y, v};
  }
  std::sort(fEntries, fEntries + fCount, [](const TEntry& a, const TEntry& b) {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  });
  return true;
}

TTINVtx* TVtxXYIndex::Find(std::int32_t x, std::int32_t y) const {
  const TEntry* begin = fEntries;
  const TEntry* end = fEntries + fCount;
  const TEntry* it = std::lower_bound(begin, end, TEntry{x, y, nullptr}, [](const TEntry& a, const TEntry& b) {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  });
  return it != end && it->x == x && it->y == y ? it->vtx : nullptr;
}

// ---------------------------------------------------------------------------

double GetDistToNextCont(TTIN* tin, const TContourPt& a, const TContourPt& b,
                         const TVtxXYIndex* index) {
  const bool indexed = index != nullptr && index->Built();
  TTINVtx* va = indexed ? index->Find(a.x, a.y) : GetVtxAtXY(tin, a.x, a.y);
  TTINVtx* vb = indexed ? index->Find(b.x, b.y) : GetVtxAtXY(tin, b.x, b.y);
  double d = 0.0;
  if (va != nullptr && vb != nullptr) {
    // Along a triangle edge: the triangle with it, and the one across it.
    const TTINVtx* edgeStart = va;
    TTINTriangle* t = GetTriWithTheseTwoVtxs(tin, va, vb);
    if (t == nullptr) {
      t = GetTriWithTheseTwoVtxs(tin, vb, va);
      edgeStart = vb;
    }
    if (t != nullptr) {
      d = ComputeTriDistToNextCont(t, tin->fSpacingInterval);
      const std::int16_t edge = t->IndexOfVertex(edgeStart);
      if (edge == kNotFound) {
        Trace(kTraceGraphics, "  In TTIN::GetDistToNextCont didn't find whichEdgeIndex\n");
      } else {
        const TTINTriangle* across = t->fNeighbors[edge];
        const double beyond =
            across != nullptr ? ComputeTriDistToNextCont(across, tin->fSpacingInterval) : 0.0;
        if (beyond > 0.0 && beyond < d) d = beyond;
      }
    }
  } else {
    const KVPoint2D m{(a.y >> 1) + (b.y >> 1), (a.x >> 1) + (b.x >> 1)};
    std::int16_t edge = -1;
    const TTINTriangle* t = GetTriangleInWhichXYFalls(tin, m, &edge);
    if (t != nullptr) d = ComputeTriDistToNextCont(t, tin->fSpacingInterval);
  }
  if (d == 0.0) d = tin->fMinDistToNextCont;
  return d;
}
