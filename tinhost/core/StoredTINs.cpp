#include "tinhost/core/StoredTINs.h"

#include "tinhost/core/HostError.h"

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
  std::size_t next = at + kParamsEnd - (version >= 2 ? 0 : 1);
  next = in.skipRun(next, kVertexBytes);
  next = in.skipRun(next, kHullBytes);
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

std::vector<StoredTIN> readStoredTINs(const DataObjectBytes& dataObjects) {
  const auto it = dataObjects.find(kTINDataTag);
  if (it == dataObjects.end()) return {};
  if (it->second.size() == kHostPart) return {};  // made, never filled: what an early failed save leaves
  const Bytes in(it->second);
  if (const std::int32_t version = in.i32(kHostPart); version != kFormatVersion)
    throw HostError("the TIN data of the drawing has format version " + std::to_string(version) + ", not " +
                    std::to_string(kFormatVersion));
  const std::int32_t count = in.i32(kHostPart + 4);
  if (count < 0) throw HostError("the TIN data of the drawing is damaged: it counts " + std::to_string(count) + " TINs");
  std::size_t at = kHostPart + 8;
  in.need(at, static_cast<std::size_t>(count) * kNameBytes);  // the table of names, which the records repeat
  at += static_cast<std::size_t>(count) * kNameBytes;
  std::vector<StoredTIN> tins(static_cast<std::size_t>(count));
  for (StoredTIN& tin : tins) at = readRecord(in, at, tin);
  if (at != it->second.size())
    throw HostError("the TIN data of the drawing is damaged: " + std::to_string(it->second.size() - at) +
                    " bytes follow its last TIN");
  return tins;
}

}  // namespace tinhost
