// An elevation grid sampled from a TIN: each cell's value is the elevation of
// the plane of the triangle that encloses the cell's centre, the first such
// triangle in drawing order (a centre on a shared edge has the same elevation
// in both); a centre that no triangle encloses, outside the hull, has none.
//
// The grid's edges lie on whole multiples of the cell size in real
// coordinates, so grids of neighbouring surfaces at the same cell size line up.
// Rows run from north to south, as rasters store them.
//
// The triangles are walked row by row: each triangle gives, for a row of cell
// centres, the span of columns inside it (three half-planes), so the work is
// the number of cells plus the rows each triangle crosses, and a band of rows
// is filled at a time without holding the whole grid.
#pragma once

#include <cstdint>
#include <vector>

#include "tinhost/core/Document.h"

namespace tinhost::io {

struct GridPlan {
  double cell = 0;             // edge of a square cell, user units
  double west = 0, north = 0;  // real coordinates of the grid's outer corner
  std::int64_t columns = 0, rows = 0;
};

// The largest grid an export writes, as bytes of uncompressed values: far
// beyond any useful elevation model of a TIN, and still a file a disk holds.
inline constexpr std::uint64_t kMaxGridBytes = std::uint64_t{16} << 30;

struct RealBounds {
  double west = 0, south = 0, east = 0, north = 0;
};

// The grid of `cell` covering `bounds`.  Throws FileError (naming `what`)
// for a cell that is not a positive number, or a grid of more than
// kMaxGridBytes at `bytesPerCell` (saying which cell size would fit).
GridPlan planGrid(const RealBounds& bounds, double cell, int bytesPerCell, const std::string& what);

// Where the drawing's world coordinates lie in the real world.
struct Placement {
  double originX = 0, originY = 0;
  std::int32_t worldPerUnit = 1000;
};

class TinRasterizer {
 public:
  // The triangles are 3D triangles of the drawing (three corners, plan area
  // not zero; others are skipped).  They must outlive the rasterizer.
  TinRasterizer(const std::vector<const DrawingObject*>& triangles, const GridPlan& plan,
                const Placement& placement);

  // Fills rows [firstRow, firstRow + count) into `band` (count x columns
  // values, row after row): real elevations, `nodata` where no triangle
  // encloses the centre.  Bands must be asked for from north to south.
  void fillRows(std::int64_t firstRow, std::int64_t count, double nodata,
                std::vector<double>& band);

  // The elevation of a triangle's plane at a real point (user units), as the
  // grid computes it; for checking.
  static double planeElevation(const DrawingObject& triangle, double x, double y,
                               const Placement& placement);

  // Real bounds of the triangles' corners.
  static RealBounds bounds(const std::vector<const DrawingObject*>& triangles,
                           const Placement& placement);

 private:
  struct Tri {
    std::size_t order;  // position in the drawing
    double ax, ay, az;  // first corner, world units
    double gx, gy;      // elevation gradient, world units per world unit
    double ex[3], ey[3], px[3],
        py[3];  // edges (counter-clockwise) and their starts, relative to the first corner
    double len[3];
    std::int64_t firstRow, lastRow;
  };
  void spanRow(const Tri& t, std::int64_t row, std::int64_t& c0, std::int64_t& c1) const;

  GridPlan plan_;
  Placement placement_;
  double gridWestWorld_, gridNorthWorld_, cellWorld_;
  std::vector<Tri> tris_;    // by first row
  std::size_t nextTri_ = 0;  // the first not yet active
  std::vector<std::size_t> active_;
};

}  // namespace tinhost::io
