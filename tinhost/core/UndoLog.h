// The undo log: one record per command that changed the drawing.
//
// When a command starts, the host opens a record holding the bytes of every
// data object and the current layer.  While it runs, the plug-in sets the undo
// method and registers what it does: each created object (undo deletes it) and
// a full snapshot of each object before it is deleted (undo puts it back with
// the same id, parent and position).  Layers the host creates for the command
// are registered the same way.  Undoing a record walks its steps backwards and
// then puts the data objects back as they were.
//
// Records are plain data so the drawing file can keep them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tinhost/core/Document.h"

namespace tinhost {

using DataObjectBytes = std::map<std::uint32_t, std::vector<std::uint8_t>>;  // tag -> contents

struct UndoStep {
  enum class Kind : std::uint8_t { Created, Deleted };
  Kind kind = Kind::Created;
  ObjId id = kNoObject;     // Created: the first object (or layer) made
  std::uint32_t count = 1;  // Created: ids id .. id + count - 1, made in that order
  ObjectSnapshot before;    // Deleted: the object as it was
};

struct UndoRecord {
  std::int16_t method = 0;      // as set by the command; 0 when it set none
  std::vector<UndoStep> steps;  // in the order they happened
  DataObjectBytes dataObjects;  // every data object when the command started
  ObjId currentLayer = kNoObject;
  bool dataChanged = false;     // the data objects differed when the command ended
  // The drawing's coordinate system (WKT, empty: none) before the command
  // set one; nothing when the command left it alone.
  std::optional<std::string> crsBefore;
};

class UndoLog {
 public:
  void begin(DataObjectBytes dataObjects, ObjId currentLayer);
  bool recording() const { return pending_.has_value(); }
  // Registration; without an open record these return false and record nothing.
  bool setMethod(std::int16_t method);
  bool created(ObjId id) { return created(id, 1); }
  bool created(ObjId first, std::uint32_t count);  // ids first .. first + count - 1
  bool deleting(ObjectSnapshot before);
  // The coordinate system is about to change from `before`; the first call
  // of a command keeps what undo puts back.
  bool changingCrs(const std::string& before);
  // Closes the record: it is kept when it has steps or the data objects changed.
  void end(const DataObjectBytes& dataObjectsNow);

  const std::vector<UndoRecord>& history() const { return history_; }
  void setHistory(std::vector<UndoRecord> history) { history_ = std::move(history); }
  std::optional<UndoRecord> takeLast();
  // Drops the records after the first `count`.
  void truncate(std::size_t count) {
    if (history_.size() > count) history_.resize(count);
  }
  const UndoRecord* pending() const { return pending_ ? &*pending_ : nullptr; }

 private:
  std::optional<UndoRecord> pending_;
  std::vector<UndoRecord> history_;
};

// Reverts the drawing part of a record (the steps and the current layer).
// Steps that no longer apply (an object already gone, a parent deleted since)
// are skipped; returns how many were skipped.
std::size_t revertSteps(const UndoRecord& record, Document& doc);

}  // namespace tinhost
