// Writes the chosen layers as an ASCII DXF (AutoCAD 2000 format, AC1015, the
// oldest release that has LWPOLYLINE and the one nearly every CAD and GIS
// program reads):
//   3D locus                  POINT
//   3D triangle (3 corners, closed)  3DFACE, the fourth corner repeating the third
//   other 3D polygon          3D POLYLINE, closed flag kept
//   2D polyshape              LWPOLYLINE at elevation 0, closed flag kept
//   text block                one TEXT per line
// Layers keep their names (characters DXF forbids become '_'), objects keep
// their colours (indexed and true colour) and line weights, and coordinates
// are real-world ones in the drawing's unit, declared in $INSUNITS.
#pragma once

#include "io/ExportScope.h"
#include "io/Exporter.h"

namespace tinhost::io {

ExportResult writeDxf(const ExportScope& scope, const std::filesystem::path& out);

}  // namespace tinhost::io
