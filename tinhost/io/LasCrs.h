// The coordinate system a LAS file declares: WKT (record 2112, the rule for
// 1.4 files with the WKT bit set) or GeoTIFF keys (records 34735-34737).
// GeoTIFF keys are handed to GDAL's GeoTIFF reader inside a one-pixel TIFF
// made in memory, so every key GeoTIFF defines (user-defined projections,
// units, vertical systems) is understood exactly as GDAL understands a
// GeoTIFF's; tinhost interprets no key itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tinhost/io/CoordinateSystem.h"
#include "tinhost/io/LasFile.h"

namespace tinhost::io {

// Nothing when the file declares none.  Throws FileError (naming `name`)
// when it declares one that cannot be read.
std::optional<CoordinateSystem> lasCoordinateSystem(const LasHeader& header,
                                                    const std::vector<LasRecord>& records,
                                                    const std::string& name);

// A one-pixel little-endian TIFF carrying GeoTIFF keys, doubles and text
// (the three may be empty but the keys).
std::vector<std::uint8_t> geoKeyTiff(const std::vector<std::uint8_t>& keys,
                                     const std::vector<std::uint8_t>& doubles,
                                     const std::vector<std::uint8_t>& ascii);

}  // namespace tinhost::io
