// The web view's file: the TIN it embeds is the stored TIN's (or, for a TIN
// that keeps only its parameters, its drawn triangles), every vertex back at
// its real position once the origin is added; the panel's figures are the
// plug-in's; names that look like markup cannot end the page's scripts early;
// and without the 3D library nothing is written.
#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

std::vector<std::uint8_t> fromBase64(const std::string& text) {
  std::vector<std::uint8_t> out;
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* at = std::strchr(digits, c);
    if (c == '=' || at == nullptr || c == '\0') continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(at - digits);
    if ((count += 6) >= 8) out.push_back(static_cast<std::uint8_t>(bits >> (count -= 8)));
  }
  return out;
}

// The page's description and its buffers.
struct Page {
  nlohmann::json meta;
  std::string html;
  template <typename T>
  std::vector<T> buffer(int n) const {
    const std::string open = "id=\"tin-buffer-" + std::to_string(n) + "\">";
    const std::size_t from = html.find(open) + open.size();
    const std::vector<std::uint8_t> bytes =
        fromBase64(html.substr(from, html.find("</script>", from) - from));
    std::vector<T> out(bytes.size() / sizeof(T));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T));
    return out;
  }
};

class WebViewTest : public CliTest {
 protected:
  // A 6 x 5 grid of points 10 m apart over a tilted plane, far from zero.
  std::string surveyDrawing() {
    std::string csv = "x,y,z\n";
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < 5; ++j) {
        const double x = 500000 + 10 * i, y = 4200000 + 10 * j,
                     z = 100 + 0.5 * i + 0.25 * j + (i * j % 3) * 0.1;
        csv += std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(z) + "\n";
        points_.insert({std::lround(x * 1000), std::lround(y * 1000), std::lround(z * 1000)});
      }
    write("grid.csv", csv);
    const std::string d = newDrawing();
    ok({"import", d, p("grid.csv"), "--layer", "Ground"});
    return d;
  }

  Page exportPage(const std::string& drawing) const {
    ok({"export", drawing, p("view.html")});
    Page page{{}, readText(path("view.html"))};
    const std::string open = "<script type=\"application/json\" id=\"tin-meta\">";
    const std::size_t from = page.html.find(open);
    EXPECT_NE(from, std::string::npos);
    const std::size_t start = from + open.size();
    page.meta =
        nlohmann::json::parse(page.html.substr(start, page.html.find("</script>", start) - start));
    return page;
  }

  // The TIN's vertices as real positions in millimetres.
  std::set<std::tuple<long, long, long>> realVertices(const Page& page,
                                                      const nlohmann::json& tin) const {
    const std::vector<float> xyz = page.buffer<float>(tin["vertices"]);
    const double ox = page.meta["origin"][0], oy = page.meta["origin"][1];
    std::set<std::tuple<long, long, long>> out;
    for (std::size_t i = 0; i + 2 < xyz.size(); i += 3)
      out.insert({std::lround((ox + xyz[i]) * 1000), std::lround((oy + xyz[i + 1]) * 1000),
                  std::lround(xyz[i + 2] * 1000)});
    return out;
  }

  std::set<std::tuple<long, long, long>> points_;
};

TEST_F(WebViewTest, TheStoredOrDrawnTINIsEmbeddedAtItsRealPlaceWithThePluginsFigures) {
  const std::string d = surveyDrawing();
  ok({"run", d, "create", "--layer", "Ground", "--set", "notResident=0", "--set", "datumElev=101"});
  const std::string area = ok({"run", d, "area", "--choose", "Ground"});
  const std::string cutfill = ok({"run", d, "cutfill", "--choose", "Ground"});
  Page page = exportPage(d);
  ASSERT_EQ(page.meta["tins"].size(), 1u);
  nlohmann::json tin = page.meta["tins"][0];
  EXPECT_EQ(tin["source"], "stored");
  EXPECT_EQ(realVertices(page, tin), points_)
      << "every point once, at its real position (within 1 mm)";
  const std::vector<std::uint32_t> triangles = page.buffer<std::uint32_t>(tin["triangles"]);
  EXPECT_EQ(triangles.size(), 3u * 40) << "a 6 x 5 grid makes 2 * 5 * 4 triangles";
  for (std::uint32_t v : triangles) EXPECT_LT(v, 30u);
  EXPECT_DOUBLE_EQ(tin["params"]["datumElev"].get<double>(), 101.0);
  char figure[64];
  std::snprintf(figure, sizeof figure, "%.2f", tin["figures"]["area"].get<double>());
  EXPECT_NE(area.find(figure), std::string::npos) << area << " / " << tin["figures"];
  std::snprintf(figure, sizeof figure, "%.2f, %.2f", tin["figures"]["cut"].get<double>(),
                tin["figures"]["fill"].get<double>());
  EXPECT_NE(cutfill.find(figure), std::string::npos) << cutfill << " / " << tin["figures"];

  // Kept as parameters only, the TIN comes from its drawn 3D triangles.
  ok({"run", d, "change", "--choose", "Ground", "--set", "notResident=1", "--set", "want3DTris=1"});
  page = exportPage(d);
  ASSERT_EQ(page.meta["tins"].size(), 1u);
  tin = page.meta["tins"][0];
  EXPECT_EQ(tin["source"], "drawn");
  EXPECT_EQ(tin["triangleCount"], 40);
  EXPECT_EQ(realVertices(page, tin), points_);
}

TEST_F(WebViewTest, NamesLikeMarkupStayInsideThePageData) {
  const std::string d = surveyDrawing();
  write("more.csv", "x,y,z\n500100,4200100,90\n");
  ok({"import", d, p("more.csv"), "--layer", "</script><h1>x</h1>"});
  const Page page = exportPage(d);  // parses the description up to its own end
  bool found = false;
  for (const auto& l : page.meta["layers"]) found |= l["name"] == "</script><h1>x</h1>";
  EXPECT_TRUE(found) << page.meta["layers"];
  EXPECT_EQ(page.html.find("<h1>x</h1>"), std::string::npos) << "the name is never markup";
}

TEST_F(WebViewTest, WithoutThe3DLibraryNothingIsWritten) {
  const std::string d = surveyDrawing();
  const RunResult r = run({"export", d, p("view.html")}, {"TINHOST_THREE_DIR=" + p("nowhere")});
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("libjs-three"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("nowhere/three.min.js"), std::string::npos)
      << "names the file it looked for: " << r.err;
  for (const auto& e : fs::directory_iterator(path("")))
    EXPECT_EQ(e.path().filename().string().find("view"), std::string::npos)
        << "left behind: " << e.path();
}

}  // namespace
}  // namespace tinhost::testing
