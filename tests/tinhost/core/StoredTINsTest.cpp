// The host's reading of the TINs a drawing stores: every kind of record the
// plug-in writes (resident with breaklines, parameters only, an older record
// version, a difference TIN) is stepped over exactly, so each later TIN keeps
// its names; the geometry of a resident TIN reads back as the plug-in placed
// it; damaged data is refused without reading past its end.
#include <gtest/gtest.h>

#include "plugin/host/PluginMemory.h"
#include "tests/support/StoredDrawings.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/StoredTINs.h"

namespace tinhost {
namespace {

using storage_test::Bytes;

class StoredTINsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gKVCallback = host.callbacks();
    ASSERT_EQ(storage_test::MakeSampleDrawing(host), kNoErr);
    whole = storage_test::StoredBytes(host);
  }
  void TearDown() override { gKVCallback = nullptr; }

  static std::vector<StoredTIN> read(const Bytes& bytes) { return readStoredTINs({{kTINDataTag, bytes}}); }

  Host host;
  Bytes whole;
};

TEST_F(StoredTINsTest, EveryKindOfRecordIsSteppedOverToTheNextTINsNames) {
  const std::vector<StoredTIN> tins = readStoredTINs(host.dataObjects());
  ASSERT_EQ(tins.size(), 4u);
  const char* names[] = {"Survey", "Parcel", "Old", "Survey-diff"};
  for (std::size_t i = 0; i < tins.size(); ++i) {
    EXPECT_EQ(tins[i].name, names[i]);
    EXPECT_EQ(tins[i].layer2DName, std::string(names[i]) + "-2D");
    EXPECT_EQ(tins[i].layer3DName, std::string(names[i]) + "-3D");
    EXPECT_EQ(tins[i].id, static_cast<std::int32_t>(i + 1));
    EXPECT_EQ(tins[i].difference, i == 3) << names[i];
  }
  EXPECT_EQ(tins[3].innerId, tins[2].id) << "the first base, Old";
  EXPECT_EQ(tins[3].outerId, tins[0].id) << "the second base, Survey";
  EXPECT_EQ(tins[0].innerId, -1);
  EXPECT_TRUE(tins[1].answersToLayer("Parcel-3D"));
  EXPECT_FALSE(tins[1].answersToLayer("Parcel-2"));

  EXPECT_TRUE(readStoredTINs({}).empty()) << "no data object, no TINs";
  EXPECT_TRUE(read(Bytes(whole.begin(), whole.begin() + 22)).empty()) << "the host's part alone";
}

TEST_F(StoredTINsTest, SurfaceReadsBackAsPlacedInWorldUnits) {
  const std::vector<StoredTIN> tins = readStoredTINs(host.dataObjects());
  ASSERT_EQ(tins.size(), 4u);
  // "Old": the square around its centre, stored in an older record version.
  const storage_test::HandGeometry square = storage_test::SquareAroundCentre();
  const StoredSurface old = readStoredSurface(host.dataObjects(), 2, host.document().units());
  EXPECT_EQ(tins[2].vertexCount, 5);
  EXPECT_EQ(tins[2].triangleCount, 4);
  ASSERT_EQ(old.vertices.size(), square.vertices.size());
  for (std::size_t k = 0; k < old.vertices.size(); ++k) {
    EXPECT_EQ(old.vertices[k].x, square.vertices[k].x) << k;
    EXPECT_EQ(old.vertices[k].y, square.vertices[k].y) << k;
    EXPECT_EQ(old.vertices[k].z, square.vertices[k].z) << k;
  }
  ASSERT_EQ(old.triangles.size(), square.triangles.size());
  for (std::size_t k = 0; k < old.triangles.size(); ++k)
    for (std::size_t c = 0; c < 3; ++c) EXPECT_EQ(old.triangles[k][c], square.triangles[k][c]) << k;

  EXPECT_TRUE(tins[1].notResident);
  EXPECT_TRUE(readStoredSurface(host.dataObjects(), 1, host.document().units()).triangles.empty())
      << "a TIN keeping only its parameters has no surface";
  EXPECT_FALSE(tins[0].notResident);
  EXPECT_EQ(worldOfStored(tins[0].datumElev, host.document().units()), -1234.0) << "the datum as the plug-in set it";
  EXPECT_THROW(readStoredSurface(host.dataObjects(), 4, host.document().units()), HostError);
}

TEST_F(StoredTINsTest, DamagedDataIsRefusedWithoutReadingPastItsEnd) {
  ASSERT_GT(whole.size(), 4000u);
  for (std::size_t size = 0; size < whole.size(); ++size) {
    if (size == 22) continue;
    EXPECT_THROW(read(Bytes(whole.begin(), whole.begin() + static_cast<long>(size))), HostError) << "cut at " << size;
  }
  auto patched = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    Bytes b = whole;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  Bytes longer = whole;
  longer.push_back(0);
  EXPECT_THROW(read(longer), HostError) << "a byte after the last TIN";
  EXPECT_THROW(read(patched(22, {0, 0, 0, 3})), HostError) << "an unknown format version";
  EXPECT_THROW(read(patched(26, {0x80, 0, 0, 0})), HostError) << "a negative number of TINs";
  EXPECT_THROW(read(patched(26, {0x7F, 0xFF, 0xFF, 0xFF})), HostError) << "more TINs than bytes";
  const std::size_t firstRecord = 30 + 4 * 22;
  EXPECT_THROW(read(patched(firstRecord + 14, {22})), HostError) << "a name longer than a name can be";
  EXPECT_THROW(read(patched(firstRecord + 145, {0xFF, 0xFF, 0xFF, 0xFF})), HostError) << "a negative vertex count";
}

// The geometry read back is the one placed: "Old" is SquareAroundCentre in a
// version-1 record (world units 1000 per user unit), "Parcel" keeps none.
TEST_F(StoredTINsTest, GeometryOfEachRecordKindIsTheOnePlaced) {
  const storage_test::HandGeometry square = storage_test::SquareAroundCentre();
  const StoredTINGeometry old = readStoredTINGeometry(host.dataObjects(), 2);
  EXPECT_EQ(old.tin.name, "Old");
  ASSERT_EQ(old.xyz.size(), 3 * square.vertices.size());
  const double perUnit = host.document().units().worldPerUnit;
  for (std::size_t k = 0; k < square.vertices.size(); ++k) {
    EXPECT_DOUBLE_EQ(old.xyz[3 * k], square.vertices[k].x / perUnit) << k;
    EXPECT_DOUBLE_EQ(old.xyz[3 * k + 2], square.vertices[k].z / perUnit) << k;
  }
  ASSERT_EQ(old.triangles.size(), 3 * square.triangles.size());
  for (std::size_t t = 0; t < square.triangles.size(); ++t)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(old.triangles[3 * t + c], square.triangles[t][c]) << t;
  EXPECT_EQ(old.hull, std::vector<std::int32_t>(square.hull.begin(), square.hull.end()));
  ASSERT_EQ(old.breaklines.size(), square.breaklines.size());
  EXPECT_EQ(old.breaklines[1].vertices,
            std::vector<std::int32_t>(square.breaklines[1].begin(), square.breaklines[1].end()));

  const StoredTINGeometry parcel = readStoredTINGeometry(host.dataObjects(), 1);
  EXPECT_TRUE(parcel.params.notResident);
  EXPECT_TRUE(parcel.xyz.empty() && parcel.triangles.empty() && parcel.hull.empty());
  const StoredTINGeometry survey = readStoredTINGeometry(host.dataObjects(), 0);
  EXPECT_FALSE(survey.params.notResident);
  EXPECT_GT(survey.triangles.size(), 0u);
  EXPECT_THROW(readStoredTINGeometry(host.dataObjects(), 4), HostError) << "no fifth TIN";
}

TEST_F(StoredTINsTest, DamagedGeometryIsRefusedWithoutReadingPastItsEnd) {
  for (std::size_t size = 0; size < whole.size(); ++size) {
    if (size == 22) continue;
    const std::span<const std::uint8_t> cut(whole.data(), size);
    EXPECT_THROW(readStoredTINGeometry(cut, 3), HostError) << "cut at " << size;
  }
  const std::size_t firstRecord = 30 + 4 * 22;
  const std::int32_t vertices = storage_test::BE32(whole, firstRecord + 145);
  ASSERT_GT(vertices, 0);
  Bytes renumbered = whole;
  renumbered[firstRecord + 149 + 3] ^= 2;  // the first vertex's own number
  EXPECT_THROW(readStoredTINGeometry(std::span<const std::uint8_t>(renumbered), 0), HostError);
}

}  // namespace
}  // namespace tinhost
