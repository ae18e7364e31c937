// Drawings with stored TINs for the storage tests and the fuzzing seeds:
// managers and TINs made through the model, geometry placed by hand or built
// from real survey points, and the data object's bytes.  The caller has
// installed the host as the module's callback value.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/shell/Errors.h"
#include "tinhost/core/Host.h"

class TLandMgr;
class TTIN;

namespace storage_test {

constexpr std::uint32_t kTag = 0x57584230;  // "WXB0"
using Bytes = std::vector<std::uint8_t>;

struct XYZ {
  std::int32_t x, y, z;
};

// A triangulation by positions: vertices in rising z, triangles as three
// clockwise corner positions, hull and breaklines as vertex positions.
// Neighbours and vertex-to-triangle links are derived.
struct HandGeometry {
  std::vector<XYZ> vertices;
  std::vector<std::array<int, 3>> triangles;
  std::vector<int> hull;
  std::vector<std::vector<int>> breaklines;
};

// A manager with an empty registry; deleting it releases its TINs.
TLandMgr* NewManager(tinhost::Host& host);
// A new TIN with its builder, named `name` with layers `name`-2D and
// `name`-3D, appended to the registry.
TTIN* AddTIN(TLandMgr* mgr, const std::string& name, bool notResident);
void SetNames(TTIN* tin, const std::string& name);
void PlaceGeometry(TTIN* tin, const HandGeometry& g);
HandGeometry OneTriangle();        // three vertices, hull of three
HandGeometry SquareAroundCentre(); // five vertices, four triangles, two breaklines

Bytes StoredBytes(tinhost::Host& host);  // empty when there is no data object
void PutStoredBytes(tinhost::Host& host, const Bytes& bytes);
TErr Save(TLandMgr* mgr);  // the saving step of a command
// A fresh manager that has read the data object; *err gets the result.
TLandMgr* ReadBack(tinhost::Host& host, TErr* err);

// Four TINs saved into the data object: "Survey" resident, built from real
// survey points, with a closed and a level breakline; "Parcel" keeping only
// parameters; "Old" a version-1 record of the square; "Survey-diff" a
// difference TIN of "Old" (first base) and "Survey".  Their layers exist.
TErr MakeSampleDrawing(tinhost::Host& host);

std::int32_t BE32(const Bytes& b, std::size_t at);
std::int16_t BE16(const Bytes& b, std::size_t at);
void PutBE32(Bytes& b, std::size_t at, std::int32_t value);

}  // namespace storage_test
