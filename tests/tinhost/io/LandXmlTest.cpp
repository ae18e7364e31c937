// LandXML: export then import gives the same world coordinates; a small
// independent reader finds the same TIN faces in the written file; the real
// survey and surface files import with the counts the files hold; bad files
// are refused with the place named and nothing added.
#include <map>
#include <regex>
#include <set>

#include "InterchangeTestSupport.h"
#include "tinhost/io/SurveyFile.h"

namespace tinhost::testing {
namespace {

class LandXmlTest : public InterchangeTest {
 protected:
  // Points and breaklines on "Ground"; a triangulated 6 x 6 grid and two 3D
  // contours (in the plug-in's contour class) on "Ground-3D".
  static void surveyAndTin(Host& h) {
    setUp(h);
    Document& d = h.document();
    const ObjId g = layer(h, "Ground"), tin = layer(h, "Ground-3D");
    d.addLocus(g, 1234567, -765432, 805125);
    d.addLocus(g, -4000, 7000, 800001);
    poly(h, g, kKVTypePoly3D, {{0, 0, 800000}, {5000, 1000, 801000}, {9000, 9000, 802500}}, true);
    poly(h, g, kKVTypePoly3D, {{100, 100, 800100}, {2100, 300, 800200}}, false);
    constexpr int kN = 6, kStep = 2500;
    auto z = [](int i, int j) { return 800000 + 137 * i * i - 91 * j + 13 * i * j; };
    for (int i = 0; i + 1 < kN; ++i)
      for (int j = 0; j + 1 < kN; ++j) {
        const Vertex a{i * kStep, j * kStep, z(i, j)}, b{(i + 1) * kStep, j * kStep, z(i + 1, j)},
            c{i * kStep, (j + 1) * kStep, z(i, j + 1)}, e{(i + 1) * kStep, (j + 1) * kStep, z(i + 1, j + 1)};
        triangle(h, tin, {a, c, b});
        triangle(h, tin, {b, c, e});
      }
    const std::int16_t contourClass = pluginClass(h, 3);
    const ObjId open = poly(h, tin, kKVTypePoly3D, {{0, 1000, 801000}, {4000, 1500, 801000}, {9000, 1200, 801000}}, false);
    const ObjId ring = poly(h, tin, kKVTypePoly3D, {{1000, 1000, 802000}, {2000, 1000, 802000}, {1500, 2000, 802000}, {1200, 1800, 802000}}, true);
    d.setObjectClass(open, contourClass);
    d.setObjectClass(ring, contourClass);
  }
};

TEST_F(LandXmlTest, RoundTripKeepsPointsBreaklinesContoursAndSurfacePoints) {
  Host a;
  surveyAndTin(a);
  const auto r = io::exportDrawing(a, path("s.xml"), {});
  EXPECT_EQ(r.points, 2u);
  EXPECT_EQ(r.faces, 50u);
  EXPECT_EQ(r.polygons3D, 4u);

  Host b;
  setUp(b, UnitKind::Foot);
  const io::ImportResult in = io::importFile(b, path("s.xml"), "auto", "");
  EXPECT_EQ(in.formatName, "landxml");
  EXPECT_EQ(in.points, 2u + 36u);
  EXPECT_EQ(in.lines, 4u);

  const auto pa = objects(a, "Ground", kKVTypeLocus3D), pb = objects(b, "Ground", kKVTypeLocus3D);
  ASSERT_EQ(pb.size(), pa.size());
  for (std::size_t i = 0; i < pa.size(); ++i) expectSamePlace(real(b, pb[i]->vertices[0]), real(a, pa[i]->vertices[0]));

  for (const char* name : {"Ground", "Ground-3D"}) {
    std::vector<const DrawingObject*> la;
    for (const DrawingObject* o : objects(a, name, kKVTypePoly3D))
      if (o->objectClass != pluginClass(a, 6)) la.push_back(o);  // not the triangles
    const auto lb = objects(b, name, kKVTypePoly3D);
    ASSERT_EQ(lb.size(), la.size()) << name;
    for (std::size_t i = 0; i < la.size(); ++i) {
      EXPECT_EQ(lb[i]->closed, la[i]->closed) << name << " line " << i;
      ASSERT_EQ(lb[i]->vertices.size(), la[i]->vertices.size());
      for (std::size_t k = 0; k < la[i]->vertices.size(); ++k)
        expectSamePlace(real(b, lb[i]->vertices[k]), real(a, la[i]->vertices[k]));
    }
  }
  EXPECT_EQ(objects(b, "Ground-3D", kKVTypeLocus3D).size(), 36u);  // the grid's corners, each once
}

// Reads Pnts and Faces with regular expressions, nothing shared with the
// exporter or the importer: each face as its three (easting, northing, z).
std::multiset<std::vector<long long>> facesByRegex(const std::string& xml) {
  std::map<std::string, std::vector<long long>> pnts;
  const std::regex p(R"re(<P id="(\d+)">\s*(\S+)\s+(\S+)\s+(\S+)\s*</P>)re"), f(R"re(<F>\s*(\d+)\s+(\d+)\s+(\d+)\s*</F>)re");
  auto mm = [](const std::string& s) { return std::llround(std::stod(s) * 1000); };
  for (std::sregex_iterator it(xml.begin(), xml.end(), p), end; it != end; ++it)
    pnts[(*it)[1]] = {mm((*it)[3]), mm((*it)[2]), mm((*it)[4])};  // northing first in the file
  std::multiset<std::vector<long long>> faces;
  for (std::sregex_iterator it(xml.begin(), xml.end(), f), end; it != end; ++it) {
    std::vector<long long> face;
    for (int k = 1; k <= 3; ++k) {
      const auto& q = pnts.at((*it)[k]);
      face.insert(face.end(), q.begin(), q.end());
    }
    faces.insert(face);
  }
  return faces;
}

TEST_F(LandXmlTest, IndependentReaderFindsTheSameFacesAndUnits) {
  Host a;
  surveyAndTin(a);
  io::exportDrawing(a, path("tin.xml"), {"Ground-3D"});
  const std::string xml = readText(path("tin.xml"));
  EXPECT_NE(xml.find("<Imperial linearUnit=\"foot\""), std::string::npos);
  EXPECT_NE(xml.find("<Definition surfType=\"TIN\""), std::string::npos);
  EXPECT_EQ(xml.find("<CgPoints"), std::string::npos);  // only the chosen layer

  std::multiset<std::vector<long long>> want;
  for (const DrawingObject* t : objects(a, "Ground-3D", kKVTypePoly3D)) {
    if (t->objectClass != pluginClass(a, 6)) continue;
    std::vector<long long> face;
    for (const Vertex& v : t->vertices) {
      const RealVertex r = real(a, v);
      face.insert(face.end(), {std::llround(r.x * 1000), std::llround(r.y * 1000), std::llround(r.z * 1000)});
    }
    want.insert(face);
  }
  EXPECT_EQ(want.size(), 50u);
  EXPECT_EQ(facesByRegex(xml), want);

  // Each corner shared by several faces is written once.
  const std::regex p("<P id=");
  EXPECT_EQ(std::distance(std::sregex_iterator(xml.begin(), xml.end(), p), std::sregex_iterator()), 36);
}

TEST_F(LandXmlTest, MetricDrawingWritesMetricUnitsAndReadsFeetAsMetres) {
  Host a;
  setUp(a, UnitKind::Metre);
  a.document().addLocus(layer(a, "P"), 1000, 2000, 3000);
  io::exportDrawing(a, path("m.xml"), {});
  EXPECT_NE(readText(path("m.xml")).find("<Metric linearUnit=\"meter\""), std::string::npos);

  Host b;
  setUp(b, UnitKind::Metre);
  const auto r = io::importFile(b, dataFile("partridge_survey/Partridge_Survey.xml"), "landxml", "Survey");
  ASSERT_FALSE(r.notes.empty());
  // Control point 100 is at 10,000 m both ways; the file holds it in feet.
  bool found = false;
  for (const DrawingObject* o : objects(b, "Survey", kKVTypeLocus3D)) {
    const RealVertex v = real(b, o->vertices[0]);
    found = found || (std::fabs(v.x - 10000) < 1e-3 && std::fabs(v.y - 10000) < 1e-3);
  }
  EXPECT_TRUE(found);
}

TEST_F(LandXmlTest, PartridgeSurveyImportsEveryPointAndFigure) {
  Host h;
  setUp(h);
  h.document().setOrigin(0, 0);
  const auto r = io::importFile(h, dataFile("partridge_survey/Partridge_Survey.xml"), "auto", "");
  EXPECT_EQ(r.points, 2896u);
  EXPECT_EQ(r.lines, 118u);
  EXPECT_EQ(r.layers, std::vector<std::string>{"fieldbook"});

  const io::SurveyData points = io::readSurveyFile(dataFile("partridge_survey/partridge_points.csv"), io::Format::Csv);
  const io::SurveyData lines =
      io::readSurveyFile(dataFile("partridge_survey/partridge_breaklines.csv"), io::Format::Breaklines);
  const auto loci = objects(h, "fieldbook", kKVTypeLocus3D);
  ASSERT_EQ(loci.size(), points.points.size());
  for (std::size_t i = 0; i < loci.size(); i += 97)
    expectSamePlace(real(h, loci[i]->vertices[0]), {points.points[i].x, points.points[i].y, points.points[i].z}, 6e-4);

  const auto polys = objects(h, "fieldbook", kKVTypePoly3D);
  ASSERT_EQ(polys.size(), lines.lines.size());
  std::size_t vertices = 0;
  for (std::size_t i = 0; i < polys.size(); ++i) {
    ASSERT_EQ(polys[i]->vertices.size(), lines.lines[i].vertices.size()) << "figure " << i + 1;
    EXPECT_FALSE(polys[i]->closed);
    vertices += polys[i]->vertices.size();
    const auto& last = lines.lines[i].vertices.back();
    expectSamePlace(real(h, polys[i]->vertices.back()), {last.x, last.y, last.z}, 6e-4);
  }
  EXPECT_EQ(vertices, 2505u);
}

TEST_F(LandXmlTest, QuarrySurfacesLandOnTheirOwnLayersNorthingFirst) {
  Host h;
  setUp(h);
  const auto r = io::importFile(h, dataFile("quarry_contours/subdivision.xml"), "auto", "");
  EXPECT_EQ(r.points, 639u + 713u + 2716u);
  EXPECT_EQ(r.skipped.count("Parcels"), 1u);
  EXPECT_EQ(objects(h, "FG", kKVTypeLocus3D).size(), 2716u);
  EXPECT_EQ(objects(h, "Layer 1", kKVTypeLocus3D).size(), 639u);

  const io::SurveyData eg = io::readSurveyFile(dataFile("quarry_contours/quarry_eg_points.csv"), io::Format::Csv);
  const auto loci = objects(h, "EG", kKVTypeLocus3D);
  ASSERT_EQ(loci.size(), eg.points.size());
  for (std::size_t i = 0; i < loci.size(); ++i)
    expectSamePlace(real(h, loci[i]->vertices[0]), {eg.points[i].x, eg.points[i].y, eg.points[i].z}, 6e-4);
}

using BadXml = BadFile;

class BadLandXmlTest : public LandXmlTest, public ::testing::WithParamInterface<BadXml> {};

TEST_P(BadLandXmlTest, IsRefusedNamingThePlaceAndAddsNothing) {
  expectBadImportRefused("bad.xml", GetParam().text, GetParam().message);
}

const std::string kHead = "<?xml version=\"1.0\"?>\n<LandXML version=\"1.2\">\n";

INSTANTIATE_TEST_SUITE_P(
    Files, BadLandXmlTest,
    ::testing::Values(
        BadXml{"not LandXML", "<?xml version=\"1.0\"?>\n<kml><Placemark/></kml>\n", {":2:", "root element is <kml>"}},
        BadXml{"not well formed", kHead + "<CgPoints>\n<CgPoint name=\"1\">1 2 3</CgPoint>\n</LandXML>\n",
               {":5:", "not well-formed XML"}},
        BadXml{"face naming a missing point",
               kHead + "<Surfaces><Surface name=\"EG\"><Definition surfType=\"TIN\">\n<Pnts>\n<P id=\"1\">0 0 1</P>\n"
                       "<P id=\"2\">0 10 1</P>\n<P id=\"3\">10 0 1</P>\n</Pnts>\n<Faces>\n<F>1 2 3</F>\n<F>1 3 9</F>\n"
                       "</Faces></Definition></Surface></Surfaces>\n</LandXML>\n",
               {":11:", "<F>", "names point 9"}},
        BadXml{"point with four numbers", kHead + "<CgPoints>\n<CgPoint name=\"7\">1 2 3 4</CgPoint>\n</CgPoints>\n</LandXML>\n",
               {":4:", "<CgPoint name=\"7\">", "4 numbers"}},
        BadXml{"coordinate that is not a number",
               kHead + "<CgPoints>\n<CgPoint name=\"7\">1 2 x3</CgPoint>\n</CgPoints>\n</LandXML>\n",
               {":4:", "'x3' is not a number"}},
        BadXml{"figure naming a missing point",
               kHead + "<CgPoints><CgPoint name=\"1\">0 0 1</CgPoint></CgPoints>\n<PlanFeatures><PlanFeature>"
                       "<CoordGeom><Line>\n<Start pntRef=\"1\"/>\n<End pntRef=\"2\"/>\n</Line></CoordGeom></PlanFeature>"
                       "</PlanFeatures>\n</LandXML>\n",
               {":6:", "names point '2'"}},
        BadXml{"unknown unit", kHead + "<Units>\n<Metric linearUnit=\"furlong\"/>\n</Units>\n</LandXML>\n",
               {":4:", "unknown linearUnit 'furlong'"}}),
    [](const auto& param) {
      std::string n = param.param.what;
      for (char& c : n) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return n;
    });

}  // namespace
}  // namespace tinhost::testing
