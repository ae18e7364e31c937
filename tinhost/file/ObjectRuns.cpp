#include "tinhost/file/ObjectRuns.h"

#include <limits>

namespace tinhost::file {
namespace {

constexpr std::uint8_t kSameStyle = 1, kHasText = 2;

std::uint64_t zigzag(std::int64_t v) {
  return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
}

std::int64_t unzigzag(std::uint64_t u) { return static_cast<std::int64_t>(u >> 1) ^ -static_cast<std::int64_t>(u & 1); }

void putVarint(std::vector<std::uint8_t>& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(v));
}

void putSigned(std::vector<std::uint8_t>& out, std::int64_t v) { putVarint(out, zigzag(v)); }

// Reads a run's bytes front to back; every read checks what is left.
class Cursor {
 public:
  explicit Cursor(std::span<const std::uint8_t> bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}
  bool atEnd() const { return p_ == end_; }
  std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }

  std::uint8_t byte(const char* what) {
    if (p_ == end_) throw RunError(std::string("the records end inside ") + what);
    return *p_++;
  }
  std::uint64_t varint(const char* what) {
    std::uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      const std::uint8_t b = byte(what);
      if (shift == 63 && b > 1) break;
      v |= std::uint64_t{b & 0x7Fu} << shift;
      if ((b & 0x80) == 0) return v;
    }
    throw RunError(std::string("an integer of ") + what + " is too long");
  }
  std::int64_t signedValue(const char* what) { return unzigzag(varint(what)); }
  // A signed value that must fit T.
  template <typename T>
  T fitting(const char* what) {
    const std::int64_t v = signedValue(what);
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
      throw RunError(std::string("a ") + what + " out of range (" + std::to_string(v) + ")");
    return static_cast<T>(v);
  }
  std::string_view text(std::size_t n) {
    if (n > left()) throw RunError("a text runs past the end of the records");
    const std::string_view s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return s;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

// The running sum of a difference, which must stay a 32-bit value.
template <typename T>
T advance(T last, std::int64_t delta, const char* what) {
  const std::int64_t v = std::int64_t{last} + delta;
  if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
    throw RunError(std::string("a ") + what + " out of range (" + std::to_string(v) + ")");
  return static_cast<T>(v);
}

}  // namespace

void RunWriter::add(const DrawingObject& o, ObjId parent) {
  const Style style{o.objectClass, o.fillPattern, o.lineWeight, o.textStyle, o.textSize, o.color, o.closed};
  const bool hasText = !o.text.empty() || o.anchorX != 0 || o.anchorY != 0;
  const std::uint8_t flags = (style == style_ ? kSameStyle : 0) | (hasText ? kHasText : 0);
  bytes_.push_back(flags);
  putSigned(bytes_, std::int64_t{o.id} - lastId_);
  putSigned(bytes_, o.type);
  putSigned(bytes_, std::int64_t{parent} - lastParent_);
  if ((flags & kSameStyle) == 0) {
    putSigned(bytes_, style.objectClass);
    bytes_.insert(bytes_.end(), style.color.begin(), style.color.end());
    putSigned(bytes_, style.fillPattern);
    putSigned(bytes_, style.lineWeight);
    bytes_.push_back(style.closed ? 1 : 0);
    putSigned(bytes_, style.textStyle);
    putSigned(bytes_, style.textSize);
    style_ = style;
  }
  if (hasText) {
    const std::string_view text = o.text.view();
    putVarint(bytes_, text.size());
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    putSigned(bytes_, o.anchorX);
    putSigned(bytes_, o.anchorY);
  }
  putVarint(bytes_, o.vertices.size());
  for (const Vertex& v : o.vertices) {
    putSigned(bytes_, std::int64_t{v.x} - last_.x);
    putSigned(bytes_, std::int64_t{v.y} - last_.y);
    putSigned(bytes_, std::int64_t{v.z} - last_.z);
    putSigned(bytes_, v.kind);
    last_ = v;
  }
  lastId_ = o.id;
  lastParent_ = parent;
  ++count_;
}

void RunWriter::clear() {
  restart();
  lastId_ = lastParent_ = 0;
  last_ = Vertex{};
  style_ = Style{};
}

void IdRunWriter::add(ObjId id) {
  putVarint(bytes_, std::uint64_t{id} - last_);
  last_ = id;
  ++count_;
}

void readIdRun(std::span<const std::uint8_t> bytes, std::uint64_t count, const std::function<void(ObjId)>& each) {
  Cursor in(bytes);
  std::uint64_t id = 0;
  for (std::uint64_t k = 0; k < count; ++k) {
    if (in.atEnd())
      throw RunError("the ids end after " + std::to_string(k) + " of " + std::to_string(count));
    const std::uint64_t delta = in.varint("an id");
    if (delta == 0 || delta > std::numeric_limits<ObjId>::max() - id)
      throw RunError("the ids do not rise within the 32-bit range");
    id += delta;
    each(static_cast<ObjId>(id));
  }
  if (!in.atEnd()) throw RunError("bytes follow the last of its " + std::to_string(count) + " ids");
}

namespace {

// One record, with the run's running values.
struct RunState {
  std::int64_t id = 0, parent = 0;
  Vertex last{};
  DrawingObject style;  // class, colour, fill, weight, closed, text style and size of the last record
  RunState() {
    style.objectClass = style.fillPattern = style.lineWeight = style.textStyle = style.textSize = 0;
  }
};

void readStyle(Cursor& in, DrawingObject& s) {
  s.objectClass = in.fitting<std::int16_t>("class");
  for (std::uint8_t& c : s.color) c = in.byte("a colour");
  s.fillPattern = in.fitting<std::int16_t>("fill pattern");
  s.lineWeight = in.fitting<std::int16_t>("line weight");
  const std::uint8_t closed = in.byte("a closed flag");
  if (closed > 1) throw RunError("a closed flag is neither 0 nor 1");
  s.closed = closed == 1;
  s.textStyle = in.fitting<std::int16_t>("text style");
  s.textSize = in.fitting<std::int16_t>("text size");
}

DrawingObject readRecord(Cursor& in, RunState& run) {
  const std::uint8_t flags = in.byte("a record");
  if ((flags & ~(kSameStyle | kHasText)) != 0) throw RunError("a record has unknown flags");
  DrawingObject o;
  run.id = advance<ObjId>(static_cast<ObjId>(run.id), in.signedValue("an id"), "object id");
  o.id = static_cast<ObjId>(run.id);
  o.type = in.fitting<std::int16_t>("type");
  run.parent = advance<ObjId>(static_cast<ObjId>(run.parent), in.signedValue("a parent"), "parent id");
  o.parent = static_cast<ObjId>(run.parent);
  if ((flags & kSameStyle) == 0) readStyle(in, run.style);
  o.objectClass = run.style.objectClass;
  o.color = run.style.color;
  o.fillPattern = run.style.fillPattern;
  o.lineWeight = run.style.lineWeight;
  o.closed = run.style.closed;
  o.textStyle = run.style.textStyle;
  o.textSize = run.style.textSize;
  if ((flags & kHasText) != 0) {
    o.text = in.text(in.varint("a text length"));
    o.anchorX = in.fitting<std::int32_t>("text anchor");
    o.anchorY = in.fitting<std::int32_t>("text anchor");
  }
  const std::uint64_t vertices = in.varint("a vertex count");
  if (vertices > in.left() / 4)  // each vertex takes four bytes at least
    throw RunError("a vertex count (" + std::to_string(vertices) + ") runs past the end of the records");
  o.vertices.reserve(vertices);
  for (std::uint64_t k = 0; k < vertices; ++k) {
    Vertex v;
    v.x = advance<std::int32_t>(run.last.x, in.signedValue("a vertex"), "vertex coordinate");
    v.y = advance<std::int32_t>(run.last.y, in.signedValue("a vertex"), "vertex coordinate");
    v.z = advance<std::int32_t>(run.last.z, in.signedValue("a vertex"), "vertex coordinate");
    v.kind = in.fitting<std::int16_t>("vertex kind");
    o.vertices.push_back(v);
    run.last = v;
  }
  return o;
}

}  // namespace

void readRun(std::span<const std::uint8_t> bytes, std::uint64_t count,
             const std::function<void(DrawingObject&&)>& each) {
  Cursor in(bytes);
  RunState run;
  for (std::uint64_t k = 0; k < count; ++k) {
    if (in.atEnd())
      throw RunError("the records end after " + std::to_string(k) + " of " + std::to_string(count) + " objects");
    each(readRecord(in, run));
  }
  if (!in.atEnd()) throw RunError("bytes follow the last of its " + std::to_string(count) + " objects");
}

}  // namespace tinhost::file
