// The geometry and the chief parameters of one stored TIN, read from the
// plug-in's data object (the record layout is described in StoredTINs.h):
// its vertices in the order the record lists them (by elevation), its
// triangles as three indices into them (corners clockwise), its breaklines as
// runs of vertex indices, and the parameters a viewer shows.
//
// Coordinates are in user units relative to the drawing's origin, as the
// drawing's own objects are (world units / worldPerUnit).  A TIN stored with
// notResident set keeps no geometry: `resident` is then false and the lists
// are empty.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tinhost/core/StoredTINs.h"
#include "tinhost/core/UndoLog.h"

namespace tinhost {

struct StoredTINParams {
  double contourInterval = 0, datumElev = 0, contourBaseElev = 0;
  double lowContourElev = 0, highContourElev = 0;
  std::int16_t indexContourEvery = 0;
  bool want2DContours = false, want3DTriangles = false, want2DTriangles = false, want3DContours = false;
  bool labelContours = false, wantHull = false, useBreaklines = false, notResident = false;
};

struct StoredBreakline {
  bool closed = false;
  std::vector<std::uint32_t> vertices;  // indices into StoredTINGeometry::xyz / 3
};

struct StoredTINGeometry {
  StoredTIN tin;
  StoredTINParams params;
  bool resident = false;
  std::vector<double> xyz;                              // x, y, z per vertex
  std::vector<std::array<std::uint32_t, 3>> triangles;  // vertex indices
  std::vector<std::uint32_t> hull;                      // vertex indices
  std::vector<StoredBreakline> breaklines;

  std::size_t vertexCount() const { return xyz.size() / 3; }
};

// Every stored TIN with its geometry, in the order readStoredTINs lists them.
// `scale` is the drawing's second scale factor (UnitsRecord::scale), by which
// the plug-in divided its stored coordinates.  Throws HostError when the
// object is damaged or a triangle names a vertex the record does not hold.
std::vector<StoredTINGeometry> readStoredGeometry(const DataObjectBytes& dataObjects, double scale);

}  // namespace tinhost
