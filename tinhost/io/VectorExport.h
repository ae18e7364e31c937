// `tinhost export DRAWING contours.gpkg` (or .shp, .geojson): the TINs of the
// chosen layers as GIS features, through OGR, in real coordinates and the
// drawing's coordinate system:
//   contours   3D line strings (closed ones end where they start) with the
//              attributes elevation, index (yes for index contours) and tin
//   hull       the boundary of the TIN's triangles as a 3D multipolygon (holes
//              kept), or the hull the plug-in drew when there are no 3D triangles
//   triangles  with `faces`, every 3D triangle as a 3D polygon
//
//   .gpkg     one layer of each kind per TIN, named after it ("Ground_contours")
//   .shp      one file per kind: contours in the named file, the hull and the
//             triangles beside it (NAME_hull.shp, NAME_triangles.shp); a tin
//             attribute tells the TINs apart
//   .geojson  one collection; a kind attribute tells contours, hulls and
//             triangles apart
//
// Nothing is left behind by a failed export: the files are written under
// temporary names and moved into place at the end.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tinhost/io/Exporter.h"

namespace tinhost::io {

bool isVectorPath(const std::filesystem::path& path);

// Throws FileError when the chosen layers hold no TIN graphics or the file
// cannot be written.
ExportResult writeVectors(const Host& host, const std::filesystem::path& out,
                          const std::vector<std::string>& layers, bool faces);

}  // namespace tinhost::io
