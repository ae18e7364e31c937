// Importers: every format, format detection, bad rows (file and line named,
// nothing added), and survey coordinates far from zero.
#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

using nlohmann::json;

class ImportTest : public CliTest {
 protected:
  // The vertices of every object, in drawing order.
  static json vertices(const json& drawing) {
    json all = json::array();
    for (const auto& o : drawing["objects"]) all.push_back(o["vertices"]);
    return all;
  }
};

struct FormatCase {
  const char* name;
  const char* file;
  const char* text;
  const char* format;  // given with --format, or nullptr for auto
};

class ImportFormatTest : public ImportTest, public ::testing::WithParamInterface<FormatCase> {};

// Every case holds the same two points: (1.5, 2.25, 10) and (3, 4, 5.125).
TEST_P(ImportFormatTest, PointsBecomeLociAtTheirCoordinates) {
  const FormatCase& c = GetParam();
  const auto d = newDrawing();
  std::vector<std::string> args{"import", d, write(c.file, c.text).string()};
  if (c.format != nullptr) args.insert(args.end(), {"--format", c.format});
  const RunResult r = run(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = info(d);
  EXPECT_EQ(j["layers"][0]["counts"]["locus3d"], 2);
  EXPECT_EQ(vertices(j), json::parse("[[[1500,2250,10000]],[[3000,4000,5125]]]"));
  EXPECT_EQ(j["objects"][0]["type"], "locus3d");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ImportFormatTest,
    ::testing::Values(
        FormatCase{"pnezd", "a.pnezd", "# field book\n1,2.25,1.5,10,CP1\n2,4,3,5.125,TOP BANK\n", nullptr},
        FormatCase{"pnezdHeader", "a.txt", "P,N,E,Z,D\n1,2.25,1.5,10,CP1\n2,4,3,5.125,\n", nullptr},
        FormatCase{"pnezdSpaces", "a.txt", "1 2.25 1.5 10 CP 1\n2 4 3 5.125 X\n", "pnezd"},
        FormatCase{"penzd", "a.penzd", "1,1.5,2.25,10,CP1\n2,3,4,5.125,TOP\n", nullptr},
        FormatCase{"penzdHeader", "a.csv", "point,easting,northing,elevation,desc\n1,1.5,2.25,10,a\n2,3,4,5.125,b\n",
                   nullptr},
        FormatCase{"xyz", "a.xyz", "1.5 2.25 10\n# comment\n\n3,4,5.125\n", nullptr},
        FormatCase{"xyzTabsCrlf", "a.dat", "1.5\t2.25\t10\r\n3\t4\t5.125\r\n", nullptr},
        FormatCase{"csvNames", "a.csv", "id,Easting,Northing,Elevation\n9,1.5,2.25,10\n8,3,4,5.125\n", nullptr},
        FormatCase{"csvXYZ", "a.csv", "z,x,y\n10,1.5,2.25\n5.125,3,4\n", "csv"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ImportTest, BreaklinesBecome3DPolygonsClosedWhenTheyReturnToTheStart) {
  const auto d = newDrawing();
  write("b.csv", "line_id,x,y,z\n1,0,0,1\n1,5,0,1\n1,5,5,2\n1,0,0,1\n2,9,9,9\n2,8,8,8\n");
  ok({"import", d, p("b.csv"), "--layer", "Breaks"});
  auto j = info(d);
  EXPECT_EQ(j["layers"][1]["name"], "Breaks");
  EXPECT_EQ(j["layers"][1]["counts"]["poly3d"], 2);
  EXPECT_EQ(j["current_layer"], j["layers"][0]["name"]) << "import does not change the current layer";
  const auto& closed = j["objects"][0];
  EXPECT_EQ(closed["type"], "poly3d");
  EXPECT_EQ(closed["layer"], "Breaks");
  EXPECT_EQ(closed["closed"], true);
  EXPECT_EQ(closed["vertices"], json::parse("[[0,0,1000],[5000,0,1000],[5000,5000,2000]]"));
  EXPECT_EQ(closed["group"], nullptr);
  EXPECT_EQ(closed["class"], nullptr);
  EXPECT_FALSE(closed.contains("kinds") || closed.contains("text"));
  EXPECT_EQ(j["objects"][1]["closed"], false);
  EXPECT_EQ(j["objects"][1]["vertices"], json::parse("[[9000,9000,9000],[8000,8000,8000]]"));
  ok({"layer", d, "Breaks"});
  EXPECT_EQ(info(d)["current_layer"], "Breaks");
}

struct BadRow {
  const char* name;
  const char* file;
  const char* text;
  const char* format;
  const char* where;  // expected "file:line"
  const char* what;   // words of the message
};

class BadRowTest : public ImportTest, public ::testing::WithParamInterface<BadRow> {};

TEST_P(BadRowTest, NamesFileAndLineAndAddsNothing) {
  const BadRow& c = GetParam();
  const auto d = newDrawing();
  ok({"import", d, write("good.xyz", "1 1 1\n2 2 2\n").string()});
  const std::string before = readText(d);
  std::vector<std::string> args{"import", d, write(c.file, c.text).string()};
  if (c.format != nullptr) args.insert(args.end(), {"--format", c.format});
  const RunResult r = run(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(p(c.file) + ":" + c.where), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(c.what), std::string::npos) << r.err;
  EXPECT_EQ(readText(d), before) << "the drawing must not change";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadRowTest,
    ::testing::Values(
        BadRow{"notANumber", "a.xyz", "1 2 3\n4 five 6\n7 8 9\n", nullptr, "2:", "not a number"},
        BadRow{"tooFewFields", "a.xyz", "1 2 3\n\n4 5\n", nullptr, "3:", "expected x y z"},
        BadRow{"pnezdMissingElevation", "a.pnezd", "1,2,3,4,A\n2,5,6\n", nullptr, "2:", "found 3 field"},
        BadRow{"csvWithoutZ", "a.csv", "x,y,height2\n1,2,3\n", "csv", "1:", "no z column"},
        BadRow{"csvBadValue", "a.csv", "x,y,z\n1,2,3\n1,2,\n", nullptr, "3:", "not a number"},
        BadRow{"breaklineSplit", "b.csv", "line_id,x,y,z\n1,0,0,0\n1,1,1,1\n2,5,5,5\n2,6,6,6\n1,2,2,2\n", nullptr, "6:",
               "line 1 continues here"},
        BadRow{"breaklineOneVertex", "b.csv", "line_id,x,y,z\n1,0,0,0\n1,1,1,1\n2,5,5,5\n3,6,6,6\n3,7,7,7\n", nullptr,
               "4:", "only one vertex"},
        BadRow{"tooFarFromOrigin", "a.xyz", "1 2 3\n5000000 2 3\n", nullptr, "2:", "does not fit"},
        BadRow{"elevationTooHigh", "a.xyz", "1 2 3000000\n", nullptr, "1:", "elevation"},
        BadRow{"ambiguousColumns", "a.txt", "1,100,200,5,X\n", nullptr, "1:", "--format pnezd or --format penzd"}),
    [](const auto& param) { return std::string(param.param.name); });

// Point rows read as pnezd and as penzd alike; the drawing's own points, or
// its origin, tell which way round puts the new ones beside them.
TEST_F(ImportTest, PointRowsAreReadTheWayRoundThatLiesBesideTheDrawing) {
  const auto d = newDrawing();
  const std::string northFirst = write("n.txt", "1,4200050,500050,10,CP\n2,4200060,500070,11,X\n").string();
  const std::string eastFirst = write("e.txt", "1,500050,4200050,10,CP\n").string();
  const RunResult alone = run({"import", d, northFirst});
  EXPECT_EQ(alone.status, 2) << "an empty drawing does not tell";
  EXPECT_NE(alone.err.find("n.txt:1: cannot tell the format"), std::string::npos) << alone.err;

  ok({"import", d, write("base.xyz", "500000 4200000 1\n500100 4200100 2\n").string()});
  const std::string n = ok({"import", d, northFirst, "--layer", "N"});
  EXPECT_NE(n.find("(pnezd)"), std::string::npos) << n;
  EXPECT_NE(n.find("note: read as point, northing, easting, elevation (pnezd): so its points lie beside the points "
                   "and lines in the drawing; read as penzd they would lie"),
            std::string::npos)
      << n;
  const std::string e = ok({"import", d, eastFirst, "--layer", "E"});
  EXPECT_NE(e.find("note: read as point, easting, northing, elevation (penzd)"), std::string::npos) << e;
  const json objects = info(d)["objects"];
  EXPECT_EQ(objects[2]["vertices"], json::parse("[[50000,50000,10000]]")) << "easting 500050, northing 4200050";
  EXPECT_EQ(objects[3]["vertices"], json::parse("[[70000,60000,11000]]"));
  EXPECT_EQ(objects[4]["vertices"], json::parse("[[50000,50000,10000]]"));

  const RunResult far = run({"import", d, write("far.txt", "1,100,105,10\n").string()});
  EXPECT_EQ(far.status, 2);
  EXPECT_NE(far.err.find("read either way round its points lie far from the points and lines in the drawing"),
            std::string::npos)
      << far.err;

  // With its points undone the drawing keeps its origin, which still tells.
  const auto o = newDrawing("origin.tin");
  ok({"import", o, p("base.xyz")});
  ok({"undo", o});
  EXPECT_NE(ok({"import", o, eastFirst}).find("(penzd): so its points lie beside the drawing's origin (500000, 4200000) m"),
            std::string::npos);

  const auto diagonal = newDrawing("diagonal.tin");
  ok({"import", diagonal, write("square.xyz", "1000 1000 1\n1100 1100 2\n").string()});
  const RunResult both = run({"import", diagonal, write("both.txt", "1,1050,1040,10\n").string()});
  EXPECT_EQ(both.status, 2);
  EXPECT_NE(both.err.find("read either way round its points lie near"), std::string::npos) << both.err;
}

TEST_F(ImportTest, UnknownFormatAndMissingFileAreUsageErrors) {
  const auto d = newDrawing();
  EXPECT_EQ(run({"import", d, write("a.xyz", "1 2 3\n").string(), "--format", "dxf"}).status, 2);
  const RunResult r = run({"import", d, p("nope.xyz")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("nope.xyz"), std::string::npos);
}

// Two points 0.3 mm apart land on one world position at 1 mm: both are
// added, and the import says so instead of leaving the TIN to drop one unseen.
TEST_F(ImportTest, PointsThatMeetInWorldUnitsAreReportedNotMerged) {
  const auto d = newDrawing();
  const RunResult r = run({"import", d, write("a.xyz", "10.0001 20 1\n10.0004 20 2\n11 20 3\n12 20 4\n12 20 5\n").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning: 2 point(s) repeat the x and y of another point"), std::string::npos) << r.err;
  EXPECT_EQ(info(d)["layers"][0]["counts"]["locus3d"], 5);
  const RunResult apart = run({"import", newDrawing("b.tin"), write("b.xyz", "1 2 3\n1.001 2 3\n").string()});
  EXPECT_EQ(apart.err, "");
}

// UTM northings of 5,000,000 m at 1 mm: the first import picks a round origin
// near the data, and export gives back the very same digits.
TEST_F(ImportTest, LargeSurveyCoordinatesRoundTripThroughTheOrigin) {
  const auto d = newDrawing();
  const std::string rows = "x,y,z\n500123.456,5000987.654,312.001\n501999.999,4999000.001,298.500\n500000.000,5000000.000,0.000\n";
  ok({"import", d, write("utm.csv", rows).string()});
  const auto j = info(d);
  EXPECT_EQ(j["units"]["origin"], json::parse("[501000.0, 5000000.0]"));
  EXPECT_EQ(j["objects"][0]["vertices"][0], json::parse("[-876544, 987654, 312001]"));
  ok({"export", d, p("back.csv")});
  EXPECT_EQ(readText(path("back.csv")), rows);
  // A second import is placed through the same origin.
  ok({"import", d, write("more.xyz", "501000 5000000.001 1\n").string()});
  EXPECT_EQ(info(d)["objects"][3]["vertices"][0], json::parse("[0, 1, 1000]"));
}

TEST_F(ImportTest, RealUtmLidarTileKeepsEveryCoordinate) {
  const std::string all = readText(dataFile("lidar_utm42n/lidar_utm42n_ground_points.csv"));
  std::size_t cut = 0;
  for (int line = 0; line <= 2000; ++line) cut = all.find('\n', cut) + 1;
  const auto d = newDrawing();
  ok({"import", d, write("tile.csv", all.substr(0, cut)).string()});
  const auto j = info(d);
  EXPECT_EQ(j["layers"][0]["counts"]["locus3d"], 2000);
  EXPECT_EQ(j["units"]["origin"], json::parse("[394000.0, 3689000.0]"));
  ok({"export", d, p("back.xyz")});
  std::istringstream original(all.substr(all.find('\n') + 1, cut)), back(readText(path("back.xyz")));
  std::string a, b;
  for (int i = 0; i < 2000 && std::getline(original, a) && std::getline(back, b); ++i) {
    double ox, oy, oz, bx, by, bz;
    ASSERT_EQ(std::sscanf(a.c_str(), "%lf,%lf,%lf", &ox, &oy, &oz), 3);
    ASSERT_EQ(std::sscanf(b.c_str(), "%lf %lf %lf", &bx, &by, &bz), 3);
    // Rounded to the nearest millimetre: half a millimetre at most.
    constexpr double kHalfMm = 0.0005 + 1e-9;
    EXPECT_NEAR(bx, ox, kHalfMm) << "row " << i;
    EXPECT_NEAR(by, oy, kHalfMm) << "row " << i;
    EXPECT_NEAR(bz, oz, kHalfMm) << "row " << i;
  }
}

}  // namespace
}  // namespace tinhost::testing
