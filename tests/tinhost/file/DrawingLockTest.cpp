// Two tinhost processes on one drawing: a writer holds it from reading to
// saving, a second writer waits (or gives up, changing nothing), and readers
// go on beside them and see a whole drawing.
#include <set>

#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

using nlohmann::json;

class DrawingLockTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    drawing_ = newDrawing();
    ok({"import", drawing_, write("pts.xyz", "0 0 1\n10 0 2\n0 10 3\n").string()});
    write("other.xyz", "5 5 5\n");
  }
  static std::size_t layerCount(const json& j, const std::string& name, const char* type) {
    for (const auto& l : j["layers"])
      if (l["name"] == name) return l["counts"][type].get<std::size_t>();
    return 0;
  }
  bool hasLayer(const json& j, const std::string& name) const {
    for (const auto& l : j["layers"])
      if (l["name"] == name) return true;
    return false;
  }
  static void waitForFile(const fs::path& f) {
    for (int i = 0; i < 3000 && !fs::exists(f); ++i) ::usleep(10'000);
    ASSERT_TRUE(fs::exists(f)) << f;
  }

  std::string drawing_;
};

// The lost update of a long create and an import side by side.
TEST_F(DrawingLockTest, SecondWriterWaitsAndNeitherChangeIsLost) {
  const fs::path gate = write("gate", "");
  Background create(*this, "create", {"run", drawing_, "create", "--plugin", probePlugin().string()},
                    {"TINHOST_PROBE_GATE=" + gate.string()});
  waitForFile(path("gate.entered"));  // the create holds the drawing and is inside the plug-in

  Background import(*this, "import", {"import", drawing_, p("other.xyz"), "--layer", "Other", "--wait", "30"}, {});
  ASSERT_TRUE(import.waitFor("waiting up to 30 s")) << import.err();
  EXPECT_NE(import.err().find("is in use by process"), std::string::npos) << import.err();
  EXPECT_NE(import.err().find("tinhost run"), std::string::npos) << "names the holder: " << import.err();

  const json during = info(drawing_);  // a reader does not wait
  EXPECT_FALSE(hasLayer(during, "Other"));
  EXPECT_EQ(layerCount(during, "Layer 1", "poly3d"), 0u);

  fs::remove(gate);
  const RunResult created = create.finish();
  EXPECT_EQ(created.status, 0) << created.err;
  const RunResult imported = import.finish();
  EXPECT_EQ(imported.status, 0) << imported.err;
  EXPECT_NE(imported.out.find("imported 1 point(s)"), std::string::npos);

  const json after = info(drawing_);
  EXPECT_EQ(layerCount(after, "Layer 1", "poly3d"), 1u) << "the create's marker is kept";
  EXPECT_EQ(layerCount(after, "Other", "locus3d"), 1u) << "and so is the import made after it";
}

TEST_F(DrawingLockTest, EveryWriterGivesUpAfterItsLimitAndChangesNothing) {
  Background shell(*this, "shell", {"shell", drawing_, "--plugin", probePlugin().string()}, {});
  shell.send("layer Held\n");
  ASSERT_TRUE(shell.waitFor("current layer: \"Held\""));
  const std::string held = readText(drawing_);
  write("job.txt", "layer Scripted\n");
  const std::vector<std::vector<std::string>> writers = {
      {"import", drawing_, p("other.xyz"), "--layer", "Other"},
      {"layer", drawing_, "Elsewhere"},
      {"run", drawing_, "create", "--plugin", probePlugin().string()},
      {"undo", drawing_},
      {"script", drawing_, p("job.txt")},
      {"shell", drawing_},
      {"new", drawing_, "--force"},
  };
  for (std::vector<std::string> args : writers) {
    args.insert(args.end(), {"--wait", "0.2"});
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 2) << args[0] << ": " << r.err;
    EXPECT_NE(r.err.find("still in use after 0.2 s, by process"), std::string::npos) << args[0] << ": " << r.err;
    EXPECT_NE(r.err.find("tinhost shell"), std::string::npos) << args[0] << ": " << r.err;
    EXPECT_EQ(readText(drawing_), held) << args[0];
  }
  EXPECT_EQ(run({"export", drawing_, p("out.csv"), "--wait", "0"}).status, 0) << "a reader never waits";

  shell.send("quit\n");
  EXPECT_EQ(shell.finish().status, 0);
  EXPECT_EQ(info(drawing_)["current_layer"], "Held");
  EXPECT_EQ(run({"layer", drawing_, "Free", "--wait", "0"}).status, 0) << "the hold ends with the holder";
}

// Each save of the shell replaces the file whole, so readers started at any
// moment read a drawing with some number of whole imports in it.
TEST_F(DrawingLockTest, ReadersSeeTheDrawingBeforeOrAfterASaveNeverHalf) {
  std::string batch;
  for (int i = 0; i < 500; ++i) batch += std::to_string(i) + " " + std::to_string(i % 37) + " 1\n";
  write("batch.xyz", batch);
  constexpr int kImports = 12;
  Background shell(*this, "shell", {"shell", drawing_}, {});
  for (int i = 0; i < kImports; ++i) shell.send("import " + p("batch.xyz") + " --layer Batch\n");
  shell.send("quit\n");

  std::set<std::size_t> seen;
  for (int reads = 0; reads < 200; ++reads) {
    const RunResult r = run({"info", drawing_, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t points = layerCount(json::parse(r.out), "Batch", "locus3d");
    EXPECT_EQ(points % 500, 0u) << "a part of an import";
    seen.insert(points);
    if (points == 500u * kImports) break;
  }
  EXPECT_EQ(shell.finish().status, 0);
  EXPECT_EQ(*seen.rbegin(), 500u * kImports);
}

}  // namespace
}  // namespace tinhost::testing
