// LAS import through the command line: the LiDAR ground points of the shared
// data written as LAS (formats 1 and 6) with classes, returns and withheld
// points, every point format, the original LAS files, coordinate systems and
// units, and files that must be refused without touching the drawing.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "tests/support/CliTestSupport.h"
#include "tests/support/LasWriter.h"

namespace tinhost::testing {
namespace {

using nlohmann::json;

struct CsvPoint {
  double x, y, z;
};

std::vector<CsvPoint> readCsv(const std::string& rel) {
  std::ifstream in(dataFile(rel));
  std::string line;
  std::getline(in, line);  // x,y,z
  std::vector<CsvPoint> out;
  while (std::getline(in, line)) {
    CsvPoint p{};
    if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &p.x, &p.y, &p.z) == 3) out.push_back(p);
  }
  return out;
}

const std::vector<CsvPoint>& groundPoints() {
  static const std::vector<CsvPoint> points =
      readCsv("lidar_utm42n/lidar_utm42n_ground_points.csv");
  return points;
}

constexpr const char* kUtm42nWkt =
    "PROJCS[\"WGS 84 / UTM zone 42N\",GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS "
    "84\",6378137,"
    "298.257223563]],PRIMEM[\"Greenwich\",0],UNIT[\"degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"latitude_of_origin\",0],PARAMETER[\"central_"
    "meridian\",69],"
    "PARAMETER[\"scale_factor\",0.9996],PARAMETER[\"false_easting\",500000],PARAMETER[\"false_"
    "northing\",0],"
    "UNIT[\"metre\",1],AUTHORITY[\"EPSG\",\"32642\"]]";

// The ground points with a pattern of classes, returns and withheld points
// laid over them: what the filters choose from.  The file keeps the
// elevations' five decimals, and the drawings that read it are made at
// 100000 world units per metre (kFine), so that no coordinate is rounded
// twice on the way and each must arrive exactly.
LasTestFile groundFile(int format) {
  LasTestFile f;
  f.format = format;
  f.offset[0] = 393000, f.offset[1] = 3689000, f.offset[2] = 3000;
  f.scale[0] = f.scale[1] = f.scale[2] = 1e-5;
  if (format < 6)
    f.epsg = 32642;
  else
    f.wkt = kUtm42nWkt;
  const auto& pts = groundPoints();
  for (std::size_t i = 0; i < pts.size(); ++i) {
    LasTestPoint p{pts[i].x, pts[i].y, pts[i].z};
    p.classification = i % 10 == 3 ? 9 : i % 10 == 7 ? 1 : 2;
    if (i % 4 == 1) p.returnNumber = 1, p.returnCount = 2;
    if (i % 4 == 2) p.returnNumber = 2, p.returnCount = 2;
    p.withheld = i % 500 == 0;
    f.points.push_back(p);
  }
  return f;
}

using WorldXYZ = std::array<std::int64_t, 3>;
const std::vector<std::string> kFine = {"--resolution", "100000"};

class LasImportTest : public CliTest {
 protected:
  // Every locus of the drawing, sorted.
  std::vector<WorldXYZ> loci(const std::string& drawing) {
    std::vector<WorldXYZ> out;
    const json j = info(drawing);
    for (const auto& o : j["objects"])
      if (o["type"] == "locus3d")
        out.push_back({o["vertices"][0][0], o["vertices"][0][1], o["vertices"][0][2]});
    std::sort(out.begin(), out.end());
    return out;
  }
  // The world coordinates of real points in the drawing, sorted.
  static std::vector<WorldXYZ> expectedWorld(const std::vector<LasTestPoint>& pts,
                                             const json& drawing, double zFactor = 1.0) {
    const double ox = drawing["units"]["origin"][0], oy = drawing["units"]["origin"][1];
    const double w = drawing["units"]["world_per_unit"];
    std::vector<WorldXYZ> out;
    for (const LasTestPoint& p : pts)
      out.push_back({std::llround((p.x - ox) * w), std::llround((p.y - oy) * w),
                     std::llround(p.z * zFactor * w)});
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string fileBytes(const std::string& path) { return readText(path); }
};

struct FilterCase {
  const char* name;
  std::vector<std::string> options;
  bool (*keep)(const LasTestPoint&);
};

class LasFilterTest : public LasImportTest,
                      public ::testing::WithParamInterface<std::tuple<int, FilterCase>> {};

TEST_P(LasFilterTest, KeepsExactlyTheChosenPointsAtTheirCoordinates) {
  const auto& [format, c] = GetParam();
  const LasTestFile file = groundFile(format);
  writeLas(path("tile.las"), file);
  const auto d = newDrawing("d.tin", kFine);
  std::vector<std::string> args{"import", d, p("tile.las")};
  args.insert(args.end(), c.options.begin(), c.options.end());
  const RunResult r = run(args);
  ASSERT_EQ(r.status, 0) << r.err;

  std::vector<LasTestPoint> kept;
  std::copy_if(file.points.begin(), file.points.end(), std::back_inserter(kept), c.keep);
  ASSERT_GT(kept.size(), 1000u);
  ASSERT_LT(kept.size(), file.points.size());
  EXPECT_NE(r.out.find("imported " + std::to_string(kept.size()) + " point(s)"), std::string::npos)
      << r.out;
  const std::size_t withheld = (file.points.size() + 499) / 500;
  EXPECT_NE(r.out.find(std::to_string(withheld) + " withheld"), std::string::npos) << r.out;
  const json j = info(d);
  EXPECT_EQ(j["crs"]["code"], "EPSG:32642");
  EXPECT_EQ(loci(d), expectedWorld(kept, j));
}

INSTANTIATE_TEST_SUITE_P(
    GroundPoints, LasFilterTest,
    ::testing::Combine(::testing::Values(1, 6),
                       ::testing::Values(FilterCase{"groundByDefault",
                                                    {},
                                                    [](const LasTestPoint& p) {
                                                      return !p.withheld && p.classification == 2;
                                                    }},
                                         FilterCase{"listedClasses",
                                                    {"--classes", "2,9"},
                                                    [](const LasTestPoint& p) {
                                                      return !p.withheld && p.classification != 1;
                                                    }},
                                         FilterCase{"allClassesLastReturns",
                                                    {"--classes", "all", "--last-return"},
                                                    [](const LasTestPoint& p) {
                                                      return !p.withheld &&
                                                             p.returnNumber == p.returnCount;
                                                    }},
                                         FilterCase{"groundLastReturns",
                                                    {"--last-return"},
                                                    [](const LasTestPoint& p) {
                                                      return !p.withheld && p.classification == 2 &&
                                                             p.returnNumber == p.returnCount;
                                                    }})),
    [](const auto& param) {
      return "Format" + std::to_string(std::get<0>(param.param)) + "_" +
             std::get<1>(param.param).name;
    });

TEST_F(LasImportTest, ThinningKeepsThePointNearestEachCellCentre) {
  const LasTestFile file = groundFile(6);
  writeLas(path("tile.las"), file);
  const auto d = newDrawing("d.tin", kFine);
  const double cell = 2.0;
  ok({"import", d, p("tile.las"), "--thin", "2"});
  const json j = info(d);
  const double ox = j["units"]["origin"][0], oy = j["units"]["origin"][1];

  // Independently: the ground points of each cell, and the one nearest its centre.
  std::map<std::pair<std::int64_t, std::int64_t>, WorldXYZ> best;
  std::map<std::pair<std::int64_t, std::int64_t>, double> bestDistance;
  std::size_t eligible = 0;
  for (const LasTestPoint& p : file.points) {
    if (p.withheld || p.classification != 2) continue;
    ++eligible;
    // The coordinates as the file holds them.
    const double x =
        std::llround((p.x - file.offset[0]) / file.scale[0]) * file.scale[0] + file.offset[0];
    const double y =
        std::llround((p.y - file.offset[1]) / file.scale[1]) * file.scale[1] + file.offset[1];
    const std::pair<std::int64_t, std::int64_t> key{
        static_cast<std::int64_t>(std::floor(x / cell)),
        static_cast<std::int64_t>(std::floor(y / cell))};
    const double dx = x - (key.first + 0.5) * cell, dy = y - (key.second + 0.5) * cell;
    const double dist = dx * dx + dy * dy;
    if (!best.count(key) || dist < bestDistance[key]) {
      best[key] = {std::llround((x - ox) * 1e5), std::llround((y - oy) * 1e5),
                   std::llround(p.z * 1e5)};
      bestDistance[key] = dist;
    }
  }
  std::vector<WorldXYZ> expected;
  for (const auto& [key, w] : best) expected.push_back(w);
  std::sort(expected.begin(), expected.end());
  ASSERT_LT(expected.size(), eligible / 2) << "2 m cells hold several of these points";
  EXPECT_EQ(loci(d), expected);
}

// Every point format: position, return and class fields where that format
// keeps them.
class LasFormatTest : public LasImportTest, public ::testing::WithParamInterface<int> {};

TEST_P(LasFormatTest, ReadsPositionsReturnsClassesAndWithheldFlags) {
  LasTestFile f;
  f.format = GetParam();
  f.offset[0] = 500000, f.offset[1] = 4000000;
  f.scale[0] = f.scale[1] = 0.01, f.scale[2] = 0.001;
  f.points = {{500010.25, 4000020.5, 101.125, 1, 1, 2, false},
              {500011.75, 4000021.25, 99.5, 2, 3, 2, false},
              {500012.5, 4000019.75, 100.25, 3, 3, 2, false},
              {500013.5, 4000018.5, 140.0, 1, 1, 5, false},
              {500014.25, 4000017.25, 98.75, 7, 7, 2, false},
              {500015.0, 4000016.0, 97.0, 1, 1, 2, true},
              {500016.75, 4000015.5, 96.5, 1, 1, 31, false}};
  // Fields only the 1.4 formats can hold: returns past 7, classes past 31.
  if (f.format >= 6) {
    f.points.push_back({500017.5, 4000014.75, 95.25, 12, 15, 2, false});
    f.points.push_back({500018.5, 4000013.75, 94.25, 15, 15, 2, false});
    f.points.push_back({500019.5, 4000012.75, 93.25, 1, 1, 130, false});
  }
  writeLas(path("tile.las"), f);

  struct Run {
    std::vector<std::string> options;
    bool (*keep)(const LasTestPoint&);
  };
  const Run runs[] = {
      {{}, [](const LasTestPoint& p) { return !p.withheld && p.classification == 2; }},
      {{"--classes", "all", "--last-return"},
       [](const LasTestPoint& p) { return !p.withheld && p.returnNumber == p.returnCount; }},
      {{"--classes", "5,31,130"},
       [](const LasTestPoint& p) { return !p.withheld && p.classification != 2; }},
  };
  for (const Run& r : runs) {
    const auto d = newDrawing("d.tin", {"--force"});
    std::vector<std::string> args{"import", d, p("tile.las")};
    args.insert(args.end(), r.options.begin(), r.options.end());
    ok(args);
    std::vector<LasTestPoint> kept;
    std::copy_if(f.points.begin(), f.points.end(), std::back_inserter(kept), r.keep);
    EXPECT_EQ(loci(d), expectedWorld(kept, info(d)))
        << (r.options.empty() ? "default" : r.options[1]);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, LasFormatTest, ::testing::Range(0, 11),
                         [](const auto& param) { return "Format" + std::to_string(param.param); });

TEST_F(LasImportTest, OriginalTileKeepsTheGroundOfTheSharedData) {
  const std::string tile = dataFile("lidar_utm42n/hexbin-crop.las").string();
  const auto d = newDrawing();
  const std::string out = ok({"import", d, tile});
  EXPECT_NE(out.find("kept 35,318 of 38,367 point records"), std::string::npos) << out;
  EXPECT_NE(out.find("3,049 of other classes (class 1: 3,049)"), std::string::npos) << out;
  const json j = info(d);
  EXPECT_EQ(j["crs"]["code"], "EPSG:32642") << "from the file's GeoTIFF keys";
  std::vector<LasTestPoint> csv;
  for (const CsvPoint& c : groundPoints()) csv.push_back({c.x, c.y, c.z});
  EXPECT_EQ(loci(d), expectedWorld(csv, j));

  const auto all = newDrawing("all.tin");
  ok({"import", all, tile, "--classes", "all"});
  EXPECT_EQ(info(all)["layers"][0]["counts"]["locus3d"], 38367);
}

TEST_F(LasImportTest, HeightsInUsSurveyFeetBecomeMetresInAMetreDrawing) {
  // Autzen: NAD83 / Oregon LCC in metres, heights NAVD88 in US survey feet.
  const auto d = newDrawing();
  const std::string out = ok({"import", d, dataFile("autzen_bmx/autzen-bmx-2010.las").string()});
  EXPECT_NE(out.find("elevations converted from US survey feet to metres"), std::string::npos)
      << out;
  const json j = info(d);
  EXPECT_EQ(j["crs"]["unit"], "metre");
  EXPECT_NE(j["crs"]["name"].get<std::string>().find("Oregon"), std::string::npos);
  std::vector<LasTestPoint> csv;
  for (const CsvPoint& c : readCsv("autzen_bmx/bmx2010_points.csv")) csv.push_back({c.x, c.y, c.z});
  EXPECT_EQ(loci(d), expectedWorld(csv, j, 1200.0 / 3937.0));
}

TEST_F(LasImportTest, CoordinateSystemsMustAgreeWithTheDrawing) {
  LasTestFile f = groundFile(1);
  f.points.resize(100);
  writeLas(path("utm42.las"), f);
  f.epsg = 0;
  writeLas(path("none.las"), f);

  const auto other = newDrawing("other.tin", {"--crs", "EPSG:32643"});
  const auto feet = newDrawing("feet.tin", {"--unit", "ft"});
  for (const std::string& d : {other, feet}) {
    const std::string before = fileBytes(d);
    const RunResult r = run({"import", d, p("utm42.las")});
    EXPECT_EQ(r.status, 2) << d;
    EXPECT_NE(r.err.find("nothing was imported"), std::string::npos) << r.err;
    EXPECT_EQ(fileBytes(d), before) << "the drawing is unchanged";
  }
  EXPECT_NE(run({"import", other, p("utm42.las")}).err.find("UTM zone 42N"), std::string::npos);

  const auto ground = std::count_if(f.points.begin(), f.points.end(), [](const LasTestPoint& p) {
    return !p.withheld && p.classification == 2;
  });
  const auto same = newDrawing("same.tin", {"--crs", "EPSG:32642"});
  EXPECT_NE(
      ok({"import", same, p("utm42.las")}).find("imported " + std::to_string(ground) + " point(s)"),
      std::string::npos);
  EXPECT_NE(ok({"import", same, p("none.las")}).find("names no coordinate system"),
            std::string::npos);
  EXPECT_EQ(info(same)["layers"][0]["counts"]["locus3d"], 2 * ground);
}

// Undo takes back the coordinate system an import gave the drawing, also
// from the saved drawing, and leaves alone one the drawing already had.
TEST_F(LasImportTest, UndoTakesBackTheCoordinateSystemTheImportSet) {
  LasTestFile f = groundFile(1);
  f.points.resize(50);
  writeLas(path("utm42.las"), f);
  const auto d = newDrawing();
  ok({"import", d, p("utm42.las")});
  ASSERT_EQ(info(d)["crs"]["code"], "EPSG:32642");
  ok({"undo", d});
  const json undone = info(d);
  EXPECT_TRUE(undone["crs"].is_null()) << undone["crs"].dump();
  EXPECT_EQ(undone["layers"][0]["counts"]["locus3d"], 0);
  // Nothing left over: the same file goes in again, and a drawing in
  // another system would now take an import of that system.
  ok({"import", d, p("utm42.las")});
  EXPECT_EQ(info(d)["crs"]["code"], "EPSG:32642");

  const auto kept = newDrawing("kept.tin", {"--crs", "EPSG:32642"});
  ok({"import", kept, p("utm42.las")});
  ok({"undo", kept});
  EXPECT_EQ(info(kept)["crs"]["code"], "EPSG:32642");
}

TEST_F(LasImportTest, PositionsThatMeetInWorldUnitsAreReportedAndAllAdded) {
  const auto d = newDrawing("coarse.tin", {"--resolution", "1"});
  const RunResult r = run({"import", d, dataFile("lidar_utm42n/hexbin-crop.las").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const json j = info(d);
  const double ox = j["units"]["origin"][0], oy = j["units"]["origin"][1];
  std::set<std::pair<long long, long long>> seen;
  std::size_t repeated = 0;
  for (const CsvPoint& c : groundPoints())
    repeated += !seen.insert({std::llround(c.x - ox), std::llround(c.y - oy)}).second;
  ASSERT_GT(repeated, 0u);
  EXPECT_NE(r.err.find("warning: " + std::to_string(repeated) + " point(s) repeat the x and y"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(j["layers"][0]["counts"]["locus3d"], groundPoints().size());
}

struct BadLas {
  const char* name;
  const char* file;
  void (*spoil)(std::vector<std::uint8_t>&);
  const char* message;
};

class BadLasTest : public LasImportTest, public ::testing::WithParamInterface<BadLas> {};

TEST_P(BadLasTest, IsRefusedWithExitTwoAndTheDrawingUnchanged) {
  const BadLas& c = GetParam();
  LasTestFile f = groundFile(1);
  f.points.resize(1000);
  std::vector<std::uint8_t> bytes = lasBytes(f);
  c.spoil(bytes);
  std::ofstream(path(c.file), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  const auto d = newDrawing();
  ok({"import", d, write("a.xyz", "1 2 3\n").string()});
  const std::string before = fileBytes(d);
  const RunResult r = run({"import", d, p(c.file)});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  EXPECT_EQ(fileBytes(d), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadLasTest,
    ::testing::Values(BadLas{"truncated", "t.las", [](auto& b) { b.resize(b.size() - 10); },
                             "truncated or its point count is wrong"},
                      BadLas{"countBeyondFile", "c.las", [](auto& b) { b[107] += 5; },
                             "declares 1,005 point records"},
                      BadLas{"unknownFormat", "u.las", [](auto& b) { b[104] = 11; },
                             "unknown point data format 11"},
                      BadLas{"shortRecords", "s.las", [](auto& b) { b[105] = 20; },
                             "needs records of at least 28 bytes"},
                      BadLas{"headerCut", "h.las", [](auto& b) { b.resize(100); },
                             "ends inside the LAS header"},
                      BadLas{"notLas", "n.las", [](auto& b) { b[0] = 'X'; }, "not a LAS file"},
                      // Found by las_reader_fuzz: points placed past the end, with no points
                      // to check them by, sent the record walk reading nothing billions of times.
                      BadLas{"pointsPastTheEnd", "p.las",
                             [](auto& b) { b[99] = 0x7F, b[100] = 0xFF, b[107] = b[108] = 0; },
                             "past the end of the file"},
                      BadLas{"tooManyRecords", "r.las", [](auto& b) { b[102] = 0x10; },
                             "more than fit between the header"},
                      BadLas{"lazByName", "tile.laz", [](auto&) {}, "compressed LAS file (LAZ)"},
                      BadLas{"lazByFormatBits", "z.las", [](auto& b) { b[104] |= 0x80; },
                             "Decompress it to .las"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(LasImportTest, FilterOptionsAreForLasFilesAndMustMakeSense) {
  const auto d = newDrawing();
  EXPECT_EQ(run({"import", d, write("a.xyz", "1 2 3\n").string(), "--thin", "1"}).status, 2);
  writeLas(path("t.las"), groundFile(1));
  EXPECT_NE(run({"import", d, p("t.las"), "--classes", "2,x"}).err.find("'x' is not one"),
            std::string::npos);
  EXPECT_EQ(run({"import", d, p("t.las"), "--classes", "256"}).status, 2);
  EXPECT_EQ(run({"import", d, p("t.las"), "--thin", "0"}).status, 2);
  EXPECT_EQ(info(d)["layers"][0]["counts"]["locus3d"], 0);
}

}  // namespace
}  // namespace tinhost::testing
