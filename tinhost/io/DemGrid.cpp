#include "tinhost/io/DemGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "tinhost/file/FileError.h"

namespace tinhost::io {
namespace {

using file::FileError;

// A centre this close outside an edge (world units) counts as on it, so that
// the rounding of the span bounds never leaves a centre on an edge between
// two triangles to neither.
constexpr double kOnEdge = 1e-6;

std::string bytesText(double bytes) {
  char buf[48];
  const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB"};
  int u = 0;
  while (bytes >= 1024 && u < 5) bytes /= 1024, ++u;
  std::snprintf(buf, sizeof buf, "%.1f %s", bytes, units[u]);
  return buf;
}

}  // namespace

GridPlan planGrid(const RealBounds& b, double cell, int bytesPerCell, const std::string& what) {
  if (!std::isfinite(cell) || cell <= 0)
    throw FileError(what +
                    ": the cell size must be a positive number of drawing units (--cell), not " +
                    std::to_string(cell));
  GridPlan p;
  p.cell = cell;
  p.west = std::floor(b.west / cell) * cell;
  p.north = std::ceil(b.north / cell) * cell;
  const double east = std::ceil(b.east / cell) * cell, south = std::floor(b.south / cell) * cell;
  const double columns = std::max(1.0, std::round((east - p.west) / cell));
  const double rows = std::max(1.0, std::round((p.north - south) / cell));
  const double bytes = columns * rows * bytesPerCell;
  const double limit = static_cast<double>(std::numeric_limits<std::int32_t>::max());
  if (!(columns <= limit && rows <= limit && bytes <= static_cast<double>(kMaxGridBytes))) {
    // The cell that brings the grid within the limit.
    const double fits =
        cell * std::sqrt(std::max(bytes / static_cast<double>(kMaxGridBytes), 1.0)) * 1.01;
    char buf[400];
    std::snprintf(
        buf, sizeof buf,
        ": a cell of %g makes a grid of %.0f x %.0f cells (%s), more than the %s an export writes; "
        "use a cell of at least %.3g",
        cell, columns, rows, bytesText(bytes).c_str(),
        bytesText(static_cast<double>(kMaxGridBytes)).c_str(), fits);
    throw FileError(what + buf);
  }
  p.columns = static_cast<std::int64_t>(columns);
  p.rows = static_cast<std::int64_t>(rows);
  return p;
}

RealBounds TinRasterizer::bounds(const std::vector<const DrawingObject*>& triangles,
                                 const Placement& pl) {
  double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
  for (const DrawingObject* t : triangles)
    for (const Vertex& v : t->vertices) {
      minX = std::min<double>(minX, v.x), maxX = std::max<double>(maxX, v.x);
      minY = std::min<double>(minY, v.y), maxY = std::max<double>(maxY, v.y);
    }
  const double w = pl.worldPerUnit;
  return {pl.originX + minX / w, pl.originY + minY / w, pl.originX + maxX / w,
          pl.originY + maxY / w};
}

// The plane through the three corners, as the plug-in's triangle surface
// computes it (its normal from the two edges at the first corner), without
// truncating to a whole world unit.
double TinRasterizer::planeElevation(const DrawingObject& t, double x, double y,
                                     const Placement& pl) {
  const Vertex &k0 = t.vertices[0], &k1 = t.vertices[1], &k2 = t.vertices[2];
  const double w = pl.worldPerUnit;
  if (k0.z == k1.z && k1.z == k2.z) return k0.z / w;
  const double x0 = k0.x, y0 = k0.y, z0 = k0.z;
  const double ax = k1.x - x0, ay = k1.y - y0, az = k1.z - z0;
  const double bx = k2.x - x0, by = k2.y - y0, bz = k2.z - z0;
  const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
  const double px = (x - pl.originX) * w, py = (y - pl.originY) * w;
  return (z0 - (nx * (px - x0) + ny * (py - y0)) / nz) / w;
}

TinRasterizer::TinRasterizer(const std::vector<const DrawingObject*>& triangles,
                             const GridPlan& plan, const Placement& placement)
    : plan_(plan), placement_(placement) {
  const double w = placement.worldPerUnit;
  gridWestWorld_ = (plan.west - placement.originX) * w;
  gridNorthWorld_ = (plan.north - placement.originY) * w;
  cellWorld_ = plan.cell * w;
  tris_.reserve(triangles.size());
  for (std::size_t i = 0; i < triangles.size(); ++i) {
    const DrawingObject& o = *triangles[i];
    if (o.vertices.size() != 3) continue;
    Vertex v[3] = {o.vertices[0], o.vertices[1], o.vertices[2]};
    Tri t{};
    t.order = i;
    t.ax = v[0].x, t.ay = v[0].y, t.az = v[0].z;
    const double bx = v[1].x - t.ax, by = v[1].y - t.ay, cx = v[2].x - t.ax, cy = v[2].y - t.ay;
    const double area2 = bx * cy - by * cx;
    if (area2 == 0) continue;
    const double bz = v[1].z - t.az, cz = v[2].z - t.az;
    // z = az + gx (x - ax) + gy (y - ay): the same plane as planeElevation.
    if (!(v[0].z == v[1].z && v[1].z == v[2].z)) {
      const double nx = by * cz - bz * cy, ny = bz * cx - bx * cz, nz = area2;
      t.gx = -nx / nz, t.gy = -ny / nz;
    }
    // Corners counter-clockwise, relative to the first.
    double qx[3] = {0, bx, cx}, qy[3] = {0, by, cy};
    if (area2 < 0) std::swap(qx[1], qx[2]), std::swap(qy[1], qy[2]);
    double minY = 0, maxY = 0;
    for (int k = 0; k < 3; ++k) {
      const int n = (k + 1) % 3;
      t.px[k] = qx[k], t.py[k] = qy[k];
      t.ex[k] = qx[n] - qx[k], t.ey[k] = qy[n] - qy[k];
      t.len[k] = std::hypot(t.ex[k], t.ey[k]);
      minY = std::min(minY, qy[k]), maxY = std::max(maxY, qy[k]);
    }
    // Row r's centres lie at gridNorth - (r + 0.5) cell.
    const double top = (gridNorthWorld_ - (t.ay + maxY)) / cellWorld_ - 0.5;
    const double bottom = (gridNorthWorld_ - (t.ay + minY)) / cellWorld_ - 0.5;
    t.firstRow = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor(top)));
    t.lastRow = std::min<std::int64_t>(plan.rows - 1, static_cast<std::int64_t>(std::ceil(bottom)));
    if (t.firstRow > t.lastRow) continue;
    tris_.push_back(t);
  }
  std::stable_sort(tris_.begin(), tris_.end(),
                   [](const Tri& a, const Tri& b) { return a.firstRow < b.firstRow; });
}

// The columns whose centres on `row` lie inside the triangle: each edge,
// with the inside on its left, bounds the centres' x from one side.
void TinRasterizer::spanRow(const Tri& t, std::int64_t row, std::int64_t& c0,
                            std::int64_t& c1) const {
  const double y = gridNorthWorld_ - (static_cast<double>(row) + 0.5) * cellWorld_ - t.ay;
  double lo = -std::numeric_limits<double>::infinity(),
         hi = std::numeric_limits<double>::infinity();
  for (int k = 0; k < 3; ++k) {
    // Inside: ex (y - py) - ey (x - px) >= -kOnEdge * len.
    const double rhs = t.ex[k] * (y - t.py[k]) + kOnEdge * t.len[k];
    if (t.ey[k] == 0) {
      if (rhs < 0) lo = 1, hi = 0;
      continue;
    }
    const double bound = t.px[k] + rhs / t.ey[k];
    if (t.ey[k] > 0)
      hi = std::min(hi, bound);
    else
      lo = std::max(lo, bound);
  }
  c0 = 1, c1 = 0;
  if (!(lo <= hi)) return;
  const double first = std::ceil((t.ax + lo - gridWestWorld_) / cellWorld_ - 0.5);
  const double last = std::floor((t.ax + hi - gridWestWorld_) / cellWorld_ - 0.5);
  c0 = static_cast<std::int64_t>(std::max(first, 0.0));
  c1 = static_cast<std::int64_t>(std::min(last, static_cast<double>(plan_.columns - 1)));
}

void TinRasterizer::fillRows(std::int64_t firstRow, std::int64_t count, double nodata,
                             std::vector<double>& band) {
  const std::size_t columns = static_cast<std::size_t>(plan_.columns);
  band.assign(static_cast<std::size_t>(count) * columns, nodata);
  std::vector<bool> filled(band.size(), false);
  const std::int64_t endRow = firstRow + count;
  while (nextTri_ < tris_.size() && tris_[nextTri_].firstRow < endRow)
    active_.push_back(nextTri_++);
  std::erase_if(active_, [&](std::size_t i) { return tris_[i].lastRow < firstRow; });
  // The first triangle in drawing order that encloses a centre gives its value.
  std::sort(active_.begin(), active_.end(),
            [&](std::size_t a, std::size_t b) { return tris_[a].order < tris_[b].order; });
  const double w = placement_.worldPerUnit;
  for (std::size_t i : active_) {
    const Tri& t = tris_[i];
    const std::int64_t r0 = std::max(firstRow, t.firstRow), r1 = std::min(endRow - 1, t.lastRow);
    for (std::int64_t r = r0; r <= r1; ++r) {
      std::int64_t c0, c1;
      spanRow(t, r, c0, c1);
      if (c0 > c1) continue;
      const double dy = gridNorthWorld_ - (static_cast<double>(r) + 0.5) * cellWorld_ - t.ay;
      const std::size_t rowAt = static_cast<std::size_t>(r - firstRow) * columns;
      for (std::int64_t c = c0; c <= c1; ++c) {
        const std::size_t at = rowAt + static_cast<std::size_t>(c);
        if (filled[at]) continue;
        const double dx = gridWestWorld_ + (static_cast<double>(c) + 0.5) * cellWorld_ - t.ax;
        band[at] = (t.az + t.gx * dx + t.gy * dy) / w;
        filled[at] = true;
      }
    }
  }
}

}  // namespace tinhost::io
