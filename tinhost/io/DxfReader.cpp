#include "tinhost/io/DxfReader.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <set>
#include <sstream>
#include <tuple>

#include "tinhost/file/FileError.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::io {
namespace {

using file::FileError;

// The reading library cuts lines at this length, so longer ones would shift
// every later group; they are refused instead.
constexpr std::size_t kMaxLine = 1023;

bool isRealCode(long c) {
  return (c >= 10 && c <= 59) || (c >= 110 && c <= 149) || (c >= 210 && c <= 239) || (c >= 1010 && c <= 1059);
}
bool isIntCode(long c) {
  return (c >= 60 && c <= 99) || (c >= 170 && c <= 179) || (c >= 270 && c <= 289) || (c >= 370 && c <= 389) ||
         (c >= 1060 && c <= 1071);
}

// Checks the group structure of the whole file: pairs of an integer code line
// and a value line, numbers where the code wants one, sections closed, and
// the EOF marker at the end.
void checkStructure(const std::string& name, const std::string& text) {
  if (text.rfind("AutoCAD Binary DXF", 0) == 0)
    throw FileError(name + ":1: a binary DXF file; save it as ASCII DXF and import that");
  LineScanner rows(text);
  std::string section;  // the open section, empty between sections
  std::size_t sectionLine = 0;
  bool expectSectionName = false;
  while (rows.next()) {
    const std::size_t codeLine = rows.number();
    if (rows.line().size() > kMaxLine)
      throw FileError(name + ":" + std::to_string(codeLine) + ": a line longer than 1023 characters");
    const std::string_view codeText = trim(rows.line());
    const auto code = parseNumber(codeText);
    // Group codes run from 0 to 1071; a larger number cannot even be held as a long.
    if (!code || *code != std::floor(*code) || *code < 0 || *code > 1071)
      throw FileError(name + ":" + std::to_string(codeLine) + ": '" + std::string(codeText) +
                      "' is not a group code (a whole number); the file is not DXF or is damaged");
    const long c = static_cast<long>(*code);
    if (!rows.next())
      throw FileError(name + ":" + std::to_string(codeLine) + ": group code " + std::to_string(c) +
                      " has no value: the file is cut short" + (section.empty() ? "" : " inside the " + section +
                      " section that begins at line " + std::to_string(sectionLine)));
    if (rows.line().size() > kMaxLine)
      throw FileError(name + ":" + std::to_string(rows.number()) + ": a line longer than 1023 characters");
    const std::string_view value = trim(rows.line());
    if ((isRealCode(c) || isIntCode(c)) && !parseNumber(value))
      throw FileError(name + ":" + std::to_string(rows.number()) + ": group code " + std::to_string(c) +
                      " needs a number, not '" + std::string(value) + "'");
    if (expectSectionName) {
      if (c != 2)
        throw FileError(name + ":" + std::to_string(codeLine) + ": a SECTION without its name (group code 2)");
      section = std::string(value), expectSectionName = false;
    } else if (c == 0 && value == "SECTION") {
      if (!section.empty())
        throw FileError(name + ":" + std::to_string(codeLine) + ": a SECTION inside the " + section +
                        " section that begins at line " + std::to_string(sectionLine) + " (its ENDSEC is missing)");
      expectSectionName = true, sectionLine = codeLine;
    } else if (c == 0 && value == "ENDSEC") {
      if (section.empty()) throw FileError(name + ":" + std::to_string(codeLine) + ": an ENDSEC outside any section");
      section.clear();
    } else if (c == 0 && value == "EOF") {
      if (!section.empty())
        throw FileError(name + ":" + std::to_string(codeLine) + ": EOF inside the " + section +
                        " section that begins at line " + std::to_string(sectionLine));
      return;
    }
  }
  const std::string where = name + ":" + std::to_string(rows.number());
  if (!section.empty())
    throw FileError(where + ": the file ends inside the " + section + " section that begins at line " +
                    std::to_string(sectionLine) + ", without its EOF marker: it is cut short");
  throw FileError(where + ": the file ends without the EOF marker: it is cut short or not a DXF file");
}

// Metres per unit for the $INSUNITS codes that name a length, else 0.
double insunitsMetres(int code, std::string& unitName) {
  switch (code) {
    case 1: unitName = "inches"; return 0.0254;
    case 2: unitName = "feet"; return kMetresPerFoot;
    case 4: unitName = "millimetres"; return 0.001;
    case 5: unitName = "centimetres"; return 0.01;
    case 6: unitName = "metres"; return 1.0;
    case 7: unitName = "kilometres"; return 1000.0;
    case 21: unitName = "US survey feet"; return kMetresPerUsSurveyFoot;
    default: return 0.0;
  }
}

class Collector : public DL_CreationAdapter {
 public:
  explicit Collector(ImportedDrawing& out) : out_(out) {}

  double fileMetres = 0;
  std::string fileUnit;

  void processCodeValuePair(unsigned int code, const std::string& value) override {
    // Entities reach us when the next one begins, so the entity being
    // delivered is the one that started at the previous group code 0.
    if (code == 0) {
      entityLine_ = startLine_, startLine_ = 2 * pairs_ + 1;
      entityType_ = std::move(startType_), startType_ = value;
    }
    ++pairs_;
  }

  void setVariableInt(const std::string& key, int value, int) override {
    if (key == "$INSUNITS") fileMetres = insunitsMetres(value, fileUnit);
  }
  void addBlock(const DL_BlockData&) override { inBlock_ = true; }
  void endBlock() override { inBlock_ = false; }

  void addPoint(const DL_PointData& d) override {
    if (take("POINT")) layer().points.push_back(point(d.x, d.y, d.z));
  }
  void addLine(const DL_LineData& d) override {
    if (!take("LINE")) return;
    SurveyLine line;
    line.line = entityLine_;
    line.vertices = {point(d.x1, d.y1, d.z1), point(d.x2, d.y2, d.z2)};
    layer().lines.push_back(std::move(line));
  }
  void add3dFace(const DL_3dFaceData& d) override {
    if (!take("3DFACE")) return;
    for (int i = 0; i < 4; ++i) {
      const auto key = std::make_tuple(attributes.getLayer(), d.x[i], d.y[i], d.z[i]);
      if (faceCorners_.insert(key).second) layer().points.push_back(point(d.x[i], d.y[i], d.z[i]));
    }
  }
  void addText(const DL_TextData& d) override {
    if (!take("TEXT")) return;
    // Aligned text is placed by its alignment point, other text by its
    // insertion point; both stand on the baseline.
    const bool aligned = d.hJustification != 0 || d.vJustification != 0;
    const double x = aligned ? d.apx : d.ipx, y = aligned ? d.apy : d.ipy;
    layer().texts.push_back({x, y + d.height, d.height > 0 ? d.height : 1.0, d.text, entityLine_});
  }

  void addPolyline(const DL_PolylineData& d) override {
    poly_ = Poly{};
    polyKind_ = entityType_;
    if (!take(polyKind_)) return;
    if (d.flags & (16 | 64)) {  // polygon and polyface meshes
      --out_.skipped[polyKind_];
      ++out_.skipped["mesh POLYLINE"];
      return;
    }
    const double* dir = getExtrusion()->getDirection();
    if (std::fabs(dir[0]) > 1e-9 || std::fabs(dir[1]) > 1e-9) {
      --out_.skipped[polyKind_];
      ++out_.skipped[polyKind_ + " not in the plan plane"];
      return;
    }
    poly_.active = true;
    poly_.flip = dir[2] < 0;  // seen from below: x runs the other way
    poly_.is3D = (d.flags & 8) != 0;
    poly_.elevation = getExtrusion()->getElevation();
    poly_.line.closed = (d.flags & 1) != 0;
    poly_.line.line = entityLine_;
    poly_.layer = attributes.getLayer();
  }
  void addVertex(const DL_VertexData& d) override {
    if (!poly_.active) return;
    const double x = poly_.flip ? -d.x : d.x;
    poly_.line.vertices.push_back(point(x, d.y, poly_.is3D ? d.z : poly_.elevation));
    poly_.bulges.push_back(poly_.flip ? -d.bulge : d.bulge);
  }
  void endEntity() override {
    if (!poly_.active) return;
    poly_.active = false;
    SurveyLine& l = poly_.line;
    auto& vs = l.vertices;
    if (vs.size() > 2 && samePlace(vs.front(), vs.back())) {
      vs.pop_back(), poly_.bulges.pop_back();
      l.closed = true;
    }
    if (vs.size() < 2) {
      --out_.skipped[polyKind_];
      ++out_.skipped[polyKind_ + " with fewer than two vertices"];
      return;
    }
    withArcs(l, poly_.bulges);
    out_.layer(poly_.layer).lines.push_back(std::move(l));
  }

  // Whatever else the file holds is counted.
  void addXLine(const DL_XLineData&) override { skip("XLINE"); }
  void addRay(const DL_RayData&) override { skip("RAY"); }
  void addArc(const DL_ArcData&) override { skip("ARC"); }
  void addCircle(const DL_CircleData&) override { skip("CIRCLE"); }
  void addEllipse(const DL_EllipseData&) override { skip("ELLIPSE"); }
  void addSpline(const DL_SplineData&) override { skip("SPLINE"); }
  void addInsert(const DL_InsertData&) override { skip("INSERT"); }
  void addTrace(const DL_TraceData&) override { skip("TRACE"); }
  void addSolid(const DL_SolidData&) override { skip("SOLID"); }
  void addMText(const DL_MTextData&) override { skip("MTEXT"); }
  void addAttribute(const DL_AttributeData&) override { skip("ATTRIB"); }
  void addLeader(const DL_LeaderData&) override { skip("LEADER"); }
  void addHatch(const DL_HatchData&) override { skip("HATCH"); }
  void addImage(const DL_ImageData&) override { skip("IMAGE"); }
  void addDimAlign(const DL_DimensionData&, const DL_DimAlignedData&) override { skip("DIMENSION"); }
  void addDimLinear(const DL_DimensionData&, const DL_DimLinearData&) override { skip("DIMENSION"); }
  void addDimRadial(const DL_DimensionData&, const DL_DimRadialData&) override { skip("DIMENSION"); }
  void addDimDiametric(const DL_DimensionData&, const DL_DimDiametricData&) override { skip("DIMENSION"); }
  void addDimAngular(const DL_DimensionData&, const DL_DimAngular2LData&) override { skip("DIMENSION"); }
  void addDimAngular3P(const DL_DimensionData&, const DL_DimAngular3PData&) override { skip("DIMENSION"); }
  void addDimOrdinate(const DL_DimensionData&, const DL_DimOrdinateData&) override { skip("DIMENSION"); }

 private:
  struct Poly {
    bool active = false, is3D = false, flip = false;
    double elevation = 0;
    SurveyLine line;
    std::vector<double> bulges;
    std::string layer;
  };

  // True when the entity is to be imported; otherwise counts why not.
  bool take(const std::string& kind) {
    if (inBlock_) return skip("entity of a block definition"), false;
    if (attributes.isInPaperSpace()) return skip(kind + " in paper space"), false;
    ++taken_;
    return true;
  }
  void skip(const std::string& kind) { ++out_.skipped[kind]; }
  ImportedLayer& layer() { return out_.layer(attributes.getLayer()); }
  SurveyPoint point(double x, double y, double z) const { return {x, y, z, entityLine_}; }
  static bool samePlace(const SurveyPoint& a, const SurveyPoint& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
  }

  // Replaces each arc segment (non-zero bulge: the tangent of a quarter of
  // its included angle) by chords of at most 1/32 of a turn, at the segment's
  // elevations interpolated along the arc.
  static void withArcs(SurveyLine& l, const std::vector<double>& bulges) {
    bool any = false;
    for (double b : bulges) any = any || b != 0.0;
    if (!any) return;
    std::vector<SurveyPoint> out;
    const std::size_t n = l.vertices.size(), segments = l.closed ? n : n - 1;
    for (std::size_t i = 0; i < n; ++i) {
      out.push_back(l.vertices[i]);
      if (i >= segments || bulges[i] == 0.0) continue;
      const SurveyPoint a = l.vertices[i], b = l.vertices[(i + 1) % n];
      const double angle = 4.0 * std::atan(bulges[i]);
      const double chord = std::hypot(b.x - a.x, b.y - a.y);
      if (chord == 0.0) continue;
      const double radius = chord / (2.0 * std::sin(std::fabs(angle) / 2.0));
      // Centre: from the chord's midpoint along its normal, to the left for
      // a positive (counter-clockwise) bulge.
      const double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
      const double toCentre = radius * std::cos(angle / 2.0) * (angle > 0 ? 1.0 : -1.0);
      const double nx = -(b.y - a.y) / chord, ny = (b.x - a.x) / chord;
      const double cx = mx + nx * toCentre, cy = my + ny * toCentre;
      const double start = std::atan2(a.y - cy, a.x - cx);
      const int steps = std::max(2, static_cast<int>(std::ceil(std::fabs(angle) / (std::numbers::pi / 16))));
      for (int k = 1; k < steps; ++k) {
        const double t = static_cast<double>(k) / steps, phi = start + angle * t;
        out.push_back({cx + radius * std::cos(phi), cy + radius * std::sin(phi), a.z + (b.z - a.z) * t, a.line});
      }
    }
    l.vertices = std::move(out);
  }

  ImportedDrawing& out_;
  std::size_t pairs_ = 0, startLine_ = 0, entityLine_ = 0, taken_ = 0;
  bool inBlock_ = false;
  Poly poly_;
  std::string polyKind_, entityType_, startType_;
  std::set<std::tuple<std::string, double, double, double>> faceCorners_;
};

}  // namespace

ImportedDrawing readDxfFile(const std::filesystem::path& path) {
  const std::string name = path.string();
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(name + ": cannot open it");
  std::ostringstream text;
  text << in.rdbuf();
  checkStructure(name, text.str());

  ImportedDrawing out;
  out.format = "dxf";
  Collector collector(out);
  DL_Dxf dxf;
  if (!dxf.in(name, &collector)) throw FileError(name + ": cannot open it");
  out.metresPerUnit = collector.fileMetres;
  out.unitName = collector.fileUnit;
  return out;
}

}  // namespace tinhost::io
