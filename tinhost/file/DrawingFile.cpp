#include "tinhost/file/DrawingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <future>
#include <optional>
#include <string>

#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/file/FileError.h"
#include "tinhost/file/ObjectRuns.h"
#include "tinhost/file/Sqlite.h"
#include "tinhost/file/UndoCodec.h"

namespace tinhost::file {
namespace {

namespace fs = std::filesystem;

const char* const kSchema = R"sql(
CREATE TABLE drawing(key TEXT PRIMARY KEY, value);
CREATE TABLE layers(id INTEGER PRIMARY KEY, position INTEGER NOT NULL UNIQUE,
                    name TEXT NOT NULL, scale REAL NOT NULL);
CREATE TABLE object_runs(seq INTEGER PRIMARY KEY, objects INTEGER NOT NULL, records BLOB NOT NULL);
CREATE TABLE classes(id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE selection_runs(seq INTEGER PRIMARY KEY, objects INTEGER NOT NULL, ids BLOB NOT NULL);
CREATE TABLE data_objects(tag INTEGER PRIMARY KEY, bytes BLOB NOT NULL);
CREATE TABLE undo(slot INTEGER PRIMARY KEY CHECK (slot = 1), record BLOB NOT NULL);
)sql";

std::string quoted(const fs::path& p) { return p.string(); }

// A quick look at the first bytes, so that a text file or an image is called
// what it is rather than whatever SQLite makes of it.
void checkLooksLikeDatabase(const fs::path& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) throw FileError(quoted(path) + ": no such drawing");
  if (!fs::is_regular_file(path, ec)) throw FileError(quoted(path) + ": not a file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(quoted(path) + ": cannot open it (" + std::strerror(errno) + ")");
  std::array<char, 16> magic{};
  in.read(magic.data(), magic.size());
  if (in.gcount() != 16 || std::memcmp(magic.data(), "SQLite format 3", 16) != 0)
    throw FileError(quoted(path) + ": not a drawing (not a database file)");
}

// The drawing format the file was written in.
std::int64_t checkHeader(Connection& db) {
  const std::int64_t app = db.pragmaInt("application_id");
  if (app != kApplicationId) throw FileError(db.path() + ": not a drawing (a database of another program)");
  const std::int64_t version = db.pragmaInt("user_version");
  if (version > kSchemaVersion)
    throw FileError(db.path() + ": written by a newer version of tinhost (drawing format " +
                    std::to_string(version) + "; this version reads format " +
                    std::to_string(kSchemaVersion) + " and older); it was left unchanged");
  if (version < 1) throw FileError(db.path() + ": not a drawing (no drawing format version)");
  return version;
}

// SQLite's own check of the file's structure, which reads all of it.
void checkIntegrity(const std::string& path) {
  Connection db(path, Connection::Mode::ReadOnly);
  Statement check(db, "PRAGMA quick_check");
  if (!check.step() || check.text(0) != "ok")
    throw FileError(db.path() + ": the drawing is damaged (" + check.text(0) + "); it was left unchanged");
}


struct MetaReader {
  std::map<std::string, std::pair<double, std::string>> values;
  explicit MetaReader(Connection& db) {
    Statement st(db, "SELECT key, value FROM drawing");
    while (st.step()) values[st.text(0)] = {st.real(1), st.text(1)};
  }
  const std::pair<double, std::string>& at(Connection& db, const std::string& key) const {
    const auto it = values.find(key);
    if (it == values.end()) throw FileError(db.path() + ": the drawing is damaged (no '" + key + "' entry)");
    return it->second;
  }
  // An entry that older drawings do not have.
  std::string textOr(const std::string& key, std::string fallback) const {
    const auto it = values.find(key);
    return it == values.end() ? fallback : it->second.second;
  }
  std::int64_t integer(Connection& db, const std::string& key) const {
    return static_cast<std::int64_t>(at(db, key).first);
  }
};

[[noreturn]] void twiceUsed(Connection& db) {
  throw FileError(db.path() + ": the drawing is damaged (an object id is used twice)");
}

// The layers in layer order, kept out of the object map until the other
// objects are in: a layer's id may lie beyond theirs, and the objects go in
// fastest at the map's end.
std::vector<DrawingObject> readLayers(Connection& db, DocumentState& s) {
  std::vector<DrawingObject> out;
  Statement layers(db, "SELECT id, name, scale FROM layers ORDER BY position");
  while (layers.step()) {
    DrawingObject& layer = out.emplace_back();
    layer.id = static_cast<ObjId>(layers.integer(0));
    layer.type = kKVTypeLayer;
    layer.name = layers.text(1);
    layer.scale = layers.real(2);
    s.layers.push_back(layer.id);
  }
  return out;
}

void addOwn(Connection& db, DocumentState& s, DrawingObject&& o) {
  const ObjId id = o.id;
  if (!s.objects.emplace(id, std::move(o)).second) twiceUsed(db);
}

// Hands each row (count, blob) of `sql` to `read` in order; a RunError
// becomes the file's damage, with the run named.
void forEachRun(Connection& db, const char* sql, const char* what,
                const std::function<void(std::span<const std::uint8_t>, std::uint64_t)>& read) {
  Statement runs(db, sql);
  std::int64_t run = 0;
  while (runs.step()) {
    ++run;
    const std::int64_t count = runs.integer(0);
    try {
      if (count < 0) throw RunError("a negative count");
      read(runs.blobView(1), static_cast<std::uint64_t>(count));
    } catch (const RunError& e) {
      throw FileError(db.path() + ": the drawing is damaged (" + what + " run " + std::to_string(run) + ": " +
                      e.what() + ")");
    }
  }
}

// The objects of the current format: runs of packed records in drawing
// order.  The ids of a drawing's objects mostly rise in that order, so each
// usually goes in at the end of the map, which the hint makes a constant step.
void readObjectRuns(Connection& db, DocumentState& s) {
  auto members = s.members.end();
  auto add = [&](DrawingObject&& o) {
    const ObjId id = o.id, parent = o.parent;
    const std::size_t before = s.objects.size();
    s.objects.emplace_hint(s.objects.end(), id, std::move(o));
    if (s.objects.size() == before) twiceUsed(db);
    if (members == s.members.end() || members->first != parent) members = s.members.try_emplace(parent).first;
    members->second.push_back(id);
  };
  forEachRun(db, "SELECT objects, records FROM object_runs ORDER BY seq", "object",
             [&](std::span<const std::uint8_t> bytes, std::uint64_t count) { readRun(bytes, count, add); });
}

// The selection of the current format: runs of rising ids.
void readSelectionRuns(Connection& db, DocumentState& s) {
  forEachRun(db, "SELECT objects, ids FROM selection_runs ORDER BY seq", "selection",
             [&](std::span<const std::uint8_t> bytes, std::uint64_t count) {
               readIdRun(bytes, count, [&](ObjId id) { s.selection.insert(s.selection.end(), id); });
             });
}

// The objects of format 1, which older drawings have: a row per object and
// one per vertex.
void readObjectRows(Connection& db, DocumentState& s) {
  // The rows come in id order, as stored, so each goes in right after the
  // one before; the members are then put in order by sorting their (parent,
  // position) here rather than having SQLite sort whole rows.
  Statement objects(db,
                    "SELECT id, type, parent, class, color, fill, weight, closed, text, anchor_x, "
                    "anchor_y, text_style, text_size, position FROM objects ORDER BY id");
  struct Place {
    ObjId parent;
    std::int64_t position;
    ObjId id;
  };
  std::vector<Place> membership;
  auto hint = s.objects.end();
  while (objects.step()) {
    DrawingObject o;
    o.id = static_cast<ObjId>(objects.integer(0));
    o.type = static_cast<std::int16_t>(objects.integer(1));
    o.parent = static_cast<ObjId>(objects.integer(2));
    o.objectClass = static_cast<std::int16_t>(objects.integer(3));
    const auto color = objects.blob(4);
    if (color.size() != 4) throw FileError(db.path() + ": the drawing is damaged (a colour of object " +
                                           std::to_string(o.id) + " is not 4 bytes)");
    std::copy(color.begin(), color.end(), o.color.begin());
    o.fillPattern = static_cast<std::int16_t>(objects.integer(5));
    o.lineWeight = static_cast<std::int16_t>(objects.integer(6));
    o.closed = objects.integer(7) != 0;
    o.text = objects.text(8);
    o.anchorX = static_cast<std::int32_t>(objects.integer(9));
    o.anchorY = static_cast<std::int32_t>(objects.integer(10));
    o.textStyle = static_cast<std::int16_t>(objects.integer(11));
    o.textSize = static_cast<std::int16_t>(objects.integer(12));
    membership.push_back({o.parent, objects.integer(13), o.id});
    const std::size_t before = s.objects.size();
    // A hint just before the new key: after the last object that is the
    // rightmost node, which the map checks at once (the node after it would
    // be found by climbing to the root, for every row).
    hint = s.objects.emplace_hint(hint, o.id, std::move(o));
    if (s.objects.size() == before) twiceUsed(db);
  }
  std::stable_sort(membership.begin(), membership.end(), [](const Place& a, const Place& b) {
    return a.parent != b.parent ? a.parent < b.parent : a.position < b.position;
  });
  for (const Place& p : membership) s.members[p.parent].push_back(p.id);
  // The vertices come in object order too: the object they belong to is found
  // by stepping forward through the map.
  Statement vertices(db, "SELECT object, x, y, z, kind FROM vertices ORDER BY object, seq");
  auto it = s.objects.begin();
  while (vertices.step()) {
    const auto object = static_cast<ObjId>(vertices.integer(0));
    if (it != s.objects.end() && it->first > object)
      it = s.objects.find(object);  // out of order: only in a file we did not write
    while (it != s.objects.end() && it->first < object) ++it;
    if (it == s.objects.end() || it->first != object)
      throw FileError(db.path() + ": the drawing is damaged (a vertex belongs to no object)");
    auto& list = it->second.vertices;
    list.push_back(Vertex{static_cast<std::int32_t>(vertices.integer(1)),
                          static_cast<std::int32_t>(vertices.integer(2)),
                          static_cast<std::int32_t>(vertices.integer(3)),
                          static_cast<std::int16_t>(vertices.integer(4))});
  }
}

struct FileContents {
  DocumentState state;
  DataObjectBytes dataObjects;
  std::optional<UndoRecord> lastUndo;
};

FileContents readContents(Connection& db, std::int64_t version) {
  FileContents c;
  DocumentState& s = c.state;
  const MetaReader meta(db);
  const std::string unit = meta.at(db, "unit").second;
  if (unit != "m" && unit != "ft") throw FileError(db.path() + ": the drawing is damaged (unknown unit '" + unit + "')");
  s.units.kind = unit == "ft" ? UnitKind::Foot : UnitKind::Metre;
  s.units.worldPerUnit = static_cast<std::int32_t>(meta.integer(db, "world_per_unit"));
  if (s.units.worldPerUnit <= 0) throw FileError(db.path() + ": the drawing is damaged (resolution is not positive)");
  s.units.scale = meta.at(db, "unit_scale").first;
  s.originX = meta.at(db, "origin_x").first;
  s.originY = meta.at(db, "origin_y").first;
  s.crs = meta.textOr("crs", "");
  s.currentLayer = static_cast<ObjId>(meta.integer(db, "current_layer"));
  s.nextId = static_cast<ObjId>(meta.integer(db, "next_id"));
  s.header = static_cast<ObjId>(meta.integer(db, "header_id"));
  DrawingObject header;
  header.id = s.header;
  header.type = kKVTypeHeader;
  header.name = meta.at(db, "drawing_name").second;
  std::vector<DrawingObject> layers = readLayers(db, s);
  if (version == 1)
    readObjectRows(db, s);
  else
    readObjectRuns(db, s);
  addOwn(db, s, std::move(header));
  for (DrawingObject& layer : layers) addOwn(db, s, std::move(layer));

  Statement classes(db, "SELECT id, name FROM classes ORDER BY id");
  while (classes.step()) {
    if (classes.integer(0) != static_cast<std::int64_t>(s.classes.size()) + 1)
      throw FileError(db.path() + ": the drawing is damaged (class ids are not 1, 2, 3, ...)");
    s.classes.push_back(classes.text(1));
  }
  if (version == 1) {
    Statement selection(db, "SELECT object FROM selection");
    while (selection.step()) s.selection.insert(s.selection.end(), static_cast<ObjId>(selection.integer(0)));
  } else {
    readSelectionRuns(db, s);
  }
  Statement data(db, "SELECT tag, bytes FROM data_objects");
  while (data.step()) c.dataObjects.emplace(static_cast<std::uint32_t>(data.integer(0)), data.blob(1));
  Statement undo(db, "SELECT record FROM undo WHERE slot = 1");
  if (undo.step()) {
    try {
      c.lastUndo = decodeUndoRecord(undo.blob(0));
    } catch (const FileError& e) {
      throw FileError(db.path() + ": " + e.what());
    }
    // Ids are handed out in sequence, so every object a command made lies
    // below the next id; a run past it is damage (and undoing it would visit
    // billions of ids).
    for (const UndoStep& step : c.lastUndo->steps)
      if (step.kind == UndoStep::Kind::Created && std::uint64_t{step.id} + step.count > s.nextId)
        throw FileError(db.path() + ": the undo record is damaged (objects " + std::to_string(step.id) +
                        " to " + std::to_string(std::uint64_t{step.id} + step.count - 1) +
                        " lie past the drawing's next id " + std::to_string(s.nextId) + ")");
  }
  return c;
}

// ---- writing ----------------------------------------------------------------

void writeMeta(Connection& db, const DocumentState& s) {
  Statement put(db, "INSERT INTO drawing(key, value) VALUES (?, ?)");
  auto text = [&](const char* key, const std::string& v) { put.bind(1, std::string(key)).bind(2, v).run(); };
  auto num = [&](const char* key, double v) { put.bind(1, std::string(key)).bind(2, v).run(); };
  auto integer = [&](const char* key, std::int64_t v) { put.bind(1, std::string(key)).bind(2, v).run(); };
  text("unit", std::string(unitName(s.units.kind)));
  integer("world_per_unit", s.units.worldPerUnit);
  num("unit_scale", s.units.scale);
  num("origin_x", s.originX);
  num("origin_y", s.originY);
  integer("current_layer", s.currentLayer);
  integer("next_id", s.nextId);
  integer("header_id", s.header);
  text("drawing_name", s.objects.at(s.header).name.str());
  if (!s.crs.empty()) text("crs", s.crs);
}

// One row of a runs table (seq, count, bytes); the run then starts again.
template <typename Run>
void insertRun(Statement& insert, std::int64_t seq, Run& run) {
  insert.bind(1, seq).bind(2, static_cast<std::int64_t>(run.count())).bindBlobUncopied(3, run.bytes());
  insert.run();
  run.clear();
}

// Writes the members of each container in drawing order, groups before their
// members, in runs of packed records; each object is found through the
// document's own table by id.  finish() writes the run still open.
struct ObjectWriter {
  const Document& doc;
  const DocumentState& s;
  const SaveProgress& progress;
  Statement insert;
  RunWriter run;
  std::int64_t runs = 0;
  std::uint64_t written = 0;

  ObjectWriter(Connection& db, const Document& d, const DocumentState& state, const SaveProgress& p)
      : doc(d), s(state), progress(p), insert(db, "INSERT INTO object_runs VALUES (?,?,?)") {}

  void members(const DrawingObject& container) {
    const auto list = s.members.find(container.id);
    if (list == s.members.end()) return;
    for (ObjId id : list->second) {
      const DrawingObject& o = doc.get(id);
      run.add(o, container.id);
      if (run.full()) flush();
      if (o.type == kKVTypeGroup) members(o);
      if ((++written & 0xFFFF) == 0 && progress) progress(written, doc.objectCount());
    }
  }
  void flush() { insertRun(insert, ++runs, run); }
  void finish() {
    if (!run.empty()) flush();
  }
};

void writeSelectionRuns(Connection& db, const DocumentState& s) {
  Statement insert(db, "INSERT INTO selection_runs VALUES (?,?,?)");
  IdRunWriter run;
  std::int64_t runs = 0;
  for (ObjId id : s.selection) {
    run.add(id);
    if (run.full()) insertRun(insert, ++runs, run);
  }
  if (!run.empty()) insertRun(insert, ++runs, run);
}

// A test hook: lets the tests kill a save half-way, after the objects are
// written and before the transaction commits.
void maybeDieMidSave() {
  if (const char* hook = std::getenv("TINHOST_TEST_KILL_DURING_SAVE"); hook != nullptr && *hook == '1')
    std::raise(SIGKILL);
}

void writeContents(Connection& db, const Document& doc, const DataObjectBytes& dataObjects,
                   const UndoRecord* lastUndo, const SaveProgress& progress) {
  const DocumentState& s = doc.state();
  db.exec("BEGIN IMMEDIATE");
  db.exec(kSchema);
  writeMeta(db, s);
  Statement layer(db, "INSERT INTO layers VALUES (?,?,?,?)");
  std::int64_t position = 0;
  ObjectWriter objects{db, doc, s, progress};
  for (ObjId id : s.layers) {
    const DrawingObject& l = doc.get(id);
    layer.bind(1, std::int64_t{l.id}).bind(2, position++).bind(3, l.name.str()).bind(4, l.scale).run();
    objects.members(l);
  }
  objects.finish();
  Statement cls(db, "INSERT INTO classes VALUES (?,?)");
  for (std::size_t i = 0; i < s.classes.size(); ++i)
    cls.bind(1, static_cast<std::int64_t>(i + 1)).bind(2, s.classes[i]).run();
  writeSelectionRuns(db, s);
  Statement data(db, "INSERT INTO data_objects VALUES (?,?)");
  for (const auto& [tag, bytes] : dataObjects) data.bind(1, std::int64_t{tag}).bindBlob(2, bytes).run();
  if (lastUndo != nullptr) {
    Statement undo(db, "INSERT INTO undo VALUES (1, ?)");
    undo.bindBlob(1, encodeUndoRecord(*lastUndo)).run();
  }
  maybeDieMidSave();
  db.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
  db.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
  db.exec("COMMIT");
}

void syncPath(const fs::path& path, bool directory) {
  const int fd = ::open(path.c_str(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

fs::path saveTempPath(const fs::path& path) {
  return path.parent_path() / ("." + path.filename().string() + ".saving");
}

DrawingContents readDrawing(const fs::path& path) {
  checkLooksLikeDatabase(path);
  Connection db(path.string(), Connection::Mode::ReadOnly);
  const std::int64_t version = checkHeader(db);
  // The integrity check runs on a connection of its own on a second thread
  // while this one reads the contents.  Its failure is what is reported, as
  // when it ran first, even when the reading failed too; nothing read is kept
  // unless it passed.
  auto integrity = std::async(std::launch::async | std::launch::deferred, checkIntegrity, path.string());
  FileContents c;
  try {
    c = readContents(db, version);
  } catch (...) {
    const std::exception_ptr reading = std::current_exception();
    integrity.get();
    std::rethrow_exception(reading);
  }
  integrity.get();
  try {
    // Adoption makes the same checks as for any state the host takes on.
    return DrawingContents{Document::fromState(std::move(c.state)), std::move(c.dataObjects),
                           std::move(c.lastUndo)};
  } catch (const HostError& e) {
    throw FileError(quoted(path) + ": the drawing is damaged (" + e.what() + ")");
  }
}

void writeDrawing(const fs::path& path, const Document& document, const DataObjectBytes& dataObjects,
                  const UndoRecord* lastUndo, const SaveProgress& progress) {
  const fs::path temp = saveTempPath(path);
  std::error_code ec;
  fs::remove(temp, ec);  // left behind by a save that was killed
  try {
    {
      Connection db(temp.string(), Connection::Mode::Create);
      db.exec("PRAGMA journal_mode = MEMORY");  // the file is not visible until renamed
      writeContents(db, document, dataObjects, lastUndo, progress);
    }
    syncPath(temp, false);
    if (fs::exists(path, ec)) fs::permissions(temp, fs::status(path).permissions(), ec);
    fs::rename(temp, path);
    syncPath(path.parent_path().empty() ? fs::path(".") : path.parent_path(), true);
  } catch (const FileError& e) {
    fs::remove(temp, ec);
    throw FileError(quoted(path) + ": the drawing was not saved: " + e.what());
  } catch (const fs::filesystem_error& e) {
    fs::remove(temp, ec);
    throw FileError(quoted(path) + ": the drawing was not saved (" + e.code().message() + ")");
  }
}

void loadInto(Host& host, const fs::path& path) {
  DrawingContents c = readDrawing(path);
  host.document() = std::move(c.document);
  host.setDataObjects(c.dataObjects);
  std::vector<UndoRecord> history;
  if (c.lastUndo) history.push_back(std::move(*c.lastUndo));
  host.undoLog().setHistory(std::move(history));
}

void saveFrom(const Host& host, const fs::path& path, const SaveProgress& progress) {
  const auto& history = host.undoLog().history();
  writeDrawing(path, host.document(), host.dataObjects(), history.empty() ? nullptr : &history.back(), progress);
}

}  // namespace tinhost::file
