// Writes the chosen layers as an ASCII DXF (AutoCAD 2000 format, AC1015, the
// oldest release that has LWPOLYLINE and the one nearly every CAD and GIS
// program reads):
//   3D locus                  POINT
//   3D triangle (3 corners, closed)  3DFACE, the fourth corner repeating the third
//   other 3D polygon          3D POLYLINE, closed flag kept
//   2D polyshape              LWPOLYLINE at elevation 0, closed flag kept
// A polyshape with curve control vertices (a smoothed contour) is written as
// the densified polyline of its curve, not as a SPLINE: every CAD, GIS and
// viewing program reads LWPOLYLINE, contour tools and civil programs expect
// contours as polylines, while SPLINE support is uneven (older and lighter
// programs drop it or redraw it through other knots), and eight chords per
// arc stay within 1/256 of the arc's bend (millimetres on a contour).
//   text block                one TEXT per line
// Layers keep their names (characters DXF forbids become '_'), objects keep
// their colours (indexed and true colour) and line weights, and coordinates
// are real-world ones in the drawing's unit, declared in $INSUNITS.
#pragma once

#include "tinhost/io/ExportScope.h"
#include "tinhost/io/Exporter.h"

namespace tinhost::io {

ExportResult writeDxf(const ExportScope& scope, const std::filesystem::path& out);

}  // namespace tinhost::io
