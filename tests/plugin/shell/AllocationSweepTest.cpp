// Every command under allocation failure: for k = 1, 2, 3, ... the k-th
// allocation of the plug-in during the command is refused, until a run in
// which the refusal never comes.  Each run must end in success or in exactly
// one alert with a known code, give back every allocation it made, and leave
// the stored TINs (and the user's own objects) as they were when it returned
// docTouched 1.  After a run that saved, the next command must read the
// drawing back without complaint.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include <unistd.h>

#include "ErrorTables.h"
#include "plugin/dialogs/MsgDlg.h"
#include "plugin/shell/LandMgr.h"
#include "tinhost/core/PluginSession.h"
#include "tinhost/file/DrawingFile.h"

namespace {

using tinhost::DialogScript;
using tinhost::Host;
using tinhost::PluginSession;

// A drawing to start every run from.
struct Stage {
  tinhost::DocumentState doc;
  tinhost::DataObjectBytes data;
};

tinhost::ObjId LayerNamed(Host& host, const std::string& name) {
  for (tinhost::ObjId l : host.document().layers())
    if (host.document().get(l).name == name) return l;
  return host.document().createLayer(name, 1.0);
}

void MakeCurrent(Host& host, const std::string& name) { host.document().setCurrentLayer(LayerNamed(host, name)); }

// Loci on a sheared n x m grid with a ridge, and one 3D polygon crossing it
// (a breakline), all selected on `layer`.
void Survey(Host& host, const std::string& layer, int n, int m, std::int32_t x0, std::int32_t y0, std::int32_t dz) {
  auto& doc = host.document();
  const tinhost::ObjId l = LayerNamed(host, layer);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < m; ++j)
      doc.select(doc.addLocus(l, x0 + i * 10000 + (j % 2) * 1700, y0 + j * 10000 + i * 600,
                              dz + 100000 + (i * 7 % 5) * 2300 + j * 900));
  const tinhost::ObjId poly = doc.createObject(kKVTypePoly3D);
  doc.addVertex(poly, tinhost::Vertex{x0 + 4000, y0 + 3000, dz + 101000, 0});
  doc.addVertex(poly, tinhost::Vertex{x0 + (n - 1) * 5000, y0 + (m - 1) * 5200, dz + 104000, 0});
  doc.addVertex(poly, tinhost::Vertex{x0 + (n - 1) * 9000, y0 + (m - 1) * 8000, dz + 102500, 0});
  doc.addToContainer(poly, l);
  doc.select(poly);
}

// Every graphic, contours with labels, breaklines, groups.
void FullAnswers(Host& host, std::int16_t dialog = 11006) {
  host.dialogs().answers().always(dialog) = DialogScript{}
                                                .check("want2DCntr", true)
                                                .check("want3DCntr", true)
                                                .check("labelCntrs", true)
                                                .check("want2DTris", true)
                                                .check("want3DTris", true)
                                                .check("wantHull", true)
                                                .check("makeGroups", true)
                                                .check("useBrklns", true)
                                                .check("notResident", false)
                                                .text("contourInterval", "1");
}

void CreateOn(Host& host, PluginSession& s, const std::string& layer, int n, int m, std::int32_t x0, std::int32_t y0,
              std::int32_t dz) {
  host.document().clearSelection();
  MakeCurrent(host, layer);
  Survey(host, layer, n, m, x0, y0, dz);
  FullAnswers(host);
  ASSERT_EQ(s.runCommand(kMenuCreateTIN), kDocChanged) << "setting up " << layer;
  ASSERT_TRUE(host.dialogs().alerts().empty()) << host.dialogs().alerts()[0].detail;
}

Stage Capture(const Host& host) { return Stage{host.document().state(), host.dataObjects()}; }

// Allocations one alert takes, measured on the message dialog itself.
std::uint64_t AlertAllocations() {
  Host host;
  gKVCallback = host.callbacks();
  Str255 a, b;
  BuildAlertTexts(host.callbacks(), 0x90023, a, b);
  const std::uint64_t before = host.memory().stats().countedAllocations;
  ShowMessage(host.callbacks(), a, b);
  gKVCallback = nullptr;
  return host.memory().stats().countedAllocations - before;
}

struct SweepFigures {
  std::uint64_t runs = 0, alerts = 0, silent = 0;
};

class AllocationSweep : public ::testing::Test {
 protected:
  // Runs `item` from `stage` with the k-th allocation refused, for k = 1, 2,
  // ... until the refusal no longer comes.  `answers` sets the dialog answers
  // of each run; `load` (when given) replaces the stage as the way the
  // drawing gets into the host.
  SweepFigures Sweep(const char* name, const Stage& stage, std::int16_t item, const std::function<void(Host&)>& answers,
                     const std::function<void(Host&)>& load = {}) {
    static const std::uint64_t alertAllocations = AlertAllocations();
    SweepFigures f;
    for (std::uint64_t k = 1; k < 200000; ++k) {
      Host host;
      if (load) {
        load(host);
      } else {
        host.document() = tinhost::Document::fromState(stage.doc);
        host.setDataObjects(stage.data);
      }
      answers(host);
      PluginSession session(host, &PluginMain);
      const tinhost::DocumentState before = host.document().state();
      const tinhost::DataObjectBytes dataBefore = host.dataObjects();
      const tinhost::MemoryStats start = host.memory().stats();

      host.memory().failAllocation(k);
      const std::int32_t touched = session.runCommand(item);
      host.memory().clearFailure();
      const tinhost::MemoryStats end = host.memory().stats();
      const bool refused = end.failedAllocations > start.failedAllocations;
      const std::uint64_t made = end.countedAllocations - start.countedAllocations;
      ++f.runs;

      SCOPED_TRACE(std::string(name) + ", allocation " + std::to_string(k) + " of " + std::to_string(made) +
                   " refused");
      EXPECT_TRUE(touched == kDocChanged || touched == kDocUnchanged) << touched;
      EXPECT_EQ(end.pluginBlocks, start.pluginBlocks) << "blocks left behind";
      EXPECT_EQ(end.pluginHandles, start.pluginHandles) << "handles left behind";
      EXPECT_TRUE(host.memory().misuse().empty()) << host.memory().misuse().front();
      EXPECT_TRUE(host.diagnostics().empty()) << host.diagnostics().front();

      // One alert per reported error; the alert itself may be the refused one.
      const auto& alerts = host.dialogs().alerts();
      const std::uint64_t reported = host.toolbox().ordinal504Calls();
      EXPECT_LE(reported, 1u);
      const bool alertRefused = reported == 1 && k + alertAllocations > made;
      if (!alertRefused) {
        EXPECT_EQ(alerts.size(), reported);
      }
      for (const auto& alert : alerts) {
        const auto code = AlertCode(host, alert);
        EXPECT_TRUE(code.has_value()) << alert.text << " / " << alert.detail;
        if (!code) continue;
        EXPECT_TRUE(IsKnownErrorCode(*code)) << std::hex << *code;
        EXPECT_NE(*code, kErrNotBuilt);
      }
      f.alerts += alerts.size();
      if (touched == kDocUnchanged && reported == 0) ++f.silent;

      if (touched == kDocUnchanged) {
        EXPECT_EQ(host.dataObjects(), dataBefore) << "stored TINs changed by a command that failed";
        for (const auto& [id, obj] : before.objects) {
          if (obj.objectClass != 0) continue;  // the plug-in's graphics go back through undo
          const tinhost::DrawingObject* now = host.document().find(id);
          EXPECT_TRUE(now != nullptr && *now == obj) << "object " << id << " of the user changed";
        }
      } else if (touched == kDocChanged) {
        // What was saved reads back: a command that only reads and reports.
        host.dialogs().clearRecords();
        host.dialogs().answers().always(tinhost::kChooserDialog).cancelled();
        host.dialogs().answers().placeReportText(false);
        session.runCommand(kMenuCalcArea);
        for (const auto& alert : host.dialogs().alerts()) {
          const auto code = AlertCode(host, alert);
          EXPECT_TRUE(code && ErrGroup(*code) != 12 && ErrGroup(*code) != 13 && *code != kErrStoredItem)
              << "the saved drawing does not read back: " << alert.text << " / " << alert.detail;
        }
      }
      if (::testing::Test::HasFailure()) break;
      if (!refused) {
        EXPECT_EQ(touched, kDocChanged) << "the command without a refusal; dialogs shown: "
                                        << host.dialogs().shown().size() << " (first "
                                        << (host.dialogs().shown().empty() ? 0 : host.dialogs().shown()[0].resId)
                                        << "), problems: " << host.dialogs().problems().size() << ", reports: "
                                        << host.dialogs().reports().size();
        EXPECT_TRUE(alerts.empty());
        break;
      }
    }
    std::printf("%s: %llu runs (allocations refused at 1..%llu), %llu alerts, %llu silent\n", name,
                static_cast<unsigned long long>(f.runs), static_cast<unsigned long long>(f.runs - 1),
                static_cast<unsigned long long>(f.alerts), static_cast<unsigned long long>(f.silent));
    return f;
  }

  // A drawing with one TIN "Ground" made by the create command (and, when
  // asked, a second "Design" inside it); the current layer is "Ground".
  Stage TINs(bool withDesign) {
    Host host;
    {
      PluginSession s(host, &PluginMain);
      CreateOn(host, s, "Ground", 5, 4, 0, 0, 0);
      if (withDesign) CreateOn(host, s, "Design", 2, 2, 12000, 9000, 3000);
    }
    host.document().clearSelection();
    MakeCurrent(host, "Ground");
    return Capture(host);
  }

  // Breakline enforcement may not be part of this build: then the command
  // refuses honestly, and the sweeps that need it cannot run.
  bool BreaklinesBuilt() {
    Host host;
    PluginSession s(host, &PluginMain);
    MakeCurrent(host, "Ground");
    Survey(host, "Ground", 3, 3, 0, 0, 0);
    FullAnswers(host);
    s.runCommand(kMenuCreateTIN);
    for (const auto& alert : host.dialogs().alerts())
      if (AlertCode(host, alert) == kErrNotBuilt) return false;
    return true;
  }
};

TEST_F(AllocationSweep, CreateWithBreaklinesAndContours) {
  if (!BreaklinesBuilt()) GTEST_SKIP() << "breakline enforcement is not part of this build";
  Host host;
  MakeCurrent(host, "Ground");
  Survey(host, "Ground", 4, 3, 0, 0, 0);
  const Stage stage = Capture(host);
  Sweep("create", stage, kMenuCreateTIN, [](Host& h) { FullAnswers(h); });
}

TEST_F(AllocationSweep, CreateWithoutBreaklines) {
  Host host;
  MakeCurrent(host, "Ground");
  Survey(host, "Ground", 4, 3, 0, 0, 0);
  const Stage stage = Capture(host);
  Sweep("create without breaklines", stage, kMenuCreateTIN, [](Host& h) {
    FullAnswers(h);
    h.dialogs().answers().always(11006).check("useBrklns", false);
  });
}

class AllocationSweepOnTINs : public AllocationSweep {
 protected:
  void SetUp() override {
    if (!BreaklinesBuilt()) GTEST_SKIP() << "breakline enforcement is not part of this build";
  }
};

TEST_F(AllocationSweepOnTINs, ChangeKeepingAndRebuildingTheTriangles) {
  const Stage stage = TINs(false);
  Sweep("change contours", stage, kMenuChangeTIN,
        [](Host& h) { h.dialogs().answers().always(11006).text("contourInterval", "2"); });
  Sweep("change rebuilt", stage, kMenuChangeTIN,
        [](Host& h) { h.dialogs().answers().always(11006).check("notResident", true); });
}

TEST_F(AllocationSweepOnTINs, AreaAndCutFillPlacingTheirReports) {
  const Stage stage = TINs(false);
  auto place = [](Host& h) { h.dialogs().answers().placeReportText(true); };
  Sweep("area", stage, kMenuCalcArea, place);
  Sweep("cut and fill", stage, kMenuCalcCutFillDatum, place);
}

TEST_F(AllocationSweepOnTINs, DifferenceAndDelete) {
  Stage stage = TINs(true);
  {
    Host host;
    host.document() = tinhost::Document::fromState(stage.doc);
    host.setDataObjects(stage.data);
    MakeCurrent(host, "Earthwork");
    stage = Capture(host);
  }
  Sweep("difference", stage, kMenuDiffTIN, [](Host& h) { FullAnswers(h, 11007); });
  Stage del = TINs(true);
  Sweep("delete", del, kMenuDeleteTIN, [](Host&) {});
}

// The reading of a stored drawing: a drawing file with a TIN, a TIN inside
// it and their difference, loaded and then reported on (the area of the TIN
// of the current layer, placed in the drawing, so the command also saves).
TEST_F(AllocationSweepOnTINs, ReadingAStoredDrawing) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("tin-sweep-" + std::to_string(::getpid()) + ".tdw");
  {
    const Stage tins = TINs(true);
    Host host;
    host.document() = tinhost::Document::fromState(tins.doc);
    host.setDataObjects(tins.data);
    PluginSession s(host, &PluginMain);
    MakeCurrent(host, "Earthwork");
    FullAnswers(host, 11007);
    ASSERT_EQ(s.runCommand(kMenuDiffTIN), kDocChanged);
    MakeCurrent(host, "Design");
    tinhost::file::saveFrom(host, file);
  }
  Sweep("reading a stored drawing", Stage{}, kMenuCalcArea,
        [](Host& h) { h.dialogs().answers().placeReportText(true); },
        [&](Host& h) { tinhost::file::loadInto(h, file); });
  std::filesystem::remove(file);
}

}  // namespace
