// Writes the chosen layers as LandXML 1.2:
//   Units         the drawing's unit (Metric/meter or Imperial/foot)
//   CgPoints      one group per layer, named after it, with the layer's 3D
//                 loci, numbered 1, 2, ... through the whole file
//   Surfaces      one Surface per layer that holds 3D polygons, named after it:
//                   Definition surfType="TIN"  the 3D triangles, each corner
//                                 written once in Pnts and shared by its Faces
//                   SourceData/Contours   the 3D contours (elevation per line)
//                   SourceData/Breaklines the other 3D polygons
// P and point lists hold northing first, as LandXML does.  2D polyshapes and
// text have no place in it and are counted as skipped.
#pragma once

#include "tinhost/io/ExportScope.h"
#include "tinhost/io/Exporter.h"

namespace tinhost::io {

ExportResult writeLandXml(const ExportScope& scope, const std::filesystem::path& out);

}  // namespace tinhost::io
