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
constexpr std::size_t kRealBytes = 10;
constexpr std::int32_t kNoObjectId = -1;

// A stored real: the 80-bit extended real with its ten bytes in reverse
// (big-endian) order.
double storedReal(const std::uint8_t* p) {
  std::uint64_t significand = 0;
  for (std::size_t k = 2; k < kRealBytes; ++k) significand = significand << 8 | p[k];
  return fromX80(static_cast<std::uint16_t>(p[0] << 8 | p[1]), significand);
}

[[noreturn]] void damaged(const std::string& what) {
  throw HostError("the TIN data of the drawing is damaged: " + what);
}

// A cursor over the object that refuses to read past its end.
class Bytes {
 public:
  explicit Bytes(std::span<const std::uint8_t> b) : b_(b) {}

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
  double real(std::size_t at) const {
    need(at, kRealBytes);
    return storedReal(b_.data() + at);
  }
  const std::uint8_t* data() const { return b_.data(); }
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
  std::span<const std::uint8_t> b_;
};

std::int32_t beI32(const std::uint8_t* p) {
  return static_cast<std::int32_t>((std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                   (std::uint32_t{p[2]} << 8) | p[3]);
}

// The parameter record of the TIN record at `at`.
StoredTINParams readParams(const Bytes& in, std::size_t at, std::int16_t version) {
  StoredTINParams p;
  p.contourInterval = in.real(at + 80);
  p.indexContourEvery = in.i16(at + 90);
  p.datumElev = in.real(at + 92);
  p.contourBaseElev = in.real(at + 102);
  p.lowContourElev = in.real(at + 112);
  p.highContourElev = in.real(at + 122);
  p.cntr2DVtxKind = in.i16(at + 132);
  std::size_t flag = at + 134;
  auto next = [&in, &flag] { return in.u8(flag++) != 0; };
  p.normalTIN = next(), p.want2DCntr = next(), p.want3DTris = next(), p.want2DTris = next();
  p.want3DCntr = next(), p.labelCntrs = next();
  if (version >= 2) p.wantHull = next();
  p.makeGroups = next(), p.useBrklns = next(), p.notResident = next();
  return p;
}

// A stored vertex number (1 .. count) as a position; -1 for none when allowed.
std::int32_t vertexIndex(std::int32_t id, std::size_t count, bool noneAllowed) {
  if (id == kNoObjectId && noneAllowed) return -1;
  if (id < 1 || static_cast<std::size_t>(id) > count)
    damaged("a reference to vertex " + std::to_string(id) + " of " + std::to_string(count));
  return id - 1;
}

// The vertex run at `at` into g.xyz; returns where the run ends.
std::size_t readVertices(const Bytes& in, std::size_t at, StoredTINGeometry& g) {
  const std::size_t end = in.skipRun(at, kVertexBytes);
  const std::size_t count = (end - at - 4) / kVertexBytes;
  g.xyz.resize(count * 3);
  const std::uint8_t* p = in.data() + at + 4;
  for (std::size_t k = 0; k < count; ++k, p += kVertexBytes) {
    if (beI32(p) != static_cast<std::int32_t>(k + 1))
      damaged("vertex " + std::to_string(k + 1) + " is numbered " + std::to_string(beI32(p)));
    g.xyz[3 * k] = storedReal(p + 4);
    g.xyz[3 * k + 1] = storedReal(p + 14);
    g.xyz[3 * k + 2] = storedReal(p + 24);
  }
  return end;
}

// The hull, triangle and breakline runs from `at`; returns where they end.
std::size_t readRuns(const Bytes& in, std::size_t at, StoredTINGeometry& g) {
  const std::size_t n = g.xyz.size() / 3;
  std::size_t end = in.skipRun(at, kHullBytes);
  for (std::size_t q = at + 4; q < end; q += kHullBytes) g.hull.push_back(vertexIndex(in.i32(q), n, false));
  at = end;
  end = in.skipRun(at, kTriangleBytes);
  g.triangles.resize((end - at - 4) / kTriangleBytes * 3);
  std::int32_t* corner = g.triangles.data();
  for (const std::uint8_t* p = in.data() + at + 4; p < in.data() + end; p += kTriangleBytes)
    for (int c = 0; c < 3; ++c) *corner++ = vertexIndex(beI32(p + 16 + 4 * c), n, false);
  at = end;
  const std::int32_t breaklines = in.i32(at);
  if (breaklines < 0) damaged("a count of " + std::to_string(breaklines));
  at += 4;
  for (std::int32_t k = 0; k < breaklines; ++k) {
    StoredBreakline b;
    b.closed = in.u8(at) != 0;
    b.level = in.u8(at + 1) != 0;
    b.levelElev = in.real(at + 2);
    end = in.skipRun(at + kBreaklineHead - 4, kBreaklineVertexBytes);
    for (std::size_t q = at + kBreaklineHead; q < end; q += kBreaklineVertexBytes)
      b.vertices.push_back(vertexIndex(in.i32(q), n, false));
    g.breaklines.push_back(std::move(b));
    at = end;
  }
  return at;
}

// Reads the record at `at` into `tin`; returns where the next one begins.
std::size_t readRecord(const Bytes& in, std::size_t at, StoredTIN& tin) {
  const std::int16_t version = in.i16(at);
  tin.id = in.i32(at + 2);
  tin.innerId = in.i32(at + 6);
  tin.outerId = in.i32(at + 10);
  tin.name = in.name(at + 14);
  tin.layer2DName = in.name(at + 36);
  tin.layer3DName = in.name(at + 58);
  tin.difference = in.u8(at + 134) == 0;
  tin.datumElev = in.real(at + 92);
  const std::size_t paramsEnd = kParamsEnd - (version >= 2 ? 0 : 1);
  tin.notResident = in.u8(at + paramsEnd - 2) != 0;
  std::size_t next = at + paramsEnd;
  tin.vertexCount = in.i32(next);
  next = in.skipRun(next, kVertexBytes);
  next = in.skipRun(next, kHullBytes);
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

}  // namespace

namespace {

// True when the object holds TINs: a made, never filled object is what an
// early failed save leaves.
bool holdsTINs(std::span<const std::uint8_t> tinData) { return tinData.size() != kHostPart; }

// The number of TINs; `at` becomes where the first record begins.
std::int32_t readHead(const Bytes& in, std::size_t& at) {
  if (const std::int32_t version = in.i32(kHostPart); version != kFormatVersion)
    throw HostError("the TIN data of the drawing has format version " + std::to_string(version) + ", not " +
                    std::to_string(kFormatVersion));
  const std::int32_t count = in.i32(kHostPart + 4);
  if (count < 0) throw HostError("the TIN data of the drawing is damaged: it counts " + std::to_string(count) + " TINs");
  at = kHostPart + 8;
  in.need(at, static_cast<std::size_t>(count) * kNameBytes);  // the table of names, which the records repeat
  at += static_cast<std::size_t>(count) * kNameBytes;
  return count;
}

}  // namespace

StoredTINGeometry readStoredTINGeometry(const DataObjectBytes& dataObjects, std::size_t index) {
  const auto it = dataObjects.find(kTINDataTag);
  if (it == dataObjects.end()) throw HostError("the drawing holds no TINs");
  return readStoredTINGeometry(it->second, index);
}

std::vector<StoredTIN> readStoredTINs(const DataObjectBytes& dataObjects) {
  const auto it = dataObjects.find(kTINDataTag);
  return it == dataObjects.end() ? std::vector<StoredTIN>{} : readStoredTINsFrom(it->second);
}

StoredTINGeometry readStoredTINGeometry(std::span<const std::uint8_t> tinData, std::size_t index) {
  if (!holdsTINs(tinData)) throw HostError("the drawing holds no TINs");
  const Bytes in(tinData);
  std::size_t at = 0;
  const std::int32_t count = readHead(in, at);
  if (index >= static_cast<std::size_t>(count))
    throw HostError("the drawing holds " + std::to_string(count) + " TINs; there is no TIN " + std::to_string(index + 1));
  for (std::size_t k = 0; k < index; ++k) {
    StoredTIN skipped;
    at = readRecord(in, at, skipped);
  }
  StoredTINGeometry g;
  readRecord(in, at, g.tin);
  const std::int16_t version = in.i16(at);
  g.params = readParams(in, at, version);
  readRuns(in, readVertices(in, at + kParamsEnd - (version >= 2 ? 0 : 1), g), g);
  return g;
}

std::vector<StoredTIN> readStoredTINsFrom(std::span<const std::uint8_t> tinData) {
  if (!holdsTINs(tinData)) return {};
  const Bytes in(tinData);
  std::size_t at = 0;
  const std::int32_t count = readHead(in, at);
  std::vector<StoredTIN> tins(static_cast<std::size_t>(count));
  for (StoredTIN& tin : tins) at = readRecord(in, at, tin);
  if (at != tinData.size())
    throw HostError("the TIN data of the drawing is damaged: " + std::to_string(tinData.size() - at) +
                    " bytes follow its last TIN");
  return tins;
}

double worldOfStored(double stored, const UnitsRecord& units) {
  return std::round(stored * units.worldPerUnit * units.scale);
}

StoredSurface readStoredSurface(const DataObjectBytes& dataObjects, std::size_t index, const UnitsRecord& units) {
  const std::vector<StoredTIN> tins = readStoredTINs(dataObjects);
  if (index >= tins.size())
    throw HostError("the drawing stores " + std::to_string(tins.size()) + " TINs, not a TIN number " +
                    std::to_string(index + 1));
  const StoredTINGeometry g = readStoredTINGeometry(dataObjects, index);
  StoredSurface s;
  s.vertices.resize(g.xyz.size() / 3);
  for (std::size_t k = 0; k < s.vertices.size(); ++k)
    s.vertices[k] = {worldOfStored(g.xyz[3 * k], units), worldOfStored(g.xyz[3 * k + 1], units),
                     worldOfStored(g.xyz[3 * k + 2], units)};
  s.triangles.resize(g.triangles.size() / 3);
  for (std::size_t k = 0; k < s.triangles.size(); ++k)
    s.triangles[k] = {g.triangles[3 * k], g.triangles[3 * k + 1], g.triangles[3 * k + 2]};
  return s;
}

}  // namespace tinhost
