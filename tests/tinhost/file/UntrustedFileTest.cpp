// Files from elsewhere: a drawing file is opened defensively (no extensions,
// untrusted schema), a hostile or damaged one is refused and left as it was,
// and an export writes only where it was told to.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tinhost/core/Host.h"
#include "tinhost/file/DrawingFile.h"
#include "tinhost/file/FileError.h"
#include "tinhost/file/Sqlite.h"
#include "tinhost/io/DxfReader.h"
#include "tinhost/io/Exporter.h"

namespace {

namespace fs = std::filesystem;
using tinhost::file::Connection;
using tinhost::file::FileError;

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class UntrustedFiles : public ::testing::Test {
 protected:
  fs::path dir;
  fs::path drawing;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tin-untrusted-" + std::to_string(::getpid()));
    fs::create_directories(dir / "inside");
    drawing = dir / "inside" / "site.tdw";
    tinhost::Host host;
    for (int i = 0; i < 4; ++i) host.document().addLocus(host.document().currentLayer(), i * 1000, i * i * 500, 7000 + i);
    tinhost::file::saveFrom(host, drawing);
  }
  void TearDown() override { fs::remove_all(dir); }
};

TEST_F(UntrustedFiles, ConnectionsAreDefensiveWithoutExtensionsOrTrustedSchema) {
  for (auto mode : {Connection::Mode::ReadOnly, Connection::Mode::Create}) {
    Connection db((mode == Connection::Mode::ReadOnly ? drawing : dir / "new.db").string(), mode);
    int value = -1;
    sqlite3_db_config(db.raw(), SQLITE_DBCONFIG_DEFENSIVE, -1, &value);
    EXPECT_EQ(value, 1);
    sqlite3_db_config(db.raw(), SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, -1, &value);
    EXPECT_EQ(value, 0);
    sqlite3_db_config(db.raw(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, -1, &value);
    EXPECT_EQ(value, 0);
    EXPECT_THROW(db.exec("SELECT load_extension('/nonexistent/libevil')"), FileError);
  }
}

// Each hostile change is made to a copy of a good drawing with SQLite itself;
// the opener must refuse the result and leave it byte for byte.
TEST_F(UntrustedFiles, HostileDrawingsAreRefusedAndLeftUnchanged) {
  const char* const kHostile[] = {
      // A view in place of a table, loading a library when read.
      "DROP TABLE drawing; CREATE VIEW drawing AS SELECT 'unit' AS key, load_extension('/nonexistent/libevil') AS value",
      // A view that writes a file through a side-effecting function.
      "DROP TABLE layers; CREATE VIEW layers AS SELECT 1 AS id, 0 AS position, writefile('x', 'y') AS name, 1.0 AS scale",
      // The object table's schema rewritten (defensive mode forbids it on our side only).
      "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = 'CREATE TABLE object_runs(seq)' WHERE name = "
      "'object_runs'",
      // A run claiming a huge number of objects.
      "UPDATE object_runs SET objects = 9000000000000",
      // A run whose records were zeroed.
      "UPDATE object_runs SET records = zeroblob(300)",
  };
  for (const char* sql : kHostile) {
    const fs::path hostile = dir / "inside" / "hostile.tdw";
    fs::copy_file(drawing, hostile, fs::copy_options::overwrite_existing);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(hostile.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);  // some are refused by SQLite already: still damaged enough
    sqlite3_close(db);
    const std::string before = Bytes(hostile);
    tinhost::Host host;
    EXPECT_THROW(tinhost::file::loadInto(host, hostile), FileError) << sql;
    EXPECT_EQ(Bytes(hostile), before) << sql;
    EXPECT_FALSE(fs::exists(dir / "inside" / "x"));
  }
}

// A link planted at the name an export writes through first must not carry
// the output out of the directory it was given.
TEST_F(UntrustedFiles, ExportDoesNotFollowALinkAtItsWorkingName) {
  tinhost::Host host;
  tinhost::file::loadInto(host, drawing);
  const fs::path outside = dir / "outside.txt";
  std::ofstream(outside) << "keep";
  for (const char* name : {"points.xyz", "points.csv", "plan.dxf", "surface.xml", "plan.svg"}) {
    const fs::path target = dir / "inside" / name;
    fs::create_symlink(outside, dir / "inside" / ("." + std::string(name) + ".writing"));
    tinhost::io::exportDrawing(host, target, {});
    EXPECT_EQ(Bytes(outside), "keep") << name;
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target))) << name;
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "inside" / ("." + std::string(name) + ".writing")))) << name;
  }
}

// Fault found by the DXF fuzz target: a group code such as 6.7e44 was cast
// to long before its range was checked (undefined behaviour).
TEST_F(UntrustedFiles, DxfGroupCodeTooLargeForALongIsRefused) {
  const fs::path dxf = dir / "inside" / "huge-code.dxf";
  std::ofstream(dxf) << "  0\nSECTION\n  2\nENTITIES\n6.66667e+44\n1\n  0\nENDSEC\n  0\nEOF\n";
  EXPECT_THROW(tinhost::io::readDxfFile(dxf), FileError);
}

}  // namespace
