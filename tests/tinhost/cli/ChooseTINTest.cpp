// `run COMMAND --choose NAME` on real drawings of two and three TINs, with
// the terrain plug-in: the command works on the TIN named whatever layer is
// current, and the other TINs' parameters, graphics and stored data stay as
// they were; a TIN that cannot be reached is a usage error that changes
// nothing.  The stored TINs are read back with the plug-in's own reader.
#include <map>
#include <set>

#include "plugin/host/PluginMemory.h"
#include "plugin/host/Str255.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/shell/LandMgr.h"
#include "tests/support/CliTestSupport.h"
#include "tests/support/StoredDrawings.h"
#include "tinhost/file/DrawingFile.h"

namespace tinhost::testing {
namespace {

using nlohmann::json;

// What the plug-in reads back of one stored TIN.
struct Stored {
  std::int32_t contourInterval = 0, datumElev = 0, vertices = 0, triangles = 0;
  std::string inner, outer;  // base TINs' names
  bool operator==(const Stored&) const = default;
};

std::string grid(double x0, double step, int n, double (*z)(double, double)) {
  std::string rows;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const double x = x0 + step * i, y = x0 + step * j;
      rows += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z(x, y)) + "\n";
    }
  return rows;
}

class ChooseTINTest : public CliTest {
 protected:
  // TINs G (inside H), H, and with `three` K (apart), each on its own layer
  // and made from it, in that order; each has its own datum.
  void makeTINs(bool three) {
    drawing_ = newDrawing();
    write("g.xyz", grid(20, 20, 4, [](double x, double y) { return 200 - y / 10 + x / 20; }));
    write("h.xyz", grid(0, 25, 5, [](double x, double) { return 100 + x / 10; }));
    write("k.xyz", grid(200, 25, 4, [](double x, double) { return 50 + (x - 200) / 5; }));
    const std::vector<std::pair<std::string, std::string>> tins = {{"G", "195"}, {"H", "105"}, {"K", "55"}};
    for (std::size_t i = 0; i < (three ? 3u : 2u); ++i) {
      const auto& [name, datum] = tins[i];
      std::string file = name;
      file[0] = static_cast<char>(std::tolower(file[0]));
      ok({"import", drawing_, p(file + ".xyz"), "--layer", name});
      ok({"run", drawing_, "create", "--layer", name, "--set", "contourInterval=1", "--set", "notResident=0",
          "--set", "datumElev=" + datum});
    }
  }

  std::map<std::string, Stored> stored() const {
    Host host;
    file::loadInto(host, drawing_);
    gKVCallback = host.callbacks();
    TErr err = -1;
    TLandMgr* mgr = storage_test::ReadBack(host, &err);
    EXPECT_EQ(err, kNoErr);
    std::map<std::string, Stored> out;
    for (TLinkNode* n = mgr->fTINList->fFirst; n != nullptr; n = n->next) {
      const auto* tin = static_cast<const TTIN*>(n->item);
      Stored s{tin->fTINParams.contourInterval, tin->fTINParams.datumElev, 0, 0, {}, {}};
      if (tin->fTINVtxListByZ != nullptr) s.vertices = tin->fTINVtxListByZ->CountItems();
      for (TLinkNode* t = tin->fTINTriangleList != nullptr ? tin->fTINTriangleList->fFirst : nullptr; t != nullptr;
           t = t->next)
        ++s.triangles;
      if (tin->fInnerTIN != nullptr) s.inner = PView(tin->fInnerTIN->fTINParams.tinName);
      if (tin->fOuterTIN != nullptr) s.outer = PView(tin->fOuterTIN->fTINParams.tinName);
      out[std::string(PView(tin->fTINParams.tinName))] = s;
    }
    delete mgr;
    gKVCallback = nullptr;
    return out;
  }

  // Every object on a TIN's layers (its points, 2D and 3D graphics), as info lists them.
  json graphicsOf(const std::string& tin) const {
    json objects = json::array();
    const json drawing = info(drawing_);
    for (const auto& o : drawing["objects"])
      if (o["layer"] == tin || o["layer"] == tin + "-2D" || o["layer"] == tin + "-3D") objects.push_back(o);
    return objects;
  }

  RunResult runOn(std::vector<std::string> args) const {
    args.insert(args.begin(), {"run", drawing_});
    return run(args);
  }

  std::string drawing_;
};

TEST_F(ChooseTINTest, ChangeWorksOnTheNamedTINWhicheverLayerIsCurrent) {
  makeTINs(false);  // H's layer is current
  const auto before = stored();
  const json hGraphics = graphicsOf("H"), gGraphics = graphicsOf("G");
  ASSERT_GT(hGraphics.size(), 16u);

  const RunResult r = runOn({"change", "--choose", "G", "--set", "contourInterval=0.5"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto after = stored();
  EXPECT_EQ(after.at("G").contourInterval, 500);
  EXPECT_EQ(after.at("H"), before.at("H"));
  EXPECT_EQ(graphicsOf("H"), hGraphics) << "the other TIN's graphics are untouched";
  EXPECT_NE(graphicsOf("G"), gGraphics) << "the named TIN's contours are drawn again";
  EXPECT_EQ(info(drawing_)["current_layer"], "H") << "its layer was current for the command only";

  ASSERT_EQ(runOn({"change", "--choose", "1", "--set", "datumElev=7"}).status, 0) << "by the chooser's number";
  const auto byNumber = stored();
  EXPECT_EQ(byNumber.at("G").datumElev, 7000);
  EXPECT_EQ(byNumber.at("H"), before.at("H"));
}

TEST_F(ChooseTINTest, AreaAndCutFillReportOnTheNamedTINAndChangeNothing) {
  makeTINs(true);
  for (const char* command : {"area", "cutfill"}) {
    std::set<std::string> reports;
    for (const std::string tin : {"G", "H", "K"}) {
      const RunResult own = runOn({command, "--layer", tin});  // the TIN of the current layer, no choosing
      ASSERT_EQ(own.status, 0) << own.err;
      ok({"layer", drawing_, tin == "K" ? "G" : "K"});
      const std::string file = readText(drawing_);
      const RunResult chosen = runOn({command, "--choose", tin});
      EXPECT_EQ(chosen.status, 0) << chosen.err;
      EXPECT_EQ(chosen.out, own.out) << command << " --choose " << tin;
      EXPECT_EQ(readText(drawing_), file);
      reports.insert(own.out);
    }
    EXPECT_EQ(reports.size(), 3u) << command << ": the three TINs report differently";
  }
  // The datum is the chosen TIN's own; it is set by changing that TIN.
  const std::string at105 = runOn({"cutfill", "--choose", "H"}).out;
  ASSERT_EQ(runOn({"change", "--choose", "H", "--set", "datumElev=100"}).status, 0);
  EXPECT_EQ(stored().at("H").datumElev, 100000);
  const std::string at100 = runOn({"cutfill", "--choose", "H"}).out;
  EXPECT_NE(at100, at105);
  EXPECT_EQ(at100, runOn({"cutfill", "--layer", "H"}).out);
}

TEST_F(ChooseTINTest, DeleteRemovesTheNamedTINAndItsGraphicsOnly) {
  makeTINs(true);  // K's layer is current
  const auto before = stored();
  const json gGraphics = graphicsOf("G"), kGraphics = graphicsOf("K");
  ASSERT_GT(graphicsOf("H").size(), 25u) << "H has graphics to lose";
  const RunResult r = runOn({"delete", "--choose", "H", "--confirm", "yes", "--confirm", "yes"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto after = stored();
  EXPECT_EQ(after.size(), 2u);
  EXPECT_FALSE(after.contains("H"));
  EXPECT_EQ(after.at("G"), before.at("G"));
  EXPECT_EQ(after.at("K"), before.at("K"));
  EXPECT_EQ(graphicsOf("G"), gGraphics);
  EXPECT_EQ(graphicsOf("K"), kGraphics);
  for (const auto& o : graphicsOf("H")) EXPECT_EQ(o["layer"], "H") << "only H's points stay on its layers";
  EXPECT_EQ(info(drawing_)["current_layer"], "K");
}

TEST_F(ChooseTINTest, DiffTakesItsBasesByWhatTheyAreNotByTheCurrentLayer) {
  makeTINs(true);
  const std::string file = readText(drawing_);
  const RunResult reversed =
      runOn({"diff", "--layer", "D", "--set", "innerBase=H", "--set", "outerBase=G", "--set", "notResident=0"});
  EXPECT_EQ(reversed.status, 1) << "H does not lie inside G";
  EXPECT_EQ(readText(drawing_), file);
  const RunResult chosen = runOn({"diff", "--layer", "D", "--choose", "G"});
  EXPECT_EQ(chosen.status, 2);
  EXPECT_NE(chosen.err.find("innerBase"), std::string::npos) << chosen.err;

  ASSERT_EQ(runOn({"diff", "--layer", "D", "--set", "innerBase=G", "--set", "outerBase=H", "--set", "notResident=0"})
                .status,
            0);
  ASSERT_EQ(runOn({"diff", "--layer", "E", "--set", "firstBase=G", "--set", "secondBase=H", "--set", "notResident=0"})
                .status,
            0);
  const auto tins = stored();
  for (const char* diff : {"D", "E"}) {
    EXPECT_EQ(tins.at(diff).inner, "G") << diff;
    EXPECT_EQ(tins.at(diff).outer, "H") << diff;
  }
  EXPECT_EQ(tins.at("D"), tins.at("E")) << "the two spellings make the same difference TIN";
  const json listed = info(drawing_)["tins"];
  ASSERT_EQ(listed.size(), 5u);
  EXPECT_EQ(listed[3], json::parse(R"({"number":4,"name":"D","layer2D":"D-2D","layer3D":"D-3D","inner":"G","outer":"H",
      "breakline_warnings":{"segments_not_held":[],"lost_corners":[]}})"));
  EXPECT_GT(tins.at("D").triangles, 0);
}

TEST_F(ChooseTINTest, ATINThatCannotBeReachedIsAUsageErrorSayingWhatThereIs) {
  makeTINs(true);
  const std::string file = readText(drawing_);
  const RunResult unknown = runOn({"area", "--choose", "Q"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("no TIN \"Q\"; its TINs: 1 \"G\", 2 \"H\", 3 \"K\""), std::string::npos) << unknown.err;
  EXPECT_EQ(runOn({"cutfill", "--choose", "4"}).status, 2);
  EXPECT_EQ(runOn({"create", "--choose", "G"}).status, 2);

  // A TIN whose own 2D layer carries a later TIN's name: the plug-in would
  // take it from that layer, so the later TIN cannot be reached this way.
  {
    Host host;
    file::loadInto(host, drawing_);
    DataObjectBytes data = host.dataObjects();
    std::vector<std::uint8_t>& bytes = data.at(storage_test::kTag);
    const std::size_t g2D = 30 + 3 * 22 + 36;  // G's record follows the table of three names
    ASSERT_EQ(std::string(bytes.begin() + g2D + 1, bytes.begin() + g2D + 5), "G-2D");
    bytes[g2D] = 1, bytes[g2D + 1] = 'K';
    host.setDataObjects(data);
    file::saveFrom(host, drawing_);
  }
  const std::string patched = readText(drawing_);
  const RunResult clash = runOn({"area", "--choose", "K"});
  EXPECT_EQ(clash.status, 2);
  EXPECT_NE(clash.err.find("would work on TIN \"G\", whose 2D layer is named \"K\" too"), std::string::npos)
      << clash.err;
  EXPECT_EQ(readText(drawing_), patched);
  ASSERT_NE(patched, file);

  const std::string empty = newDrawing("empty.tin");
  const RunResult none = run({"run", empty, "area", "--choose", "G"});
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.err.find("the drawing holds no TIN"), std::string::npos) << none.err;
}

}  // namespace
}  // namespace tinhost::testing
