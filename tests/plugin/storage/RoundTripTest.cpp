// Write, read, write: coordinates come back exactly (rounded, not truncated,
// so nothing creeps across the rewrite of every command), a drawing of every
// kind of TIN stays byte-identical over a hundred rewrites, and changed units
// scale coordinates.
#include <cmath>
#include <limits>
#include <random>

#include "StorageTest.h"
#include "plugin/host/KVEmul.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/storage/StoreIO.h"
#include "plugin/triangulate/TINChecker.h"

namespace {

using namespace storage_test;

class RoundTrip : public StorageTest {
 protected:
  void SetUnits(std::int32_t worldPerUnit, double scale) {
    tinhost::UnitsRecord u;
    u.worldPerUnit = worldPerUnit;
    u.scale = scale;
    host.document().setUnits(u);
  }

  // Every value written as a coordinate and read back: how many differ.
  std::size_t Misread(const std::vector<std::int32_t>& values) {
    const KVCallback cb = host.callbacks();
    KVHandle h = KVE_NewHandle(cb, static_cast<std::int32_t>(values.size() * kStoredRealBytes));
    std::int32_t at = 0;
    TStoreWriter out(cb, h, &at);
    for (std::int32_t v : values) out.PutCoord(v);
    EXPECT_EQ(out.Error(), kNoErr);
    TStoreReader in(cb, h, 0);
    std::size_t wrong = 0;
    for (std::int32_t v : values) wrong += in.GetCoord() != v;
    EXPECT_EQ(in.Remaining(), 0);
    KVE_DisposeHandle(cb, h);
    return wrong;
  }
};

TEST_F(RoundTrip, EveryCoordinateComesBackExactly) {
  std::vector<std::int32_t> small;
  for (std::int32_t v = -100000; v <= 100000; ++v) small.push_back(v);
  EXPECT_EQ(Misread(small), 0u) << "U = 1000, S = 1";

  std::mt19937 rng(7);
  std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max());
  std::vector<std::int32_t> wide = {std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max()};
  for (int i = 0; i < 20000; ++i) wide.push_back(any(rng));
  for (auto [u, s] : {std::pair{1000, 1.0}, {1, 1.0}, {254, 0.1}, {3048, 1.0 / 3.0}, {7, 1e-3}}) {
    SetUnits(u, s);
    EXPECT_EQ(Misread(wide), 0u) << "U = " << u << ", S = " << s;
  }
}

TEST_F(RoundTrip, EveryKindOfTINStaysByteIdenticalOverAHundredRewrites) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  const Bytes first = StoredBytes(host);

  TErr err = -1;
  TLandMgr* back = ReadBack(host, &err);
  ASSERT_EQ(err, kNoErr);
  ASSERT_EQ(back->GetNumOfTINs(), 4);
  const TTIN* survey = back->GetTINByNum(1);
  char msg[200];
  EXPECT_TRUE(CheckTIN(survey, TTINCheckOptions{}, msg, sizeof msg)) << msg;
  EXPECT_EQ(survey->fTINParams.datumElev, -1234);
  const auto* closed = static_cast<const TBrkln*>(survey->fBrklnList->fFirst->item);
  EXPECT_TRUE(closed->fClosed);
  EXPECT_EQ(closed->fNumVtxs, 4);
  EXPECT_TRUE(static_cast<const TBrkln*>(survey->fBrklnList->fLast->item)->fLevel);
  EXPECT_EQ(back->GetTINByNum(2)->fTINVtxListByZ, nullptr) << "parameters only";
  EXPECT_EQ(back->GetTINByNum(2)->fTINParams.contourInterval, 250);
  EXPECT_EQ(back->GetTINByNum(3)->fVersion, 1);
  EXPECT_EQ(back->GetTINByNum(4)->fInnerTIN, back->GetTINByNum(3));
  EXPECT_EQ(back->GetTINByNum(4)->fOuterTIN, survey);
  delete back;

  for (int i = 0; i < 100; ++i) {
    back = ReadBack(host, &err);
    ASSERT_EQ(err, kNoErr) << "rewrite " << i;
    ASSERT_EQ(Save(back), kNoErr);
    delete back;
    ASSERT_EQ(StoredBytes(host), first) << "rewrite " << i;
  }
}

TEST_F(RoundTrip, ChangedUnitsScaleCoordinatesByTheRatioOfTheirProducts) {
  TTIN* tin = AddTIN(mgr, "Ground", false);
  PlaceGeometry(tin, SquareAroundCentre());
  tin->fTINParams.contourInterval = 400;
  ASSERT_EQ(Save(mgr), kNoErr);

  SetUnits(3048, 0.1);  // was 1000 x 1: coordinates scale by 0.3048
  TErr err = -1;
  TLandMgr* back = ReadBack(host, &err);
  ASSERT_EQ(err, kNoErr);
  const TTIN* read = back->GetTINByNum(1);
  EXPECT_EQ(read->fTINParams.contourInterval, 122);  // 121.92
  std::vector<std::int32_t> got, expected;
  for (TLinkNode* n = read->fTINVtxListByZ->fFirst; n != nullptr; n = n->next) {
    const auto* v = static_cast<const TTINVtx*>(n->item);
    got.insert(got.end(), {v->x, v->y, v->z});
  }
  for (const XYZ& p : SquareAroundCentre().vertices)
    for (std::int32_t c : {p.x, p.y, p.z}) expected.push_back(static_cast<std::int32_t>(std::lround(c * 0.3048)));
  EXPECT_EQ(got, expected);
  delete back;
}

}  // namespace
