// `run`, `undo`, `script` and `shell` against a probe plug-in whose answers
// are known, and the contract against the terrain plug-in as it is built.
#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

using nlohmann::json;

class RunTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    drawing_ = newDrawing();
    ok({"import", drawing_, write("pts.xyz", "0 0 1\n10 0 2\n0 10 3\n").string()});
    ok({"import", drawing_, write("other.xyz", "5 5 5\n").string(), "--layer", "Other"});
  }
  RunResult probe(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), {"run", drawing_});
    args.insert(args.end(), {"--plugin", probePlugin().string()});
    return run(args, env);
  }
  // The newest marker polygon of the probe: (selected, item 16 in world units, item 36).
  json marker() {
    const json drawing = info(drawing_);
    json last;
    for (const auto& o : drawing["objects"])
      if (o["type"] == "poly3d") last = o["vertices"][0];
    return last;
  }

  std::string drawing_;
};

TEST_F(RunTest, AnswersReachTheDialogAndTheChangeIsSaved) {
  const RunResult r = probe({"create", "--set", "contourInterval=2.5", "--set", "smooth=true"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(marker(), json::parse("[3, 2500, 1]")) << "3 selected loci of the current layer";
  const auto j = info(drawing_);
  ASSERT_EQ(j["data_objects"].size(), 1u);
  EXPECT_EQ(j["data_objects"][0], json::parse(R"({"tag":"PRB0","size":4})"));
  EXPECT_EQ(j["layers"][0]["counts"]["poly3d"], 1);
}

TEST_F(RunTest, AnswersFileAndSelectionModes) {
  write("answers.json", R"({"contourInterval": 0.75, "smooth": false})");
  ASSERT_EQ(probe({"create", "--answers", p("answers.json"), "--select", "all"}).status, 0);
  EXPECT_EQ(marker(), json::parse("[4, 750, 0]"));
  ASSERT_EQ(probe({"create", "--select", "none", "--layer", "Other"}).status, 0);
  EXPECT_EQ(marker(), json::parse("[0, 0, 0]")) << "nothing answered: the items stay as the plug-in left them";
  EXPECT_EQ(info(drawing_)["current_layer"], "Other");
  // --set wins over the answers file.
  ASSERT_EQ(probe({"create", "--answers", p("answers.json"), "--set", "contourInterval=4"}).status, 0);
  EXPECT_EQ(marker()[1], 4000);
}

TEST_F(RunTest, BadAnswersAreUsageErrorsAndChangeNothing) {
  const std::string before = readText(drawing_);
  for (const auto& set : {"bogus=1", "smooth=maybe", "contourInterval=ten", "indexContourEvery=2.5", "noequals"}) {
    const RunResult r = probe({"create", "--set", set});
    EXPECT_EQ(r.status, 2) << set;
    EXPECT_NE(r.err.find("tinhost:"), std::string::npos) << set;
  }
  write("bad.json", "{\"contourInterval\": [1]}");
  EXPECT_EQ(probe({"create", "--answers", p("bad.json")}).status, 2);
  write("broken.json", "{");
  EXPECT_EQ(probe({"create", "--answers", p("broken.json")}).status, 2);
  EXPECT_EQ(probe({"flatten"}).status, 2);
  EXPECT_EQ(probe({"create", "--select", "some"}).status, 2);
  EXPECT_EQ(probe({"create", "--confirm", "perhaps"}).status, 2);
  EXPECT_EQ(readText(drawing_), before);
}

// An answer that no dialog or question took means the command did not do
// what was asked: a usage error, and nothing the run did is kept or shown.
TEST_F(RunTest, AnswersThatNothingTookAreUsageErrorsAndUndoTheRun) {
  const std::string before = readText(drawing_);
  struct Case {
    std::vector<std::string> args;
    const char* named;
  };
  const std::vector<Case> unused = {
      {{"area", "--set", "datumElev=805"}, "run area: no dialog or question of the command asked for datumElev=805"},
      {{"create", "--set", "smooth=1", "--set", "secondBase=G"}, "asked for secondBase=G"},
      {{"cutfill", "--confirm", "no", "--confirm", "yes", "--confirm", "no"}, "asked for --confirm no"},
      {{"create", "--place-text"}, "asked for --place-text"},
      {{"area", "--cancel", "--place-text"}, "asked for --place-text"},
      {{"change", "--cancel"}, "asked for --cancel"},
  };
  for (const Case& c : unused) {
    const RunResult r = probe(c.args);
    EXPECT_EQ(r.status, 2) << c.named;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was changed"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << "no report of a run that is taken back: " << c.named;
    EXPECT_EQ(readText(drawing_), before) << c.named;
  }
  EXPECT_NE(probe({"area", "--set", "datumElev=805"}).err.find("parameters dialog did not open"), std::string::npos);

  const RunResult placed = probe({"area", "--place-text"});
  EXPECT_EQ(placed.status, 0) << placed.err;
  EXPECT_EQ(placed.out, "probe report\n");
  const RunResult alerted = probe({"delete", "--set", "smooth=1"});
  EXPECT_EQ(alerted.status, 1) << "the alert is the failure; the unused answer is noted beside it";
  EXPECT_NE(alerted.err.find("note: run delete: no dialog or question of the command asked for smooth=1"),
            std::string::npos)
      << alerted.err;
  EXPECT_EQ(probe({"create", "--interactive", "--set", "smooth=1"}).status, 2);
  EXPECT_EQ(probe({"create", "--set", "smooth=1", "--set", "smooth=0"}).status, 2);
  EXPECT_EQ(readText(drawing_), before);
}

TEST_F(RunTest, CancelledOrUntouchedCommandsLeaveTheFileAsItWas) {
  const std::string before = readText(drawing_);
  const RunResult cancelled = probe({"create", "--cancel"});
  EXPECT_EQ(cancelled.status, 0);
  EXPECT_EQ(cancelled.out, "nothing was changed: the \"TIN parameters\" dialog was cancelled\n");
  EXPECT_EQ(probe({"change"}).status, 0) << "94 adds an object but answers docTouched 1";
  const RunResult unhandled = probe({"93"});
  EXPECT_EQ(unhandled.status, 0);
  EXPECT_NE(unhandled.err.find("does not handle menu item 93"), std::string::npos);
  EXPECT_EQ(readText(drawing_), before);
}

TEST_F(RunTest, ReportsGoToStdoutAndAlertsToStderr) {
  const RunResult report = probe({"area"});
  EXPECT_EQ(report.status, 0);
  EXPECT_EQ(report.out, "probe report\n");
  const RunResult alert = probe({"delete"});
  EXPECT_EQ(alert.status, 1);
  EXPECT_EQ(alert.out, "");
  EXPECT_EQ(alert.err, "error: probe alert second text\n");
}

TEST_F(RunTest, QuestionsAreAnsweredInOrderAndKeysHeld) {
  EXPECT_EQ(probe({"cutfill"}).out, "answers yes yes\n");
  EXPECT_EQ(probe({"cutfill", "--confirm", "no"}).out, "answers no yes\n");
  EXPECT_EQ(probe({"cutfill", "--confirm", "yes", "--confirm", "no"}).out, "answers yes no\n");
  EXPECT_EQ(probe({"diff"}).out, "option not held\n");
  EXPECT_EQ(probe({"diff", "--hold-option"}).out, "option held\n");
}

TEST_F(RunTest, UndoRevertsTheLastCommandOnly) {
  ASSERT_EQ(probe({"create"}).status, 0);
  EXPECT_EQ(info(drawing_)["layers"][0]["counts"]["poly3d"], 1);
  ok({"undo", drawing_});
  const auto j = info(drawing_);
  EXPECT_EQ(j["layers"][0]["counts"]["poly3d"], 0);
  EXPECT_TRUE(j["data_objects"].empty()) << "the data objects come back as they were";
  EXPECT_EQ(j["layers"][1]["counts"]["locus3d"], 1) << "the import before it stays";
  EXPECT_EQ(run({"undo", drawing_}).status, 1) << "only the last command is kept";
}

TEST_F(RunTest, UndoRevertsAnImport) {
  ok({"import", drawing_, write("more.xyz", "1 1 1\n2 2 2\n").string(), "--layer", "More"});
  ok({"undo", drawing_});
  const auto j = info(drawing_);
  ASSERT_EQ(j["layers"].size(), 2u) << "the layer the import made goes too";
  EXPECT_EQ(j["layers"][1]["counts"]["locus3d"], 1);
}

TEST_F(RunTest, MissingPluginIsAFileErrorNamingIt) {
  const RunResult r = run({"run", drawing_, "create", "--plugin", p("nowhere.so")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("nowhere.so"), std::string::npos) << r.err;
}

TEST_F(RunTest, ScriptRunsInOneSessionAndStopsAtTheFirstFailure) {
  write("job.txt",
        "# build and report\n"
        "layer Work\n"
        "import " + p("pts.xyz") + "\n"
        "run create --set contourInterval=3\n"
        "run area\n"
        "run delete\n"
        "run area\n");
  const RunResult r = run({"script", drawing_, p("job.txt"), "--plugin", probePlugin().string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("probe report\n") != std::string::npos, true);
  EXPECT_NE(r.err.find("error: probe alert"), std::string::npos);
  EXPECT_NE(r.err.find("job.txt:6"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.rfind("probe report"), r.out.find("probe report")) << "line 7 must not run";
  const auto j = info(drawing_);
  EXPECT_EQ(j["current_layer"], "Work");
  EXPECT_EQ(j["layers"][2]["counts"]["locus3d"], 3);
  EXPECT_EQ(marker(), json::parse("[3, 3000, 0]"));

  write("bad.txt", "layer X\nfrobnicate\n");
  const RunResult bad = run({"script", drawing_, p("bad.txt")});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("bad.txt:2"), std::string::npos) << bad.err;
  EXPECT_EQ(info(drawing_)["current_layer"], "X") << "line 1 stays done";
}

TEST_F(RunTest, ShellAsksTheDialogsAtTheTerminal) {
  const RunResult r = run({"shell", drawing_, "--plugin", probePlugin().string()}, {},
                          "info --json\nrun cutfill\ny\nn\nok\nnonsense\nquit\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("answers yes no"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"current_layer\""), std::string::npos);
  EXPECT_NE(r.err.find("nonsense"), std::string::npos) << "errors are reported and the shell goes on";
}

// The terrain plug-in as it is built now: whatever each command answers, an
// alert means exit status 1 and an unchanged file, and a change is saved.
TEST_F(RunTest, TerrainPluginCommandsKeepTheContract) {
  for (const std::string command : {"create", "area", "cutfill", "change", "delete", "diff"}) {
    const std::string before = readText(drawing_);
    std::vector<std::string> args{"run", drawing_, command};
    if (command == "create" || command == "change")
      args.insert(args.end(), {"--set", "contourInterval=1", "--set", "labelCntrs=1"});
    const RunResult r = run(args);
    const bool alerted = r.err.find("error: ") == 0;
    EXPECT_EQ(r.status, alerted ? 1 : 0) << command << ": " << r.err;
    if (alerted) {
      EXPECT_EQ(readText(drawing_), before) << command;
    } else {
      EXPECT_NO_THROW(info(drawing_));
    }
  }
}

// Breaklines the terrain plug-in's build could not hold: one warning line on
// stderr per polygon, the TIN built all the same (exit 0), the warnings kept
// with the TIN in the drawing for `info`, and gone with the TIN.
TEST_F(RunTest, BreaklineWarningsGoToStderrAndInfoListsThemPerTIN) {
  ok({"import", drawing_,
      write("creek.csv", "x,y,z\n0,0,1\n100,0,2\n0,100,3\n100,100,4\n72,32,9\n68,28,9\n").string(),
      "--layer", "Creek"});
  ok({"import", drawing_,
      write("lines.csv", "line_id,x,y,z\n1,10,10,1\n1,50,50,5\n2,50,50,5\n2,90,10,2\n2,90,60,2\n").string(),
      "--layer", "Creek"});
  const RunResult r = run({"run", drawing_, "create", "--layer", "Creek"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "warning: TIN \"Creek\": 3D polygon #16 on layer \"Creek\" lost corner 1 at "
                   "(50.000, 50.000) m from its breakline (its XY was already a vertex); 1 of its drawn "
                   "segments is therefore not a TIN edge\n");
  const json tins = info(drawing_)["tins"];
  ASSERT_EQ(tins.size(), 1u);
  EXPECT_EQ(tins[0]["name"], "Creek");
  EXPECT_EQ(tins[0]["breakline_warnings"], json::parse(R"({"segments_not_held": [], "lost_corners":
      [{"polygon": 16, "layer": "Creek", "corners": [{"number": 1, "at": [50.0, 50.0]}],
        "segments_not_edges": 1}]})"));
  EXPECT_NE(ok({"info", drawing_}).find("    warning: TIN \"Creek\": 3D polygon #16"), std::string::npos);

  ok({"run", drawing_, "delete", "--confirm", "yes", "--confirm", "no"});
  EXPECT_EQ(info(drawing_)["tins"], json::array());
  EXPECT_EQ(ok({"info", drawing_}).find("warning"), std::string::npos);
}

TEST_F(RunTest, DecliningTheContourCountQuestionSaysNothingWasChanged) {
  ASSERT_EQ(run({"run", drawing_, "create", "--set", "contourInterval=1"}).status, 0);
  const std::string before = readText(drawing_);
  const RunResult declined = run({"run", drawing_, "change", "--set", "contourInterval=0.01", "--confirm", "no"});
  EXPECT_EQ(declined.status, 0) << declined.err;
  EXPECT_EQ(declined.out, "nothing was changed: the answer to \"More than 50 contours will be drawn. Continue?\" was no\n");
  EXPECT_EQ(readText(drawing_), before);
  const RunResult accepted = run({"run", drawing_, "change", "--set", "contourInterval=0.01", "--confirm", "yes"});
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_EQ(accepted.out, "");
  EXPECT_NE(readText(drawing_), before);
}

TEST_F(RunTest, DemoRunsAndSaysWhatItDid) {
  const RunResult r = run({"demo", p("demo")});
  EXPECT_TRUE(r.status == 0 || r.status == 1) << r.err;
  EXPECT_NE(r.out.find("imported 373 point(s)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("imported 0 point(s) and 11 line(s)"), std::string::npos);
  EXPECT_NE(r.out.find("steps succeeded"), std::string::npos);
  const auto j = info(p("demo/survey.tin"));
  EXPECT_EQ(j["units"]["name"], "ft");
  EXPECT_EQ(j["layers"][1]["name"], "Ground");
  EXPECT_EQ(j["layers"][1]["counts"]["poly3d"], 11);
  EXPECT_TRUE(fs::exists(path("demo/SAMPLE-SOURCE.md")));
}

}  // namespace
}  // namespace tinhost::testing
