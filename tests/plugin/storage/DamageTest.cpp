// Damaged stored data: every failure is a code, frees what was made for it
// and leaves the data object as it was; through the command frame it is one
// alert and nothing written back.  Truncation at every byte, field by field
// corruption, refused allocations at every step, and a missing base TIN.
#include <cstring>
#include <set>

#include "StorageTest.h"
#include "plugin/model/IDIndex.h"
#include "plugin/model/TTIN.h"
#include "tinhost/core/PluginSession.h"

namespace {

using namespace storage_test;

class Damage : public StorageTest {
 protected:
  // Reads `bytes` as the data object: the reader's code.  The object stays
  // as it was and a failed read leaves nothing allocated.
  TErr Read(const Bytes& bytes) {
    PutStoredBytes(host, bytes);
    const std::size_t before = host.memory().stats().pluginBlocks;
    TErr err = -1;
    delete ReadBack(host, &err);
    EXPECT_EQ(StoredBytes(host), bytes) << "reading changed the object";
    EXPECT_EQ(host.memory().stats().pluginBlocks, before) << "code " << std::hex << err;
    return err;
  }
};

TEST_F(Damage, TruncationAtEveryByteFailsAsDataRunningPastTheEnd) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  const Bytes whole = StoredBytes(host);
  ASSERT_GT(whole.size(), 4000u);
  for (std::size_t size = 0; size < whole.size(); ++size) {
    const TErr err = Read(Bytes(whole.begin(), whole.begin() + static_cast<long>(size)));
    // 22 bytes are only the host's part: what a save that failed early leaves.
    ASSERT_EQ(err, size == 22 ? kNoErr : kErrStoredDataShort) << "cut at " << size;
  }
  EXPECT_EQ(Read(whole), kNoErr);
}

struct Corruption {
  const char* name;
  std::size_t at;  // offset in the drawing of the square (593 bytes)
  Bytes bytes;     // written there
  TErr expected;
};

class CorruptField : public Damage, public ::testing::WithParamInterface<Corruption> {};

// The square's record at 52: V at 197, vertices E A B C D at 201 + 40k, H at
// 401, hull at 405, T at 421, triangles at 425 + 28k (the first: A B E with
// neighbours -1 2 4 at 429), B at 537, breaklines at 541 (n at 553) and 565.
INSTANTIATE_TEST_SUITE_P(
    Square, CorruptField,
    ::testing::Values(
        Corruption{"FormatVersion3", 22, {0, 0, 0, 3}, kErrFormatVersion},
        Corruption{"RecordVersion3", 52, {0, 3}, kErrRecordVersion},
        Corruption{"NameTooLong", 88, {22}, kErrStoredCount},
        Corruption{"ParametersOnlyWithGeometry", 195, {1}, kErrStoredCount},
        Corruption{"NegativeVertexCount", 197, {0x80, 0, 0, 0}, kErrStoredCount},
        Corruption{"HugeVertexCount", 197, {0x7F, 0xFF, 0xFF, 0xFF}, kErrStoredDataShort},
        Corruption{"VertexOutOfPosition", 241, {0, 0, 0, 3}, kErrStoredReference},
        Corruption{"ElevationFalls", 361 + 24, {0x3F, 0xF0}, kErrStoredReference},
        Corruption{"CoordinateTooLarge", 205, {0x40, 0x40}, kErrStoredCount},
        Corruption{"CoordinateNotANumber", 215, {0x7F, 0xFF, 0xC0}, kErrStoredCount},
        Corruption{"VertexTriangleMissing", 235, {0, 0, 0, 9}, kErrStoredReference},
        Corruption{"VertexOnAForeignTriangle", 275, {0, 0, 0, 3}, kErrStoredReference},
        Corruption{"MoreHullThanVertices", 401, {0, 0, 0, 6}, kErrStoredCount},
        Corruption{"HullEntryZero", 405, {0, 0, 0, 0}, kErrStoredItem},
        Corruption{"TriangleNumberRepeated", 453, {0, 0, 0, 1}, kErrStoredReference},
        Corruption{"CornerMissing", 441, {0, 0, 0, 9}, kErrStoredReference},
        Corruption{"CornerRepeated", 441, {0, 0, 0, 3}, kErrStoredReference},
        Corruption{"NeighbourMissing", 433, {0, 0, 0, 9}, kErrStoredReference},
        Corruption{"NeighbourItself", 433, {0, 0, 0, 1}, kErrStoredReference},
        Corruption{"NeighbourNotMutual", 433, {0, 0, 0, 3}, kErrStoredReference},
        Corruption{"NegativeBreaklineLength", 553, {0xFF, 0xFF, 0xFF, 0xFF}, kErrStoredCount},
        Corruption{"BreaklineVertexZero", 557, {0, 0, 0, 0}, kErrStoredBrklnVtxNum},
        Corruption{"BytesAfterTheLastRecord", 593, {0}, kErrStoredCount}),
    [](const ::testing::TestParamInfo<Corruption>& p) { return std::string(p.param.name); });

TEST_P(CorruptField, FailsWithItsCode) {
  PlaceGeometry(AddTIN(mgr, "Ground", false), SquareAroundCentre());
  ASSERT_EQ(Save(mgr), kNoErr);
  Bytes b = StoredBytes(host);
  ASSERT_EQ(b.size(), 593u);
  ASSERT_EQ(Read(b), kNoErr) << "sound before the damage";
  const Corruption& c = GetParam();
  if (b.size() < c.at + c.bytes.size()) b.resize(c.at + c.bytes.size());
  std::memcpy(b.data() + c.at, c.bytes.data(), c.bytes.size());
  EXPECT_EQ(Read(b), c.expected);
}

// Every allocation of the reader refused in turn: each gives the code of
// what could not be made and frees everything.
TEST_F(Damage, RefusedAllocationAtEveryStepFailsCleanly) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  std::set<TErr> codes;
  const std::size_t before = host.memory().stats().pluginBlocks;
  for (std::uint64_t k = 1;; ++k) {
    const auto refusedBefore = host.memory().stats().failedAllocations;
    TLandMgr* reader = storage_test::NewManager(host);
    host.memory().failAllocation(k);
    const TErr err = reader->ReadAllData(host.findDataObject(kTag));
    host.memory().clearFailure();
    delete reader;
    ASSERT_EQ(host.memory().stats().pluginBlocks, before) << "allocation " << k;
    if (host.memory().stats().failedAllocations == refusedBefore) {
      EXPECT_EQ(err, kNoErr);
      break;
    }
    codes.insert(err);
  }
  EXPECT_EQ(codes, (std::set<TErr>{kErrStoredItem, kErrNewReadTIN, kErrAppendReadTIN,
                                   kErrIDIndexBlock, kErrVtxIDIndexObject, kErrTriIDIndexObject,
                                   kErrStoredBrklnNoList, kErrStoredBrklnAppend}));
}

TEST_F(Damage, MissingBaseLeavesADifferenceTINWithoutItThatThePurgeRemoves) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  Bytes b = StoredBytes(host);
  const std::size_t diff = b.size() - (161 + 3 * 40 + 3 * 4 + 28);  // the last record
  ASSERT_EQ(BE32(b, diff + 6), 3);
  PutBE32(b, diff + 6, 9);  // its first base is gone
  PutStoredBytes(host, b);

  TErr err = -1;
  TLandMgr* back = ReadBack(host, &err);
  ASSERT_EQ(err, kNoErr);
  const TTIN* read = back->GetTINByNum(4);
  EXPECT_EQ(read->fInnerTIN, nullptr);
  EXPECT_EQ(read->fOuterTIN, back->GetTINByNum(1));
  EXPECT_FALSE(read->fTINParams.normalTIN) << "still a difference TIN";
  back->PurgeOrphanTINs();
  EXPECT_EQ(back->GetNumOfTINs(), 3);
  EXPECT_EQ(back->GetTINByNum(3)->fTINParams.tinName[1], 'O') << "\"Old\" stays";
  delete back;
}

TEST_F(Damage, CommandOnDamagedDataAlertsOnceAndWritesNothing) {
  ASSERT_EQ(MakeSampleDrawing(host), kNoErr);
  const Bytes whole = StoredBytes(host);
  Bytes version3 = whole;
  version3[25] = 3;
  const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
  tinhost::PluginSession session(host, &PluginMain);
  for (const Bytes& damaged : {version3, cut}) {
    PutStoredBytes(host, damaged);
    host.dialogs().clearRecords();
    EXPECT_EQ(session.runCommand(kMenuDeleteTIN), kDocUnchanged);
    ASSERT_EQ(host.dialogs().alerts().size(), 1u);
    EXPECT_EQ(StoredBytes(host), damaged);
  }
  EXPECT_EQ(host.dialogs().alerts()[0].detail, "Error detail: 12, 8");
  PutStoredBytes(host, version3);
  host.dialogs().clearRecords();
  session.runCommand(kMenuCalcArea);
  EXPECT_EQ(host.dialogs().alerts().at(0).text,
            "The TIN data stored in the drawing has an unknown format version.");
  EXPECT_EQ(host.dialogs().alerts()[0].detail, "");
  session.terminate();
}

}  // namespace
