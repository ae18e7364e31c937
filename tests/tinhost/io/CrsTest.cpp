// A drawing's coordinate system: chosen by `new --crs`, kept in the file,
// shown by `info`, and refused when it cannot hold a drawing.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <array>

#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

using nlohmann::json;

class CrsTest : public CliTest {
 protected:
  // The 3D loci of a drawing in real coordinates (user units), in drawing order.
  std::vector<std::array<double, 3>> realLoci(const std::string& drawing) const {
    const json j = info(drawing);
    const double w = j["units"]["world_per_unit"], ox = j["units"]["origin"][0], oy = j["units"]["origin"][1];
    std::vector<std::array<double, 3>> out;
    for (const auto& o : j["objects"])
      if (o["type"] == "locus3d")
        out.push_back({ox + o["vertices"][0][0].get<double>() / w, oy + o["vertices"][0][1].get<double>() / w,
                       o["vertices"][0][2].get<double>() / w});
    return out;
  }
};

// Points in North Carolina's US survey feet, far enough from the origin that
// reading them as international feet puts them some 4 ft off.
constexpr std::array<double, 3> kNcPoint{2000000.125, 700000.5, 301.25};

void expectAt(const std::vector<std::array<double, 3>>& loci, const std::array<double, 3>& want, const char* what) {
  ASSERT_EQ(loci.size(), 1u) << what;
  for (std::size_t a = 0; a < 3; ++a) EXPECT_NEAR(loci[0][a], want[a], 1e-6) << what << ", axis " << a;
}

std::string dxfPoint(int insunits, const std::array<double, 3>& p) {
  return "0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n" + std::to_string(insunits) +
         "\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nPOINT\n8\n0\n10\n" + std::to_string(p[0]) +
         "\n20\n" + std::to_string(p[1]) + "\n30\n" + std::to_string(p[2]) + "\n0\nENDSEC\n0\nEOF\n";
}

TEST_F(CrsTest, ACodeOrAWktFileBecomesTheDrawingsSystemAndUnit) {
  const auto usFeet = newDrawing("nc.tin", {"--crs", "EPSG:6543"});
  json j = info(usFeet);
  EXPECT_EQ(j["crs"]["code"], "EPSG:6543");
  EXPECT_EQ(j["crs"]["unit"], "US survey foot") << "not the international foot";
  EXPECT_DOUBLE_EQ(j["crs"]["metres_per_unit"].get<double>(), 1200.0 / 3937.0);
  EXPECT_EQ(j["units"]["name"], "ft");
  EXPECT_NE(ok({"info", usFeet})
                .find("coordinate system: NAD83(2011) / North Carolina (ftUS) (EPSG:6543)"),
            std::string::npos);

  // The stored WKT, given back as a file, names the same system.
  write("nc.wkt", j["crs"]["wkt"].get<std::string>());
  const auto fromFile = newDrawing("file.tin", {"--crs", p("nc.wkt")});
  EXPECT_EQ(info(fromFile)["crs"]["code"], "EPSG:6543");

  const auto feet = newDrawing("ft.tin", {"--crs", "EPSG:2994"});
  EXPECT_EQ(info(feet)["crs"]["unit"], "foot");
  EXPECT_EQ(info(newDrawing("plain.tin"))["crs"], nullptr);
}

TEST_F(CrsTest, SystemsThatCannotHoldADrawingAreRefused) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"--crs", "EPSG:4326"}, "longitude and latitude"},
      {{"--crs", "EPSG:6543", "--unit", "m"}, "--unit m disagrees"},
      {{"--crs", "EPSG:999999"}, "not a coordinate system tinhost knows"},
      {{"--crs", "no such thing"}, "not a coordinate system tinhost knows"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"new", p("bad.tin")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 2) << c.args[1];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("bad.tin")));
  }
}

TEST_F(CrsTest, LandXmlCarriesTheSystemToAnotherDrawingAndIsCheckedAgainstOne) {
  const auto source = newDrawing("nc.tin", {"--crs", "EPSG:6543"});
  ok({"import", source, write("a.xyz", "1000 2000 30\n1010 2000 31\n").string()});
  ok({"export", source, p("nc.xml")});
  EXPECT_NE(readText(path("nc.xml"))
                .find("<CoordinateSystem name=\"NAD83(2011) / North Carolina (ftUS)\" "
                      "epsgCode=\"6543\""),
            std::string::npos);

  const auto plain = newDrawing("plain.tin", {"--unit", "ft"});
  EXPECT_NE(ok({"import", plain, p("nc.xml")}).find("coordinate system is now"), std::string::npos);
  EXPECT_EQ(info(plain)["crs"]["code"], "EPSG:6543");

  const auto other = newDrawing("utm.tin", {"--crs", "EPSG:32642"});
  const std::string before = readText(other);
  const RunResult r = run({"import", other, p("nc.xml")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("is not the drawing's"), std::string::npos) << r.err;
  EXPECT_EQ(readText(other), before);
}

// LandXML and DXF files in US survey feet land exactly in a drawing in US
// survey feet (its system's unit, not the international foot); a DXF takes
// its system from the .prj beside it, a GeoPackage from its layers.
TEST_F(CrsTest, InterchangeFilesInFeetAndTheirSystemsReachTheDrawingExactly) {
  const std::string landxml =
      "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\"><Units><Imperial "
      "linearUnit=\"USSurveyFoot\"/></Units><CgPoints><CgPoint name=\"1\">700000.5 2000000.125 "
      "301.25</CgPoint></CgPoints></LandXML>";
  const auto fromXml = newDrawing("xml.tin", {"--crs", "EPSG:6543"});
  ok({"import", fromXml, write("ftus.xml", landxml).string()});
  expectAt(realLoci(fromXml), kNcPoint, "LandXML in US survey feet");

  const auto fromDxf = newDrawing("dxf.tin", {"--crs", "EPSG:6543"});
  ok({"import", fromDxf, write("ftus.dxf", dxfPoint(21, kNcPoint)).string()});
  expectAt(realLoci(fromDxf), kNcPoint, "DXF in US survey feet");

  // In metres, into the same drawing: converted by the US survey foot.
  const auto metric = newDrawing("metric.tin", {"--crs", "EPSG:6543"});
  ok({"import", metric, write("m.dxf", dxfPoint(6, {1200.0, 2400.0, 0.0})).string()});
  expectAt(realLoci(metric), {3937.0, 7874.0, 0.0}, "DXF in metres");

  write("sidecar.dxf", dxfPoint(21, kNcPoint));
  write("sidecar.prj", info(fromXml)["crs"]["wkt"].get<std::string>());
  const auto plain = newDrawing("plain.tin", {"--unit", "ft"});
  EXPECT_NE(ok({"import", plain, p("sidecar.dxf")}).find("sidecar.prj"), std::string::npos);
  EXPECT_EQ(info(plain)["crs"]["code"], "EPSG:6543");
  expectAt(realLoci(plain), kNcPoint, "DXF with its .prj");
  const auto utm = newDrawing("utm.tin", {"--crs", "EPSG:32642"});
  EXPECT_EQ(run({"import", utm, p("sidecar.dxf")}).status, 2) << "another system is refused";

  // A GeoPackage point layer in EPSG:6543, written through OGR.
  GDALAllRegister();
  {
    GDALDriver* gpkg = GetGDALDriverManager()->GetDriverByName("GPKG");
    ASSERT_NE(gpkg, nullptr);
    std::unique_ptr<GDALDataset> ds(gpkg->Create(p("nc.gpkg").c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    ASSERT_TRUE(ds);
    OGRSpatialReference srs;
    srs.importFromEPSG(6543);
    OGRLayer* layer = ds->CreateLayer("Survey", &srs, wkbPoint25D, nullptr);
    ASSERT_NE(layer, nullptr);
    OGRFeature feature(layer->GetLayerDefn());
    OGRPoint point(kNcPoint[0], kNcPoint[1], kNcPoint[2]);
    feature.SetGeometry(&point);
    ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
  }
  const auto fromGpkg = newDrawing("gpkg.tin", {"--unit", "ft"});
  ok({"import", fromGpkg, p("nc.gpkg")});
  EXPECT_EQ(info(fromGpkg)["crs"]["code"], "EPSG:6543");
  EXPECT_EQ(info(fromGpkg)["layers"][1]["name"], "Survey");
  expectAt(realLoci(fromGpkg), kNcPoint, "GeoPackage");
  EXPECT_EQ(run({"import", utm, p("nc.gpkg")}).status, 2) << "another system is refused";
}

}  // namespace
}  // namespace tinhost::testing
