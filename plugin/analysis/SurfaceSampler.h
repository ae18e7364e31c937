// TSurfaceSampler: the elevation of a base TIN at many points, with the same
// answers as GetElevAtXY (DiffTIN.h), which scans the base's vertex list and
// then its triangle list for every point.  Built once over a base that does
// not change while it is used:
//
//  - the vertices by exact position (TXYTable), filled in list order so that
//    the first listed vertex at a position answers;
//  - the triangles (copies of their corners) in a uniform grid over their
//    bounding boxes: each cell holds, in ascending list order, the ordinals
//    of the triangles whose closed box meets the cell.  A triangle can
//    enclose p only if its box holds p (inside means on the inner side of
//    all three edges, or on an edge segment), so the triangles of p's cell,
//    tested in list order with CornersEncloseXY (EnclosesXY's answers from
//    the copied corners), find the first enclosing triangle of the list.
//
// The grid has about as many cells as there are triangles; the cell side
// doubles until the boxes fill at most kMaxEntriesPerTriangle cell entries
// per triangle on average, so long thin triangles cannot exhaust memory.  All
// memory comes from the host allocator; when any of it is refused Build
// answers false, keeps nothing, and the caller samples by scanning instead.
#pragma once

#include <algorithm>
#include <cstdint>

#include "plugin/model/XYTable.h"
#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"

class TTIN;

class TSurfaceSampler final : public TPluginObject {
 public:
  static constexpr std::int64_t kMaxEntriesPerTriangle = 8;

  TSurfaceSampler() = default;
  ~TSurfaceSampler() { Dispose(); }
  TSurfaceSampler(const TSurfaceSampler&) = delete;
  TSurfaceSampler& operator=(const TSurfaceSampler&) = delete;

  // Indexes the vertex and triangle lists of `base` (either may be missing).
  // False, with nothing kept, when memory is refused or a listed triangle
  // lacks a corner.
  bool Build(const TTIN* base);
  bool Built() const { return fBuilt; }
  void Dispose();

  // As GetElevAtXY: the first listed vertex at p, else ElevFromTriangles.
  bool ElevAt(const KVPoint2D& p, std::int32_t* z) const;
  // As GetElevFromEnclosingTri: the plane of the first listed triangle that
  // encloses p; false with *z unchanged when none does.
  bool ElevFromTriangles(const KVPoint2D& p, std::int32_t* z) const;
  // Starts fetching what ElevAt(p) reads first (the vertex table's slot and
  // the cell's entry range), for a read-ahead of later samples.
  void Prefetch(const KVPoint2D& p) const;

 private:
  // Copies of a triangle's corners, so that a test reads one record instead
  // of the triangle and its three vertices.
  struct Tri {
    std::int32_t x[3], y[3], z[3];
    std::int32_t MinX() const { return std::min({x[0], x[1], x[2]}); }
    std::int32_t MaxX() const { return std::max({x[0], x[1], x[2]}); }
    std::int32_t MinY() const { return std::min({y[0], y[1], y[2]}); }
    std::int32_t MaxY() const { return std::max({y[0], y[1], y[2]}); }
  };

  bool BuildVertices(const TTIN* base);
  bool BuildTriangles(const TTIN* base);
  // The number of cell entries the boxes need with the current cell side.
  std::int64_t CountEntries() const;
  // Lays the boxes into the grid: `total` entries, as CountEntries says.
  bool Place(std::int64_t total);
  std::int64_t CellX(std::int32_t x) const { return (std::int64_t{x} - fMinX) / fSide; }
  std::int64_t CellY(std::int32_t y) const { return (std::int64_t{y} - fMinY) / fSide; }

  bool fBuilt = false;
  TXYTable fVertices;
  Tri* fTris = nullptr;
  std::int32_t fTriCount = 0;
  // The grid: cell (cx, cy) is cy * fCellsX + cx; its entries are
  // fEntries[fCellStart[cell] .. fCellStart[cell + 1]).
  std::int64_t fMinX = 0, fMinY = 0, fMaxX = -1, fMaxY = -1;
  std::int64_t fSide = 1;
  std::int64_t fCellsX = 0, fCellsY = 0;
  std::int32_t* fCellStart = nullptr;
  std::int32_t* fEntries = nullptr;
};
