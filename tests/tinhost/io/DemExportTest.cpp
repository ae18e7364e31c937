// Elevation models from TINs built by the plug-in on the shared data, read
// back with GDAL and checked cell by cell against an exact oracle: a centre
// inside (or on) a triangle has that triangle's plane elevation within half a
// world unit; a centre outside every triangle is nodata.
#include <gdal.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <set>

#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

using nlohmann::json;

using P3 = std::array<std::int64_t, 3>;
struct Triangle {
  std::array<P3, 3> v;  // counter-clockwise
};

std::int64_t orient(const P3& a, const P3& b, std::int64_t px, std::int64_t py) {
  return (b[0] - a[0]) * (py - a[1]) - (b[1] - a[1]) * (px - a[0]);
}

// The drawing's 3D triangles, from its objects.
std::vector<Triangle> triangles(const json& drawing) {
  std::int64_t cls = 0;
  for (const auto& c : drawing["classes"])
    if (c["name"] == "TIN 3D Triangle") cls = c["id"];
  std::vector<Triangle> out;
  for (const auto& o : drawing["objects"]) {
    if (o["type"] != "poly3d" || o["class"] != cls) continue;
    Triangle t;
    for (int k = 0; k < 3; ++k)
      for (int a = 0; a < 3; ++a)
        t.v[static_cast<std::size_t>(k)][static_cast<std::size_t>(a)] = o["vertices"][k][a];
    if (orient(t.v[0], t.v[1], t.v[2][0], t.v[2][1]) < 0) std::swap(t.v[1], t.v[2]);
    out.push_back(t);
  }
  return out;
}

struct Raster {
  int columns = 0, rows = 0;
  double transform[6] = {};
  double nodata = 0;
  std::vector<double> values;
};

Raster readRaster(const fs::path& file) {
  GDALAllRegister();
  Raster r;
  GDALDatasetH ds = GDALOpen(file.c_str(), GA_ReadOnly);
  if (ds == nullptr) return r;
  r.columns = GDALGetRasterXSize(ds), r.rows = GDALGetRasterYSize(ds);
  GDALGetGeoTransform(ds, r.transform);
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  r.nodata = GDALGetRasterNoDataValue(band, nullptr);
  r.values.resize(static_cast<std::size_t>(r.columns) * static_cast<std::size_t>(r.rows));
  if (GDALRasterIO(band, GF_Read, 0, 0, r.columns, r.rows, r.values.data(), r.columns, r.rows,
                   GDT_Float64, 0, 0) != CE_None)
    r.values.clear();
  GDALClose(ds);
  return r;
}

struct Surface {
  const char* name;
  const char* csv;
  std::vector<std::string> drawing;  // options of `new`
  const char* cell;
  bool hullIsARectangle;
};

class DemExportTest : public CliTest {
 protected:
  // A drawing with the TIN "Ground" of `csv`, 3D triangles drawn.
  std::string buildTin(const std::string& csv, const std::vector<std::string>& options) {
    const auto d = newDrawing("d.tin", options);
    ok({"import", d, dataFile(csv).string(), "--layer", "Ground"});
    ok({"run", d, "create", "--layer", "Ground", "--set", "want3DTris=1", "--set", "want3DCntr=0",
        "--set", "want2DCntr=0", "--set", "notResident=0"});
    return d;
  }
};

class DemSurfaceTest : public DemExportTest, public ::testing::WithParamInterface<Surface> {};

TEST_P(DemSurfaceTest, EveryCellIsItsTrianglesPlaneOrNodataOutsideTheHull) {
  const Surface& s = GetParam();
  const auto d = buildTin(s.csv, s.drawing);
  ok({"export", d, p("dem.tif"), "--layer", "Ground", "--cell", s.cell});
  const json j = info(d);
  const std::vector<Triangle> tris = triangles(j);
  ASSERT_GT(tris.size(), 50u);
  const Raster r = readRaster(path("dem.tif"));
  ASSERT_FALSE(r.values.empty());
  const double cell = std::stod(s.cell), w = j["units"]["world_per_unit"];
  const double ox = j["units"]["origin"][0], oy = j["units"]["origin"][1];
  EXPECT_DOUBLE_EQ(r.transform[1], cell);
  EXPECT_DOUBLE_EQ(r.transform[5], -cell);
  EXPECT_DOUBLE_EQ(std::remainder(r.transform[0], cell), 0.0)
      << "the grid lies on multiples of the cell";

  std::size_t nodata = 0, checked = 0;
  for (int row = 0; row < r.rows; ++row)
    for (int col = 0; col < r.columns; ++col) {
      // Every centre of these grids is a whole world unit.
      const double wx = (r.transform[0] + (col + 0.5) * cell - ox) * w;
      const double wy = (r.transform[3] - (row + 0.5) * cell - oy) * w;
      ASSERT_NEAR(wx, std::round(wx), 1e-6);
      const auto px = std::llround(wx), py = std::llround(wy);
      const Triangle* in = nullptr;
      for (const Triangle& t : tris)
        if (orient(t.v[0], t.v[1], px, py) >= 0 && orient(t.v[1], t.v[2], px, py) >= 0 &&
            orient(t.v[2], t.v[0], px, py) >= 0) {
          in = &t;
          break;
        }
      const double value =
          r.values[static_cast<std::size_t>(row) * static_cast<std::size_t>(r.columns) +
                   static_cast<std::size_t>(col)];
      if (in == nullptr) {
        EXPECT_EQ(value, r.nodata)
            << "row " << row << " column " << col << " lies outside the hull";
        ++nodata;
        continue;
      }
      // The plane by barycentric weights, exact until the one division.
      const auto& v = in->v;
      const long double a = orient(v[1], v[2], px, py), b = orient(v[2], v[0], px, py),
                        c = orient(v[0], v[1], px, py);
      const long double z = (a * v[0][2] + b * v[1][2] + c * v[2][2]) / (a + b + c);
      ASSERT_NE(value, r.nodata) << "row " << row << " column " << col << " lies on the surface";
      ASSERT_NEAR(value * w, static_cast<double>(z), 0.5) << "row " << row << " column " << col;
      ++checked;
    }
  EXPECT_GT(checked, static_cast<std::size_t>(r.columns));
  if (s.hullIsARectangle)
    EXPECT_EQ(nodata, 0u) << "centres on the hull's sides belong to the surface";
  else
    EXPECT_GT(nodata, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    SharedData, DemSurfaceTest,
    ::testing::Values(
        // Cell centres on the grid's own points and sides, and every cell's diagonal a tie.
        Surface{"volcanoOnVertices", "volcano/volcano_points.csv", {}, "20", true},
        Surface{"massTopo", "mass_topo/mass_topo_points.csv", {"--unit", "ft"}, "2", false},
        // Over a million cells: written tiled and compressed.
        Surface{"massTopoTiled", "mass_topo/mass_topo_points.csv", {"--unit", "ft"}, "0.25", false},
        // Negative eastings, a drawing origin away from zero.
        Surface{"quarry", "quarry_contours/quarry_eg_points.csv", {"--unit", "ft"}, "25", false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(DemExportTest, GdalSeesTheCoordinateSystemUnitAndLayout) {
  const auto d = buildTin("mass_topo/mass_topo_points.csv", {"--crs", "EPSG:6543"});
  ok({"export", d, p("small.tif"), "--layer", "Ground", "--cell", "5"});
  const std::string small = shellOutput("gdalinfo " + p("small.tif"));
  EXPECT_NE(small.find("ID[\"EPSG\",6543]"), std::string::npos) << small;
  EXPECT_NE(small.find("Unit Type: US survey foot"), std::string::npos);
  EXPECT_NE(small.find("NoData Value=-9999"), std::string::npos);
  EXPECT_NE(small.find("TIN_NAME=Ground"), std::string::npos);

  ok({"export", d, p("large.tif"), "--layer", "Ground", "--cell", "0.25"});
  const std::string large = shellOutput("gdalinfo " + p("large.tif"));
  EXPECT_NE(large.find("Block=256x256"), std::string::npos) << large;
  EXPECT_NE(large.find("COMPRESSION=DEFLATE"), std::string::npos);

  // Without a coordinate system: local coordinates, still in the drawing's foot.
  const auto local = newDrawing("local.tin", {"--unit", "ft"});
  ok({"import", local, dataFile("mass_topo/mass_topo_points.csv").string(), "--layer", "Ground"});
  ok({"run", local, "create", "--layer", "Ground", "--set", "want3DTris=1", "--set",
      "notResident=0"});
  ok({"export", local, p("local.tif"), "--layer", "Ground-3D", "--cell", "5"});
  const std::string plain = shellOutput("gdalinfo " + p("local.tif"));
  EXPECT_NE(plain.find("local survey coordinates"), std::string::npos) << plain;
  EXPECT_NE(plain.find("Unit Type: ft"), std::string::npos);
}

TEST_F(DemExportTest, AsciiGridHoldsTheSameValuesWithItsPrjAndNothingElseIsLeft) {
  const auto d = buildTin("mass_topo/mass_topo_points.csv", {"--crs", "EPSG:2994"});
  ok({"export", d, p("dem.tif"), "--layer", "Ground", "--cell", "4"});
  ok({"export", d, p("dem.asc"), "--layer", "Ground", "--cell", "4"});
  const Raster tif = readRaster(path("dem.tif")), asc = readRaster(path("dem.asc"));
  ASSERT_EQ(asc.values.size(), tif.values.size());
  for (std::size_t i = 0; i < tif.values.size(); ++i)
    ASSERT_NEAR(asc.values[i], tif.values[i], 0.0005) << i;
  EXPECT_NE(readText(path("dem.prj")).find("Oregon"), std::string::npos);
  std::set<std::string> files;
  for (const auto& e : fs::directory_iterator(dir_))
    if (e.path().filename().string()[0] != '.') files.insert(e.path().filename().string());
  EXPECT_EQ(files, (std::set<std::string>{"d.tin", "dem.asc", "dem.prj", "dem.tif"}));
}

// A surface that reaches -9999 gets the lowest float as nodata, written as
// such in the cells outside its hull (a double's lowest would not survive
// the 32-bit cells).
TEST_F(DemExportTest, ASurfaceBelowTheUsualNodataGetsAnotherOne) {
  const auto d = newDrawing();
  ok({"import", d, write("deep.xyz", "0 0 -9999\n40 0 -10020\n0 40 -10010\n10 10 -9990\n").string(),
      "--layer", "Ground"});
  ok({"run", d, "create", "--layer", "Ground", "--set", "want3DTris=1", "--set", "notResident=0"});
  ok({"export", d, p("deep.tif"), "--layer", "Ground", "--cell", "0.5"});
  const Raster r = readRaster(path("deep.tif"));
  ASSERT_FALSE(r.values.empty());
  EXPECT_LT(r.nodata, -1e30);
  const auto holes = std::count(r.values.begin(), r.values.end(), r.nodata);
  EXPECT_GT(holes, 2 * r.columns) << "the half outside the triangular hull";
  EXPECT_LT(holes, static_cast<long>(r.values.size()) - 2 * r.columns);
  double lowest = 0;
  for (double v : r.values)
    if (v != r.nodata) lowest = std::min(lowest, v);
  EXPECT_LT(lowest, -10000);
}

// A TIN kept in the drawing without its 3D triangles drawn is sampled from
// its stored triangles: the same triangles in the same order, so the same
// grid to the bit; one kept without its geometry is refused.
TEST_F(DemExportTest, ATinWithoutDrawnTrianglesIsSampledFromItsStoredTriangles) {
  const auto drawn = newDrawing("drawn.tin", {"--unit", "ft"});
  ok({"import", drawn, dataFile("quarry_contours/quarry_eg_points.csv").string(), "--layer", "Ground"});
  const auto stored = p("stored.tin"), bare = p("bare.tin");
  fs::copy_file(path("drawn.tin"), stored);
  fs::copy_file(path("drawn.tin"), bare);
  const std::vector<std::string> create{"create", "--layer", "Ground", "--set", "want3DCntr=0", "--set", "want2DCntr=0"};
  auto runCreate = [&](const std::string& d, std::vector<std::string> settings) {
    std::vector<std::string> args{"run", d};
    args.insert(args.end(), create.begin(), create.end());
    args.insert(args.end(), settings.begin(), settings.end());
    ok(args);
  };
  runCreate(drawn, {"--set", "want3DTris=1", "--set", "notResident=0"});
  runCreate(stored, {"--set", "want3DTris=0", "--set", "notResident=0"});
  runCreate(bare, {"--set", "want3DTris=0", "--set", "notResident=1"});
  ASSERT_TRUE(triangles(info(stored)).empty());

  ok({"export", drawn, p("drawn.tif"), "--layer", "Ground", "--cell", "10"});
  const std::string said = ok({"export", stored, p("stored.tif"), "--layer", "Ground", "--cell", "10"});
  EXPECT_NE(said.find("stored triangles"), std::string::npos) << said;
  const Raster a = readRaster(path("drawn.tif")), b = readRaster(path("stored.tif"));
  ASSERT_GT(a.values.size(), 100u);
  EXPECT_EQ(a.columns, b.columns);
  EXPECT_EQ(std::vector<double>(a.transform, a.transform + 6), std::vector<double>(b.transform, b.transform + 6));
  EXPECT_TRUE(a.values == b.values) << "the stored triangles give another grid";

  const RunResult r = run({"export", bare, p("bare.tif"), "--layer", "Ground", "--cell", "10"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("stored without its triangles"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(path("bare.tif")));
}

TEST_F(DemExportTest, UnusableRequestsAreRefusedWithoutWritingAnything) {
  const auto d = buildTin("mass_topo/mass_topo_points.csv", {"--unit", "ft"});
  struct Case {
    std::vector<std::string> options;
    const char* message;
  };
  const Case cases[] = {
      {{"--cell", "0"}, "must be a positive number"},
      {{"--cell", "-1"}, "must be a positive number"},
      {{"--cell", "0.00001"}, "use a cell of at least"},  // about 0.9 PB
      {{}, "needs a cell size"},
      {{"--cell", "1", "--layer", "Layer 1"}, "hold no 3D triangles"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"export", d, p("x.tif")};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("x.tif")));
  }
  EXPECT_EQ(run({"export", d, p("x.csv"), "--cell", "1"}).status, 2);
}

}  // namespace
}  // namespace tinhost::testing
