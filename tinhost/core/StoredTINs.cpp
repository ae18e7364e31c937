#include "tinhost/core/StoredTINs.h"

#include <cmath>

#include "tinhost/core/HostError.h"
#include "tinhost/core/X80.h"

namespace tinhost {
namespace {

constexpr std::size_t kHostPart = 22;
constexpr std::int32_t kFormatVersion = 2;
constexpr std::size_t kNameBytes = 22;
constexpr std::size_t kParamsEnd = 145;  // record version 2 and later
constexpr std::size_t kVertexBytes = 40, kHullBytes = 4, kTriangleBytes = 28;
constexpr std::size_t kBreaklineHead = 16, kBreaklineVertexBytes = 4;

// A cursor over the object that refuses to read past its end.
class Bytes {
 public:
  explicit Bytes(const std::vector<std::uint8_t>& b) : b_(b) {}

  void need(std::size_t at, std::size_t n) const {
    if (at > b_.size() || n > b_.size() - at)
      throw HostError("the TIN data of the drawing is damaged: it ends at byte " + std::to_string(b_.size()) +
                      ", inside a record that needs bytes up to " + std::to_string(at) + " + " + std::to_string(n));
  }
  std::uint8_t u8(std::size_t at) const {
    need(at, 1);
    return b_[at];
  }
  std::int16_t i16(std::size_t at) const {
    need(at, 2);
    return static_cast<std::int16_t>((b_[at] << 8) | b_[at + 1]);
  }
  std::int32_t i32(std::size_t at) const {
    need(at, 4);
    return static_cast<std::int32_t>((std::uint32_t{b_[at]} << 24) | (std::uint32_t{b_[at + 1]} << 16) |
                                     (std::uint32_t{b_[at + 2]} << 8) | b_[at + 3]);
  }
  // An 80-bit real, stored most significant byte first.
  double x80(std::size_t at) const {
    need(at, 10);
    std::uint8_t reversed[10];
    for (std::size_t k = 0; k < 10; ++k) reversed[k] = b_[at + 9 - k];
    return fromX80(reversed);
  }
  std::string name(std::size_t at) const {
    need(at, kNameBytes);
    const std::size_t length = b_[at];
    if (length >= kNameBytes) throw HostError("the TIN data of the drawing is damaged: a name of length " + std::to_string(length));
    return std::string(reinterpret_cast<const char*>(b_.data() + at + 1), length);
  }
  // Steps over a counted run of `size`-byte entries whose count is at `at`.
  std::size_t skipRun(std::size_t at, std::size_t size) const {
    const std::int32_t count = i32(at);
    if (count < 0) throw HostError("the TIN data of the drawing is damaged: a count of " + std::to_string(count));
    const std::size_t start = at + 4;
    if (static_cast<std::size_t>(count) > (b_.size() - start) / size) need(start, static_cast<std::size_t>(count) * size);
    return start + static_cast<std::size_t>(count) * size;
  }

 private:
  const std::vector<std::uint8_t>& b_;
};

// Where a record's runs of vertices and triangles begin (at their counts).
struct RecordRuns {
  std::size_t vertices = 0, triangles = 0;
};

// Reads the record at `at` into `tin`; returns where the next one begins.
std::size_t readRecord(const Bytes& in, std::size_t at, StoredTIN& tin, RecordRuns& runs) {
  const std::int16_t version = in.i16(at);
  tin.id = in.i32(at + 2);
  tin.innerId = in.i32(at + 6);
  tin.outerId = in.i32(at + 10);
  tin.name = in.name(at + 14);
  tin.layer2DName = in.name(at + 36);
  tin.layer3DName = in.name(at + 58);
  tin.difference = in.u8(at + 134) == 0;
  tin.datumElev = in.x80(at + 92);
  const std::size_t paramsEnd = kParamsEnd - (version >= 2 ? 0 : 1);
  tin.notResident = in.u8(at + paramsEnd - 2) != 0;
  std::size_t next = at + paramsEnd;
  runs.vertices = next;
  tin.vertexCount = in.i32(next);
  next = in.skipRun(next, kVertexBytes);
  next = in.skipRun(next, kHullBytes);
  runs.triangles = next;
  tin.triangleCount = in.i32(next);
  next = in.skipRun(next, kTriangleBytes);
  const std::int32_t breaklines = in.i32(next);
  if (breaklines < 0) throw HostError("the TIN data of the drawing is damaged: a count of " + std::to_string(breaklines));
  next += 4;
  for (std::int32_t k = 0; k < breaklines; ++k) {
    in.need(next, kBreaklineHead);
    next = in.skipRun(next + kBreaklineHead - 4, kBreaklineVertexBytes);
  }
  return next;
}

// Every record of the object, with where its runs are.
std::vector<StoredTIN> readAll(const std::vector<std::uint8_t>& bytes, std::vector<RecordRuns>& runs) {
  const Bytes in(bytes);
  if (const std::int32_t version = in.i32(kHostPart); version != kFormatVersion)
    throw HostError("the TIN data of the drawing has format version " + std::to_string(version) + ", not " +
                    std::to_string(kFormatVersion));
  const std::int32_t count = in.i32(kHostPart + 4);
  if (count < 0) throw HostError("the TIN data of the drawing is damaged: it counts " + std::to_string(count) + " TINs");
  std::size_t at = kHostPart + 8;
  in.need(at, static_cast<std::size_t>(count) * kNameBytes);  // the table of names, which the records repeat
  at += static_cast<std::size_t>(count) * kNameBytes;
  std::vector<StoredTIN> tins(static_cast<std::size_t>(count));
  runs.assign(tins.size(), RecordRuns{});
  for (std::size_t k = 0; k < tins.size(); ++k) at = readRecord(in, at, tins[k], runs[k]);
  if (at != bytes.size())
    throw HostError("the TIN data of the drawing is damaged: " + std::to_string(bytes.size() - at) +
                    " bytes follow its last TIN");
  return tins;
}

// The object's bytes, or null when it holds no TIN.
const std::vector<std::uint8_t>* tinData(const DataObjectBytes& dataObjects) {
  const auto it = dataObjects.find(kTINDataTag);
  if (it == dataObjects.end()) return nullptr;
  if (it->second.size() == kHostPart) return nullptr;  // made, never filled: what an early failed save leaves
  return &it->second;
}

}  // namespace

std::vector<StoredTIN> readStoredTINs(const DataObjectBytes& dataObjects) {
  const std::vector<std::uint8_t>* bytes = tinData(dataObjects);
  if (bytes == nullptr) return {};
  std::vector<RecordRuns> runs;
  return readAll(*bytes, runs);
}

double worldOfStored(double stored, const UnitsRecord& units) {
  return std::round(stored * units.worldPerUnit * units.scale);
}

StoredSurface readStoredSurface(const DataObjectBytes& dataObjects, std::size_t index, const UnitsRecord& units) {
  const std::vector<std::uint8_t>* bytes = tinData(dataObjects);
  std::vector<RecordRuns> runs;
  const std::vector<StoredTIN> tins = bytes == nullptr ? std::vector<StoredTIN>{} : readAll(*bytes, runs);
  if (index >= tins.size())
    throw HostError("the drawing stores " + std::to_string(tins.size()) + " TINs, not a TIN number " +
                    std::to_string(index + 1));
  const Bytes in(*bytes);
  const StoredTIN& tin = tins[index];
  StoredSurface s;
  s.vertices.resize(static_cast<std::size_t>(tin.vertexCount));
  for (std::size_t k = 0; k < s.vertices.size(); ++k) {
    const std::size_t at = runs[index].vertices + 4 + k * kVertexBytes;
    s.vertices[k] = {worldOfStored(in.x80(at + 4), units), worldOfStored(in.x80(at + 14), units),
                     worldOfStored(in.x80(at + 24), units)};
  }
  s.triangles.resize(static_cast<std::size_t>(tin.triangleCount));
  for (std::size_t k = 0; k < s.triangles.size(); ++k) {
    const std::size_t at = runs[index].triangles + 4 + k * kTriangleBytes;
    for (std::size_t c = 0; c < 3; ++c) {
      const std::int32_t id = in.i32(at + 16 + 4 * c);
      if (id < 1 || id > tin.vertexCount)
        throw HostError("the TIN data of the drawing is damaged: a triangle of TIN \"" + tin.name +
                        "\" names vertex " + std::to_string(id) + " of " + std::to_string(tin.vertexCount));
      s.triangles[k][c] = id - 1;
    }
  }
  return s;
}

}  // namespace tinhost
