// Drawings with stored TINs for the storage tests and the fuzzing seeds:
// managers and TINs made through the model, geometry placed by hand or built
// from real survey points, and the data object's bytes.
//
// The caller has installed the host as the module's callback value
// (gKVCallback = host.callbacks()).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Host.h"
#include "shell/Errors.h"

class TLandMgr;
class TTIN;

namespace storage_test {

constexpr std::uint32_t kTag = 0x57584230;  // "WXB0"

struct XYZ {
  std::int32_t x, y, z;
};

// A triangulation given by positions: vertices in rising z, triangles as
// three clockwise corner positions, the hull and the breaklines as vertex
// positions.  Neighbours and vertex-to-triangle links are derived.
struct HandGeometry {
  std::vector<XYZ> vertices;
  std::vector<std::array<int, 3>> triangles;
  std::vector<int> hull;
  std::vector<std::vector<int>> breaklines;
};

// A manager with an empty registry; delete it to release everything in it.
TLandMgr* NewManager(tinhost::Host& host);
// A TIN initialised as a new one, with the builder, named `name` (layers
// `name`-2D and `name`-3D), appended to the registry.
TTIN* AddTIN(TLandMgr* mgr, const std::string& name, bool notResident);
void PlaceGeometry(TTIN* tin, const HandGeometry& g);
// Loci on a layer named after the TIN, then the triangulation driver.
TErr BuildFromPoints(tinhost::Host& host, TTIN* tin, const std::vector<XYZ>& pts);
// x, y, z rows of a file of the shared data folder, times 10^digits.
std::vector<XYZ> ReadPoints(const std::string& relPath, int digits);

// One triangle on three vertices with a hull of three.
HandGeometry OneTriangle();
// A square around its centre: five vertices, four triangles.
HandGeometry SquareAroundCentre();

// The data object's bytes (empty when there is none), and their replacement.
std::vector<std::uint8_t> StoredBytes(tinhost::Host& host);
void PutStoredBytes(tinhost::Host& host, const std::vector<std::uint8_t>& bytes);
// The saving step of a command for `mgr`'s registry.
TErr Save(TLandMgr* mgr);
// A fresh manager that has read the data object (null when there is none to
// read); *err gets the reader's result.  Delete the manager afterwards.
TLandMgr* ReadBack(tinhost::Host& host, TErr* err);

// A drawing of four TINs, saved into the data object: "Survey" resident, built
// from real points, with two breaklines; "Parcel" keeping only parameters;
// "Old" a version-1 record with a square; "Survey-diff" a difference TIN of
// "Old" (first base) and "Survey" (second base).  Layers of the four names
// exist.  Returns the writer's result.
TErr MakeSampleDrawing(tinhost::Host& host);

// Big-endian fields of stored bytes.
std::int32_t BE32(const std::vector<std::uint8_t>& b, std::size_t at);
std::int16_t BE16(const std::vector<std::uint8_t>& b, std::size_t at);
void PutBE32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t value);

}  // namespace storage_test
