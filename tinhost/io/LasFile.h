// Reader of LAS point cloud files: versions 1.0 to 1.4, point data record
// formats 0 to 10, uncompressed.
//
//   header            "LASF", version, header size, offset to the points,
//                     variable-length record count, point format and record
//                     length, point count (32-bit, and 64-bit from 1.4),
//                     scale and offset of x, y and z
//   variable-length   after the header: 54-byte heads and their data; the
//   records           coordinate system lives here (user "LASF_Projection":
//                     GeoTIFF keys 34735/34736/34737, or WKT 2112)
//   point records     fixed-length records from the point offset; x, y and z
//                     as 32-bit integers, real = integer * scale + offset
//   extended records  (1.4) after the points: 60-byte heads, 64-bit lengths
//
// The points are streamed: a batch of raw records at a time is read and
// decoded, never the whole cloud.  Everything the header promises is checked
// when the file is opened (the points lie inside the file, the format is known,
// the record is long enough for it), so a bad file is refused before a single
// point is used.  Compressed files (LAZ) are refused with a message that says
// how to decompress them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tinhost::io {

struct LasHeader {
  int versionMajor = 1, versionMinor = 0;
  std::uint16_t globalEncoding = 0;
  std::uint16_t headerSize = 0;
  std::uint32_t pointOffset = 0;
  std::uint32_t vlrCount = 0;
  int pointFormat = 0;
  std::uint16_t recordLength = 0;
  std::uint64_t pointCount = 0;
  std::array<double, 3> scale{1, 1, 1}, offset{0, 0, 0};
  std::uint64_t evlrOffset = 0;  // 1.4: the first extended record, 0 when none
  std::uint32_t evlrCount = 0;

  // Bit 4 of the global encoding: the coordinate system is WKT, not GeoTIFF keys.
  bool crsIsWkt() const { return (globalEncoding & 0x10) != 0; }
  // Formats 6 to 10 (1.4) carry 4-bit return numbers and 8-bit classes.
  bool extendedPoints() const { return pointFormat >= 6; }
};

// A variable-length record the reader keeps: those of the coordinate system.
struct LasRecord {
  std::uint16_t recordId = 0;
  std::vector<std::uint8_t> data;
};

// One point as the record holds it.
struct LasPoint {
  std::int32_t x = 0, y = 0, z = 0;  // before scale and offset
  std::uint8_t returnNumber = 0, returnCount = 0;
  std::uint8_t classification = 0;
  bool withheld = false;  // flagged as deleted by the producer
};

// Record ids of the coordinate system under the user "LASF_Projection".
inline constexpr std::uint16_t kLasGeoKeyDirectory = 34735;
inline constexpr std::uint16_t kLasGeoDoubleParams = 34736;
inline constexpr std::uint16_t kLasGeoAsciiParams = 34737;
inline constexpr std::uint16_t kLasWkt = 2112;

// The shortest record of each point format (0..10); 0 for a format LAS does not define.
std::size_t lasMinimumRecordLength(int format);
// Decodes one record of `format` (its length checked when the file was opened).
LasPoint decodeLasPoint(const std::uint8_t* record, int format);

class LasReader {
 public:
  // Opens and checks the file; throws FileError naming the file and what is
  // wrong with it (not LAS, LAZ, truncated, unknown format, ...).
  explicit LasReader(const std::filesystem::path& path);

  const LasHeader& header() const { return header_; }
  // The coordinate system's records (GeoTIFF keys, WKT), in file order.
  const std::vector<LasRecord>& crsRecords() const { return crsRecords_; }

  // Decodes up to `batch.capacity()` (at least one) of the next points into
  // `batch`, replacing what it held; returns how many, 0 at the end.
  std::size_t next(std::vector<LasPoint>& batch);
  // Back to the first point.
  void rewind();
  std::uint64_t pointsRead() const { return done_; }

  double realX(std::int32_t x) const { return x * header_.scale[0] + header_.offset[0]; }
  double realY(std::int32_t y) const { return y * header_.scale[1] + header_.offset[1]; }
  double realZ(std::int32_t z) const { return z * header_.scale[2] + header_.offset[2]; }

 private:
  void readHeader(std::uintmax_t fileSize);
  void readRecords(std::uintmax_t fileSize);
  [[noreturn]] void fail(const std::string& why) const;

  std::string name_;
  std::ifstream in_;
  LasHeader header_;
  std::vector<LasRecord> crsRecords_;
  std::vector<std::uint8_t> raw_;  // one batch of raw records
  std::uint64_t done_ = 0;
};

// The message for a compressed file, which tinhost does not read.
std::string lasCompressedMessage(const std::string& name);

// n with a comma between each group of three digits (38,367), for messages.
std::string thousands(std::uint64_t n);

}  // namespace tinhost::io
