// The demo's interactive view opened in headless Chromium, as a person would
// use it: the page opens from the file alone with no errors, the plan and the
// 3D view both draw (and look like the reference picture, within a
// tolerance), hiding a layer changes the plan, and pointing at a survey point
// shows its elevation.  The page's test hook (view.html#test&...) drives the
// same handlers as the mouse and the checkboxes and writes what it saw into
// the page, which --dump-dom hands back.
#include <cairo.h>

#include <cstdlib>
#include <optional>

#include "tests/support/CliTestSupport.h"

namespace tinhost::testing {
namespace {

std::optional<fs::path> findChromium() {
  if (const char* named = std::getenv("TIN_CHROMIUM"); named != nullptr && *named != '\0')
    return fs::path(named);
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin");
  for (std::string dir; std::getline(dirs, dir, ':');)
    for (const char* name : {"chromium", "chromium-browser"})
      if (::access((fs::path(dir) / name).c_str(), X_OK) == 0) return fs::path(dir) / name;
  return std::nullopt;
}

std::string unescapeHtml(std::string s) {
  const std::pair<std::string, std::string> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : entities)
    for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
      s.replace(at, from.size(), to);
  return s;
}

// An RGB picture read from a PNG.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::array<int, 3>> px;
  const std::array<int, 3>& at(int x, int y) const {
    return px[static_cast<std::size_t>(y * width + x)];
  }
};

Picture readPng(const fs::path& p) {
  Picture out;
  cairo_surface_t* s = cairo_image_surface_create_from_png(p.c_str());
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(s);
    out.width = cairo_image_surface_get_width(s), out.height = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) {
        const auto v = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
        out.px.push_back({int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF)});
      }
  }
  cairo_surface_destroy(s);
  return out;
}

class WebViewBrowserTest : public CliTest {
 protected:
  static constexpr int kWidth = 1400, kHeight = 800;

  void SetUp() override {
    CliTest::SetUp();
    chromium_ = findChromium();
    if (!chromium_)
      GTEST_SKIP()
          << "chromium is not installed (apt-get install chromium): the browser tests need it";
    const RunResult demo = run({"demo", p("demo")});
    ASSERT_TRUE(demo.status == 0 || demo.status == 1) << demo.err;
    ASSERT_NE(demo.out.find("view.html    the interactive view"), std::string::npos) << demo.out;
    page_ = path("demo/view.html");
  }

  // Runs headless Chromium on the page with `hash`; its stdout.
  std::string browse(const std::string& action, const std::string& hash) const {
    const std::string command = "timeout 180 '" + chromium_->string() +
                                "' --headless --no-sandbox --use-angle=swiftshader " +
                                "--enable-unsafe-swiftshader --hide-scrollbars "
                                "--force-device-scale-factor=1 --user-data-dir='" +
                                p("profile") + "' --window-size=" + std::to_string(kWidth) + "," +
                                std::to_string(kHeight) + " --virtual-time-budget=10000 " + action +
                                " 'file://" + page_.string() + hash + "' > '" + p("browser.out") +
                                "' 2> '" + p("browser.err") + "'";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command << "\n" << readText(path("browser.err"));
    return readText(path("browser.out"));
  }

  // What the page's test hook saw.
  nlohmann::json hook(const std::string& args) const {
    const std::string dom = browse("--dump-dom", "#test" + args);
    const std::string open = "<pre id=\"test-results\" hidden=\"\">";
    const std::size_t from = dom.find(open), to = dom.find("</pre>", from);
    if (from == std::string::npos || to == std::string::npos) {
      ADD_FAILURE() << "the page wrote no test results; its end:\n"
                    << dom.substr(dom.size() > 3000 ? dom.size() - 3000 : 0);
      return nlohmann::json::object();
    }
    const std::string text = unescapeHtml(dom.substr(from + open.size(), to - from - open.size()));
    if (text.empty())
      ADD_FAILURE() << "the test hook did not finish: " << readText(path("browser.err"));
    return text.empty() ? nlohmann::json::object() : nlohmann::json::parse(text);
  }

  std::optional<fs::path> chromium_;
  fs::path page_;
};

TEST_F(WebViewBrowserTest, PageOpensFromTheFileAloneAndBothViewsDrawWithoutErrors) {
  const std::string html = readText(page_);
  for (const char* outside : {"src=\"http", "href=\"http", "src='http", "url(http", "@import"})
    EXPECT_EQ(html.find(outside), std::string::npos)
        << "the page reaches outside itself: " << outside;
  EXPECT_NE(html.find("OrbitControls"), std::string::npos) << "the 3D library is inlined";

  const nlohmann::json r = hook("");
  EXPECT_EQ(r["errors"], nlohmann::json::array()) << r.dump();
  EXPECT_TRUE(r["webgl"].get<bool>()) << "the 3D view has a WebGL context";
  // Each view is about 560 x 770 pixels; the drawing covers a good part of both.
  EXPECT_GT(r["planInk"].get<int>(), 20000) << r.dump();
  EXPECT_GT(r["surfaceInk"].get<int>(), 20000) << "the surface was rendered: " << r.dump();

  // The panel's area, cut and fill are the plug-in's own reports.
  const RunResult cutfill = run({"run", p("demo/survey.tin"), "cutfill", "--choose", "Ground"});
  const RunResult area = run({"run", p("demo/survey.tin"), "area", "--choose", "Ground"});
  const nlohmann::json& ground = r["figures"]["Ground"];
  auto number = [](std::string text) {  // "2,555,745.18 cu ft" -> "2555745.18"
    std::erase(text, ',');
    return text.substr(0, text.find(' '));
  };
  auto reportSays = [](const std::string& report, const std::string& n) {
    return report.find(n) != std::string::npos;
  };
  EXPECT_TRUE(reportSays(cutfill.out, number(ground["cut"]) + ", " + number(ground["fill"])))
      << cutfill.out << " / panel: " << ground.dump();
  EXPECT_TRUE(reportSays(area.out, number(ground["area"])))
      << area.out << " / panel: " << ground.dump();
  EXPECT_EQ(ground["triangles"], "942") << ground.dump();
}

TEST_F(WebViewBrowserTest, HidingALayerChangesThePlan) {
  const nlohmann::json r = hook("&toggle=Ground-2D");
  ASSERT_TRUE(r["toggle"]["found"].get<bool>()) << "a checkbox for the layer Ground-2D";
  const int before = r["planInk"], after = r["toggle"]["planInkAfter"];
  // Its contours, labels and hull gone, the triangles and points stay.
  EXPECT_LT(after, before * 9 / 10) << r.dump();
  EXPECT_GT(after, 1000) << r.dump();
}

TEST_F(WebViewBrowserTest, PointingAtASurveyPointShowsItsPositionAndElevation) {
  // The first point of the demo's survey (ground_points.csv, imported at
  // 1 mm): 27898.284, 39733.904, 810.689 ft; the second a place off the survey.
  const nlohmann::json r = hook("&hover=27898.284,39733.904;27000,38000");
  ASSERT_EQ(r["hover"].size(), 2u) << r.dump();
  const nlohmann::json& on = r["hover"][0];
  const std::string text = on["text"];
  EXPECT_NE(text.find("x 27,898.284"), std::string::npos) << text;
  EXPECT_NE(text.find("y 39,733.904"), std::string::npos) << text;
  ASSERT_TRUE(on["elevations"].contains("Ground")) << text;
  EXPECT_NEAR(on["elevations"]["Ground"].get<double>(), 810.689, 0.002) << text;
  EXPECT_NE(text.find("Ground: z 810.689 ft"), std::string::npos) << text;
  EXPECT_FALSE(r["hover"][1]["elevations"].contains("Ground"))
      << "no elevation off the surface: " << r["hover"][1];
}

TEST_F(WebViewBrowserTest, ScreenshotLooksLikeTheReference) {
  browse("--screenshot='" + p("view.png") + "'", "");
  const Picture shot = readPng(path("view.png"));
  const Picture reference = readPng(fs::path(TIN_WEB_REFERENCE_DIR) / "demo-view.png");
  ASSERT_EQ(shot.width, kWidth);
  ASSERT_EQ(shot.height, kHeight);
  ASSERT_EQ(reference.width, kWidth) << "tests/tinhost/web/reference/demo-view.png";
  ASSERT_EQ(reference.height, kHeight);
  // Neither view is blank: the plan (white) and the 3D view (dark) each
  // hold many pixels of another colour.
  auto inkIn = [&shot](int x0, int x1, std::array<int, 3> background) {
    int n = 0;
    for (int y = 60; y < kHeight - 40; ++y)
      for (int x = x0; x < x1; ++x) {
        const auto& c = shot.at(x, y);
        n += std::abs(c[0] - background[0]) + std::abs(c[1] - background[1]) +
                 std::abs(c[2] - background[2]) >
             40;
      }
    return n;
  };
  EXPECT_GT(inkIn(280, 830, {255, 255, 255}), 15000) << "the plan";
  EXPECT_GT(inkIn(845, 1290, {0x20, 0x24, 0x2a}), 15000) << "the 3D view";
  // Like the reference: on average within a few levels, and few pixels far off
  // (fonts and antialiasing may differ a little between machines).
  double sum = 0;
  std::size_t far = 0;
  for (std::size_t i = 0; i < shot.px.size(); ++i) {
    int d = 0;
    for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(shot.px[i][c] - reference.px[i][c]));
    sum += d;
    far += d > 64;
  }
  EXPECT_LT(sum / double(shot.px.size()), 6.0)
      << "mean difference from the reference; the shot: " << p("view.png");
  EXPECT_LT(double(far) / double(shot.px.size()), 0.04) << "share of pixels far from the reference";
}

}  // namespace
}  // namespace tinhost::testing
