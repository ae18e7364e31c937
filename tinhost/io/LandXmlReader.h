// Reads the terrain of a LandXML file (1.0 to 1.2):
//   CgPoints/CgPoint               3D loci ("northing easting elevation")
//   PlanFeatures (chains of Line)  3D polygons, through point references or
//                                  coordinates
//   Surfaces/Surface/Definition    its Pnts as 3D loci; its Faces are checked
//                                  (every corner a point of the surface)
//   Surface/SourceData             Breaklines and Contours as 3D polygons,
//                                  DataPoints as 3D loci
// A named CgPoints group and a surface land on the layer of their name, a plan
// feature on the layer of the points it references.  The file's Units and its
// CoordinateSystem (epsgCode, else ogcWktCode) are handed on for the import
// to convert by, and to check or adopt.
//
// Errors name the file, the line and the element: XML that is not well formed,
// a root that is not LandXML, a point without three numbers, a face or plan
// feature naming a point that is not there.
#pragma once

#include <filesystem>

#include "tinhost/core/DrawingUnits.h"
#include "tinhost/io/Interchange.h"

namespace tinhost::io {

ImportedDrawing readLandXmlFile(const std::filesystem::path& path);

}  // namespace tinhost::io
