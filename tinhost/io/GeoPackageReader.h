// Reads the vector layers of a GeoPackage through OGR, for an import:
//   Point, MultiPoint                  3D loci
//   LineString, MultiLineString        3D polygons (closed when the line ends
//                                      where it begins)
//   Polygon, MultiPolygon              each ring a closed 3D polygon
// Features of other geometries are counted and left out; a 2D geometry has
// elevation 0.  Each OGR layer lands in the drawing layer of its name.  The
// layers' coordinate system becomes the file's (they must all have the same
// one), and with it the unit of the coordinates.
//
// Throws FileError for a file OGR cannot open as a GeoPackage, or layers in
// different coordinate systems.
#pragma once

#include <filesystem>

#include "tinhost/io/Interchange.h"

namespace tinhost::io {

ImportedDrawing readGeoPackageFile(const std::filesystem::path& path);

}  // namespace tinhost::io
