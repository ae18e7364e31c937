// The drawing file's objects: every field of every kind of object comes back
// as it was saved, across many runs of records; drawings of the older format
// (a row per object and per vertex) still open; a run whose bytes do not
// hold what its row says is refused as damage.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <set>
#include <string>

#include "plugin/host/KVABI.h"
#include "tinhost/core/Host.h"
#include "tinhost/file/DrawingFile.h"
#include "tinhost/file/FileError.h"
#include "tinhost/file/ObjectRuns.h"

namespace {

namespace fs = std::filesystem;
using tinhost::Document;
using tinhost::ObjId;
using tinhost::Vertex;

class DrawingFormat : public ::testing::Test {
 protected:
  fs::path dir;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tin-format-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  void sql(const fs::path& file, const std::string& statement) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  std::string refusal(const fs::path& file) {
    tinhost::Host host;
    try {
      tinhost::file::loadInto(host, file);
    } catch (const tinhost::file::FileError& e) {
      return e.what();
    }
    return "opened";
  }
};

// Text, groups in groups, 2D polygons with control points, styles that change
// and come back, coordinates at both ends of the 32-bit range, and enough
// scattered loci that the objects fill several runs.
Document EveryKindOfObject() {
  Document d;
  const ObjId layer = d.currentLayer();
  const ObjId second = d.createLayer("Second", 2.5);
  d.addClass("Trees");
  d.addClass("Walls");
  const ObjId text = d.createText("first line\rsecond", -7, 123456, 3, 250);
  d.addToContainer(text, layer);
  d.setColor(text, {1, 2, 3, 4});
  const ObjId outer = d.createObject(kKVTypeGroup);
  d.addToContainer(outer, second);
  const ObjId inner = d.createObject(kKVTypeGroup);
  d.addToContainer(inner, outer);
  const ObjId poly = d.createObject(kKVTypePoly2D);
  d.addToContainer(poly, inner);
  d.addVertex(poly, Vertex{INT32_MIN, INT32_MAX, 0, kKVVertexCorner});
  d.addVertex(poly, Vertex{INT32_MAX, INT32_MIN, 0, kKVVertexControl});
  d.addVertex(poly, Vertex{0, 0, 0, kKVVertexCorner});
  d.setClosed(poly, true);
  d.setFillPattern(poly, -3);
  d.setLineWeight(poly, 9);
  d.setObjectClass(poly, 2);
  d.addLocus(outer, 5, 6, -7);  // after the inner group: a member of the outer one again
  std::uint32_t r = 12345;
  for (int i = 0; i < 60000; ++i) {
    r = r * 1103515245u + 12345u;
    const ObjId id = d.addLocus(i % 2 == 0 ? layer : second, static_cast<std::int32_t>(r),
                                static_cast<std::int32_t>(r * 7u), static_cast<std::int32_t>(r >> 3) - (1 << 28));
    if (i % 5000 == 0) d.setObjectClass(id, 1);  // a style that changes for one object only
  }
  const ObjId tri = d.createObject(kKVTypePoly3D);
  d.addToContainer(tri, layer);
  for (int k = 0; k < 3; ++k) d.addVertex(tri, Vertex{k * 1000, -k * 1000, INT32_MIN + k, kKVVertexCorner});
  d.select(outer);
  d.select(text);
  return d;
}

TEST_F(DrawingFormat, EveryObjectComesBackAsSavedAcrossManyRuns) {
  tinhost::Host host;
  host.document() = EveryKindOfObject();
  const fs::path file = dir / "all.tdw";
  tinhost::file::saveFrom(host, file);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*), sum(objects) FROM object_runs", -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_GE(sqlite3_column_int64(st, 0), 3);
  EXPECT_EQ(sqlite3_column_int64(st, 1), 60000 + 6);
  sqlite3_finalize(st);
  sqlite3_close(db);

  tinhost::Host back;
  tinhost::file::loadInto(back, file);
  const auto& a = host.document().state();
  const auto& b = back.document().state();
  EXPECT_TRUE(a.objects == b.objects);
  EXPECT_EQ(a.members, b.members);
  EXPECT_EQ(a.layers, b.layers);
  EXPECT_EQ(a.selection, b.selection);
  EXPECT_EQ(a.classes, b.classes);
  EXPECT_EQ(a.nextId, b.nextId);
}

// A drawing as the first format wrote it: members put in order by their
// position (not by id or row order), vertices in sequence, the selection a
// row per object.
TEST_F(DrawingFormat, DrawingsOfTheFirstFormatStillOpen) {
  const fs::path file = dir / "old.tdw";
  sql(file, R"sql(
    CREATE TABLE drawing(key TEXT PRIMARY KEY, value);
    CREATE TABLE layers(id INTEGER PRIMARY KEY, position INTEGER NOT NULL UNIQUE, name TEXT NOT NULL, scale REAL NOT NULL);
    CREATE TABLE objects(id INTEGER PRIMARY KEY, type INTEGER NOT NULL, parent INTEGER NOT NULL,
      position INTEGER NOT NULL, class INTEGER NOT NULL, color BLOB NOT NULL, fill INTEGER NOT NULL,
      weight INTEGER NOT NULL, closed INTEGER NOT NULL, text TEXT NOT NULL, anchor_x INTEGER NOT NULL,
      anchor_y INTEGER NOT NULL, text_style INTEGER NOT NULL, text_size INTEGER NOT NULL);
    CREATE TABLE vertices(object INTEGER NOT NULL, seq INTEGER NOT NULL, x INTEGER NOT NULL, y INTEGER NOT NULL,
      z INTEGER NOT NULL, kind INTEGER NOT NULL, PRIMARY KEY(object, seq)) WITHOUT ROWID;
    CREATE TABLE classes(id INTEGER PRIMARY KEY, name TEXT NOT NULL);
    CREATE TABLE selection(object INTEGER PRIMARY KEY);
    CREATE TABLE data_objects(tag INTEGER PRIMARY KEY, bytes BLOB NOT NULL);
    CREATE TABLE undo(slot INTEGER PRIMARY KEY CHECK (slot = 1), record BLOB NOT NULL);
    INSERT INTO drawing VALUES ('unit', 'm'), ('world_per_unit', 1000), ('unit_scale', 1.0), ('origin_x', 0.0),
      ('origin_y', 0.0), ('current_layer', 2), ('next_id', 6), ('header_id', 1), ('drawing_name', 'old');
    INSERT INTO layers VALUES (2, 0, 'Ground', 1.0);
    INSERT INTO objects VALUES (3, 25, 2, 1, 0, X'00000000', 1, 1, 1, '', 0, 0, 0, 100),
                               (4, 9, 2, 0, 0, X'0A0B0C0D', 1, 1, 0, '', 0, 0, 0, 100),
                               (5, 17, 2, 2, 0, X'00000000', 1, 1, 0, 'note', 10, 20, 1, 50);
    INSERT INTO vertices VALUES (3, 1, 40, 50, 60, 0), (3, 0, 10, 20, 30, 0), (3, 2, 70, 80, 90, 0),
                                (4, 0, -1, -2, -3, 0);
    INSERT INTO selection VALUES (4), (5);
    PRAGMA application_id = 1414090308;
    PRAGMA user_version = 1;
  )sql");
  tinhost::Host host;
  tinhost::file::loadInto(host, file);
  const Document& d = host.document();
  EXPECT_EQ(d.members(2), (std::vector<ObjId>{4, 3, 5}));
  ASSERT_EQ(d.get(3).vertices.size(), 3u);
  EXPECT_EQ(d.get(3).vertices[0], (Vertex{10, 20, 30, 0}));
  EXPECT_EQ(d.get(3).vertices[2], (Vertex{70, 80, 90, 0}));
  EXPECT_TRUE(d.get(3).closed);
  EXPECT_EQ(d.get(4).color, (tinhost::Color{10, 11, 12, 13}));
  EXPECT_EQ(d.get(5).text.view(), "note");
  EXPECT_EQ(d.get(5).textSize, 50);
  EXPECT_EQ(d.selection(), (std::set<ObjId>{4, 5}));

  // Its next save writes the current format, with the same objects.
  tinhost::file::saveFrom(host, file);
  tinhost::Host again;
  tinhost::file::loadInto(again, file);
  EXPECT_TRUE(again.document().state().objects == d.state().objects);
  EXPECT_EQ(again.document().members(2), d.members(2));
}

TEST_F(DrawingFormat, RunsThatDoNotHoldWhatTheirRowSaysAreDamage) {
  tinhost::Host host;
  const ObjId layer = host.document().currentLayer();
  for (int i = 0; i < 10; ++i) host.document().addLocus(layer, i, i * 3, i * 5);
  const fs::path good = dir / "good.tdw";
  tinhost::file::saveFrom(host, good);

  // A record naming a parent the drawing does not have, packed as the writer packs.
  tinhost::file::RunWriter orphan;
  tinhost::DrawingObject o;
  o.id = 500;
  o.type = kKVTypeLocus3D;
  o.vertices.push_back(Vertex{1, 2, 3, 0});
  orphan.add(o, 999999);
  std::string hex;
  for (std::uint8_t b : orphan.bytes()) {
    hex += "0123456789ABCDEF"[b >> 4];
    hex += "0123456789ABCDEF"[b & 15];
  }
  const struct {
    std::string change, why;
  } kDamage[] = {
      {"UPDATE object_runs SET objects = objects + 1", "end after 10 of 11"},
      {"UPDATE object_runs SET objects = objects - 1", "follow the last of its 9"},
      {"UPDATE object_runs SET records = substr(records, 1, length(records) - 2)", "past the end"},
      {"UPDATE object_runs SET records = X'0080808080808080808080808001'", "too long"},
      {"UPDATE object_runs SET objects = -1", "negative"},
      {"INSERT INTO object_runs VALUES (2, 1, X'" + hex + "')", "damaged"},
      {"INSERT INTO selection_runs VALUES (1, 2, X'0500')", "selection run 1: the ids do not rise"},
  };
  for (const auto& damage : kDamage) {
    const fs::path file = dir / "damaged.tdw";
    fs::copy_file(good, file, fs::copy_options::overwrite_existing);
    sql(file, damage.change);
    const std::string message = refusal(file);
    EXPECT_NE(message.find("damaged"), std::string::npos) << damage.change << ": " << message;
    EXPECT_NE(message.find(damage.why), std::string::npos) << damage.change << ": " << message;
  }
}

}  // namespace
