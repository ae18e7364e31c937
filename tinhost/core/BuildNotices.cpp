#include "tinhost/core/BuildNotices.h"

#include <cstdio>

#include "tinhost/core/HostError.h"

namespace tinhost {
namespace {

// Little-endian fields; texts as a 16-bit length and their bytes.
class Writer {
 public:
  void u16(std::uint16_t v) { put(v, 2); }
  void u32(std::uint32_t v) { put(v, 4); }
  void i32(std::int32_t v) { put(static_cast<std::uint32_t>(v), 4); }
  void text(const std::string& s) {
    const std::size_t n = s.size() < 0xFFFF ? s.size() : 0xFFFF;
    u16(static_cast<std::uint16_t>(n));
    bytes.insert(bytes.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
  }
  std::vector<std::uint8_t> bytes;

 private:
  void put(std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
};

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> b) : b_(b) {}
  bool done() const { return at_ == b_.size(); }
  std::uint16_t u16() { return static_cast<std::uint16_t>(get(2)); }
  std::uint32_t u32() { return get(4); }
  std::int32_t i32() { return static_cast<std::int32_t>(get(4)); }
  std::string text() {
    const std::size_t n = u16();
    need(n);
    std::string s(reinterpret_cast<const char*>(b_.data() + at_), n);
    at_ += n;
    return s;
  }

 private:
  void need(std::size_t n) const {
    if (b_.size() - at_ < n) throw HostError("the build notices of the drawing are damaged");
  }
  std::uint32_t get(int n) {
    need(static_cast<std::size_t>(n));
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= std::uint32_t{b_[at_ + static_cast<std::size_t>(i)]} << (8 * i);
    at_ += static_cast<std::size_t>(n);
    return v;
  }
  std::span<const std::uint8_t> b_;
  std::size_t at_ = 0;
};

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string polygonName(const BuildNotice& n) {
  return "3D polygon #" + std::to_string(n.polygon) + " on layer " + quoted(n.layer);
}

}  // namespace

std::vector<std::uint8_t> encodeBuildNotices(const std::vector<BuildNotice>& notices) {
  Writer w;
  for (const BuildNotice& n : notices) {
    w.text(n.tin);
    w.u16(static_cast<std::uint16_t>(n.kind));
    w.u32(n.polygon);
    w.text(n.layer);
    w.i32(n.first);
    w.i32(n.second);
    w.i32(n.x);
    w.i32(n.y);
    w.i32(n.count);
  }
  return std::move(w.bytes);
}

std::vector<BuildNotice> decodeBuildNotices(std::span<const std::uint8_t> bytes) {
  Reader r(bytes);
  std::vector<BuildNotice> out;
  while (!r.done()) {
    BuildNotice n;
    n.tin = r.text();
    n.kind = static_cast<std::int16_t>(r.u16());
    n.polygon = r.u32();
    n.layer = r.text();
    n.first = r.i32();
    n.second = r.i32();
    n.x = r.i32();
    n.y = r.i32();
    n.count = r.i32();
    if (n.kind != kKVNoticeSegmentNotHeld && n.kind != kKVNoticeCornerDropped)
      throw HostError("the build notices of the drawing are damaged: kind " + std::to_string(n.kind));
    out.push_back(std::move(n));
  }
  return out;
}

double UserPlace::x(std::int32_t world) const {
  return originX + static_cast<double>(world) / (units.worldPerUnit > 0 ? units.worldPerUnit : 1);
}
double UserPlace::y(std::int32_t world) const {
  return originY + static_cast<double>(world) / (units.worldPerUnit > 0 ? units.worldPerUnit : 1);
}

std::string UserPlace::point(std::int32_t worldX, std::int32_t worldY) const {
  const int d = displayDecimals(units.worldPerUnit > 0 ? units.worldPerUnit : 1);
  char buf[96];
  std::snprintf(buf, sizeof buf, "(%.*f, %.*f) ", d, x(worldX), d, y(worldY));
  return buf + std::string(unitName(units.kind));
}

std::vector<std::string> describeBuildNotices(const std::vector<BuildNotice>& notices,
                                              const UserPlace& place) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < notices.size();) {
    const BuildNotice& n = notices[i];
    const std::string tin = "TIN " + quoted(n.tin) + ": ";
    if (n.kind == kKVNoticeSegmentNotHeld) {
      lines.push_back(tin + "the breakline of " + polygonName(n) + " does not hold from vertex " +
                      std::to_string(n.first) + " to vertex " + std::to_string(n.second) +
                      ": that segment is not a chain of TIN edges; it leaves them at " +
                      place.point(n.x, n.y));
      ++i;
      continue;
    }
    // The corners one polygon lost, in one line.
    std::size_t end = i;
    while (end < notices.size() && notices[end].kind == kKVNoticeCornerDropped &&
           notices[end].tin == n.tin && notices[end].polygon == n.polygon)
      ++end;
    std::string corners;
    for (std::size_t k = i; k < end; ++k) {
      if (k > i) corners += k + 1 == end ? " and " : ", ";
      corners += std::to_string(notices[k].first) + " at " + place.point(notices[k].x, notices[k].y);
    }
    const bool one = end - i == 1;
    lines.push_back(tin + polygonName(n) + " lost " + (one ? "corner " : "corners ") + corners +
                    " from its breakline (" + (one ? "its XY was" : "their XYs were") +
                    " already a vertex); " + std::to_string(n.count) + " of its drawn segments " +
                    (n.count == 1 ? "is therefore not a TIN edge" : "are therefore not TIN edges"));
    i = end;
  }
  return lines;
}

}  // namespace tinhost
