// Writes the points of a drawing back out in real coordinates (through the
// drawing's origin), chosen by the output's extension:
//   .xyz  "x y z" per 3D locus
//   .csv  header x,y,z, one 3D locus per row
// Values carry as many decimals as the resolution holds, so an import at
// 1 mm comes back digit for digit.  The file is written beside the target and
// renamed over it when complete.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace tinhost {
class Host;
}

namespace tinhost::io {

struct ExportResult {
  std::size_t points = 0;
  std::size_t skipped = 0;  // objects the format cannot hold (polygons, text, ...)
};

// `layers` empty: every layer.  Throws FileError for an unknown extension or
// layer, or when the file cannot be written.
ExportResult exportDrawing(const Host& host, const std::filesystem::path& out, const std::vector<std::string>& layers);

}  // namespace tinhost::io
