// The TINs an export finds in a drawing, from what the plug-in drew for
// them: its 3D triangles and 3D contours (on the TIN's 3D layer) and its hull
// (on the 2D layer).  A TIN is known by its name.  The graphics on a layer
// belong to the stored TIN whose 2D or 3D layer it is; on a layer no stored
// TIN names (its TIN deleted, the graphics read from a file), to the TIN whose
// name is the layer's without the suffix the plug-in gives its layers by
// default (TIN "Ground" draws onto "Ground-3D" and "Ground-2D").
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tinhost/core/StoredTINs.h"
#include "tinhost/io/ExportScope.h"

namespace tinhost::io {

struct TinGraphics {
  std::string name;
  std::vector<const DrawingObject*> triangles;  // closed 3D polygons of three corners
  std::vector<const DrawingObject*> contours;   // 3D contours
  std::vector<bool> indexContour;               // beside contours: of the index class
  std::vector<const DrawingObject*> hulls;      // the hull as drawn, when it was
};

// The drawing's TINs by name and layers.
class TinNames {
 public:
  explicit TinNames(const Host& host);
  // The TIN a layer's graphics belong to.
  std::string tinOfLayer(const std::string& layer) const;
  // The layers an export of TINs reads for `names`: each named layer that
  // exists, and the 2D and 3D layers of a TIN of that name.  A name that is
  // neither is kept, for ExportScope to refuse.  Empty stays empty (every
  // layer).
  std::vector<std::string> layersFor(const std::vector<std::string>& names) const;

 private:
  const Host& host_;
  std::vector<StoredTIN> stored_;
  std::vector<std::string> suffixes_;
};

// The TINs among the scope's objects, in the order their layers come.
std::vector<TinGraphics> collectTins(const ExportScope& scope, const TinNames& names);

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
