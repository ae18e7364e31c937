// The TINs a drawing stores, as far as the host needs to know them to let a
// command line name one: each TIN's name and layer names, whether it is a
// difference TIN, and the numbers that link it to its bases, in the order the
// plug-in stored them (the order of its chooser).
//
// They are read from the plug-in's data object under the drawing header, tag
// "WXB0": after the host's 22 bytes, a format version (2) and the number of
// TINs, a table of the TINs' names, then one record per TIN (big-endian):
//   0  record version (16 bits)     2  id     6  first base id   10  second base id
//  14  name   36  2D layer name   58  3D layer name (22 bytes each: length, characters)
// 134  difference flag (0 when the TIN has bases), ... the parameters end at
// 145 (144 in records older than version 2, which lack one flag), followed by
// counted runs: vertices (40 bytes each), hull entries (4), triangles (28),
// breaklines (16 bytes + 4 per vertex).  readStoredTINs keeps the names,
// links, datum, residency and counts and steps over the runs;
// readStoredTINGeometry decodes one TIN's parameters and runs, and
// readStoredSurface gives its vertices and triangles in world units.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tinhost/core/DrawingUnits.h"
#include "tinhost/core/UndoLog.h"

namespace tinhost {

inline constexpr std::uint32_t kTINDataTag = 0x57584230;  // "WXB0"

struct StoredTIN {
  std::string name, layer2DName, layer3DName;
  bool difference = false;
  std::int32_t id = 0;
  std::int32_t innerId = -1, outerId = -1;  // the bases of a difference TIN; -1: none
  double datumElev = 0;      // the cut and fill datum as stored (worldOfStored converts it)
  bool notResident = false;  // keeps only its parameters: no vertices or triangles stored
  std::int32_t vertexCount = 0, triangleCount = 0;

  // True when `layer` is one of the TIN's three names: the plug-in then takes
  // this TIN as the current layer's.
  bool answersToLayer(const std::string& layer) const {
    return name == layer || layer2DName == layer || layer3DName == layer;
  }
};

// The stored TINs in order; none when there is no data object.  Throws
// HostError when the object is damaged (the plug-in refuses it too).
std::vector<StoredTIN> readStoredTINs(const DataObjectBytes& dataObjects);
// The same on the TIN data object (tagged kTINDataTag) alone, when there is one.
std::vector<StoredTIN> readStoredTINsFrom(std::span<const std::uint8_t> tinData);

// A TIN's parameters as stored: lengths and elevations in user units.
struct StoredTINParams {
  double contourInterval = 0, datumElev = 0, contourBaseElev = 0, lowContourElev = 0, highContourElev = 0;
  std::int16_t indexContourEvery = 0, cntr2DVtxKind = 0;
  bool normalTIN = false, want2DCntr = false, want3DTris = false, want2DTris = false, want3DCntr = false,
       labelCntrs = false, wantHull = false, makeGroups = false, useBrklns = false, notResident = false;
};

struct StoredBreakline {
  bool closed = false, level = false;
  double levelElev = 0;                // user units
  std::vector<std::int32_t> vertices;  // 0-based positions in StoredTINGeometry::xyz
};

// One TIN's surface as stored.  Vertices are numbered 0 .. n-1 in stored
// order (the plug-in's list by elevation); every other run refers to them by
// that number.  Coordinates are user units relative to the drawing's origin,
// as the plug-in keeps them.  A TIN kept without its geometry (notResident)
// has empty runs.
struct StoredTINGeometry {
  StoredTIN tin;
  StoredTINParams params;
  std::vector<double> xyz;              // x, y, z of each vertex
  std::vector<std::int32_t> triangles;  // three corners per triangle, in stored (clockwise) order
  std::vector<std::int32_t> hull;       // the hull's vertices in order
  std::vector<StoredBreakline> breaklines;
};

// The geometry of the TIN at `index` in the order of readStoredTINs.  Throws
// HostError when the object is damaged, a run refers to a vertex that is not
// there, or there is no such TIN.
StoredTINGeometry readStoredTINGeometry(const DataObjectBytes& dataObjects, std::size_t index);
// The same on the TIN data object alone, when there is one.
StoredTINGeometry readStoredTINGeometry(std::span<const std::uint8_t> tinData, std::size_t index);

// A stored coordinate (user units over the drawing's second scale factor,
// as the plug-in writes them) in world units.
double worldOfStored(double stored, const UnitsRecord& units);

// The geometry a TIN keeps in the drawing: its vertices (world units) and
// its triangles as positions into them, in stored order.
struct StoredSurface {
  struct Point {
    double x = 0, y = 0, z = 0;
  };
  std::vector<Point> vertices;
  std::vector<std::array<std::int32_t, 3>> triangles;  // 0-based vertex positions
};

// The surface of the TIN at `index` (0-based, stored order) in world units
// of a drawing of `units`; empty for a
// TIN that keeps only its parameters.  Throws HostError when the data is
// damaged or a triangle names a vertex the TIN does not have.
StoredSurface readStoredSurface(const DataObjectBytes& dataObjects, std::size_t index, const UnitsRecord& units);

}  // namespace tinhost
