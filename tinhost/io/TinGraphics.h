// The TINs an export finds in a drawing, from what the plug-in drew for
// them: its 3D triangles and 3D contours (on the TIN's 3D layer) and its hull
// (on the 2D layer).  A TIN is known by its name; the plug-in names its
// layers after it with the suffixes of the host's string list (TIN "Ground"
// draws onto "Ground-3D" and "Ground-2D"), so the graphics on a layer belong
// to the TIN whose name is the layer's without that suffix.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tinhost/io/ExportScope.h"

namespace tinhost::io {

struct TinGraphics {
  std::string name;
  std::vector<const DrawingObject*> triangles;  // closed 3D polygons of three corners
  std::vector<const DrawingObject*> contours;   // 3D contours
  std::vector<bool> indexContour;               // beside contours: of the index class
  std::vector<const DrawingObject*> hulls;      // the hull as drawn, when it was
};

// The TIN a layer's graphics belong to.
std::string tinNameOfLayer(const std::string& layer);

// The layers an export of TINs reads for `names`: each named layer that
// exists, and the 3D and 2D layers of a TIN of that name.  A name that is
// neither is kept, for ExportScope to refuse.  Empty stays empty (every layer).
std::vector<std::string> tinLayerNames(const Host& host, const std::vector<std::string>& names);

// The TINs among the scope's objects, in the order their layers come.
std::vector<TinGraphics> collectTins(const ExportScope& scope);

// A ring of the TIN's boundary in world coordinates, counter-clockwise for
// the outside of the surface and clockwise around a hole; the first corner is
// not repeated at the end.
using Ring = std::vector<Vertex>;
// The boundary of the union of the triangles: the edges only one triangle
// has, chained into rings.
std::vector<Ring> boundaryRings(const std::vector<const DrawingObject*>& triangles);
// Twice the signed area of a ring (positive counter-clockwise).
double signedArea2(const Ring& ring);

}  // namespace tinhost::io
