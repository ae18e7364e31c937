// `report` on a drawing whose surfaces have known volumes: a plane rising
// 0.1 m per metre eastward over a 100 m square, crossing its datum 30 m from
// the west edge (cut 24,500 m3 over 7,000 m2, fill 4,500 m3 over 3,000 m2),
// a flat design at the datum, and their difference TIN.  The report's
// figures are the plug-in's own (as `run cutfill` and `run area` print
// them), its map page shows cut in red and fill in blue, and bad requests
// stop with exit status 2 before anything is written.
#include <cstdio>
#include <map>
#include <regex>

#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

std::string withoutCommas(std::string s) {
  std::erase(s, ',');
  return s;
}

// The two numbers of "Volumes against the datum: A, B", as printed.
std::pair<std::string, std::string> volumes(const std::string& report) {
  std::smatch m;
  EXPECT_TRUE(std::regex_search(report, m, std::regex(R"(([0-9.]+), ([0-9.]+)\s*$)"))) << report;
  return m.size() == 3 ? std::pair{m[1].str(), m[2].str()}
                       : std::pair{std::string(), std::string()};
}

// CSV rows by TIN name: column name -> text.
std::map<std::string, std::map<std::string, std::string>> readCsv(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  std::vector<std::string> header;
  std::map<std::string, std::map<std::string, std::string>> rows;
  auto split = [](const std::string& l) {
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;
    for (char c : l) {
      if (c == '"')
        quoted = !quoted;
      else if (c == ',' && !quoted)
        cells.push_back(cell), cell.clear();
      else
        cell += c;
    }
    cells.push_back(cell);
    return cells;
  };
  std::getline(lines, line);
  header = split(line);
  while (std::getline(lines, line)) {
    const std::vector<std::string> cells = split(line);
    EXPECT_EQ(cells.size(), header.size()) << line;
    for (std::size_t i = 0; i < std::min(cells.size(), header.size()); ++i)
      rows[cells[0]][header[i]] = cells[i];
  }
  return rows;
}

double num(const std::string& s) { return std::stod(s); }

class ReportTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    std::string ground, design;
    for (int i = 0; i <= 10; ++i)
      for (int j = 0; j <= 10; ++j) {
        const double x = 10.0 * i, y = 10.0 * j;
        ground += std::to_string(x) + " " + std::to_string(y) + " " +
                  std::to_string(10 + 0.1 * (x - 30)) + "\n";
      }
    for (const char* corner : {"-1 -1 10", "101 -1 10", "101 101 10", "-1 101 10"})
      design += std::string(corner) + "\n";
    drawing_ = newDrawing();
    ok({"import", drawing_, write("ground.xyz", ground).string(), "--layer", "Ground"});
    ok({"run", drawing_, "create", "--layer", "Ground", "--set", "contourInterval=1", "--set",
        "datumElev=10", "--set", "notResident=0"});
    ok({"import", drawing_, write("design.xyz", design).string(), "--layer", "Design"});
    ok({"run", drawing_, "create", "--layer", "Design", "--set", "notResident=0"});
    ok({"run", drawing_, "diff", "--layer", "Earthwork", "--set", "innerBase=Ground", "--set",
        "outerBase=Design", "--set", "contourInterval=0.5", "--set", "notResident=0"});
  }

  std::string drawing_;
};

TEST_F(ReportTest, PdfCarriesThePluginsFiguresAndItsMapShowsCutAndFill) {
  const auto [cut, fill] = volumes(ok({"run", drawing_, "cutfill", "--choose", "Ground"}));
  const std::string area = ok({"run", drawing_, "area", "--choose", "Ground"});
  const std::string before = readText(drawing_);
  const std::string out = ok({"report", drawing_, p("r.pdf"), "--tin", "Ground"});
  EXPECT_NE(out.find("cut " + cut + ", fill " + fill), std::string::npos) << out;
  EXPECT_EQ(readText(drawing_), before) << "the report leaves the drawing as it was";

  const std::string text = withoutCommas(shellOutput("pdftotext -layout " + p("r.pdf") + " -"));
  ASSERT_FALSE(text.empty()) << "pdftotext (poppler-utils) read nothing";
  EXPECT_NE(text.find(cut + " m³"), std::string::npos) << "the cut as the table shows it\n" << text;
  EXPECT_NE(text.find(fill + " m³"), std::string::npos) << text;
  EXPECT_NE(text.find(area.substr(area.rfind(' ') + 1, area.size() - area.rfind(' ') - 2) + " m²"),
            std::string::npos)
      << area << text;
  for (const char* label :
       {"Area in cut", "Area in fill", "Datum", "Triangles", "Coordinate system", "Made by"})
    EXPECT_NE(text.find(label), std::string::npos) << label;

  // The map page, rendered: red where the plane is above its datum (east of
  // x = 30, 70 % of the surface), blue west of it.
  shellOutput("pdftoppm -r 40 -f 2 -l 2 " + p("r.pdf") + " " + p("page"));
  const std::string ppm = readText(path("page-2.ppm"));
  std::istringstream head(ppm);
  std::string magic;
  int w = 0, h = 0, max = 0;
  head >> magic >> w >> h >> max;
  ASSERT_EQ(magic, "P6");
  const std::size_t start = static_cast<std::size_t>(head.tellg()) + 1;
  ASSERT_EQ(ppm.size(), start + 3u * static_cast<std::size_t>(w * h));
  std::size_t red = 0, blue = 0, white = 0;
  for (std::size_t i = start; i + 2 < ppm.size(); i += 3) {
    const int r = static_cast<unsigned char>(ppm[i]), g = static_cast<unsigned char>(ppm[i + 1]),
              b = static_cast<unsigned char>(ppm[i + 2]);
    red += r > 180 && g < 150 && b < 150;
    blue += b > 150 && r < 130;
    white += r > 245 && g > 245 && b > 245;
  }
  const std::size_t pixels = static_cast<std::size_t>(w * h);
  EXPECT_GT(red, pixels / 20) << "cut in red";
  EXPECT_GT(blue, pixels / 100) << "fill in blue";
  EXPECT_GT(red, blue) << "more of the surface is cut than fill";
  EXPECT_LT(white, pixels * 9 / 10) << "the page is not blank";
}

TEST_F(ReportTest, CsvHoldsThePluginsFiguresAndAreasThatAddUp) {
  const auto [cut, fill] = volumes(ok({"run", drawing_, "cutfill", "--choose", "Ground"}));
  const auto [earthFirst, earthSecond] =
      volumes(ok({"run", drawing_, "cutfill", "--choose", "Earthwork"}));
  ok({"report", drawing_, "--csv", p("all.csv")});
  auto rows = readCsv(readText(path("all.csv")));
  ASSERT_EQ(rows.size(), 3u) << "every TIN without --tin";
  auto& g = rows["Ground"];
  EXPECT_EQ(g["cut"], cut);
  EXPECT_EQ(g["fill"], fill);
  EXPECT_EQ(g["datum"], "10.00");
  EXPECT_EQ(g["points"], "121");
  EXPECT_NEAR(num(g["cut"]), 24500, 25);
  EXPECT_NEAR(num(g["fill"]), 4500, 5);
  EXPECT_NEAR(num(g["area_in_cut"]), 7000, 0.5);
  EXPECT_NEAR(num(g["area_in_fill"]), 3000, 0.5);
  for (auto& [name, row] : rows)
    EXPECT_NEAR(num(row["area_in_cut"]) + num(row["area_in_fill"]) + num(row["area_level"]),
                num(row["area"]), 0.02)
        << name;
  // The difference TIN (ground minus design, datum 0) is cut where the
  // ground lies above the design: the plug-in names its fill first.
  auto& e = rows["Earthwork"];
  EXPECT_EQ(e["difference"], "yes");
  EXPECT_EQ(e["cut"], earthSecond);
  EXPECT_EQ(e["fill"], earthFirst);
  EXPECT_NEAR(num(e["cut"]), 24500, 25);
  EXPECT_NEAR(num(e["net"]), 20000, 30);

  ok({"report", drawing_, p("e.html"), "--tin", "Earthwork", "--csv", p("one.csv")});
  EXPECT_EQ(readCsv(readText(path("one.csv"))).size(), 1u) << "--tin: that TIN only";
  const std::string html = readText(path("e.html"));
  EXPECT_NE(html.find("<svg"), std::string::npos);
  for (const char* fetch : {"src=", "href=\"http", "href=\"//", "url(http", "@import"})
    EXPECT_EQ(html.find(fetch), std::string::npos) << "nothing to fetch: " << fetch;
  EXPECT_EQ(html.find("<script"), std::string::npos) << "nothing to fetch or run";
  EXPECT_NE(withoutCommas(html).find(e["cut"] + " m³"), std::string::npos);
}

// A TIN that keeps only its parameters: the host reads its drawn 3D
// triangles, and without them says which command draws them.
TEST_F(ReportTest, TINWithoutStoredGeometryIsReadFromItsDrawnTriangles) {
  const std::string d = newDrawing("loose.tin");
  ok({"import", d, p("ground.xyz"), "--layer", "Loose"});
  ok({"run", d, "create", "--layer", "Loose", "--set", "datumElev=10", "--set", "notResident=1",
      "--set", "want3DTris=0"});
  const auto [cut, fill] = volumes(ok({"run", d, "cutfill", "--choose", "Loose"}));
  const RunResult refused = run({"report", d, p("loose.pdf")});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("--set want3DTris=1"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(path("loose.pdf")));
  const RunResult csv = run({"report", d, "--csv", p("loose.csv")});
  EXPECT_EQ(csv.status, 0) << csv.err;
  EXPECT_NE(csv.err.find("warning"), std::string::npos);
  auto rows = readCsv(readText(path("loose.csv")));
  EXPECT_EQ(rows["Loose"]["cut"], cut) << "the plug-in's figures all the same";
  EXPECT_EQ(rows["Loose"]["area_in_cut"], "") << "no host figures without triangles";

  ok({"run", d, "change", "--choose", "Loose", "--set", "want3DTris=1"});
  ok({"report", d, p("loose.pdf"), "--csv", p("loose.csv")});
  rows = readCsv(readText(path("loose.csv")));
  EXPECT_EQ(rows["Loose"]["fill"], fill);
  EXPECT_NEAR(num(rows["Loose"]["area_in_cut"]), 7000, 0.5);
  EXPECT_NEAR(num(rows["Loose"]["area_in_fill"]), 3000, 0.5);
  EXPECT_EQ(rows["Loose"]["points"], "121") << "the drawn triangles' distinct corners";
}

TEST_F(ReportTest, BadRequestsStopWithStatusTwoAndWriteNothing) {
  const std::string before = readText(drawing_);
  const std::string empty = newDrawing("empty.tin");
  struct Case {
    std::vector<std::string> args;
    std::string file, says;
  };
  const std::vector<Case> cases = {
      {{"report", drawing_, p("a.pdf"), "--tin", "Nope"}, "a.pdf", "no TIN \"Nope\""},
      {{"report", drawing_, p("b.pdf")}, "b.pdf", "name the one to report with --tin"},
      {{"report", empty, p("c.pdf")}, "c.pdf", "holds no TIN"},
      {{"report", drawing_, p("d.docx"), "--tin", "Ground"}, "d.docx", ".pdf or .html"},
      {{"report", drawing_, p("missing/e.pdf"), "--tin", "Ground"}, "missing/e.pdf", "missing"},
      {{"report", drawing_, "--csv", p("f.txt")}, "f.txt", ".csv"},
      {{"report", drawing_}, "", "--csv"}};
  for (const Case& c : cases) {
    const RunResult r = run(c.args);
    EXPECT_EQ(r.status, 2) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    if (!c.file.empty()) {
      EXPECT_FALSE(fs::exists(path(c.file))) << c.file;
    }
  }
  EXPECT_EQ(readText(drawing_), before);
  std::size_t leftovers = 0;
  for (const auto& entry : fs::directory_iterator(path("")))
    leftovers += entry.path().filename().string().find(".writing") != std::string::npos;
  EXPECT_EQ(leftovers, 0u) << "no temporary file stays behind";
}

}  // namespace
}  // namespace tinhost::testing
