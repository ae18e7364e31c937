// Pictures: a PNG of a TIN drawing is an A3 sheet at 150 dpi with lines in
// the objects' palette colours; SVG parses as XML and PDF is a complete PDF;
// only the chosen layers are drawn; a failed picture leaves no file behind.
#include <cairo.h>

#include <cmath>
#include <numbers>
#include <pugixml.hpp>

#include "InterchangeTestSupport.h"
#include "tinhost/io/Picture.h"

namespace tinhost::testing {
namespace {

class PictureTest : public InterchangeTest {
 protected:
  // A hill as the plug-in draws it: 2D and 3D triangles in the default
  // colour, closed smoothed contours (control vertices only) in palette
  // colour 210 with index contours heavier, and elevation labels.
  static void hill(Host& h) {
    setUp(h, UnitKind::Metre);
    Document& d = h.document();
    const ObjId flat = layer(h, "Hill-2D"), solid = layer(h, "Hill-3D");
    constexpr int kN = 24, kStep = 5000;
    auto z = [](int i, int j) {
      const double x = i - kN / 2.0, y = j - kN / 2.0;
      return static_cast<std::int32_t>(100000 + 30000 * std::exp(-(x * x + y * y) / 60.0));
    };
    for (int i = 0; i + 1 < kN; ++i)
      for (int j = 0; j + 1 < kN; ++j) {
        const Vertex a{i * kStep, j * kStep, z(i, j)}, b{(i + 1) * kStep, j * kStep, z(i + 1, j)},
            c{i * kStep, (j + 1) * kStep, z(i, j + 1)}, e{(i + 1) * kStep, (j + 1) * kStep, z(i + 1, j + 1)};
        for (const auto& tri : {std::vector<Vertex>{a, c, b}, std::vector<Vertex>{b, c, e}}) {
          triangle(h, solid, tri);
          std::vector<Vertex> plan = tri;
          for (Vertex& v : plan) v.z = 0;
          poly(h, flat, kKVTypePoly2D, plan, true);
        }
      }
    const double cx = kN / 2.0 * kStep, cy = kN / 2.0 * kStep;
    for (int k = 1; k <= 8; ++k) {
      std::vector<Vertex> ring;
      const double r = k * 5500.0;
      for (int s = 0; s < 12; ++s) {
        const double t = 2 * std::numbers::pi * s / 12;
        ring.push_back({static_cast<std::int32_t>(cx + r * std::cos(t)), static_cast<std::int32_t>(cy + r * std::sin(t)),
                        0, kKVVertexControl});
      }
      const ObjId c = poly(h, flat, kKVTypePoly2D, ring, true);
      d.setColor(c, Color{0, 0, 210, 0});
      d.setLineWeight(c, k % 5 == 0 ? 30 : 15);
      const ObjId label = d.createText(std::to_string(125 - 3 * k) + ".000", static_cast<std::int32_t>(cx + r),
                                       static_cast<std::int32_t>(cy), 0, 100);
      d.addToContainer(label, flat);
    }
  }

  struct Pixels {
    int width = 0, height = 0;
    std::size_t blue = 0, dark = 0;
  };
  static Pixels readPng(const fs::path& p) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(p.c_str());
    Pixels out;
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
      cairo_surface_flush(s);
      out.width = cairo_image_surface_get_width(s), out.height = cairo_image_surface_get_height(s);
      const int stride = cairo_image_surface_get_stride(s);
      const unsigned char* data = cairo_image_surface_get_data(s);
      for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
          const auto px = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
          const int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
          if (b > 150 && r < 100 && g < 100) ++out.blue;
          if (r < 80 && g < 80 && b < 80) ++out.dark;
        }
    }
    cairo_surface_destroy(s);
    return out;
  }
};

TEST_F(PictureTest, PngIsAnA3SheetWithTheDrawingInItsColours) {
  Host h;
  hill(h);
  const auto r = io::exportDrawing(h, path("hill.png"), {});
  EXPECT_EQ(r.format, "png");
  EXPECT_EQ(r.faces, 2u * 23 * 23);
  EXPECT_EQ(r.shapes2D, 2u * 23 * 23 + 8);
  EXPECT_EQ(r.texts, 8u);
  if (const char* keep = std::getenv("TIN_KEEP_PICTURES")) fs::copy_file(path("hill.png"), fs::path(keep) / "hill.png", fs::copy_options::overwrite_existing);

  const Pixels px = readPng(path("hill.png"));
  // A3 is 420 x 297 mm; at 150 dpi 2481 x 1754 pixels, turned to the drawing.
  EXPECT_EQ(std::max(px.width, px.height), 2481);
  EXPECT_EQ(std::min(px.width, px.height), 1754);
  EXPECT_GT(px.blue, 5000u) << "the contours in palette colour 210";
  EXPECT_GT(px.dark, 100000u) << "the triangles in the default pen";
  EXPECT_LT(px.dark + px.blue, static_cast<std::size_t>(px.width) * px.height / 2) << "lines, not a filled sheet";

  // Only the contours' layer: the blue stays, most of the dark goes.
  const auto only = io::exportDrawing(h, path("contours.png"), {"Hill-2D"});
  EXPECT_EQ(only.faces, 0u);
  const Pixels contours = readPng(path("contours.png"));
  EXPECT_GT(contours.blue, px.blue / 2);
}

TEST_F(PictureTest, SvgIsXmlAndPdfIsComplete) {
  Host h;
  hill(h);
  io::exportDrawing(h, path("hill.svg"), {"Hill-2D"});
  pugi::xml_document svg;
  ASSERT_TRUE(svg.load_file(path("hill.svg").c_str()));
  EXPECT_STREQ(svg.document_element().name(), "svg");
  EXPECT_NEAR(std::stod(svg.document_element().attribute("width").value()), 420 / 25.4 * 72, 1.0);

  io::exportDrawing(h, path("hill.pdf"), {});
  const std::string pdf = readText(path("hill.pdf"));
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF", pdf.size() - 16), std::string::npos);
}

TEST_F(PictureTest, FailedExportLeavesNoFileAndKeepsTheOldOne) {
  Host h;
  hill(h);
  write("old.png", "old picture");
  EXPECT_THROW(io::exportDrawing(h, path("old.png"), {"No such layer"}), std::exception);
  EXPECT_EQ(readText(path("old.png")), "old picture");
  EXPECT_THROW(io::exportDrawing(h, path("missing-dir") / "x.pdf", {}), std::exception);
  for (const auto& e : fs::directory_iterator(dir_)) EXPECT_EQ(e.path().filename().string().find(".writing"), std::string::npos);
}

}  // namespace
}  // namespace tinhost::testing
