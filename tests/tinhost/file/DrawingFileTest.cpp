// The drawing file: what `new` makes, files that must be refused without
// being touched, and saves that die half-way.
#include <sqlite3.h>
#include <signal.h>

#include <nlohmann/json.hpp>

#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

class DrawingFileTest : public CliTest {
 protected:
  void sql(const std::string& file, const std::string& statement) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }

  // `info` and `import` both refuse the file with a message containing `why`,
  // exit status 2, and the file keeps every byte.
  void expectRefused(const std::string& file, const std::string& why) {
    const std::string before = readText(file);
    for (const auto& args : {std::vector<std::string>{"info", file},
                             std::vector<std::string>{"import", file, write("pts.xyz", "1 2 3\n").string()}}) {
      const RunResult r = run(args);
      EXPECT_EQ(r.status, 2) << args[0];
      EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(file), std::string::npos) << "the message names the file: " << r.err;
    }
    EXPECT_EQ(readText(file), before);
    EXPECT_FALSE(fs::exists(fs::path(file).string() + "-journal"));
  }
};

TEST_F(DrawingFileTest, NewDrawingHasOneCurrentLayerAndTheChosenUnits) {
  const auto feet = newDrawing("f.tin", {"--unit", "ft", "--resolution", "100"});
  const auto j = info(feet);
  EXPECT_EQ(j["units"]["name"], "ft");
  EXPECT_EQ(j["units"]["world_per_unit"], 100);
  EXPECT_EQ(j["units"]["origin"], nlohmann::json::array({0.0, 0.0}));
  ASSERT_EQ(j["layers"].size(), 1u);
  EXPECT_EQ(j["current_layer"], j["layers"][0]["name"]);
  EXPECT_TRUE(j["objects"].empty());
  EXPECT_TRUE(j["classes"].empty());
  EXPECT_TRUE(j["data_objects"].empty());

  EXPECT_EQ(info(newDrawing("m.tin"))["units"]["world_per_unit"], 1000);
}

TEST_F(DrawingFileTest, NewRefusesBadOptionsAndExistingFiles) {
  EXPECT_EQ(run({"new", p("a.tin"), "--unit", "yd"}).status, 2);
  EXPECT_EQ(run({"new", p("a.tin"), "--resolution", "0"}).status, 2);
  EXPECT_FALSE(fs::exists(path("a.tin")));
  write("notes.txt", "keep me");
  const RunResult r = run({"new", p("notes.txt")});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(readText(path("notes.txt")), "keep me");
  EXPECT_EQ(run({"new", p("notes.txt"), "--force"}).status, 0);
  EXPECT_EQ(info(p("notes.txt"))["layers"].size(), 1u);
}

TEST_F(DrawingFileTest, FilesThatAreNotDrawingsAreRefusedUntouched) {
  expectRefused(write("text.tin", "x,y,z\n1,2,3\n").string(), "not a drawing");
  expectRefused(write("empty.tin", "").string(), "not a drawing");
  sql(p("other.db"), "CREATE TABLE t(a); INSERT INTO t VALUES (1);");
  expectRefused(p("other.db"), "another program");
  EXPECT_EQ(run({"info", p("missing.tin")}).status, 2);
}

TEST_F(DrawingFileTest, NewerFormatIsRefusedUntouched) {
  const auto d = newDrawing();
  sql(d, "PRAGMA user_version = 99");
  expectRefused(d, "newer version");
}

TEST_F(DrawingFileTest, DamagedFilesAreRefusedUntouched) {
  const auto d = newDrawing();
  ok({"import", d, dataFile("mass_topo/mass_topo_points.csv").string()});
  std::string bytes = readText(d);
  ASSERT_GT(bytes.size(), 4096u);
  // Overwrite the second page (the first table's root) with noise.
  for (std::size_t i = 4096; i < 4096 + 512 && i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  write("damaged.tin", bytes);
  expectRefused(p("damaged.tin"), "damaged");
  // A file cut short.
  write("short.tin", readText(d).substr(0, 5000));
  expectRefused(p("short.tin"), "damaged");
  // An undo record whose run of made objects reaches past the drawing's next id.
  const std::string undo = write("undo.tin", readText(d)).string();
  const nlohmann::json record = {{"method", 0},
                                 {"steps", {{{"kind", "created"}, {"id", 5}, {"count", 4000000000u}}}},
                                 {"data_objects", nlohmann::json::object()},
                                 {"current_layer", 0},
                                 {"data_changed", false}};
  std::string hex;
  for (std::uint8_t b : nlohmann::json::to_cbor(record)) {
    hex += "0123456789ABCDEF"[b >> 4];
    hex += "0123456789ABCDEF"[b & 15];
  }
  sql(undo, "UPDATE undo SET record = X'" + hex + "' WHERE slot = 1");
  expectRefused(undo, "undo record is damaged");
  // Records cut short.
  sql(d, "UPDATE object_runs SET records = substr(records, 1, 100) WHERE seq = 1");
  expectRefused(d, "damaged");
}

TEST_F(DrawingFileTest, SaveKilledHalfWayLeavesThePreviousDrawing) {
  const auto d = newDrawing();
  ok({"import", d, dataFile("mass_topo/mass_topo_points.csv").string()});
  const std::string before = readText(d);
  const RunResult r = run({"import", d, dataFile("volcano/volcano_points.csv").string(), "--layer", "V"},
                          {"TINHOST_TEST_KILL_DURING_SAVE=1"});
  EXPECT_EQ(r.signal, SIGKILL);
  EXPECT_EQ(readText(d), before);
  const auto j = info(d);
  ASSERT_EQ(j["layers"].size(), 1u);
  EXPECT_EQ(j["layers"][0]["counts"]["locus3d"], 52);
  // The next save works and replaces what the killed one left behind.
  ok({"import", d, dataFile("volcano/volcano_points.csv").string(), "--layer", "V"});
  EXPECT_EQ(info(d)["layers"][1]["counts"]["locus3d"], 5307);
  EXPECT_FALSE(fs::exists(path(".d.tin.saving")));
}

TEST_F(DrawingFileTest, SaveKilledFromOutsideAtAnyMomentLeavesAReadableDrawing) {
  const auto d = newDrawing();
  ok({"import", d, dataFile("mass_topo/mass_topo_points.csv").string()});
  const std::string before = readText(d);
  const std::string big = dataFile("volcano/volcano_points.csv").string();
  for (int delayMs : {5, 20, 40, 80}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      const std::string bin = tinhostBinary().string();
      ::execl(bin.c_str(), bin.c_str(), "import", d.c_str(), big.c_str(), "--layer", "V", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::usleep(static_cast<useconds_t>(delayMs) * 1000);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const auto j = info(d);  // whatever moment it died at, the drawing reads
    const std::string now = readText(d);
    if (now == before) continue;
    // It finished before the kill: the import is there in full, or not at all.
    ASSERT_EQ(j["layers"].size(), 2u);
    EXPECT_EQ(j["layers"][1]["counts"]["locus3d"], 5307);
    return;
  }
}

}  // namespace
}  // namespace tinhost::testing
