// DXF: export then import gives the same world coordinates on the same layers;
// an independent reader (ezdxf) finds the expected entities; DXF as surveyors
// write it (R12 polylines, elevations, arcs, blocks, units) is read right; bad
// files are refused with the place named and nothing added.
#include <cmath>
#include <map>
#include <numbers>

#include "InterchangeTestSupport.h"
#include "tinhost/core/Curves.h"

namespace tinhost::testing {
namespace {

class DxfTest : public InterchangeTest {
 protected:
  // Survey points and breaklines, two triangles of a surface, a note and a
  // 2D outline, each kind on its own layer.
  static void survey(Host& h) {
    setUp(h);
    const ObjId s = layer(h, "Survey"), tin = layer(h, "Ground-3D"), notes = layer(h, "Notes"), flat = layer(h, "Ground-2D");
    Document& d = h.document();
    d.addLocus(s, 1234567, -765432, 805125);
    d.addLocus(s, -1, 2, 3);
    d.addLocus(s, 2000000, 1500000, 811001);
    poly(h, s, kKVTypePoly3D, {{0, 0, 800000}, {5000, 0, 801000}, {5000, 5000, 802500}, {0, 5000, 803000}}, true);
    poly(h, s, kKVTypePoly3D, {{100, 100, 800100}, {2100, 300, 800200}, {4100, 100, 800300}}, false);
    triangle(h, tin, {{0, 0, 800000}, {0, 5000, 803000}, {5000, 0, 801000}});
    triangle(h, tin, {{5000, 0, 801000}, {0, 5000, 803000}, {5000, 5000, 802500}});
    const ObjId t = d.createText("BM 12\nTop of pin", 2500, 7500, 0, 150);
    d.addToContainer(t, notes);
    poly(h, flat, kKVTypePoly2D, {{0, 0, 0}, {5000, 0, 0}, {5000, 5000, 0}}, true);
  }
};

TEST_F(DxfTest, RoundTripKeepsRealCoordinatesLayersAndClosedFlags) {
  Host a;
  survey(a);
  const auto r = io::exportDrawing(a, path("s.dxf"), {});
  EXPECT_EQ(r.points, 3u);
  EXPECT_EQ(r.faces, 2u);
  EXPECT_EQ(r.polygons3D, 2u);
  EXPECT_EQ(r.shapes2D, 1u);
  EXPECT_EQ(r.texts, 2u);  // one TEXT per line

  Host b;
  setUp(b);
  b.document().setOrigin(0, 0);  // a different origin: only real coordinates must agree
  b.document().addLocus(b.document().currentLayer(), 0, 0, 0);
  io::importFile(b, path("s.dxf"), "auto", "");

  const auto pa = objects(a, "Survey", kKVTypeLocus3D), pb = objects(b, "Survey", kKVTypeLocus3D);
  ASSERT_EQ(pb.size(), pa.size());
  for (std::size_t i = 0; i < pa.size(); ++i) expectSamePlace(real(b, pb[i]->vertices[0]), real(a, pa[i]->vertices[0]));

  const auto la = objects(a, "Survey", kKVTypePoly3D), lb = objects(b, "Survey", kKVTypePoly3D);
  ASSERT_EQ(lb.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(lb[i]->closed, la[i]->closed);
    ASSERT_EQ(lb[i]->vertices.size(), la[i]->vertices.size());
    for (std::size_t k = 0; k < la[i]->vertices.size(); ++k)
      expectSamePlace(real(b, lb[i]->vertices[k]), real(a, la[i]->vertices[k]));
  }

  // Triangles come back as their four distinct corners.
  const auto corners = objects(b, "Ground-3D", kKVTypeLocus3D);
  ASSERT_EQ(corners.size(), 4u);
  for (const Vertex& want : {Vertex{0, 0, 800000}, Vertex{5000, 5000, 802500}}) {
    const RealVertex w = real(a, want);
    EXPECT_TRUE(std::any_of(corners.begin(), corners.end(), [&](const DrawingObject* c) {
      const RealVertex g = real(b, c->vertices[0]);
      return std::fabs(g.x - w.x) < 1e-6 && std::fabs(g.y - w.y) < 1e-6 && std::fabs(g.z - w.z) < 1e-6;
    }));
  }

  const auto texts = objects(b, "Notes", kKVTypeText);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0]->text, "BM 12");
  EXPECT_EQ(texts[1]->text, "Top of pin");
  EXPECT_EQ(texts[0]->textSize, 150);
  const RealVertex anchor = real(a, {2500, 7500, 0}), got = real(b, {texts[0]->anchorX, texts[0]->anchorY, 0});
  EXPECT_NEAR(got.x, anchor.x, 1e-6);
  EXPECT_NEAR(got.y, anchor.y, 1e-6);

  const auto outline = objects(b, "Ground-2D", kKVTypePoly3D);
  ASSERT_EQ(outline.size(), 1u);
  EXPECT_TRUE(outline[0]->closed);
  EXPECT_EQ(outline[0]->vertices.size(), 3u);
}

// The curve through a bend: corner A, control points B and F placed
// symmetrically about P (B = 2P - F), corner C.
std::vector<Vertex> smoothedBend() {
  return {{0, 0, 0, kKVVertexCorner}, {8000, 2000, 0, kKVVertexControl}, {12000, 8000, 0, kKVVertexControl},
          {14000, 20000, 0, kKVVertexCorner}};
}

TEST_F(DxfTest, SmoothedPolyshapeIsWrittenAsASmoothPolylineThroughItsPoints) {
  Host a;
  setUp(a);
  poly(a, layer(a, "Contours"), kKVTypePoly2D, smoothedBend(), false);
  io::exportDrawing(a, path("c.dxf"), {"Contours"});
  Host b;
  setUp(b);
  io::importFile(b, path("c.dxf"), "dxf", "");
  const auto lines = objects(b, "Contours", kKVTypePoly3D);
  ASSERT_EQ(lines.size(), 1u);
  std::vector<RealVertex> pts;
  for (const Vertex& v : lines[0]->vertices) pts.push_back(real(b, v));
  ASSERT_GT(pts.size(), 8u);
  expectSamePlace(pts.front(), real(a, {0, 0, 0}));
  expectSamePlace(pts.back(), real(a, {14000, 20000, 0}));
  // P, the midpoint of B and F, lies on the written line.
  const RealVertex p = real(a, {10000, 5000, 0});
  EXPECT_TRUE(std::any_of(pts.begin(), pts.end(), [&](const RealVertex& v) {
    return std::hypot(v.x - p.x, v.y - p.y) < 1e-3;
  }));
  // The corner polyline turns by about 40 degrees at each control point;
  // the written curve never turns by more than a few degrees at a vertex.
  for (std::size_t i = 1; i + 1 < pts.size(); ++i) {
    const double a1 = std::atan2(pts[i].y - pts[i - 1].y, pts[i].x - pts[i - 1].x);
    const double a2 = std::atan2(pts[i + 1].y - pts[i].y, pts[i + 1].x - pts[i].x);
    double turn = std::fabs(a2 - a1);
    if (turn > std::numbers::pi) turn = 2 * std::numbers::pi - turn;
    EXPECT_LT(turn, 10.0 * std::numbers::pi / 180) << "at vertex " << i;
  }
}

TEST_F(DxfTest, IndependentReaderFindsEveryEntityWithItsLayerAndShape) {
  if (!capture("/usr/bin/python3 -c 'import ezdxf' 2>/dev/null")) GTEST_SKIP() << "python3-ezdxf is not installed";
  Host a;
  survey(a);
  poly(a, layer(a, "Contours"), kKVTypePoly2D, smoothedBend(), false);
  io::exportDrawing(a, path("s.dxf"), {});
  const std::string script =
      "import ezdxf,sys\n"
      "d=ezdxf.readfile(sys.argv[1])\n"
      "print('units', d.header.get('$INSUNITS'))\n"
      "for e in d.modelspace():\n"
      "  t=e.dxftype(); x=''\n"
      "  if t=='3DFACE': x=str(e.dxf.vtx3==e.dxf.vtx2)\n"
      "  if t=='POLYLINE': x='%s %s %d'%(e.is_3d_polyline,e.is_closed,len(e.vertices))\n"
      "  if t=='LWPOLYLINE': x='%s %d'%(e.closed,len(e))\n"
      "  if t=='TEXT': x=e.dxf.text\n"
      "  print(t, e.dxf.layer, x)\n";
  write("count.py", script);
  const auto out = capture("/usr/bin/python3 " + path("count.py").string() + " " + path("s.dxf").string());
  ASSERT_TRUE(out) << "ezdxf could not read the file";
  std::map<std::string, int> count;
  std::istringstream lines(*out);
  std::string line;
  while (std::getline(lines, line)) ++count[line];
  EXPECT_EQ(count["units 2"], 1);  // feet
  EXPECT_EQ(count["POINT Survey "], 3);
  EXPECT_EQ(count["3DFACE Ground-3D True"], 2);
  EXPECT_EQ(count["POLYLINE Survey True True 4"], 1);
  EXPECT_EQ(count["POLYLINE Survey True False 3"], 1);
  EXPECT_EQ(count["LWPOLYLINE Ground-2D True 3"], 1);
  EXPECT_EQ(count["TEXT Notes BM 12"], 1);
  EXPECT_EQ(count["TEXT Notes Top of pin"], 1);
  const auto curve = std::find_if(count.begin(), count.end(),
                                  [](const auto& kv) { return kv.first.rfind("LWPOLYLINE Contours False ", 0) == 0; });
  ASSERT_NE(curve, count.end()) << *out;
  EXPECT_GT(std::stoi(curve->first.substr(26)), 8);
}

// DXF as survey software writes it: R12 entities, a unit declared in the
// header, polylines in both forms with elevations and an arc segment.
// A DXF file from its entities written "code value code value ...": every
// code and every value goes on a line of its own.
std::string Dxf(std::initializer_list<const char*> entities) {
  std::string out;
  for (const char* e : entities) out.append(e).push_back('\n');
  std::replace(out.begin(), out.end(), ' ', '\n');
  return out;
}

const std::string kSurveyorDxf = Dxf({
    "0 SECTION 2 HEADER 9 $INSUNITS 70 6", "0 ENDSEC",
    "0 SECTION 2 BLOCKS", "0 BLOCK 2 TREE 10 0.0 20 0.0 30 0.0", "0 POINT 8 0 10 1.0 20 1.0 30 0.0",
    "0 ENDBLK", "0 ENDSEC",
    "0 SECTION 2 ENTITIES",
    "0 POINT 8 SPOT 10 10.0 20 20.0 30 5.0",
    "0 LWPOLYLINE 8 CONTOUR 90 4 70 1 38 102.5 10 0.0 20 0.0 10 10.0 20 0.0 10 10.0 20 10.0 10 0.0 "
    "20 10.0",
    "0 POLYLINE 8 CONTOUR 66 1 70 0 10 0.0 20 0.0 30 101.0",
    "0 VERTEX 8 CONTOUR 10 1.0 20 2.0 30 0.0", "0 VERTEX 8 CONTOUR 10 3.0 20 4.0 30 0.0",
    "0 SEQEND 8 CONTOUR",
    "0 POLYLINE 8 BRK 66 1 70 8",
    "0 VERTEX 8 BRK 10 1.0 20 1.0 30 7.0 70 32", "0 VERTEX 8 BRK 10 2.0 20 1.0 30 8.0 70 32",
    "0 VERTEX 8 BRK 10 1.0 20 1.0 30 7.0 70 32", "0 SEQEND 8 BRK",
    "0 3DFACE 8 TIN 10 0.0 20 0.0 30 1.0 11 4.0 21 0.0 31 2.0 12 0.0 22 4.0 32 3.0 13 0.0 23 4.0 "
    "33 3.0",
    "0 3DFACE 8 TIN 10 4.0 20 0.0 30 2.0 11 4.0 21 4.0 31 4.0 12 0.0 22 4.0 32 3.0 13 0.0 23 4.0 "
    "33 3.0",
    "0 LWPOLYLINE 8 ARC 90 2 70 0 38 50.0 10 0.0 20 0.0 42 1.0 10 10.0 20 0.0",
    "0 CIRCLE 8 SPOT 10 0.0 20 0.0 30 0.0 40 3.0",
    "0 ENDSEC", "0 EOF"});

TEST_F(DxfTest, ReadsSurveyorsR12EntitiesElevationsArcsAndUnits) {
  Host h;
  setUp(h, UnitKind::Metre);
  const io::ImportResult r = io::importFile(h, write("site.dxf", kSurveyorDxf), "auto", "");
  EXPECT_EQ(r.formatName, "dxf");
  EXPECT_EQ(r.skipped.at("CIRCLE"), 1u);
  EXPECT_EQ(r.skipped.at("entity of a block definition"), 1u);

  const auto spot = objects(h, "SPOT", kKVTypeLocus3D);
  ASSERT_EQ(spot.size(), 1u);
  expectSamePlace(real(h, spot[0]->vertices[0]), {10, 20, 5});

  const auto contours = objects(h, "CONTOUR", kKVTypePoly3D);
  ASSERT_EQ(contours.size(), 2u);
  EXPECT_TRUE(contours[0]->closed);
  ASSERT_EQ(contours[0]->vertices.size(), 4u);
  for (const Vertex& v : contours[0]->vertices) EXPECT_EQ(v.z, 102500);  // the LWPOLYLINE's elevation
  EXPECT_FALSE(contours[1]->closed);
  ASSERT_EQ(contours[1]->vertices.size(), 2u);
  expectSamePlace(real(h, contours[1]->vertices[1]), {3, 4, 101});  // the 2D POLYLINE's elevation

  // A 3D polyline whose last vertex repeats the first is closed.
  const auto brk = objects(h, "BRK", kKVTypePoly3D);
  ASSERT_EQ(brk.size(), 1u);
  EXPECT_TRUE(brk[0]->closed);
  ASSERT_EQ(brk[0]->vertices.size(), 2u);
  expectSamePlace(real(h, brk[0]->vertices[1]), {2, 1, 8});

  EXPECT_EQ(objects(h, "TIN", kKVTypeLocus3D).size(), 4u);  // shared corners once

  // Bulge 1 is a half circle on the chord (0,0)-(10,0), counter-clockwise:
  // every point lies 5 from (5,0), below the chord.
  const auto arc = objects(h, "ARC", kKVTypePoly3D);
  ASSERT_EQ(arc.size(), 1u);
  ASSERT_GT(arc[0]->vertices.size(), 4u);
  for (const Vertex& v : arc[0]->vertices) {
    const RealVertex p = real(h, v);
    EXPECT_NEAR(std::hypot(p.x - 5, p.y), 5.0, 2e-3);
    EXPECT_LE(p.y, 1e-3);
    EXPECT_NEAR(p.z, 50.0, 1e-9);
  }
}

TEST_F(DxfTest, MetresInTheFileBecomeFeetInTheDrawing) {
  Host h;
  setUp(h, UnitKind::Foot);
  const io::ImportResult r = io::importFile(h, write("site.dxf", kSurveyorDxf), "dxf", "Everything");
  ASSERT_EQ(r.layers, std::vector<std::string>{"Everything"});
  ASSERT_FALSE(r.notes.empty());
  const auto pts = objects(h, "Everything", kKVTypeLocus3D);
  ASSERT_FALSE(pts.empty());
  expectSamePlace(real(h, pts[0]->vertices[0]), {10 / 0.3048, 20 / 0.3048, 5 / 0.3048}, 1e-3);
}

using BadDxf = BadFile;

class BadDxfTest : public DxfTest, public ::testing::WithParamInterface<BadDxf> {};

TEST_P(BadDxfTest, IsRefusedNamingTheLineAndAddsNothing) {
  expectBadImportRefused("bad.dxf", GetParam().text, GetParam().message);
}

std::string cutAfterLine(const std::string& text, int lines) {
  std::size_t at = 0;
  for (int i = 0; i < lines; ++i) at = text.find('\n', at) + 1;
  return text.substr(0, at);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadDxfTest,
    ::testing::Values(
        BadDxf{"cut in the middle of the entities", cutAfterLine(kSurveyorDxf, 120),
               {":120:", "ENTITIES section that begins at line 39", "cut short"}},
        BadDxf{"cut between code and value", cutAfterLine(kSurveyorDxf, 121), {":121:", "has no value"}},
        BadDxf{"a coordinate that is not a number",
               "0\nSECTION\n2\nENTITIES\n0\nPOINT\n8\nA\n10\n12,5\n20\n1\n30\n0\n0\nENDSEC\n0\nEOF\n",
               {":10:", "group code 10 needs a number, not '12,5'"}},
        BadDxf{"a group code that is not a number", "0\nSECTION\n2\nENTITIES\nxx\nPOINT\n",
               {":5:", "'xx' is not a group code"}},
        BadDxf{"binary DXF", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22), {":1:", "binary"}},
        BadDxf{"no EOF marker", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n", {"without the EOF marker"}}),
    [](const auto& param) {
      std::string n = param.param.what;
      for (char& c : n) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return n;
    });

}  // namespace
}  // namespace tinhost::testing
