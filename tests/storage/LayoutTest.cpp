// The stored bytes against the layout: sizes, field offsets, big-endian
// integers, 80-bit reals in user units, names, the version-1 record without
// wantHull, and base TINs referred to by number.
#include <gtest/gtest.h>

#include <vector>

#include "StoredDrawings.h"
#include "host/PString.h"
#include "host/PluginMemory.h"
#include "model/TTIN.h"
#include "shell/LandMgr.h"

namespace {

using namespace storage_test;
using Bytes = std::vector<std::uint8_t>;

const Bytes kOne = {0x3F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};          // 1.0
const Bytes kMinusOneAndHalf = {0xBF, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0};  // -1.5
const Bytes kZero(10, 0);
const Bytes kTenth = {0x3F, 0xFB, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xD0, 0x00};  // 0.1

Bytes Slice(const Bytes& b, std::size_t at, std::size_t n) {
  return Bytes(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
}

class Layout : public ::testing::Test {
 protected:
  void SetUp() override {
    gKVCallback = host.callbacks();
    mgr = NewManager(host);
  }
  void TearDown() override {
    delete mgr;
    EXPECT_EQ(host.memory().stats().pluginBlocks, 0u);
    EXPECT_TRUE(host.memory().misuse().empty());
    gKVCallback = nullptr;
  }

  // A TIN whose parameters differ from each other field by field.
  TTIN* ParamsTIN(const std::string& name, bool notResident) {
    TTIN* tin = AddTIN(mgr, name, notResident);
    TTINParams& p = tin->fTINParams;
    p.contourInterval = 1000;
    p.indexContourEvery = 7;
    p.datumElev = -1500;
    p.contourBaseElev = 0;
    p.lowContourElev = 100;
    p.highContourElev = 1000;
    p.cntr2DVtxKind = 4;
    p.normalTIN = true;
    p.want2DCntr = false;
    p.want3DTris = true;
    p.want2DTris = true;
    p.want3DCntr = false;
    p.labelCntrs = true;
    p.wantHull = true;
    p.makeGroups = false;
    p.useBrklns = true;
    p.spareFlag = false;
    return tin;
  }

  static void ExpectName(const Bytes& b, std::size_t at, const std::string& text) {
    EXPECT_EQ(b.at(at), text.size()) << "at " << at;
    EXPECT_EQ(std::string(b.begin() + static_cast<long>(at) + 1,
                          b.begin() + static_cast<long>(at + 1 + text.size())),
              text);
  }

  tinhost::Host host;  // units: 1000 world units per metre, scale 1
  TLandMgr* mgr = nullptr;
};

TEST_F(Layout, ParametersOnlyTINIs213BytesWithEveryFieldInPlace) {
  ParamsTIN("Ground", true);
  ASSERT_EQ(Save(mgr), kNoErr);
  const Bytes b = StoredBytes(host);
  ASSERT_EQ(b.size(), 213u);  // 22 + 8 + 22 + 149 + 12
  EXPECT_EQ(BE32(b, 22), 2);
  EXPECT_EQ(BE32(b, 26), 1);
  ExpectName(b, 30, "Ground");
  const std::size_t r = 52;
  EXPECT_EQ(BE16(b, r), 2);
  EXPECT_EQ(BE32(b, r + 2), 1) << "renumbered from the initial 7";
  EXPECT_EQ(Slice(b, r + 6, 8), Bytes(8, 0xFF)) << "no bases: -1, -1";
  ExpectName(b, r + 14, "Ground");
  ExpectName(b, r + 36, "Ground-2D");
  ExpectName(b, r + 58, "Ground-3D");
  EXPECT_EQ(Slice(b, r + 80, 10), kOne);
  EXPECT_EQ(BE16(b, r + 90), 7);
  EXPECT_EQ(Slice(b, r + 92, 10), kMinusOneAndHalf);
  EXPECT_EQ(Slice(b, r + 102, 10), kZero);
  EXPECT_EQ(Slice(b, r + 112, 10), kTenth);
  EXPECT_EQ(Slice(b, r + 122, 10), kOne);
  EXPECT_EQ(BE16(b, r + 132), 4);
  EXPECT_EQ(Slice(b, r + 134, 11), (Bytes{1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 0}));
  EXPECT_EQ(Slice(b, r + 145, 16), Bytes(16, 0)) << "V, H, T, B";
}

TEST_F(Layout, VersionOneRecordHasNoWantHullByteAndIsWrittenBackAsIs) {
  TTIN* tin = ParamsTIN("Ground", true);
  tin->fVersion = 1;
  ASSERT_EQ(Save(mgr), kNoErr);
  const Bytes b = StoredBytes(host);
  ASSERT_EQ(b.size(), 212u);
  const std::size_t r = 52;
  EXPECT_EQ(BE16(b, r), 1);
  // labelCntrs, then makeGroups directly: the flags from wantHull on move down.
  EXPECT_EQ(Slice(b, r + 134, 10), (Bytes{1, 0, 1, 1, 0, 1, 0, 1, 1, 0}));
  EXPECT_EQ(Slice(b, r + 144, 16), Bytes(16, 0));

  TErr err = -1;
  TLandMgr* back = ReadBack(host, &err);
  ASSERT_EQ(err, kNoErr);
  TTIN* read = back->GetTINByNum(1);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->fVersion, 1);
  EXPECT_FALSE(read->fTINParams.wantHull) << "absent from the record: the default";
  EXPECT_TRUE(read->fTINParams.notResident);
  EXPECT_FALSE(read->fTINParams.makeGroups);
  ASSERT_EQ(Save(back), kNoErr);
  EXPECT_EQ(StoredBytes(host), b);
  delete back;
}

TEST_F(Layout, ResidentTriangleIs373BytesWithVertexHullAndTriangleRecords) {
  TTIN* tin = ParamsTIN("Ground", false);
  PlaceGeometry(tin, OneTriangle());
  ASSERT_EQ(Save(mgr), kNoErr);
  const Bytes b = StoredBytes(host);
  ASSERT_EQ(b.size(), 373u);
  const std::size_t r = 52;
  EXPECT_EQ(BE32(b, r + 145), 3);
  const std::size_t vtx = r + 149;
  for (int k = 0; k < 3; ++k) {
    const std::size_t at = vtx + 40 * k;
    EXPECT_EQ(BE32(b, at), k + 1);
    EXPECT_EQ(BE32(b, at + 34), 1) << "every vertex links the one triangle";
    EXPECT_EQ(BE16(b, at + 38), k % 2 == 0 ? 1 : -1);
  }
  // Vertex 1 (0, 0, 100), vertex 3 (1000, 0, 300) in metres.
  EXPECT_EQ(Slice(b, vtx + 4, 10), kZero);
  EXPECT_EQ(Slice(b, vtx + 24, 10), kTenth);
  EXPECT_EQ(Slice(b, vtx + 80 + 4, 10), kOne);
  const std::size_t hull = vtx + 120;
  EXPECT_EQ(BE32(b, hull), 3);
  EXPECT_EQ(BE32(b, hull + 4), 1);
  EXPECT_EQ(BE32(b, hull + 8), 2);
  EXPECT_EQ(BE32(b, hull + 12), 3);
  const std::size_t tri = hull + 16;
  EXPECT_EQ(BE32(b, tri), 1);
  EXPECT_EQ(BE32(b, tri + 4), 1);
  EXPECT_EQ(Slice(b, tri + 8, 12), Bytes(12, 0xFF)) << "no neighbours";
  EXPECT_EQ(BE32(b, tri + 20), 1);
  EXPECT_EQ(BE32(b, tri + 24), 2);
  EXPECT_EQ(BE32(b, tri + 28), 3);
  EXPECT_EQ(BE32(b, tri + 32), 0) << "no breaklines";
}

TEST_F(Layout, BreaklineRecordCarriesFlagsLevelAndVertexNumbers) {
  TTIN* tin = ParamsTIN("Ground", false);
  HandGeometry g = SquareAroundCentre();
  g.breaklines = {{2, 3}, {1, 0, 4}};
  PlaceGeometry(tin, g);
  ASSERT_EQ(Save(mgr), kNoErr);
  const Bytes b = StoredBytes(host);
  const std::size_t breaklines = 52 + 149 + 5 * 40 + 4 + 4 * 4 + 4 + 4 * 28;
  ASSERT_EQ(b.size(), breaklines + 4 + (16 + 8) + (16 + 12));
  EXPECT_EQ(BE32(b, breaklines), 2);
  const std::size_t first = breaklines + 4;
  EXPECT_EQ(b[first], 0) << "open";
  EXPECT_EQ(b[first + 1], 1) << "both vertices at 250";
  EXPECT_EQ(Slice(b, first + 2, 10), (Bytes{0x3F, 0xFD, 0x80, 0, 0, 0, 0, 0, 0, 0}));  // 0.25
  EXPECT_EQ(BE32(b, first + 12), 2);
  EXPECT_EQ(BE32(b, first + 16), 3);
  EXPECT_EQ(BE32(b, first + 20), 4);
  const std::size_t second = first + 24;
  EXPECT_EQ(b[second + 1], 0) << "not level";
  EXPECT_EQ(BE32(b, second + 12), 3);
  EXPECT_EQ(BE32(b, second + 24), 5);
}

TEST_F(Layout, DifferenceTINNamesItsBasesByRegistryNumber) {
  TTIN* outer = ParamsTIN("Outer", true);
  TTIN* inner = ParamsTIN("Inner", true);
  TTIN* diff = ParamsTIN("Inner-diff", true);
  diff->fTINParams.normalTIN = false;
  diff->fInnerTIN = inner;
  diff->fOuterTIN = outer;
  ASSERT_EQ(Save(mgr), kNoErr);
  const Bytes b = StoredBytes(host);
  ASSERT_EQ(b.size(), 22u + 8 + 3 * 22 + 3 * 161);
  EXPECT_EQ(BE32(b, 26), 3);
  ExpectName(b, 30 + 44, "Inner-diff");
  const std::size_t r = 96 + 2 * 161;
  EXPECT_EQ(BE32(b, r + 2), 3);
  EXPECT_EQ(BE32(b, r + 6), 2);
  EXPECT_EQ(BE32(b, r + 10), 1);
  EXPECT_EQ(b[r + 134], 0) << "normalTIN";
  EXPECT_EQ(BE32(b, 96 + 6), -1);

  TErr err = -1;
  TLandMgr* back = ReadBack(host, &err);
  ASSERT_EQ(err, kNoErr);
  TTIN* readDiff = back->GetTINByNum(3);
  EXPECT_EQ(readDiff->fInnerTIN, back->GetTINByNum(2));
  EXPECT_EQ(readDiff->fOuterTIN, back->GetTINByNum(1));
  EXPECT_FALSE(readDiff->fTINParams.normalTIN);
  EXPECT_TRUE(back->GetTINByNum(1)->fTINParams.normalTIN);
  EXPECT_EQ(back->GetTINByNum(1)->fInnerTIN, nullptr);
  delete back;
}

}  // namespace
