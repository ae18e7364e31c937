// The geometry of stored TINs as the host reads it for its viewers: the
// vertices, triangles, hull and breaklines of each resident record in the
// plug-in's order and in user units, parameters included; a TIN that keeps
// only parameters has no geometry; a triangle naming a vertex the record does
// not hold is refused.
#include <gtest/gtest.h>

#include "plugin/host/PluginMemory.h"
#include "tests/support/StoredDrawings.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/StoredTINGeometry.h"

namespace tinhost {
namespace {

using storage_test::Bytes;

class StoredTINGeometryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gKVCallback = host.callbacks();
    ASSERT_EQ(storage_test::MakeSampleDrawing(host), kNoErr);
  }
  void TearDown() override { gKVCallback = nullptr; }
  Host host;
};

TEST_F(StoredTINGeometryTest, EachRecordGivesItsGeometryAndParametersInUserUnits) {
  const std::vector<StoredTINGeometry> tins = readStoredGeometry(host.dataObjects(), 1.0);
  ASSERT_EQ(tins.size(), 4u);
  EXPECT_EQ(tins[0].tin.name, "Survey");
  EXPECT_DOUBLE_EQ(tins[0].params.datumElev, -1.234) << "world -1234 at 1000 world units per metre";
  EXPECT_TRUE(tins[0].params.wantHull);
  EXPECT_TRUE(tins[0].resident);
  // A triangulation of n vertices with h on its hull has 2n - 2 - h triangles.
  EXPECT_EQ(tins[0].triangles.size(), 2 * tins[0].vertexCount() - 2 - tins[0].hull.size());
  EXPECT_EQ(tins[0].breaklines.size(), 2u);
  for (const auto& t : tins[0].triangles)
    for (std::uint32_t v : t) ASSERT_LT(v, tins[0].vertexCount());

  EXPECT_EQ(tins[1].tin.name, "Parcel");
  EXPECT_FALSE(tins[1].resident) << "a TIN kept as parameters only";
  EXPECT_DOUBLE_EQ(tins[1].params.contourInterval, 0.25);
  EXPECT_TRUE(tins[1].params.notResident);

  // "Old", a version-1 record: the square around its centre, vertices in rising z.
  const StoredTINGeometry& old = tins[2];
  ASSERT_EQ(old.vertexCount(), 5u);
  const double xyz[] = {1, 1, -0.5, 0, 0, 0, 0, 2, 0.25, 2, 2, 0.25, 2, 0, 0.9};
  for (std::size_t i = 0; i < 15; ++i) EXPECT_DOUBLE_EQ(old.xyz[i], xyz[i]) << "coordinate " << i;
  using Tri = std::array<std::uint32_t, 3>;
  EXPECT_EQ(old.triangles, (std::vector<Tri>{{1, 2, 0}, {2, 3, 0}, {3, 4, 0}, {4, 1, 0}}));
  EXPECT_EQ(old.hull, (std::vector<std::uint32_t>{1, 2, 3, 4}));
  ASSERT_EQ(old.breaklines.size(), 2u);
  EXPECT_EQ(old.breaklines[0].vertices, (std::vector<std::uint32_t>{2, 3}));
  EXPECT_EQ(old.breaklines[1].vertices, (std::vector<std::uint32_t>{1, 0, 4}));
  EXPECT_TRUE(old.params.wantHull) << "records older than the hull flag draw the hull";

  EXPECT_TRUE(tins[3].tin.difference);
  EXPECT_EQ(tins[3].triangles.size(), 1u);

  const std::vector<StoredTINGeometry> scaled = readStoredGeometry(host.dataObjects(), 2.0);
  EXPECT_DOUBLE_EQ(scaled[2].xyz[0], 2.0) << "stored values are divided by the drawing's scale factor";
}

TEST_F(StoredTINGeometryTest, ATriangleNamingAMissingVertexIsRefused) {
  Bytes bytes = storage_test::StoredBytes(host);
  // The first triangle's first corner in the record of "Old": find its run
  // by its count of four triangles after the five vertices and the hull.
  const std::vector<StoredTINGeometry> tins = readStoredGeometry({{kTINDataTag, bytes}}, 1.0);
  ASSERT_EQ(tins.size(), 4u);
  std::size_t at = 0;
  for (std::size_t k = 0; k + 4 <= bytes.size(); ++k)
    if (storage_test::BE32(bytes, k) == 5 && k + 4 + 5 * 40 + 4 + 16 + 4 <= bytes.size() &&
        storage_test::BE32(bytes, k + 4 + 5 * 40) == 4 && storage_test::BE32(bytes, k + 4 + 5 * 40 + 4 + 16) == 4)
      at = k + 4 + 5 * 40 + 4 + 16 + 4;  // the count of triangles, then the first triangle
  ASSERT_NE(at, 0u) << "the run of Old's triangles";
  storage_test::PutBE32(bytes, at + 16, 6);
  EXPECT_THROW(readStoredGeometry({{kTINDataTag, bytes}}, 1.0), HostError) << "vertex 6 of 5";
  storage_test::PutBE32(bytes, at + 16, 0);
  EXPECT_THROW(readStoredGeometry({{kTINDataTag, bytes}}, 1.0), HostError) << "vertex 0: none";
  storage_test::PutBE32(bytes, at + 16, 2);
  EXPECT_EQ(readStoredGeometry({{kTINDataTag, bytes}}, 1.0)[2].triangles[0][0], 1u);
}

}  // namespace
}  // namespace tinhost
