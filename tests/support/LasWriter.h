// A small LAS writer for tests and benchmarks: uncompressed LAS 1.2 (point
// formats 0-5) or 1.4 (formats 6-10), one of the records' fields set from
// each point (position, return number and count, class, withheld flag), the
// rest zero.  The coordinate system goes in as GeoTIFF keys (a projected EPSG
// code) or as WKT.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tinhost::testing {

struct LasTestPoint {
  double x = 0, y = 0, z = 0;
  std::uint8_t returnNumber = 1, returnCount = 1;
  std::uint8_t classification = 2;
  bool withheld = false;
};

struct LasTestFile {
  int format = 1;
  double scale[3] = {0.001, 0.001, 0.001};
  double offset[3] = {0, 0, 0};
  int epsg = 0;     // GeoTIFF keys of a projected system in metres; 0: none
  std::string wkt;  // a WKT record (and, for 1.4, the WKT bit); empty: none
  std::vector<LasTestPoint> points;
};

namespace las_detail {

inline void put(std::vector<std::uint8_t>& b, std::size_t at, const void* v, std::size_t n) {
  if (b.size() < at + n) b.resize(at + n);
  std::memcpy(b.data() + at, v, n);  // the test machines are little-endian, as LAS is
}
template <class T>
void put(std::vector<std::uint8_t>& b, std::size_t at, T v) {
  put(b, at, &v, sizeof v);
}
inline void append(std::vector<std::uint8_t>& b, const std::vector<std::uint8_t>& more) {
  b.insert(b.end(), more.begin(), more.end());
}

inline std::vector<std::uint8_t> vlr(std::uint16_t id, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> r(54, 0);
  std::memcpy(r.data() + 2, "LASF_Projection", 15);
  put(r, 18, id);
  put(r, 20, static_cast<std::uint16_t>(data.size()));
  append(r, data);
  return r;
}

inline std::size_t recordLength(int format) {
  static constexpr std::size_t kLengths[] = {20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67};
  return kLengths[format];
}

}  // namespace las_detail

// The bytes of the file.
inline std::vector<std::uint8_t> lasBytes(const LasTestFile& f) {
  using namespace las_detail;
  const bool v14 = f.format >= 6;
  const std::size_t headerSize = v14 ? 375 : 227;
  std::vector<std::uint8_t> vlrs;
  int vlrCount = 0;
  if (f.epsg != 0) {
    const std::uint16_t keys[] = {1,    1, 0, 4,   1024, 0, 1, 1,
                                  1025, 0, 1, 1,   3072, 0, 1, static_cast<std::uint16_t>(f.epsg),
                                  3076, 0, 1, 9001};
    std::vector<std::uint8_t> data(sizeof keys);
    std::memcpy(data.data(), keys, sizeof keys);
    append(vlrs, vlr(34735, data)), ++vlrCount;
  }
  if (!f.wkt.empty()) {
    std::vector<std::uint8_t> data(f.wkt.begin(), f.wkt.end());
    data.push_back(0);
    append(vlrs, vlr(2112, data)), ++vlrCount;
  }
  const std::size_t length = recordLength(f.format);
  std::vector<std::uint8_t> b(headerSize, 0);
  std::memcpy(b.data(), "LASF", 4);
  put(b, 6, static_cast<std::uint16_t>(v14 && !f.wkt.empty() ? 0x10 : 0));
  b[24] = 1, b[25] = v14 ? 4 : 2;
  put(b, 94, static_cast<std::uint16_t>(headerSize));
  put(b, 96, static_cast<std::uint32_t>(headerSize + vlrs.size()));
  put(b, 100, static_cast<std::uint32_t>(vlrCount));
  b[104] = static_cast<std::uint8_t>(f.format);
  put(b, 105, static_cast<std::uint16_t>(length));
  put(b, 107, static_cast<std::uint32_t>(v14 ? 0 : f.points.size()));
  for (int k = 0; k < 3; ++k) put(b, 131 + 8 * static_cast<std::size_t>(k), f.scale[k]);
  for (int k = 0; k < 3; ++k) put(b, 155 + 8 * static_cast<std::size_t>(k), f.offset[k]);
  if (v14) put(b, 247, static_cast<std::uint64_t>(f.points.size()));
  append(b, vlrs);
  for (const LasTestPoint& p : f.points) {
    std::vector<std::uint8_t> r(length, 0);
    const double xyz[3] = {p.x, p.y, p.z};
    for (int k = 0; k < 3; ++k)
      put(r, 4 * static_cast<std::size_t>(k),
          static_cast<std::int32_t>(std::llround((xyz[k] - f.offset[k]) / f.scale[k])));
    if (f.format < 6) {
      r[14] = static_cast<std::uint8_t>((p.returnNumber & 7) | (p.returnCount & 7) << 3);
      r[15] = static_cast<std::uint8_t>((p.classification & 31) | (p.withheld ? 0x80 : 0));
    } else {
      r[14] = static_cast<std::uint8_t>((p.returnNumber & 15) | (p.returnCount & 15) << 4);
      r[15] = p.withheld ? 0x04 : 0;
      r[16] = p.classification;
    }
    append(b, r);
  }
  return b;
}

inline void writeLas(const std::filesystem::path& path, const LasTestFile& f) {
  const std::vector<std::uint8_t> bytes = lasBytes(f);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tinhost::testing
