// The stored bytes against the layout: sizes, field offsets, big-endian
// integers, 80-bit reals in user units, the version-1 record without
// wantHull, and base TINs referred to by number.
#include <gtest/gtest.h>

#include "StorageTest.h"
#include "plugin/model/TTIN.h"
#include "plugin/shell/LandMgr.h"

namespace {

using namespace storage_test;

const Bytes kOne = {0x3F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};
const Bytes kMinusOneAndHalf = {0xBF, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0};
const Bytes kTenth = {0x3F, 0xFB, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xD0, 0x00};

Bytes Slice(const Bytes& b, std::size_t at, std::size_t n) {
  return Bytes(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
}

class Layout : public StorageTest {
 protected:
  // A TIN whose parameters differ field by field (units: 1000 per metre).
  TTIN* ParamsTIN(const std::string& name, bool notResident) {
    TTIN* tin = AddTIN(mgr, name, notResident);
    tin->fTINParams = {};
    SetNames(tin, name);
    TTINParams& p = tin->fTINParams;
    p.contourInterval = p.highContourElev = 1000;
    p.indexContourEvery = 7;
    p.datumElev = -1500;
    p.lowContourElev = 100;
    p.cntr2DVtxKind = 4;
    p.normalTIN = p.want3DTris = p.want2DTris = p.labelCntrs = p.wantHull = p.useBrklns = true;
    p.notResident = notResident;
    return tin;
  }
};

TEST_F(Layout, ParametersOnlyTINIs213BytesWithEveryFieldInPlace) {
  ParamsTIN("Ground", true);
  ASSERT_EQ(Save(mgr), kNoErr);
  const Bytes b = StoredBytes(host);
  ASSERT_EQ(b.size(), 213u);
  EXPECT_EQ(BE32(b, 22), 2);
  EXPECT_EQ(BE32(b, 26), 1);
  EXPECT_EQ(Slice(b, 30, 7), (Bytes{6, 'G', 'r', 'o', 'u', 'n', 'd'}));
  const std::size_t r = 52;
  EXPECT_EQ(BE16(b, r), 2);
  EXPECT_EQ(BE32(b, r + 2), 1) << "renumbered from the initial 7";
  EXPECT_EQ(Slice(b, r + 6, 8), Bytes(8, 0xFF)) << "no bases";
  EXPECT_EQ(Slice(b, r + 14, 7), Slice(b, 30, 7));
  EXPECT_EQ(Slice(b, r + 36, 10), (Bytes{9, 'G', 'r', 'o', 'u', 'n', 'd', '-', '2', 'D'}));
  EXPECT_EQ(Slice(b, r + 58, 10), (Bytes{9, 'G', 'r', 'o', 'u', 'n', 'd', '-', '3', 'D'}));
  EXPECT_EQ(Slice(b, r + 80, 10), kOne);
  EXPECT_EQ(BE16(b, r + 90), 7);
  EXPECT_EQ(Slice(b, r + 92, 10), kMinusOneAndHalf);
  EXPECT_EQ(Slice(b, r + 102, 10), Bytes(10, 0));
  EXPECT_EQ(Slice(b, r + 112, 10), kTenth);
  EXPECT_EQ(Slice(b, r + 122, 10), kOne);
  EXPECT_EQ(BE16(b, r + 132), 4);
  EXPECT_EQ(Slice(b, r + 134, 11), (Bytes{1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 0}));
  EXPECT_EQ(Slice(b, r + 145, 16), Bytes(16, 0)) << "V, H, T, B";
}

TEST_F(Layout, VersionOneRecordHasNoWantHullByteAndIsWrittenBackAsIs) {
  ParamsTIN("Ground", true)->fVersion = 1;
  ASSERT_EQ(Save(mgr), kNoErr);
  const Bytes b = StoredBytes(host);
  ASSERT_EQ(b.size(), 212u);
  EXPECT_EQ(BE16(b, 52), 1);
  // labelCntrs, then makeGroups: the flags from wantHull on move down a byte.
  EXPECT_EQ(Slice(b, 52 + 134, 10), (Bytes{1, 0, 1, 1, 0, 1, 0, 1, 1, 0}));

  TErr err = -1;
  TLandMgr* back = ReadBack(host, &err);
  ASSERT_EQ(err, kNoErr);
  EXPECT_EQ(back->GetTINByNum(1)->fVersion, 1);
  EXPECT_FALSE(back->GetTINByNum(1)->fTINParams.wantHull) << "absent: the default";
  ASSERT_EQ(Save(back), kNoErr);
  EXPECT_EQ(StoredBytes(host), b);
  delete back;
}

TEST_F(Layout, ResidentTriangleIs373BytesWithVertexHullAndTriangleRecords) {
  PlaceGeometry(ParamsTIN("Ground", false), OneTriangle());
  ASSERT_EQ(Save(mgr), kNoErr);
  const Bytes b = StoredBytes(host);
  ASSERT_EQ(b.size(), 373u);
  EXPECT_EQ(BE32(b, 197), 3);
  for (int k = 0; k < 3; ++k) {
    const std::size_t at = 201 + 40 * k;
    EXPECT_EQ(BE32(b, at), k + 1);
    EXPECT_EQ(BE32(b, at + 34), 1) << "the vertex's triangle";
    EXPECT_EQ(BE16(b, at + 38), k % 2 == 0 ? 1 : -1);
  }
  EXPECT_EQ(Slice(b, 201 + 24, 10), kTenth) << "z of (0, 0, 100)";
  EXPECT_EQ(Slice(b, 281 + 4, 10), kOne) << "x of (1000, 0, 300)";
  EXPECT_EQ(BE32(b, 321), 3);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(BE32(b, 325 + 4 * k), k + 1) << "hull entry " << k;
  EXPECT_EQ(BE32(b, 337), 1);
  EXPECT_EQ(BE32(b, 341), 1);
  EXPECT_EQ(Slice(b, 345, 12), Bytes(12, 0xFF)) << "no neighbours";
  for (int k = 0; k < 3; ++k) EXPECT_EQ(BE32(b, 357 + 4 * k), k + 1) << "corner " << k;
  EXPECT_EQ(BE32(b, 369), 0) << "no breaklines";
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
  const std::size_t r = 96 + 2 * 161;
  EXPECT_EQ(BE32(b, r + 2), 3);
  EXPECT_EQ(BE32(b, r + 6), 2);
  EXPECT_EQ(BE32(b, r + 10), 1);
  EXPECT_EQ(b[r + 134], 0) << "normalTIN";
}

}  // namespace
