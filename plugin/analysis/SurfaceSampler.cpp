#include "plugin/analysis/SurfaceSampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "plugin/analysis/TriangleSurface.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/model/ListReadAhead.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/PointLocation.h"

namespace {

// Cells per triangle the grid starts from at most (before the entry budget).
constexpr std::int64_t kMaxCellsPerTriangle = 2;
constexpr std::int64_t kSlack = 64;

}  // namespace

void TSurfaceSampler::Dispose() {
  fVertices.Dispose();
  PluginFree(fTris);
  PluginFree(fCellStart);
  PluginFree(fEntries);
  fTris = nullptr;
  fCellStart = nullptr;
  fEntries = nullptr;
  fTriCount = 0;
  fCellsX = fCellsY = 0;
  fBuilt = false;
}

bool TSurfaceSampler::Build(const TTIN* base) {
  Dispose();
  if (!BuildVertices(base) || !BuildTriangles(base)) {
    Dispose();
    return false;
  }
  fBuilt = true;
  return true;
}

bool TSurfaceSampler::BuildVertices(const TTIN* base) {
  const TLinkNode* first = base->fTINVtxListByZ != nullptr ? base->fTINVtxListByZ->fFirst : nullptr;
  std::int64_t n = 0;
  for (const TLinkNode* node = first; node != nullptr; node = node->next)
    if (node->item != nullptr) ++n;
  if (!fVertices.Reserve(n)) return false;
  for (const TLinkNode* node = first; node != nullptr; node = node->next) {
    const auto* v = static_cast<const TTINVtx*>(node->item);
    if (v != nullptr && !fVertices.Add(v->x, v->y, v->z)) return false;
  }
  return true;
}

bool TSurfaceSampler::BuildTriangles(const TTIN* base) {
  const TLinkNode* first =
      base->fTINTriangleList != nullptr ? base->fTINTriangleList->fFirst : nullptr;
  std::int64_t n = 0;
  for (const TLinkNode* node = first; node != nullptr; node = node->next)
    if (node->item != nullptr) ++n;
  if (n == 0) return true;
  // The entry budget must stay within the 32-bit offsets of the cells.
  if (n > (std::numeric_limits<std::int32_t>::max() - kSlack) / kMaxEntriesPerTriangle)
    return false;
  fTris = static_cast<Tri*>(PluginAlloc(sizeof(Tri) * static_cast<std::size_t>(n)));
  if (fTris == nullptr) return false;

  // The triangles' corners in list order, and the box of them all.
  fMinX = fMinY = std::numeric_limits<std::int64_t>::max();
  fMaxX = fMaxY = std::numeric_limits<std::int64_t>::min();
  TTriangleReadAhead ahead(first);
  for (const TLinkNode* node = first; node != nullptr; node = node->next) {
    ahead.Step();
    const auto* t = static_cast<const TTINTriangle*>(node->item);
    if (t == nullptr) continue;
    const TTINVtx* const* c = t->fVertices;
    if (c[0] == nullptr || c[1] == nullptr || c[2] == nullptr) return false;
    Tri& r = fTris[fTriCount++];
    for (int i = 0; i < 3; ++i) {
      r.x[i] = c[i]->x;
      r.y[i] = c[i]->y;
      r.z[i] = c[i]->z;
    }
    fMinX = std::min<std::int64_t>(fMinX, r.MinX());
    fMinY = std::min<std::int64_t>(fMinY, r.MinY());
    fMaxX = std::max<std::int64_t>(fMaxX, r.MaxX());
    fMaxY = std::max<std::int64_t>(fMaxY, r.MaxY());
  }

  // Square cells, about one per triangle over the whole box, then wider
  // until the cell count and the entry count are within budget.  A single
  // cell over everything always is, so the loop ends.
  const std::int64_t width = fMaxX - fMinX, height = fMaxY - fMinY;
  const double area = static_cast<double>(width + 1) * static_cast<double>(height + 1);
  fSide = std::max<std::int64_t>(
      1, static_cast<std::int64_t>(std::ceil(std::sqrt(area / static_cast<double>(n)))));
  const std::int64_t maxCells = kMaxCellsPerTriangle * n + kSlack;
  const std::int64_t maxEntries = kMaxEntriesPerTriangle * n + kSlack;
  for (;;) {
    fCellsX = width / fSide + 1;
    fCellsY = height / fSide + 1;
    if (fCellsX <= maxCells && fCellsY <= maxCells / fCellsX && CountEntries() <= maxEntries) break;
    fSide *= 2;
  }
  return Place(CountEntries());
}

std::int64_t TSurfaceSampler::CountEntries() const {
  const std::int64_t budget = kMaxEntriesPerTriangle * fTriCount + kSlack;
  std::int64_t total = 0;
  for (std::int32_t i = 0; i < fTriCount && total <= budget; ++i) {
    const Tri& t = fTris[i];
    total += (CellX(t.MaxX()) - CellX(t.MinX()) + 1) * (CellY(t.MaxY()) - CellY(t.MinY()) + 1);
  }
  return total;
}

bool TSurfaceSampler::Place(std::int64_t total) {
  const std::int64_t cells = fCellsX * fCellsY;
  fCellStart = static_cast<std::int32_t*>(
      PluginAlloc(sizeof(std::int32_t) * static_cast<std::size_t>(cells + 1)));
  fEntries = static_cast<std::int32_t*>(
      PluginAlloc(sizeof(std::int32_t) * static_cast<std::size_t>(total)));
  if (fCellStart == nullptr || fEntries == nullptr) return false;
  auto forCells = [&](const Tri& t, auto&& f) {
    const std::int64_t x0 = CellX(t.MinX()), x1 = CellX(t.MaxX()), y1 = CellY(t.MaxY());
    for (std::int64_t cy = CellY(t.MinY()); cy <= y1; ++cy)
      for (std::int64_t cx = x0; cx <= x1; ++cx) f(cy * fCellsX + cx);
  };
  // Counts, then running sums that end each cell; filling from the last
  // triangle backwards moves every end down to its cell's start and leaves
  // each cell's ordinals ascending.
  for (std::int64_t c = 0; c <= cells; ++c) fCellStart[c] = 0;
  for (std::int32_t i = 0; i < fTriCount; ++i)
    forCells(fTris[i], [&](std::int64_t c) { ++fCellStart[c]; });
  std::int32_t sum = 0;
  for (std::int64_t c = 0; c <= cells; ++c) {
    sum += fCellStart[c];
    fCellStart[c] = sum;
  }
  for (std::int32_t i = fTriCount - 1; i >= 0; --i)
    forCells(fTris[i], [&](std::int64_t c) { fEntries[--fCellStart[c]] = i; });
  return true;
}

bool TSurfaceSampler::ElevFromTriangles(const KVPoint2D& p, std::int32_t* z) const {
  if (fTriCount == 0 || p.x < fMinX || p.x > fMaxX || p.y < fMinY || p.y > fMaxY) return false;
  const std::int64_t cell = CellY(p.y) * fCellsX + CellX(p.x);
  for (std::int32_t e = fCellStart[cell]; e < fCellStart[cell + 1]; ++e) {
    const Tri& t = fTris[fEntries[e]];
    if (p.x < t.MinX() || p.x > t.MaxX() || p.y < t.MinY() || p.y > t.MaxY()) continue;
    if (CornersEncloseXY(t.x, t.y, p)) {
      *z = GetElevInCorners(t.x, t.y, t.z, p);
      return true;
    }
  }
  return false;
}

void TSurfaceSampler::Prefetch(const KVPoint2D& p) const {
  if (!fBuilt) return;
  fVertices.Prefetch(p.x, p.y);
  if (fTriCount != 0 && p.x >= fMinX && p.x <= fMaxX && p.y >= fMinY && p.y <= fMaxY)
    __builtin_prefetch(&fCellStart[CellY(p.y) * fCellsX + CellX(p.x)]);
}

bool TSurfaceSampler::ElevAt(const KVPoint2D& p, std::int32_t* z) const {
  if (fVertices.Find(p.x, p.y, z)) return true;
  return ElevFromTriangles(p, z);
}
