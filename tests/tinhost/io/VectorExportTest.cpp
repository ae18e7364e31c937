// TINs for GIS: the plug-in's contours, hull and triangles of a TIN built on
// the shared data, written as GeoPackage, Shapefile and GeoJSON and read back
// with OGR: the contours equal the drawing's contour objects point for point,
// the hull's area is the data's hull area, and the triangles tile it.
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <cmath>

#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

using nlohmann::json;

// mass_topo: hull area and triangle count of its TIN (the data's README).
constexpr double kHullArea = 89975.0;
constexpr std::size_t kTriangles = 87;

struct Feature {
  std::string tin, kind;
  double elevation = 0;
  int index = -1;
  double area = 0;
  std::vector<std::array<double, 3>> points;  // line strings
  bool sameCrs = false;
};

// Every feature of every layer, in order, with its layer's name as kind
// when the feature has none.
std::vector<Feature> readFeatures(const fs::path& file) {
  GDALAllRegister();
  std::vector<Feature> out;
  GDALDatasetH ds =
      GDALOpenEx(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
  if (ds == nullptr) return out;
  OGRSpatialReferenceH wanted = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(wanted, 2994);
  for (int l = 0; l < GDALDatasetGetLayerCount(ds); ++l) {
    OGRLayerH layer = GDALDatasetGetLayer(ds, l);
    const std::string layerName = OGR_L_GetName(layer);
    OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(layer);
    const char* const ignoreAxes[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", nullptr};
    const bool sameCrs = srs != nullptr && OSRIsSameEx(srs, wanted, ignoreAxes) != 0;
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
      Feature feature;
      feature.sameCrs = sameCrs;
      OGRFeatureDefnH def = OGR_F_GetDefnRef(f);
      auto field = [&](const char* name) { return OGR_FD_GetFieldIndex(def, name); };
      feature.tin = OGR_F_GetFieldAsString(f, field("tin"));
      feature.kind = field("kind") >= 0 ? OGR_F_GetFieldAsString(f, field("kind")) : layerName;
      if (field("elevation") >= 0 && OGR_F_IsFieldSetAndNotNull(f, field("elevation")))
        feature.elevation = OGR_F_GetFieldAsDouble(f, field("elevation")),
        feature.index = OGR_F_GetFieldAsInteger(f, field("index"));
      OGRGeometryH g = OGR_F_GetGeometryRef(f);
      const OGRwkbGeometryType type = wkbFlatten(OGR_G_GetGeometryType(g));
      if (type == wkbLineString)
        for (int i = 0; i < OGR_G_GetPointCount(g); ++i)
          feature.points.push_back({OGR_G_GetX(g, i), OGR_G_GetY(g, i), OGR_G_GetZ(g, i)});
      else
        feature.area = OGR_G_Area(g);
      out.push_back(feature);
      OGR_F_Destroy(f);
    }
  }
  OSRDestroySpatialReference(wanted);
  GDALClose(ds);
  return out;
}

struct Format {
  const char* name;
  const char* file;
  const char *contours, *hull, *triangles;  // how each kind reads back
};

class VectorExportTest : public CliTest, public ::testing::WithParamInterface<Format> {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    drawing_ = newDrawing("d.tin", {"--crs", "EPSG:2994"});
    ok({"import", drawing_, dataFile("mass_topo/mass_topo_points.csv").string(), "--layer",
        "Ground"});
    ok({"run", drawing_, "create", "--layer", "Ground", "--set", "want3DTris=1", "--set",
        "want3DCntr=1", "--set", "contourInterval=10", "--set", "indexContourEvery=5", "--set",
        "wantHull=1", "--set", "notResident=0"});
  }
  std::string drawing_;
};

TEST_P(VectorExportTest, ContoursHullAndTrianglesReadBackAsDrawn) {
  const Format& f = GetParam();
  const RunResult r = run({"export", drawing_, p(f.file), "--layer", "Ground", "--faces"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<Feature> features;
  for (const char* file : {f.file, "c_hull.shp", "c_triangles.shp"})
    if (std::string(f.name) == "shapefile" || file == f.file)
      for (Feature& x : readFeatures(path(file))) features.push_back(std::move(x));

  const json j = info(drawing_);
  const double w = j["units"]["world_per_unit"], ox = j["units"]["origin"][0],
               oy = j["units"]["origin"][1];
  std::int64_t contourClass = 0, indexClass = 0;
  for (const auto& c : j["classes"]) {
    if (c["name"] == "TIN 3D Contour") contourClass = c["id"];
    if (c["name"] == "TIN 3D Index Contour") indexClass = c["id"];
  }
  std::vector<json> drawn;
  for (const auto& o : j["objects"])
    if (o["type"] == "poly3d" && (o["class"] == contourClass || o["class"] == indexClass))
      drawn.push_back(o);

  std::vector<const Feature*> contours, hulls, triangles;
  for (const Feature& x : features) {
    EXPECT_EQ(x.tin, "Ground");
    EXPECT_TRUE(x.sameCrs) << x.kind;
    if (x.kind == f.contours)
      contours.push_back(&x);
    else if (x.kind == f.hull)
      hulls.push_back(&x);
    else if (x.kind == f.triangles)
      triangles.push_back(&x);
    else
      ADD_FAILURE() << "unexpected " << x.kind;
  }
  ASSERT_GT(drawn.size(), 5u);
  ASSERT_EQ(contours.size(), drawn.size());
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    const json& o = drawn[i];
    const Feature& c = *contours[i];
    const std::size_t n = o["vertices"].size() + (o["closed"].get<bool>() ? 1 : 0);
    ASSERT_EQ(c.points.size(), n) << i;
    for (std::size_t k = 0; k < n; ++k) {
      const json& v = o["vertices"][k % o["vertices"].size()];
      EXPECT_NEAR(c.points[k][0], ox + v[0].get<double>() / w, 1e-9);
      EXPECT_NEAR(c.points[k][1], oy + v[1].get<double>() / w, 1e-9);
      EXPECT_NEAR(c.points[k][2], v[2].get<double>() / w, 1e-9);
    }
    EXPECT_NEAR(c.elevation, o["vertices"][0][2].get<double>() / w, 1e-9);
    EXPECT_EQ(c.index, o["class"] == indexClass ? 1 : 0);
  }
  EXPECT_TRUE(std::any_of(contours.begin(), contours.end(),
                          [](const Feature* c) { return c->index == 1; }));

  ASSERT_EQ(hulls.size(), 1u);
  EXPECT_NEAR(hulls[0]->area, kHullArea, 1e-6);
  ASSERT_EQ(triangles.size(), kTriangles);
  double sum = 0;
  for (const Feature* t : triangles) sum += t->area;
  EXPECT_NEAR(sum, kHullArea, 1e-6) << "the triangles tile the hull";
}

INSTANTIATE_TEST_SUITE_P(
    Formats, VectorExportTest,
    ::testing::Values(Format{"geopackage", "c.gpkg", "Ground_contours", "Ground_hull",
                             "Ground_triangles"},
                      Format{"shapefile", "c.shp", "c", "c_hull", "c_triangles"},
                      Format{"geojson", "c.geojson", "contour", "hull", "triangle"}),
    [](const auto& param) { return std::string(param.param.name); });

class VectorExportRefusalTest : public CliTest {};

// The graphics on a TIN's own layers, whatever they are called, belong to
// the TIN the drawing stores; --layer may name the TIN.
TEST_F(VectorExportRefusalTest, TheStoredTinNamesItsGraphicsWhateverItsLayersAreCalled) {
  const auto d = newDrawing("d.tin", {"--unit", "ft"});
  ok({"import", d, dataFile("mass_topo/mass_topo_points.csv").string(), "--layer", "Ground"});
  ok({"run", d, "create", "--layer", "Ground", "--set", "layer3DName=Surface", "--set",
      "layer2DName=Plan", "--set", "want3DTris=1", "--set", "want3DCntr=1", "--set",
      "contourInterval=20", "--set", "notResident=0"});
  ok({"export", d, p("c.gpkg"), "--layer", "Ground"});
  const std::vector<Feature> features = readFeatures(path("c.gpkg"));
  ASSERT_FALSE(features.empty());
  for (const Feature& f : features) {
    EXPECT_EQ(f.tin, "Ground");
    EXPECT_EQ(f.kind.rfind("Ground_", 0), 0u) << f.kind;
  }
  EXPECT_NE(
      ok({"export", d, p("dem.tif"), "--layer", "Ground", "--cell", "5"}).find("TIN \"Ground\""),
      std::string::npos);
}

TEST_F(VectorExportRefusalTest, NeedsTinGraphicsAndFacesAreForVectorsOnly) {
  const auto d = newDrawing();
  ok({"import", d, write("a.xyz", "0 0 1\n10 0 2\n0 10 3\n").string()});
  const RunResult r = run({"export", d, p("c.gpkg")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("hold no TIN graphics"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(path("c.gpkg")));
  EXPECT_EQ(run({"export", d, p("c.dxf"), "--faces"}).status, 2);
}

}  // namespace
}  // namespace tinhost::testing
