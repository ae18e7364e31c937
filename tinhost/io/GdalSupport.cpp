#include "tinhost/io/GdalSupport.h"

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_api.h>

#include <mutex>

namespace tinhost::io {

void registerGdalDrivers() {
  static std::once_flag once;
  std::call_once(once, [] { GDALAllRegister(); });
}

QuietGdal::QuietGdal() {
  CPLPushErrorHandler(CPLQuietErrorHandler);
  CPLErrorReset();
}
QuietGdal::~QuietGdal() { CPLPopErrorHandler(); }

std::string gdalReason() {
  const char* msg = CPLGetLastErrorMsg();
  return msg != nullptr && *msg != '\0' ? std::string(" (") + msg + ")" : std::string();
}

}  // namespace tinhost::io
