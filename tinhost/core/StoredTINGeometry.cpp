#include "tinhost/core/StoredTINGeometry.h"

#include <algorithm>
#include <string>

#include "tinhost/core/HostError.h"
#include "tinhost/core/X80.h"

namespace tinhost {
namespace {

constexpr std::size_t kHostPart = 22;
constexpr std::size_t kNameBytes = 22;
constexpr std::size_t kRealBytes = 10;
constexpr std::size_t kVertexBytes = 40, kHullBytes = 4, kTriangleBytes = 28, kBreaklineHead = 16;

[[noreturn]] void damaged(const std::string& what) {
  throw HostError("the TIN data of the drawing is damaged: " + what);
}

// A big-endian cursor that refuses to read past the end of the object.
class Reader {
 public:
  Reader(const std::vector<std::uint8_t>& b, std::size_t at) : b_(b), at_(at) {}
  std::size_t at() const { return at_; }
  void seek(std::size_t at) { at_ = at; }
  void need(std::size_t n) const {
    if (at_ > b_.size() || n > b_.size() - at_)
      damaged("it ends at byte " + std::to_string(b_.size()) + ", inside a record that needs " + std::to_string(n) +
              " bytes from " + std::to_string(at_));
  }
  std::uint8_t u8() {
    need(1);
    return b_[at_++];
  }
  std::int16_t i16() {
    need(2);
    const auto v = static_cast<std::int16_t>((b_[at_] << 8) | b_[at_ + 1]);
    at_ += 2;
    return v;
  }
  std::int32_t i32() {
    need(4);
    const auto v = static_cast<std::int32_t>((std::uint32_t{b_[at_]} << 24) | (std::uint32_t{b_[at_ + 1]} << 16) |
                                             (std::uint32_t{b_[at_ + 2]} << 8) | b_[at_ + 3]);
    at_ += 4;
    return v;
  }
  // A stored real: the 80-bit extended value, most significant byte first.
  double real() {
    need(kRealBytes);
    X80Bytes x{};
    std::reverse_copy(b_.begin() + static_cast<std::ptrdiff_t>(at_),
                      b_.begin() + static_cast<std::ptrdiff_t>(at_ + kRealBytes), x.begin());
    at_ += kRealBytes;
    return fromX80(x);
  }
  // A count of entries of `size` bytes that the object can hold.
  std::uint32_t count(std::size_t size) {
    const std::int32_t n = i32();
    if (n < 0) damaged("a count of " + std::to_string(n));
    need(static_cast<std::size_t>(n) * size);
    return static_cast<std::uint32_t>(n);
  }

 private:
  const std::vector<std::uint8_t>& b_;
  std::size_t at_;
};

// The parameters from offset 80 of the record to their end.
StoredTINParams readParams(Reader& in, std::int16_t version, double scale) {
  StoredTINParams p;
  p.contourInterval = in.real() * scale;
  p.indexContourEvery = in.i16();
  p.datumElev = in.real() * scale;
  p.contourBaseElev = in.real() * scale;
  p.lowContourElev = in.real() * scale;
  p.highContourElev = in.real() * scale;
  in.i16();  // the 2D contours' kind of vertex
  in.u8();   // normal TIN (0 for a difference TIN)
  p.want2DContours = in.u8() != 0;
  p.want3DTriangles = in.u8() != 0;
  p.want2DTriangles = in.u8() != 0;
  p.want3DContours = in.u8() != 0;
  p.labelContours = in.u8() != 0;
  p.wantHull = version >= 2 ? in.u8() != 0 : true;
  in.u8();  // groups
  p.useBreaklines = in.u8() != 0;
  p.notResident = in.u8() != 0;
  in.u8();  // spare
  return p;
}

// A stored vertex number (1 .. n) as an index; damaged when out of range.
std::uint32_t vertexIndex(std::int32_t id, std::uint32_t vertices) {
  if (id < 1 || static_cast<std::uint32_t>(id) > vertices)
    damaged("vertex " + std::to_string(id) + " named where the TIN holds " + std::to_string(vertices));
  return static_cast<std::uint32_t>(id - 1);
}

void readGeometry(Reader& in, StoredTINGeometry& s, double scale) {
  const std::uint32_t vertices = in.count(kVertexBytes);
  s.xyz.reserve(std::size_t{vertices} * 3);
  for (std::uint32_t i = 0; i < vertices; ++i) {
    in.i32();  // its number, 1 .. n in order
    for (int k = 0; k < 3; ++k) s.xyz.push_back(in.real() * scale);
    in.i32(), in.i16();  // a triangle of its, and a mark
  }
  const std::uint32_t hull = in.count(kHullBytes);
  for (std::uint32_t i = 0; i < hull; ++i) s.hull.push_back(vertexIndex(in.i32(), vertices));
  const std::uint32_t triangles = in.count(kTriangleBytes);
  s.triangles.resize(triangles);
  for (auto& t : s.triangles) {
    in.seek(in.at() + 16);  // its number and its three neighbours
    for (auto& corner : t) corner = vertexIndex(in.i32(), vertices);
  }
  const std::uint32_t breaklines = in.count(kBreaklineHead);
  s.breaklines.resize(breaklines);
  for (StoredBreakline& b : s.breaklines) {
    b.closed = in.u8() != 0;
    in.u8(), in.real();  // level flag and elevation
    const std::uint32_t n = in.count(4);
    for (std::uint32_t i = 0; i < n; ++i) b.vertices.push_back(vertexIndex(in.i32(), vertices));
  }
}

}  // namespace

std::vector<StoredTINGeometry> readStoredGeometry(const DataObjectBytes& dataObjects, double scale) {
  std::vector<StoredTIN> tins = readStoredTINs(dataObjects);  // checks the format and the record boundaries
  std::vector<StoredTINGeometry> out(tins.size());
  if (tins.empty()) return out;
  const std::vector<std::uint8_t>& bytes = dataObjects.at(kTINDataTag);
  Reader in(bytes, kHostPart + 8 + tins.size() * kNameBytes);
  for (std::size_t k = 0; k < tins.size(); ++k) {
    StoredTINGeometry& s = out[k];
    s.tin = std::move(tins[k]);
    const std::int16_t version = in.i16();
    in.seek(in.at() + 78);  // id, bases and the three names
    s.params = readParams(in, version, scale);
    readGeometry(in, s, scale);
    s.resident = !s.triangles.empty() || s.vertexCount() > 0;
  }
  return out;
}

}  // namespace tinhost
