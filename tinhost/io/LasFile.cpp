#include "tinhost/io/LasFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "tinhost/file/FileError.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::io {
namespace {

using file::FileError;

// Header sizes each version defines (a file may declare a longer header).
std::uint16_t versionHeaderSize(int minor) { return minor <= 2 ? 227 : minor == 3 ? 235 : 375; }

constexpr std::size_t kVlrHead = 54;
constexpr std::size_t kEvlrHead = 60;
// Raw bytes read per batch: large enough for few reads, small enough to stay in cache.
constexpr std::size_t kBatchBytes = 1 << 20;
// A coordinate system record larger than this is not one.
constexpr std::uint64_t kMaxCrsRecord = 1 << 20;

// Little-endian fields, whatever the machine's order.
std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t u32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::uint64_t u64(const std::uint8_t* p) {
  return std::uint64_t{u32(p)} | std::uint64_t{u32(p + 4)} << 32;
}
std::int32_t i32(const std::uint8_t* p) { return static_cast<std::int32_t>(u32(p)); }
double f64(const std::uint8_t* p) { return std::bit_cast<double>(u64(p)); }

std::string fixedText(const std::uint8_t* p, std::size_t n) {
  std::size_t len = 0;
  while (len < n && p[len] != 0) ++len;
  return std::string(reinterpret_cast<const char*>(p), len);
}

}  // namespace

std::size_t lasMinimumRecordLength(int format) {
  static constexpr std::size_t kLengths[] = {20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67};
  return format >= 0 && format <= 10 ? kLengths[format] : 0;
}

LasPoint decodeLasPoint(const std::uint8_t* r, int format) {
  LasPoint p;
  p.x = i32(r), p.y = i32(r + 4), p.z = i32(r + 8);
  if (format < 6) {
    // Byte 14: return number (bits 0-2), number of returns (3-5).  Byte 15:
    // class (bits 0-4), synthetic, key-point, withheld (bit 7).
    p.returnNumber = r[14] & 0x07;
    p.returnCount = (r[14] >> 3) & 0x07;
    p.classification = r[15] & 0x1F;
    p.withheld = (r[15] & 0x80) != 0;
  } else {
    // Byte 14: return number (bits 0-3), number of returns (4-7).  Byte 15:
    // synthetic, key-point, withheld (bit 2), overlap, channel, flags.
    // Byte 16: the class.
    p.returnNumber = r[14] & 0x0F;
    p.returnCount = r[14] >> 4;
    p.withheld = (r[15] & 0x04) != 0;
    p.classification = r[16];
  }
  return p;
}

std::string lasCompressedMessage(const std::string& name) {
  return name +
         ": this is a compressed LAS file (LAZ); tinhost reads uncompressed LAS only, and no "
         "library on this "
         "system decompresses LAZ. Decompress it to .las first with a LAZ tool (e.g. `laszip -i " +
         name + " -o tile.las`) and import that";
}

LasReader::LasReader(const std::filesystem::path& path) : name_(path.string()) {
  if (lower(path.extension().string()) == ".laz") throw FileError(lasCompressedMessage(name_));
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) throw FileError(name_ + ": cannot read it (" + ec.message() + ")");
  in_.open(path, std::ios::binary);
  if (!in_) throw FileError(name_ + ": cannot open it");
  readHeader(size);
  readRecords(size);
  rewind();
}

void LasReader::fail(const std::string& why) const { throw FileError(name_ + ": " + why); }

void LasReader::readHeader(std::uintmax_t fileSize) {
  std::array<std::uint8_t, 375> h{};
  in_.read(reinterpret_cast<char*>(h.data()),
           static_cast<std::streamsize>(std::min<std::uintmax_t>(h.size(), fileSize)));
  const auto got = static_cast<std::size_t>(in_.gcount());
  if (got < 4 || std::memcmp(h.data(), "LASF", 4) != 0)
    fail("not a LAS file (it does not start with \"LASF\")");
  if (got < 227)
    fail("the file is truncated: it ends inside the LAS header (" + std::to_string(got) +
         " bytes)");
  LasHeader& hd = header_;
  hd.versionMajor = h[24], hd.versionMinor = h[25];
  if (hd.versionMajor != 1 || hd.versionMinor > 4)
    fail("LAS version " + std::to_string(hd.versionMajor) + "." + std::to_string(hd.versionMinor) +
         " is not read (tinhost reads LAS 1.0 to 1.4)");
  hd.globalEncoding = u16(h.data() + 6);
  hd.headerSize = u16(h.data() + 94);
  hd.pointOffset = u32(h.data() + 96);
  hd.vlrCount = u32(h.data() + 100);
  const std::uint8_t formatByte = h[104];
  hd.recordLength = u16(h.data() + 105);
  hd.pointCount = u32(h.data() + 107);
  for (int k = 0; k < 3; ++k) {
    hd.scale[k] = f64(h.data() + 131 + 8 * k);
    hd.offset[k] = f64(h.data() + 155 + 8 * k);
  }
  const std::uint16_t expected = versionHeaderSize(hd.versionMinor);
  if (hd.headerSize < expected)
    fail("the header is " + std::to_string(hd.headerSize) + " bytes, shorter than LAS 1." +
         std::to_string(hd.versionMinor) + "'s " + std::to_string(expected));
  if (got < expected) fail("the file is truncated: it ends inside the LAS header");
  if (hd.versionMinor >= 4) {
    hd.evlrOffset = u64(h.data() + 235);
    hd.evlrCount = u32(h.data() + 243);
    const std::uint64_t count64 = u64(h.data() + 247);
    if (count64 != 0 || hd.pointCount == 0) hd.pointCount = count64;
  }
  // The two high bits of the format byte mark compressed points.
  if ((formatByte & 0xC0) != 0) throw FileError(lasCompressedMessage(name_));
  hd.pointFormat = formatByte;
  const std::size_t minimum = lasMinimumRecordLength(hd.pointFormat);
  if (minimum == 0)
    fail("unknown point data format " + std::to_string(hd.pointFormat) +
         " (LAS defines formats 0 to 10)");
  if (hd.recordLength < minimum)
    fail("point format " + std::to_string(hd.pointFormat) + " needs records of at least " +
         std::to_string(minimum) + " bytes, but the header says " +
         std::to_string(hd.recordLength));
  for (int k = 0; k < 3; ++k)
    if (!std::isfinite(hd.scale[k]) || hd.scale[k] == 0.0 || !std::isfinite(hd.offset[k]))
      fail(std::string("the header's ") + "xyz"[k] + " scale or offset is not a usable number");
  if (hd.pointOffset < hd.headerSize) fail("the points would start inside the header");
  const std::uint64_t bytes = static_cast<std::uint64_t>(fileSize);
  if (hd.pointOffset > bytes)
    fail("the header puts the points at byte " + thousands(hd.pointOffset) +
         ", past the end of the file (" + thousands(bytes) + " bytes): it is truncated or damaged");
  if (std::uint64_t{hd.vlrCount} * kVlrHead > hd.pointOffset - hd.headerSize)
    fail("the header declares " + thousands(hd.vlrCount) +
         " variable-length records, more than fit between the header and the points");
  const std::uint64_t room =
      bytes > hd.pointOffset ? (bytes - hd.pointOffset) / hd.recordLength : 0;
  if (hd.pointCount > room)
    fail("the header declares " + thousands(hd.pointCount) + " point records of " +
         std::to_string(hd.recordLength) + " bytes from byte " + thousands(hd.pointOffset) +
         ", but the file holds only " + thousands(room) +
         ": it is truncated or its point count is wrong");
}

void LasReader::readRecords(std::uintmax_t fileSize) {
  const std::uint64_t bytes = static_cast<std::uint64_t>(fileSize);
  auto keep = [&](const std::string& user, std::uint16_t id, std::uint64_t length,
                  std::uint64_t at) {
    if (user == "laszip encoded") throw FileError(lasCompressedMessage(name_));
    if (user != "LASF_Projection" || (id != kLasGeoKeyDirectory && id != kLasGeoDoubleParams &&
                                      id != kLasGeoAsciiParams && id != kLasWkt))
      return;
    if (length > kMaxCrsRecord)
      fail("a coordinate system record of " + thousands(length) + " bytes is not credible");
    LasRecord r;
    r.recordId = id;
    r.data.resize(static_cast<std::size_t>(length));
    in_.seekg(static_cast<std::streamoff>(at));
    in_.read(reinterpret_cast<char*>(r.data.data()), static_cast<std::streamsize>(length));
    if (static_cast<std::uint64_t>(in_.gcount()) != length)
      fail("the file is truncated inside a variable-length record");
    crsRecords_.push_back(std::move(r));
  };

  std::uint64_t at = header_.headerSize;
  std::array<std::uint8_t, kEvlrHead> head{};
  for (std::uint32_t i = 0; i < header_.vlrCount; ++i) {
    if (at + kVlrHead > header_.pointOffset)
      fail("variable-length record " + std::to_string(i + 1) + " of " +
           std::to_string(header_.vlrCount) + " runs into the point records");
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(at));
    in_.read(reinterpret_cast<char*>(head.data()), kVlrHead);
    if (in_.gcount() != static_cast<std::streamsize>(kVlrHead))
      fail("the file is truncated inside its records");
    const std::uint16_t length = u16(head.data() + 20);
    if (at + kVlrHead + length > header_.pointOffset)
      fail("variable-length record " + std::to_string(i + 1) + " runs into the point records");
    keep(fixedText(head.data() + 2, 16), u16(head.data() + 18), length, at + kVlrHead);
    at += kVlrHead + length;
  }
  if (header_.evlrCount == 0 || header_.evlrOffset == 0) return;
  at = header_.evlrOffset;
  for (std::uint32_t i = 0; i < header_.evlrCount; ++i) {
    if (at + kEvlrHead > bytes)
      fail("the file is truncated: an extended variable-length record is missing");
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(at));
    in_.read(reinterpret_cast<char*>(head.data()), kEvlrHead);
    if (in_.gcount() != static_cast<std::streamsize>(kEvlrHead))
      fail("the file is truncated inside its records");
    const std::uint64_t length = u64(head.data() + 20);
    if (length > bytes - at - kEvlrHead)
      fail("the file is truncated inside an extended variable-length record");
    keep(fixedText(head.data() + 2, 16), u16(head.data() + 18), length, at + kEvlrHead);
    at += kEvlrHead + length;
  }
}

void LasReader::rewind() {
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(header_.pointOffset));
  done_ = 0;
}

std::size_t LasReader::next(std::vector<LasPoint>& batch) {
  const std::size_t length = header_.recordLength;
  const std::size_t wanted =
      std::max<std::size_t>(1, std::min(batch.capacity(), kBatchBytes / length));
  const auto n =
      static_cast<std::size_t>(std::min<std::uint64_t>(wanted, header_.pointCount - done_));
  batch.clear();
  if (n == 0) return 0;
  raw_.resize(n * length);
  in_.read(reinterpret_cast<char*>(raw_.data()), static_cast<std::streamsize>(raw_.size()));
  // The size was checked on opening: a short read means the file changed since.
  if (static_cast<std::size_t>(in_.gcount()) != raw_.size())
    fail("the file ended after point " +
         thousands(done_ + static_cast<std::uint64_t>(in_.gcount()) / length) + " of " +
         thousands(header_.pointCount) + " (did it change while it was read?)");
  for (std::size_t i = 0; i < n; ++i)
    batch.push_back(decodeLasPoint(raw_.data() + i * length, header_.pointFormat));
  done_ += n;
  return n;
}


std::string thousands(std::uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace tinhost::io
