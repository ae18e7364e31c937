// What every use of GDAL in tinhost shares: the drivers registered once, and
// GDAL's own error printing kept off stderr while a call runs (tinhost says
// what failed in its own words, with GDAL's last message when it helps).
#pragma once

#include <string>

namespace tinhost::io {

void registerGdalDrivers();

class QuietGdal {
 public:
  QuietGdal();
  ~QuietGdal();
  QuietGdal(const QuietGdal&) = delete;
  QuietGdal& operator=(const QuietGdal&) = delete;
};

// " (GDAL's last message)", or empty when there is none.
std::string gdalReason();

}  // namespace tinhost::io
