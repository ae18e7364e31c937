// How a file's coordinate system meets the drawing's, for an import:
//   * the drawing has one: the file's horizontal system must be the same (and
//     its vertical one, when both have one), or nothing is imported;
//   * the drawing has none: the file's becomes the drawing's, provided the
//     drawing's unit is the file's (a drawing in metres does not silently
//     become one in feet), or the drawing is still empty and only the kind of
//     foot differs;
//   * the file has none: its numbers are taken as the drawing's units.
// Coordinates are then scaled from the file's units to the drawing's: x and y
// by the horizontal unit, z by the vertical unit (which may differ: metres
// east and north with heights in US survey feet).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tinhost/io/CoordinateSystem.h"

namespace tinhost {
class Host;
}

namespace tinhost::io {

struct CrsMatch {
  double horizontal = 1.0;           // file unit -> drawing unit, for x and y
  double vertical = 1.0;             // the same for z
  std::optional<std::string> adopt;  // WKT to make the drawing's once the import succeeded
  double drawingMetres = 1.0;        // the drawing's unit in metres once the import is done
  std::vector<std::string> notes;
};

// Throws FileError (naming `name`) when the two disagree or the file's
// system cannot hold a drawing (longitude and latitude).
CrsMatch matchFileCrs(const Host& host, const std::optional<CoordinateSystem>& file,
                      const std::string& name);

}  // namespace tinhost::io
