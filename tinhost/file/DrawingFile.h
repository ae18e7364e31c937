// The drawing file: one SQLite database per drawing.
//
// Layout (schema version kSchemaVersion, kept in PRAGMA user_version; the
// file is marked as ours by PRAGMA application_id):
//   drawing       key/value: unit, world_per_unit, unit_scale, origin_x/y,
//                 current_layer, next_id, header_id, drawing_name, and crs
//                 (WKT) when the drawing has a coordinate system
//   layers        id, position (layer order), name, scale
//   object_runs   seq, objects, records: every other object with its
//                 vertices, in drawing order, packed in runs (ObjectRuns.h)
//   classes       id, name (in the order they were added)
//   selection_runs  seq, objects, ids: the selection, packed in runs of
//                 rising ids (ObjectRuns.h)
//   data_objects  tag (the four characters as a 32-bit number), bytes
//   undo          the record of the last command (see UndoCodec.h)
//
// Format 1 held a row per object (objects: id, type, parent, position, class,
// colour, fill, weight, closed, text, anchor, text style and size) and one per
// vertex (vertices: object, seq, x, y, z, kind), and the selection a row per
// object (selection: object); such drawings still open,
// and their next save writes the current format.
//
// Reading opens the file read-only, so a file that is refused (not a
// database, not a drawing, a newer schema, damaged) is never modified.
// Writing builds the whole drawing in a sibling file in one transaction,
// flushes it to disk and renames it over the old one: a process killed at
// any moment leaves either the previous drawing or the new one, never a mix.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "tinhost/core/Document.h"
#include "tinhost/core/UndoLog.h"

namespace tinhost {
class Host;
}

namespace tinhost::file {

inline constexpr std::int64_t kSchemaVersion = 2;
inline constexpr std::int64_t kApplicationId = 0x54494E44;  // "TIND"

// A drawing as read: the document already checked and adopted.
struct DrawingContents {
  Document document;
  DataObjectBytes dataObjects;
  std::optional<UndoRecord> lastUndo;
};

// Throws FileError naming the file and what is wrong with it.
DrawingContents readDrawing(const std::filesystem::path& path);
// Told now and then, while a save runs, how many of the drawing's objects
// are written, of how many.
using SaveProgress = std::function<void(std::uint64_t written, std::uint64_t total)>;

// Writes the drawing from where it lies; nothing is copied.  `lastUndo` may be null.
void writeDrawing(const std::filesystem::path& path, const Document& document,
                  const DataObjectBytes& dataObjects, const UndoRecord* lastUndo,
                  const SaveProgress& progress = {});

// Replaces the host's drawing, data objects and undo history with the file's.
void loadInto(Host& host, const std::filesystem::path& path);
// Saves the host's drawing, data objects and its last undo record.
void saveFrom(const Host& host, const std::filesystem::path& path, const SaveProgress& progress = {});

// Where a save builds the new file before it replaces the drawing.
std::filesystem::path saveTempPath(const std::filesystem::path& path);

}  // namespace tinhost::file
