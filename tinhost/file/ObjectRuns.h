// The drawing's objects as runs of packed records, one run to a row of the
// drawing file's object_runs table.
//
// A row per object (and one per vertex) made SQLite's own record and B-tree
// work the whole cost of saving a large drawing: a million points with their
// two million triangles are over seven million rows.  A run packs thousands
// of objects into one blob, so the file holds a few thousand rows.
//
// Records follow one another in drawing order (each container's members in
// order, a group before its members), so an object's position among its
// parent's members is where it comes; nothing else is implied.  Integers are
// LEB128 varints, signed ones zigzag-coded.  Each record:
//   flags        bit 0: the style is the previous record's, or all zero in
//                a run's first record (not repeated);
//                bit 1: text and anchor follow
//   id           the difference from the previous record's id
//   type
//   parent       the difference from the previous record's parent
//   style        unless bit 0: class, colour (4 bytes), fill, weight,
//                closed (one byte), text style, text size
//   text         if bit 1: length, bytes, anchor x, anchor y
//   vertices     count, then per vertex x, y and z as differences from the
//                vertex before (in this record or an earlier one), and kind
// The differences start from zero in every run, so each run reads alone.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "tinhost/core/Document.h"

namespace tinhost::file {

// A run is closed once its records reach this many bytes.
inline constexpr std::size_t kRunBytes = std::size_t{1} << 18;

// The bytes of a run being written and how many items they hold.
class RunBuffer {
 public:
  bool full() const { return bytes_.size() >= kRunBytes; }
  bool empty() const { return count_ == 0; }
  std::uint64_t count() const { return count_; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

 protected:
  void restart() {
    bytes_.clear();  // keeps its memory for the next run
    count_ = 0;
  }
  std::vector<std::uint8_t> bytes_;
  std::uint64_t count_ = 0;
};

class RunWriter : public RunBuffer {
 public:
  void add(const DrawingObject& o, ObjId parent);
  // Starts the next run.
  void clear();

 private:
  struct Style {
    std::int16_t objectClass = 0, fillPattern = 0, lineWeight = 0, textStyle = 0, textSize = 0;
    Color color{};
    bool closed = false;
    bool operator==(const Style&) const = default;
  };
  ObjId lastId_ = 0, lastParent_ = 0;
  Vertex last_{};
  Style style_{};
};

// A run of ids in rising order (the selection), each as its difference from
// the one before (the first from 0), a varint.
class IdRunWriter : public RunBuffer {
 public:
  void add(ObjId id);
  void clear() {
    restart();
    last_ = 0;
  }

 private:
  ObjId last_ = 0;
};

// What is wrong with a run's bytes.
class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the `count` records of a run in order, each object with its parent
// set; throws RunError when the bytes do not hold exactly that many records.
void readRun(std::span<const std::uint8_t> bytes, std::uint64_t count,
             const std::function<void(DrawingObject&&)>& each);
// Reads the `count` ids of a run, which must rise; throws RunError.
void readIdRun(std::span<const std::uint8_t> bytes, std::uint64_t count, const std::function<void(ObjId)>& each);

}  // namespace tinhost::file
