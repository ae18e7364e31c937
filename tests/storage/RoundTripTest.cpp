// Write, read, write: coordinates come back exactly (rounded, not truncated,
// so nothing creeps across the rewrite of every command), a drawing of
// several kinds of TIN stays byte-identical over many rewrites, the links of
// a real triangulation survive, and changed units scale coordinates.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <vector>

#include "StoredDrawings.h"
#include "host/KVEmul.h"
#include "host/PluginMemory.h"
#include "model/TBrkln.h"
#include "model/TKestSortedLList.h"
#include "model/TTIN.h"
#include "model/TTINTriangle.h"
#include "model/TTINVtx.h"
#include "shell/LandMgr.h"
#include "storage/StoreIO.h"
#include "triangulate/TINChecker.h"

namespace {

using namespace storage_test;
using Bytes = std::vector<std::uint8_t>;

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { gKVCallback = host.callbacks(); }
  void TearDown() override {
    EXPECT_EQ(host.memory().stats().pluginBlocks, 0u) << "the plug-in leaked blocks";
    EXPECT_EQ(host.memory().stats().pluginHandles, 0u) << "the plug-in leaked handles";
    EXPECT_TRUE(host.memory().misuse().empty());
    gKVCallback = nullptr;
  }

  void SetUnits(std::int32_t worldPerUnit, double scale) {
    tinhost::UnitsRecord u;
    u.worldPerUnit = worldPerUnit;
    u.scale = scale;
    host.document().setUnits(u);
  }

  // Writes every value as a coordinate into a scratch handle and reads them
  // back; returns the values that did not come back.
  std::vector<std::int32_t> Misread(const std::vector<std::int32_t>& values) {
    const KVCallback cb = host.callbacks();
    std::int32_t size = 0;
    TStoreWriter measure(cb, nullptr, &size);
    for (std::int32_t v : values) measure.PutCoord(v);
    KVHandle h = KVE_NewHandle(cb, size);
    std::int32_t at = 0;
    TStoreWriter out(cb, h, &at);
    for (std::int32_t v : values) out.PutCoord(v);
    EXPECT_EQ(out.Error(), kNoErr);
    EXPECT_EQ(at, size);
    std::vector<std::int32_t> wrong;
    TStoreReader in(cb, h, 0);
    for (std::int32_t v : values)
      if (in.GetCoord() != v) wrong.push_back(v);
    EXPECT_EQ(in.Error(), kNoErr);
    EXPECT_EQ(in.Remaining(), 0);
    KVE_DisposeHandle(cb, h);
    return wrong;
  }

  tinhost::Host host;
};

TEST_F(RoundTrip, EveryCoordinateComesBackExactly) {
  std::vector<std::int32_t> small;
  for (std::int32_t v = -100000; v <= 100000; ++v) small.push_back(v);
  const std::vector<std::int32_t> wrong = Misread(small);
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " misread with U = 1000, S = 1, the first "
                             << wrong.front();

  std::mt19937 rng(7);
  std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max());
  std::vector<std::int32_t> wide = {std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max(), -1, 0, 1};
  for (int i = 0; i < 20000; ++i) wide.push_back(any(rng));
  for (auto [u, s] : {std::pair{1000, 1.0}, {1, 1.0}, {254, 0.1}, {3048, 1.0 / 3.0}, {7, 1e-3}}) {
    SetUnits(u, s);
    const std::vector<std::int32_t> misread = Misread(wide);
    EXPECT_TRUE(misread.empty()) << misread.size() << " misread with U = " << u << ", S = " << s
                                 << ", the first " << misread.front();
  }
}

// Breaklines as (closed, level, level elevation, vertex coordinates).
std::string Describe(const TTIN* tin) {
  std::string s;
  auto vtx = [](const TTINVtx* v) {
    return "(" + std::to_string(v->x) + "," + std::to_string(v->y) + "," + std::to_string(v->z) + ")";
  };
  if (tin->fBrklnList != nullptr)
    for (TLinkNode* n = tin->fBrklnList->fFirst; n != nullptr; n = n->next) {
      const auto* b = static_cast<const TBrkln*>(n->item);
      s += std::string(b->fClosed ? "closed" : "open") + (b->fLevel ? " level " : " sloped ") +
           std::to_string(b->fLevelElev) + " n=" + std::to_string(b->fNumVtxs) + ":";
      for (TLinkNode* m = b->fVtxList->fFirst; m != nullptr; m = m->next)
        s += vtx(static_cast<const TTINVtx*>(m->item));
      s += "\n";
    }
  if (tin->fConvexHullVtxList != nullptr)
    for (TLinkNode* n = tin->fConvexHullVtxList->fFirst; n != nullptr; n = n->next)
      s += "hull" + vtx(static_cast<const TTINVtx*>(n->item));
  return s;
}

TEST_F(RoundTrip, SeveralKindsOfTINStayByteIdenticalOverAHundredRewrites) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  const Bytes first = StoredBytes(host);

  TErr err = -1;
  TLandMgr* mgr = ReadBack(host, &err);
  ASSERT_EQ(err, kNoErr);
  ASSERT_EQ(mgr->GetNumOfTINs(), 4);
  TTIN* survey = mgr->GetTINByNum(1);
  TTIN* parcel = mgr->GetTINByNum(2);
  TTIN* old = mgr->GetTINByNum(3);
  TTIN* diff = mgr->GetTINByNum(4);
  EXPECT_EQ(parcel->fTINVtxListByZ, nullptr) << "parameters only: no lists";
  EXPECT_EQ(parcel->fTINParams.contourInterval, 250);
  EXPECT_EQ(survey->fTINParams.datumElev, -1234);
  EXPECT_TRUE(survey->fTINParams.wantHull);
  EXPECT_EQ(old->fVersion, 1);
  EXPECT_EQ(diff->fInnerTIN, old);
  EXPECT_EQ(diff->fOuterTIN, survey);
  EXPECT_EQ(Describe(survey).substr(0, 6), "closed");
  EXPECT_NE(Describe(survey).find("open level"), std::string::npos);
  char msg[200];
  EXPECT_TRUE(CheckTIN(survey, TTINCheckOptions{}, msg, sizeof msg)) << msg;
  EXPECT_TRUE(CheckTIN(old, TTINCheckOptions{false, true}, msg, sizeof msg)) << msg;
  const std::string surveyText = Describe(survey);
  delete mgr;

  for (int i = 0; i < 100; ++i) {
    mgr = ReadBack(host, &err);
    ASSERT_EQ(err, kNoErr) << "rewrite " << i;
    if (i == 99) {
      EXPECT_EQ(Describe(mgr->GetTINByNum(1)), surveyText);
    }
    ASSERT_EQ(Save(mgr), kNoErr);
    delete mgr;
    ASSERT_EQ(StoredBytes(host), first) << "rewrite " << i;
  }
}

TEST_F(RoundTrip, ChangedUnitsScaleCoordinatesByTheRatioOfTheirProducts) {
  TLandMgr* mgr = NewManager(host);
  TTIN* tin = AddTIN(mgr, "Ground", false);
  PlaceGeometry(tin, SquareAroundCentre());
  tin->fTINParams.contourInterval = 400;
  ASSERT_EQ(Save(mgr), kNoErr);
  delete mgr;

  // Metres at 1000 per unit became feet at 304.8 per unit, seen as U = 3048, S = 0.1.
  SetUnits(3048, 0.1);
  TErr err = -1;
  mgr = ReadBack(host, &err);
  ASSERT_EQ(err, kNoErr);
  const TTIN* read = mgr->GetTINByNum(1);
  const double ratio = 3048 * 0.1 / 1000.0;
  EXPECT_EQ(read->fTINParams.contourInterval, 122);  // 400 * 0.3048 = 121.92
  std::vector<XYZ> expected = SquareAroundCentre().vertices;
  std::size_t k = 0;
  for (TLinkNode* n = read->fTINVtxListByZ->fFirst; n != nullptr; n = n->next, ++k) {
    const auto* v = static_cast<const TTINVtx*>(n->item);
    EXPECT_EQ(v->x, std::lround(expected[k].x * ratio));
    EXPECT_EQ(v->y, std::lround(expected[k].y * ratio));
    EXPECT_EQ(v->z, std::lround(expected[k].z * ratio));
  }
  EXPECT_EQ(k, expected.size());
  delete mgr;
}

// A real terrain stored and read back: sizes follow the counts, the links
// pass the invariant checker, and the rewrite is identical.  Prints the
// timings for the record; they are not asserted.
TEST_F(RoundTrip, RealTerrainKeepsItsTriangulation) {
  const std::vector<XYZ> pts = ReadPoints("volcano/volcano_points.csv", 0);
  ASSERT_EQ(pts.size(), 5307u);
  TLandMgr* mgr = NewManager(host);
  TTIN* tin = AddTIN(mgr, "Volcano", false);
  ASSERT_EQ(BuildFromPoints(host, tin, pts), kNoErr);
  using Clock = std::chrono::steady_clock;
  auto t0 = Clock::now();
  ASSERT_EQ(Save(mgr), kNoErr);
  const double writeMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  delete mgr;

  const Bytes stored = StoredBytes(host);
  const std::size_t v = 5307, h = 292, t = 10320;
  EXPECT_EQ(stored.size(), 22 + 8 + 22 + 145 + 4 + 40 * v + 4 + 4 * h + 4 + 28 * t + 4);

  TErr err = -1;
  t0 = Clock::now();
  mgr = ReadBack(host, &err);
  const double readMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  ASSERT_EQ(err, kNoErr);
  char msg[200];
  EXPECT_TRUE(CheckTIN(mgr->GetTINByNum(1), TTINCheckOptions{}, msg, sizeof msg)) << msg;
  ASSERT_EQ(Save(mgr), kNoErr);
  delete mgr;
  EXPECT_EQ(StoredBytes(host), stored);
  std::printf("volcano: %zu bytes, write %.1f ms, read %.1f ms\n", stored.size(), writeMs, readMs);
}

}  // namespace
