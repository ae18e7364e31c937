// A drawing's coordinate system: chosen by `new --crs`, kept in the file,
// shown by `info`, and refused when it cannot hold a drawing.
#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

using nlohmann::json;

class CrsTest : public CliTest {};

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

}  // namespace
}  // namespace tinhost::testing
