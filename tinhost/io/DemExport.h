// `tinhost export DRAWING dem.tif --layer L --cell 1` (or dem.asc): an
// elevation model of one TIN, sampled from its 3D triangles (DemGrid.h),
// written through GDAL.
//
//   .tif   GeoTIFF; values as 32-bit floats when they carry every world unit
//          of the elevations, else 64-bit; tiled and compressed (deflate with
//          the floating-point predictor) past a million cells; BigTIFF when
//          the file may pass 4 GiB
//   .asc   ASCII grid with its .prj beside it
//
// Both carry the drawing's coordinate system (or local coordinates in its
// unit) and the elevation unit, and mark cells outside the hull as nodata.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tinhost/io/Exporter.h"

namespace tinhost::io {

// Cells outside the hull hold this (or the lowest value of the grid's type
// when the surface reaches this low).
inline constexpr double kDemNodata = -9999.0;
// Grids of more cells than this are tiled and compressed.
inline constexpr std::int64_t kDemTiledFrom = 1'000'000;

bool isDemPath(const std::filesystem::path& path);

// `cell` in the drawing's user unit.  Throws FileError for a drawing or layers
// without one TIN of 3D triangles, a bad cell size, or a grid too large.
ExportResult writeDem(const Host& host, const std::filesystem::path& out,
                      const std::vector<std::string>& layers, double cell);

}  // namespace tinhost::io
