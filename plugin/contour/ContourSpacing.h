// Contour spacing: the horizontal distance between successive contours,
// which bounds how far a smoothed contour may bend towards its neighbours.
#pragma once

#include <cstdint>

#include "plugin/contour/InterpolateToContour.h"

class TTIN;
class TTINTriangle;
class TTINVtx;

// The spacing across one triangle for contour interval I: 0 for a horizontal triangle; otherwise, with
// the corners ordered low, mid, high, D is the distance from high to the line
// through low and mid (low and mid level), from low to the line through mid
// and high (mid and high level), else from high to the line through mid and
// the point of edge low-high at mid's elevation; the slope is
// (z_high - z_low) / D and the spacing I / slope (0 unless the slope is
// positive).  Distances are to the infinite line, in double precision.
// It is computed where it is needed rather than kept in every triangle: the
// triangle record stays one cache line.
double ComputeTriDistToNextCont(const TTINTriangle* tri, std::int32_t interval);

// The TIN's vertices sorted by (x, y) for exact lookups, in one block from
// the host allocator.  It stands in for the vertex walk of GetVtxAtXY (the
// answer is the same: no two vertices share x and y).
class TVtxXYIndex {
 public:
  TVtxXYIndex() = default;
  ~TVtxXYIndex();
  TVtxXYIndex(const TVtxXYIndex&) = delete;
  TVtxXYIndex& operator=(const TVtxXYIndex&) = delete;

  // False when the TIN has no vertices or the host refuses the block.
  bool Build(const TTIN* tin);
  bool Built() const { return fEntries != nullptr; }
  TTINVtx* Find(std::int32_t x, std::int32_t y) const;

 private:
  struct TEntry {
    std::int32_t x, y;
    TTINVtx* vtx;
  };
  TEntry* fEntries = nullptr;
  std::int64_t fCount = 0;
};

// The spacing of contours along the polyline segment a-b.  When both points
// are vertices the segment runs along an edge: the spacing of the triangle
// with that edge (a->b, else b->a), or of its neighbour across it when that
// is positive and smaller.  Otherwise the spacing of the triangle holding
// the midpoint (a >> 1) + (b >> 1).  Where that gives 0, the TIN's smallest
// spacing fMinDistToNextCont.  Spacings are taken at the TIN's
// fSpacingInterval.
// `index` may be null or unbuilt: the vertices are then looked up with
// GetVtxAtXY.
double GetDistToNextCont(TTIN* tin, const TContourPt& a, const TContourPt& b,
                         const TVtxXYIndex* index);
