#include "tinhost/io/LasCrs.h"

#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>

#include <cstdio>

#include "tinhost/file/FileError.h"
#include "tinhost/io/GdalSupport.h"

namespace tinhost::io {
namespace {

using file::FileError;

// TIFF field types.
constexpr std::uint16_t kAscii = 2, kShort = 3, kLong = 4, kDouble = 12;

struct TiffEntry {
  std::uint16_t tag, type;
  std::uint32_t count;
  std::vector<std::uint8_t> bytes;  // the value; stored inline when at most 4 bytes
};

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v)), out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, static_cast<std::uint16_t>(v)), put16(out, static_cast<std::uint16_t>(v >> 16));
}
std::vector<std::uint8_t> le16(std::uint16_t v) {
  std::vector<std::uint8_t> b;
  put16(b, v);
  return b;
}
std::vector<std::uint8_t> le32(std::uint32_t v) {
  std::vector<std::uint8_t> b;
  put32(b, v);
  return b;
}

// GDAL opens the bytes where they lie, as a file in memory, and forgets
// them on leaving.
class MemoryFile {
 public:
  explicit MemoryFile(std::vector<std::uint8_t>& bytes) {
    char name[64];
    std::snprintf(name, sizeof name, "/vsimem/tinhost-geokeys-%p.tif", static_cast<void*>(this));
    name_ = name;
    VSIFCloseL(VSIFileFromMemBuffer(name_.c_str(), bytes.data(), bytes.size(), FALSE));
  }
  ~MemoryFile() { VSIUnlink(name_.c_str()); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

CoordinateSystem fromGeoKeys(const std::vector<LasRecord>& records, const std::string& name) {
  std::vector<std::uint8_t> keys, doubles, ascii;
  for (const LasRecord& r : records) {
    if (r.recordId == kLasGeoKeyDirectory) keys = r.data;
    if (r.recordId == kLasGeoDoubleParams) doubles = r.data;
    if (r.recordId == kLasGeoAsciiParams) ascii = r.data;
  }
  std::vector<std::uint8_t> tiff = geoKeyTiff(keys, doubles, ascii);
  const MemoryFile file(tiff);
  registerGdalDrivers();
  QuietGdal quiet;
  const char* const drivers[] = {"GTiff", nullptr};
  GDALDataset* ds =
      GDALDataset::Open(file.name().c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, drivers);
  if (ds == nullptr) throw FileError(name + ": its GeoTIFF coordinate system keys cannot be read");
  const OGRSpatialReference* srs = ds->GetSpatialRef();
  std::optional<CoordinateSystem> crs;
  if (srs != nullptr && !srs->IsEmpty()) crs = CoordinateSystem::adopt(*srs);
  GDALClose(ds);
  if (!crs)
    throw FileError(name + ": its GeoTIFF keys describe no coordinate system GDAL can read");
  return *crs;
}

}  // namespace

std::vector<std::uint8_t> geoKeyTiff(const std::vector<std::uint8_t>& keys,
                                     const std::vector<std::uint8_t>& doubles,
                                     const std::vector<std::uint8_t>& ascii) {
  std::vector<std::uint8_t> text = ascii;
  if (!text.empty() && text.back() != 0) text.push_back(0);  // TIFF text ends with NUL
  std::vector<TiffEntry> entries = {
      {256, kShort, 1, le16(1)},  // one pixel wide
      {257, kShort, 1, le16(1)},  // and high
      {258, kShort, 1, le16(8)},  // 8 bits
      {259, kShort, 1, le16(1)},  // uncompressed
      {262, kShort, 1, le16(1)},  // black is zero
      {273, kLong, 1, {}},        // where the pixel lies: set below
      {277, kShort, 1, le16(1)},
      {278, kShort, 1, le16(1)},
      {279, kLong, 1, le32(1)},
      {34735,
       kShort,
       static_cast<std::uint32_t>(keys.size() / 2),
       {keys.begin(), keys.end() - (keys.size() % 2)}},
  };
  if (doubles.size() >= 8)
    entries.push_back(
        {34736,
         kDouble,
         static_cast<std::uint32_t>(doubles.size() / 8),
         {doubles.begin(), doubles.begin() + static_cast<std::ptrdiff_t>(doubles.size() / 8 * 8)}});
  if (!text.empty())
    entries.push_back({34737, kAscii, static_cast<std::uint32_t>(text.size()), text});

  const std::uint32_t ifdSize = static_cast<std::uint32_t>(2 + 12 * entries.size() + 4);
  std::uint32_t next = 8 + ifdSize;  // values that do not fit inline follow the directory
  const std::uint32_t pixelAt = next++;
  entries[5].bytes = le32(pixelAt);
  std::vector<std::uint8_t> out = {'I', 'I'};
  put16(out, 42);
  put32(out, 8);
  put16(out, static_cast<std::uint16_t>(entries.size()));
  std::vector<std::uint8_t> tail(1, 0);  // the pixel
  for (const TiffEntry& e : entries) {
    put16(out, e.tag), put16(out, e.type), put32(out, e.count);
    if (e.bytes.size() <= 4) {
      std::vector<std::uint8_t> inline4 = e.bytes;
      inline4.resize(4, 0);
      out.insert(out.end(), inline4.begin(), inline4.end());
    } else {
      if (next % 2 != 0) tail.push_back(0), ++next;  // values start on a word boundary
      put32(out, next);
      tail.insert(tail.end(), e.bytes.begin(), e.bytes.end());
      next += static_cast<std::uint32_t>(e.bytes.size());
    }
  }
  put32(out, 0);  // no further directory
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

std::optional<CoordinateSystem> lasCoordinateSystem(const LasHeader& header,
                                                    const std::vector<LasRecord>& records,
                                                    const std::string& name) {
  const LasRecord* wkt = nullptr;
  bool keys = false;
  for (const LasRecord& r : records) {
    if (r.recordId == kLasWkt && wkt == nullptr) wkt = &r;
    if (r.recordId == kLasGeoKeyDirectory) keys = true;
  }
  // With the WKT bit set the WKT is the file's system; otherwise the GeoTIFF
  // keys are, and a WKT record beside them is only a copy.
  if (wkt != nullptr && (header.crsIsWkt() || !keys)) {
    std::string text(wkt->data.begin(), wkt->data.end());
    text = text.substr(0, text.find('\0'));
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return std::nullopt;
    try {
      return CoordinateSystem::fromWkt(text);
    } catch (const FileError& e) {
      throw FileError(name + ": its WKT coordinate system record cannot be read: " + e.what());
    }
  }
  if (keys) return fromGeoKeys(records, name);
  return std::nullopt;
}

}  // namespace tinhost::io
