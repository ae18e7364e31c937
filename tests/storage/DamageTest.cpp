// Damaged stored data: every failure is a code, frees what was made for it
// and leaves the data object as it was; through the command frame it is one
// alert and nothing written back.  Truncation at every byte, field by field
// corruption, refused allocations at every step, and a missing base TIN.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "StoredDrawings.h"
#include "core/PluginSession.h"
#include "host/PluginMemory.h"
#include "model/IDIndex.h"
#include "model/TTIN.h"
#include "shell/LandMgr.h"

namespace {

using namespace storage_test;
using Bytes = std::vector<std::uint8_t>;

class Damage : public ::testing::Test {
 protected:
  void SetUp() override { gKVCallback = host.callbacks(); }
  void TearDown() override {
    EXPECT_EQ(host.memory().stats().pluginBlocks, 0u) << "the plug-in leaked blocks";
    EXPECT_TRUE(host.memory().misuse().empty());
    gKVCallback = nullptr;
  }

  // Reads `bytes` as the data object; the reader's code.  Checks that the
  // object is unchanged and that a failed read left nothing in the registry.
  TErr Read(const Bytes& bytes) {
    PutStoredBytes(host, bytes);
    TErr err = -1;
    TLandMgr* mgr = ReadBack(host, &err);
    EXPECT_EQ(StoredBytes(host), bytes) << "reading never changes the object";
    delete mgr;
    EXPECT_EQ(host.memory().stats().pluginBlocks, 0u) << "code " << std::hex << err;
    return err;
  }

  // The 373-byte drawing of one resident triangle (record at 52).
  Bytes OneTriangleDrawing() {
    TLandMgr* mgr = NewManager(host);
    PlaceGeometry(AddTIN(mgr, "Ground", false), OneTriangle());
    EXPECT_EQ(Save(mgr), kNoErr);
    delete mgr;
    return StoredBytes(host);
  }

  tinhost::Host host;
};

TEST_F(Damage, TruncationAtEveryByteFailsAsDataRunningPastTheEnd) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  const Bytes whole = StoredBytes(host);
  ASSERT_GT(whole.size(), 4000u);
  for (std::size_t size = 0; size < whole.size(); ++size) {
    const TErr err = Read(Bytes(whole.begin(), whole.begin() + static_cast<long>(size)));
    if (size == 22) {
      EXPECT_EQ(err, kNoErr) << "only the host's part: no TINs stored";
    } else {
      ASSERT_EQ(err, kErrStoredDataShort) << "cut at " << size;
    }
  }
  EXPECT_EQ(Read(whole), kNoErr);
}

struct Corruption {
  const char* name;
  std::size_t at;  // offset in the one-triangle drawing
  Bytes bytes;     // written there
  TErr expected;
};

void PrintTo(const Corruption& c, std::ostream* os) { *os << c.name; }

class CorruptField : public Damage, public ::testing::WithParamInterface<Corruption> {};

// Record at 52; V at 197, vertices at 201 (40 each), H at 321, T at 337,
// the triangle at 341 (number, neighbours at +4, corners at +16), B at 369.
const std::size_t kV = 197, kVtx = 201, kH = 321, kT = 337, kTri = 341, kB = 369;

INSTANTIATE_TEST_SUITE_P(
    OneTriangle, CorruptField,
    ::testing::Values(
        Corruption{"FormatVersion3", 22, {0, 0, 0, 3}, kErrFormatVersion},
        Corruption{"RecordVersion3", 52, {0, 3}, kErrRecordVersion},
        Corruption{"RecordVersion0", 52, {0, 0}, kErrRecordVersion},
        Corruption{"NegativeTINCount", 26, {0xFF, 0xFF, 0xFF, 0xFE}, kErrStoredCount},
        Corruption{"TINCountBeyondTheData", 26, {0, 1, 0, 0}, kErrStoredDataShort},
        Corruption{"NameTooLong", 52 + 36, {22}, kErrStoredCount},
        Corruption{"NegativeVertexCount", kV, {0x80, 0, 0, 0}, kErrStoredCount},
        Corruption{"HugeVertexCount", kV, {0x7F, 0xFF, 0xFF, 0xFF}, kErrStoredDataShort},
        Corruption{"ParametersOnlyWithGeometry", 52 + 143, {1}, kErrStoredCount},
        Corruption{"VertexOutOfPosition", kVtx + 40, {0, 0, 0, 3}, kErrStoredReference},
        Corruption{"ElevationFalls", kVtx + 80 + 24, {0x3F, 0xF0}, kErrStoredReference},
        Corruption{"CoordinateNotANumber", kVtx + 4, {0x7F, 0xFF, 0xC0}, kErrStoredCount},
        Corruption{"CoordinateTooLarge", kVtx + 80 + 4, {0x40, 0x40}, kErrStoredCount},
        Corruption{"VertexTriangleMissing", kVtx + 34, {0, 0, 0, 2}, kErrStoredReference},
        Corruption{"MoreHullThanVertices", kH, {0, 0, 0, 4}, kErrStoredCount},
        Corruption{"HullEntryZero", kH + 4, {0, 0, 0, 0}, kErrStoredItem},
        Corruption{"HullEntryPastTheVertices", kH + 12, {0, 0, 0, 4}, kErrStoredItem},
        Corruption{"NegativeTriangleCount", kT, {0xFF, 0xFF, 0xFF, 0xFF}, kErrStoredCount},
        Corruption{"TriangleNumberUnknownToVertices", kTri, {0, 0, 0, 5}, kErrStoredReference},
        Corruption{"CornerMissing", kTri + 16, {0, 0, 0, 9}, kErrStoredReference},
        Corruption{"CornerNone", kTri + 24, {0xFF, 0xFF, 0xFF, 0xFF}, kErrStoredReference},
        Corruption{"CornerRepeated", kTri + 16, {0, 0, 0, 2}, kErrStoredReference},
        Corruption{"NeighbourMissing", kTri + 4, {0, 0, 0, 5}, kErrStoredReference},
        Corruption{"NeighbourItself", kTri + 8, {0, 0, 0, 1}, kErrStoredReference},
        Corruption{"BreaklinesClaimed", kB, {0, 0, 0, 1}, kErrStoredDataShort},
        Corruption{"NegativeBreaklineCount", kB, {0xFF, 0, 0, 0}, kErrStoredCount}),
    [](const ::testing::TestParamInfo<Corruption>& p) { return std::string(p.param.name); });

TEST_P(CorruptField, FailsWithItsCode) {
  Bytes b = OneTriangleDrawing();
  ASSERT_EQ(b.size(), 373u);
  ASSERT_EQ(Read(b), kNoErr) << "the drawing is sound before the damage";
  const Corruption& c = GetParam();
  std::memcpy(b.data() + c.at, c.bytes.data(), c.bytes.size());
  EXPECT_EQ(Read(b), c.expected);
}

TEST_F(Damage, BytesAfterTheLastRecordAreRefused) {
  Bytes b = OneTriangleDrawing();
  b.push_back(0);
  EXPECT_EQ(Read(b), kErrStoredCount);
}

TEST_F(Damage, NonMutualAdjacencyIsRefused) {
  TLandMgr* mgr = NewManager(host);
  PlaceGeometry(AddTIN(mgr, "Ground", false), SquareAroundCentre());
  ASSERT_EQ(Save(mgr), kNoErr);
  delete mgr;
  Bytes b = StoredBytes(host);
  ASSERT_EQ(Read(b), kNoErr);
  // Triangle 1 (A, B, E): its neighbour across B-E is triangle 2; point it
  // at triangle 3 (C, D, E), which does not have that edge.
  const std::size_t tri1 = 52 + 149 + 5 * 40 + 4 + 4 * 4 + 4;
  ASSERT_EQ(BE32(b, tri1 + 8), 2);
  PutBE32(b, tri1 + 8, 3);
  EXPECT_EQ(Read(b), kErrStoredReference);
}

TEST_F(Damage, BreaklineNamingNoVertexFails) {
  TLandMgr* mgr = NewManager(host);
  HandGeometry g = SquareAroundCentre();
  g.breaklines = {{1, 2}};
  PlaceGeometry(AddTIN(mgr, "Ground", false), g);
  ASSERT_EQ(Save(mgr), kNoErr);
  delete mgr;
  Bytes b = StoredBytes(host);
  const std::size_t entry = b.size() - 8;
  ASSERT_EQ(BE32(b, entry), 2);
  for (std::int32_t bad : {0, 6, -1, std::numeric_limits<std::int32_t>::min()}) {
    PutBE32(b, entry, bad);
    EXPECT_EQ(Read(b), kErrStoredBrklnVtxNum) << bad;
  }
}

// Every allocation of the reader refused in turn: each gives its code and
// frees everything; the codes name what could not be made.
TEST_F(Damage, RefusedAllocationAtEveryStepFailsCleanly) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  const Bytes whole = StoredBytes(host);
  std::set<TErr> codes;
  for (std::uint64_t k = 1;; ++k) {
    const auto failedBefore = host.memory().stats().failedAllocations;
    TErr err = -1;
    TLandMgr* mgr = NewManager(host);
    host.memory().failAllocation(k);
    err = mgr->ReadAllData(host.findDataObject(kTag));
    const bool refused = host.memory().stats().failedAllocations > failedBefore;
    host.memory().clearFailure();
    delete mgr;
    ASSERT_EQ(host.memory().stats().pluginBlocks, 0u) << "allocation " << k;
    if (!refused) {
      EXPECT_EQ(err, kNoErr);
      break;
    }
    ASSERT_NE(err, kNoErr) << "allocation " << k;
    codes.insert(err);
  }
  EXPECT_EQ(codes, (std::set<TErr>{kErrStoredItem, kErrNewReadTIN, kErrAppendReadTIN,
                                   kErrIDIndexBlock, kErrVtxIDIndexObject, kErrTriIDIndexObject,
                                   kErrStoredBrklnNoList, kErrStoredBrklnAppend}));
  EXPECT_EQ(StoredBytes(host), whole);
}

TEST_F(Damage, MissingBaseLeavesADifferenceTINWithoutItThatThePurgeRemoves) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  Bytes b = StoredBytes(host);
  // The difference TIN is the last record: 161 + 3 * 40 + 3 * 4 + 28 bytes.
  const std::size_t diff = b.size() - (161 + 120 + 12 + 28);
  ASSERT_EQ(BE32(b, diff + 2), 4);
  ASSERT_EQ(BE32(b, diff + 6), 3);
  PutBE32(b, diff + 6, 9);  // its first base is gone
  PutStoredBytes(host, b);

  TErr err = -1;
  TLandMgr* mgr = ReadBack(host, &err);
  ASSERT_EQ(err, kNoErr);
  TTIN* read = mgr->GetTINByNum(4);
  EXPECT_EQ(read->fInnerTIN, nullptr);
  EXPECT_EQ(read->fOuterTIN, mgr->GetTINByNum(1));
  EXPECT_FALSE(read->fTINParams.normalTIN) << "still a difference TIN";
  mgr->PurgeOrphanTINs();
  EXPECT_EQ(mgr->GetNumOfTINs(), 3);
  EXPECT_EQ(mgr->GetTINByNum(3)->fTINParams.tinName[0], 3) << "\"Old\" stays";
  delete mgr;
}

// Through the command frame: one alert, docTouched 1, the object untouched.
TEST_F(Damage, CommandOnDamagedDataAlertsOnceAndWritesNothing) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  const Bytes whole = StoredBytes(host);
  tinhost::PluginSession session(host, &PluginMain);
  Bytes version3 = whole;
  version3[25] = 3;
  const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
  for (const Bytes& damaged : {version3, cut}) {
    PutStoredBytes(host, damaged);
    host.dialogs().clearRecords();
    EXPECT_EQ(session.runCommand(kMenuCalcArea), kDocUnchanged);
    ASSERT_EQ(host.dialogs().alerts().size(), 1u);
    EXPECT_EQ(StoredBytes(host), damaged);
  }
  EXPECT_EQ(host.dialogs().alerts()[0].detail, "Error detail: 12, 8");
  PutStoredBytes(host, version3);
  host.dialogs().clearRecords();
  session.runCommand(kMenuDeleteTIN);
  EXPECT_EQ(host.dialogs().alerts().at(0).text,
            "The TIN data stored in the drawing has an unknown format version.");
  EXPECT_EQ(host.dialogs().alerts()[0].detail, "") << "0xD0000 has no detail";
  EXPECT_EQ(StoredBytes(host), version3);
  session.terminate();
}

}  // namespace
