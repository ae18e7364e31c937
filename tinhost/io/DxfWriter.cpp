#include "tinhost/io/DxfWriter.h"

#include <dl_dxf.h>
#include <dl_writer_ascii.h>

#include <array>
#include <charconv>
#include <cmath>

#include "tinhost/file/FileError.h"
#include "tinhost/io/OutputFile.h"
#include "tinhost/io/Palette.h"
#include "tinhost/io/Progress.h"

namespace tinhost::io {
namespace {

using file::FileError;

// The library's writer flushes the file after every real number and prints
// sixteen decimals; this one prints the shortest text that reads back as the
// same double and lets the stream buffer, which keeps a million faces fast.
class Writer : public DL_WriterA {
 public:
  using DL_WriterA::DL_WriterA;
  void dxfReal(int gc, double value) const override {
    std::array<char, 64> buf{};
    if (value == 0.0) value = 0.0;  // no "-0"
    const auto end = std::to_chars(buf.data(), buf.data() + buf.size(), value).ptr;
    std::string text(buf.data(), end);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    dxfString(gc, text);
  }
};

// DXF line weights, hundredths of a millimetre; the drawing's weights are in
// the same unit.  Anything thinner than the finest counts as the default.
constexpr int kLineWeights[] = {5, 9, 13, 15, 18, 20, 25, 30, 35, 40, 50, 53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
constexpr int kDefaultLineWeight = -3;

int dxfLineWeight(int weight) {
  if (weight < kLineWeights[0]) return kDefaultLineWeight;
  int best = kLineWeights[0];
  for (int w : kLineWeights)
    if (std::abs(w - weight) < std::abs(best - weight)) best = w;
  return best;
}

// Layer names may not hold these characters in DXF.
std::string dxfName(const std::string& name) {
  std::string out;
  for (char c : name) out += std::string_view("<>/\\\":;?*|=`,").find(c) == std::string_view::npos ? c : '_';
  return out.empty() ? std::string("0") : out;
}

// Text outside ASCII is written as \U+XXXX escapes, which DXF readers decode
// whatever their code page.
std::string dxfText(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += c < 0x20 ? ' ' : static_cast<char>(c);
      ++i;
      continue;
    }
    const int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    unsigned code = len == 1 ? c : c & (0x7F >> len);
    for (int k = 1; k < len && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\U+%04X", code);
    out += buf;
    i += len;
  }
  return out;
}

class EntityWriter {
 public:
  EntityWriter(const Writer& dw, const ExportScope& scope) : dw_(dw), scope_(scope) {}

  void begin(const char* type, const char* subclass, const DrawingObject& o) const {
    dw_.entity(type);
    dw_.dxfString(100, "AcDbEntity");
    dw_.dxfString(8, dxfName(scope_.doc().get(scope_.doc().layerOf(o.id)).name.str()));
    if (isDefaultColor(o.color)) {
      dw_.dxfInt(62, 256);  // by layer
    } else {
      const Rgb c = objectColor(o.color);
      dw_.dxfInt(62, nearestDxfColorIndex(c));
      dw_.dxfInt(420, (c.r << 16) | (c.g << 8) | c.b);
    }
    dw_.dxfInt(370, dxfLineWeight(o.lineWeight));
    dw_.dxfString(100, subclass);
  }
  void coord(int gc, const RealPoint& p) const { dw_.coord(gc, p.x, p.y, p.z); }

  void point(const DrawingObject& o) const {
    begin("POINT", "AcDbPoint", o);
    coord(10, scope_.real(o.vertices.front()));
  }
  void face(const DrawingObject& o) const {
    begin("3DFACE", "AcDbFace", o);
    const RealPoint a = scope_.real(o.vertices[0]), b = scope_.real(o.vertices[1]), c = scope_.real(o.vertices[2]);
    coord(10, a), coord(11, b), coord(12, c), coord(13, c);
  }
  void polyline3D(const DrawingObject& o) const {
    begin("POLYLINE", "AcDb3dPolyline", o);
    dw_.dxfInt(66, 1);
    dw_.coord(10, 0.0, 0.0, 0.0);
    dw_.dxfInt(70, 8 | (o.closed ? 1 : 0));
    const std::string layer = dxfName(scope_.doc().get(scope_.doc().layerOf(o.id)).name.str());
    for (const Vertex& v : o.vertices) {
      dw_.entity("VERTEX");
      dw_.dxfString(100, "AcDbEntity");
      dw_.dxfString(8, layer);
      dw_.dxfString(100, "AcDbVertex");
      dw_.dxfString(100, "AcDb3dPolylineVertex");
      coord(10, scope_.real(v));
      dw_.dxfInt(70, 32);
    }
    dw_.entity("SEQEND");
    dw_.dxfString(100, "AcDbEntity");
    dw_.dxfString(8, layer);
  }
  void polyshape(const DrawingObject& o) const {
    const std::vector<CurvePoint> line = ExportScope::outline(o);
    begin("LWPOLYLINE", "AcDbPolyline", o);
    dw_.dxfInt(90, static_cast<int>(line.size()));
    dw_.dxfInt(70, o.closed ? 1 : 0);
    for (const CurvePoint& p : line) {
      dw_.dxfReal(10, scope_.realX(p.x));
      dw_.dxfReal(20, scope_.realY(p.y));
    }
  }
  // One TEXT per line of the block, each on its baseline one character
  // height below the top of its line.
  std::size_t text(const DrawingObject& o) const {
    const double height = o.textSize / 100.0;
    std::size_t lineNo = 0, start = 0;
    const std::string t = o.text.str();
    while (start <= t.size()) {
      std::size_t end = t.find_first_of("\r\n", start);
      if (end == std::string::npos) end = t.size();
      ++lineNo;
      begin("TEXT", "AcDbText", o);
      dw_.coord(10, scope_.realX(o.anchorX), scope_.realY(o.anchorY) - height * static_cast<double>(lineNo), 0.0);
      dw_.dxfReal(40, height);
      dw_.dxfString(1, dxfText(t.substr(start, end - start)));
      dw_.dxfString(7, "Standard");
      dw_.dxfString(100, "AcDbText");
      if (end < t.size() && t[end] == '\r' && end + 1 < t.size() && t[end + 1] == '\n') ++end;
      start = end + 1;
    }
    return lineNo;
  }

 private:
  const Writer& dw_;
  const ExportScope& scope_;
};

void writeHeader(const Writer& dw, const ExportScope& scope, unsigned long handles) {
  dw.comment("tinhost");
  dw.sectionHeader();
  dw.dxfString(9, "$ACADVER");
  dw.dxfString(1, "AC1015");
  dw.dxfString(9, "$DWGCODEPAGE");
  dw.dxfString(3, "ANSI_1252");
  // Above every handle the file uses, as readers require.
  dw.dxfString(9, "$HANDSEED");
  char seed[24];
  std::snprintf(seed, sizeof seed, "%lX", handles);
  dw.dxfString(5, seed);
  const bool feet = scope.doc().units().kind == UnitKind::Foot;
  dw.dxfString(9, "$INSUNITS");
  dw.dxfInt(70, feet ? 2 : 6);
  dw.dxfString(9, "$MEASUREMENT");
  dw.dxfInt(70, feet ? 0 : 1);
  Rect all{};
  bool any = false;
  for (ObjId id : scope.objects()) {
    const Rect r = scope.doc().bounds(id);
    if (r == Rect{} && scope.doc().get(id).vertices.empty()) continue;
    all = any ? Rect{std::max(all.top, r.top), std::min(all.left, r.left), std::min(all.bottom, r.bottom),
                     std::max(all.right, r.right)}
              : r;
    any = true;
  }
  dw.dxfString(9, "$EXTMIN");
  dw.coord(10, scope.realX(all.left), scope.realY(all.bottom), 0.0);
  dw.dxfString(9, "$EXTMAX");
  dw.coord(10, scope.realX(all.right), scope.realY(all.top), 0.0);
  dw.sectionEnd();
}

void writeTables(DL_Dxf& dxf, Writer& dw, const ExportScope& scope) {
  dw.sectionTables();
  dxf.writeVPort(dw);
  dw.tableLinetypes(3);
  dxf.writeLinetype(dw, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
  dxf.writeLinetype(dw, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
  dxf.writeLinetype(dw, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
  dw.tableEnd();
  std::vector<std::string> names{"0"};
  for (ObjId id : scope.layers()) {
    const std::string n = dxfName(scope.doc().get(id).name.str());
    if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
  }
  dw.tableLayers(static_cast<int>(names.size()));
  for (const std::string& n : names)
    dxf.writeLayer(dw, DL_LayerData(n, 0), DL_Attributes("", 7, kDefaultLineWeight, "CONTINUOUS", 1.0));
  dw.tableEnd();
  dw.tableStyle(1);
  dxf.writeStyle(dw, DL_StyleData("Standard", 0, 0.0, 1.0, 0.0, 0, 1.0, "txt", ""));
  dw.tableEnd();
  dxf.writeView(dw);
  dxf.writeUcs(dw);
  dw.tableAppid(1);
  dxf.writeAppid(dw, "ACAD");
  dw.tableEnd();
  dxf.writeDimStyle(dw, 1, 1, 1, 1, 1);
  dxf.writeBlockRecord(dw);
  dw.tableEnd();
  dw.sectionEnd();
  dw.sectionBlocks();
  for (const char* block : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
    dxf.writeBlock(dw, DL_BlockData(block, 0, 0.0, 0.0, 0.0));
    dxf.writeEndBlock(dw, block);
  }
  dw.sectionEnd();
}

}  // namespace

ExportResult writeDxf(const ExportScope& scope, const std::filesystem::path& out) {
  const Document& doc = scope.doc();
  // Handles: one per entity, vertex and end of sequence, above those of the
  // tables and blocks.
  unsigned long handles = 0x1000;
  for (ObjId id : scope.objects()) {
    const DrawingObject& o = doc.get(id);
    handles += o.type == kKVTypePoly3D ? o.vertices.size() + 2 : o.type == kKVTypeText ? 1 + o.text.size() : 1;
  }

  OutputFile file(out);
  ExportResult result;
  result.format = "dxf";
  {
    Writer dw(file.temp().c_str(), DL_Codes::AC1015);
    if (dw.openFailed()) throw FileError(out.string() + ": cannot write it");
    DL_Dxf dxf;
    writeHeader(dw, scope, handles);
    writeTables(dxf, dw, scope);
    dw.sectionEntities();
    const EntityWriter ew(dw, scope);
    Progress progress("writing " + out.filename().string(), scope.objects().size());
    std::size_t done = 0;
    for (ObjId id : scope.objects()) {
      const DrawingObject& o = doc.get(id);
      if (o.type == kKVTypeLocus3D && !o.vertices.empty()) {
        ew.point(o), ++result.points;
      } else if (scope.isTriangle3D(o)) {
        ew.face(o), ++result.faces;
      } else if (o.type == kKVTypePoly3D && o.vertices.size() >= 2) {
        ew.polyline3D(o), ++result.polygons3D;
      } else if (o.type == kKVTypePoly2D && o.vertices.size() >= 2) {
        ew.polyshape(o), ++result.shapes2D;
      } else if (o.type == kKVTypeText && !o.text.empty()) {
        result.texts += ew.text(o);
      } else {
        ++result.skipped, result.skippedWhat = "empty or single-vertex objects";
      }
      if ((++done & 0xFFF) == 0) progress.update(done);
    }
    dw.sectionEnd();
    dxf.writeObjects(dw);
    dxf.writeObjectsEnd(dw);
    dw.dxfEOF();
    dw.close();
    if (dw.openFailed()) throw FileError(out.string() + ": writing failed (disk full?)");
  }
  file.commit();
  return result;
}

}  // namespace tinhost::io
