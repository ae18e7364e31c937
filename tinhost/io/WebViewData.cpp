#include "tinhost/io/WebViewData.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <map>
#include <unordered_map>

#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/Resources.h"
#include "tinhost/core/StoredTINs.h"
#include "tinhost/io/CoordinateSystem.h"
#include "tinhost/io/ExportScope.h"
#include "tinhost/io/RepeatedXY.h"
#include "tinhost/io/TinGraphics.h"

namespace tinhost::io {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the page reads its arrays as little-endian");

using json = nlohmann::json;

// The plug-in's classes, by their entries in its class-name list.
constexpr std::int16_t kClassNameList = 11103;
enum class Kind { Other, Contour, IndexContour, Triangle2D, Triangle3D, Label, Hull };
constexpr std::pair<std::int16_t, Kind> kClassEntries[] = {
    {1, Kind::Contour},    {2, Kind::IndexContour}, {3, Kind::Contour}, {4, Kind::IndexContour},
    {5, Kind::Triangle2D}, {6, Kind::Triangle3D},   {7, Kind::Label},   {8, Kind::Hull}};

// What each class id of the drawing is to the page.
std::vector<Kind> classKinds(const Document& doc) {
  const auto classes = doc.classes();
  std::vector<Kind> kinds(classes.size() + 1, Kind::Other);
  for (const auto& [entry, kind] : kClassEntries) {
    const auto name = Resources::embedded().string(kClassNameList, entry);
    if (!name) continue;
    for (std::size_t k = 0; k < classes.size(); ++k)
      if (classes[k] == *name) kinds[k + 1] = kind;
  }
  return kinds;
}

// Lines of one kind on one layer: their vertices' x, y one after another and
// where each line starts.
struct Lines {
  std::vector<float> xy;
  std::vector<std::uint32_t> starts{0};
  void point(double x, double y) { xy.push_back(float(x)), xy.push_back(float(y)); }
  void end() { starts.push_back(static_cast<std::uint32_t>(xy.size() / 2)); }
};

struct LayerContent {
  std::vector<float> points;  // x, y, z
  std::map<std::string, Lines> lines;
  json texts = json::array();
  bool triangles2D = false, triangles3D = false;
};

const char* lineKind(Kind kind, std::int16_t type) {
  switch (kind) {
    case Kind::Contour:
      return "contour";
    case Kind::IndexContour:
      return "index";
    case Kind::Hull:
      return "hull";
    default:
      return type == kKVTypePoly3D ? "line3d" : "line2d";
  }
}

void addObject(const Document& doc, ObjId id, const DrawingObject& o, Kind kind, double unit,
               LayerContent& c) {
  if (o.type == kKVTypeLocus3D && !o.vertices.empty()) {
    const Vertex& v = o.vertices.front();
    c.points.insert(c.points.end(), {float(v.x / unit), float(v.y / unit), float(v.z / unit)});
  } else if (o.type == kKVTypeText && !o.text.empty()) {
    const Rect r = doc.bounds(id);
    c.texts.push_back({{"x", (r.left + double(r.right)) / 2 / unit},
                       {"y", (r.top + double(r.bottom)) / 2 / unit},
                       {"h", o.textSize / 100.0},
                       {"s", std::string(o.text.str())},
                       {"label", kind == Kind::Label}});
  } else if (kind == Kind::Triangle3D && o.type == kKVTypePoly3D) {
    c.triangles3D = true;
  } else if (kind == Kind::Triangle2D && o.type == kKVTypePoly2D) {
    c.triangles2D = true;
  } else if ((o.type == kKVTypePoly3D || o.type == kKVTypePoly2D) && o.vertices.size() >= 2) {
    Lines& l = c.lines[lineKind(kind, o.type)];
    if (o.type == kKVTypePoly2D) {
      const std::vector<CurvePoint> pts = ExportScope::outline(o);
      for (const CurvePoint& p : pts) l.point(p.x / unit, p.y / unit);
      if (o.closed && !pts.empty()) l.point(pts.front().x / unit, pts.front().y / unit);
    } else {
      for (const Vertex& v : o.vertices) l.point(v.x / unit, v.y / unit);
      if (o.closed) l.point(o.vertices.front().x / unit, o.vertices.front().y / unit);
    }
    l.end();
  }
}

json layersJson(const ExportScope& scope, const TinNames& names, WebViewData& data) {
  const Document& doc = scope.doc();
  const double unit = doc.units().worldPerUnit;
  const std::vector<Kind> kinds = classKinds(doc);
  std::map<ObjId, LayerContent> content;
  for (ObjId id : scope.objects()) {
    const DrawingObject& o = doc.get(id);
    const Kind kind = o.objectClass > 0 && std::size_t(o.objectClass) < kinds.size()
                          ? kinds[std::size_t(o.objectClass)]
                          : Kind::Other;
    addObject(doc, id, o, kind, unit, content[doc.layerOf(id)]);
  }
  json layers = json::array();
  for (ObjId layer : scope.layers()) {
    LayerContent& c = content[layer];
    const std::string name = doc.get(layer).name.str();
    json l = {{"name", name},
              {"tin", names.tinOfLayer(name)},
              {"texts", std::move(c.texts)},
              {"triangles2D", c.triangles2D},
              {"triangles3D", c.triangles3D},
              {"lines", json::array()}};
    data.texts += l["texts"].size();
    l["pointCount"] = c.points.size() / 3;
    data.points += c.points.size() / 3;
    if (!c.points.empty()) l["points"] = data.add(c.points);
    for (auto& [kind, lines] : c.lines) {
      data.lines += lines.starts.size() - 1;
      l["lines"].push_back({{"kind", kind},
                            {"xy", data.add(lines.xy)},
                            {"starts", data.add(lines.starts)},
                            {"count", lines.starts.size() - 1}});
    }
    layers.push_back(std::move(l));
  }
  return layers;
}

// A surface for the page: vertices x, y, z and triangles of three indices.
struct Mesh {
  std::vector<float> xyz;
  std::vector<std::uint32_t> triangles;
  std::vector<float> breaklineXyz;
  std::vector<std::uint32_t> breaklineStarts{0};
  double zMin = std::numeric_limits<double>::infinity(),
         zMax = -std::numeric_limits<double>::infinity();
};

bool resident(const StoredTINGeometry& s) { return !s.xyz.empty() && !s.triangles.empty(); }

// The stored TIN's vertices in user units relative to the origin, through
// the world units the plug-in keeps them in.
Mesh meshFromStored(const StoredTINGeometry& s, const UnitsRecord& units) {
  Mesh m;
  const double unit = units.worldPerUnit;
  m.xyz.reserve(s.xyz.size());
  for (double v : s.xyz) m.xyz.push_back(float(worldOfStored(v, units) / unit));
  for (std::size_t i = 2; i < s.xyz.size(); i += 3) {
    const double z = worldOfStored(s.xyz[i], units) / unit;
    m.zMin = std::min(m.zMin, z), m.zMax = std::max(m.zMax, z);
  }
  m.triangles.assign(s.triangles.begin(), s.triangles.end());
  auto vertex = [&m](std::int32_t v) {
    const auto at = m.xyz.begin() + std::ptrdiff_t{3} * v;
    m.breaklineXyz.insert(m.breaklineXyz.end(), at, at + 3);
  };
  for (const StoredBreakline& b : s.breaklines) {
    for (std::int32_t v : b.vertices) vertex(v);
    if (b.closed && !b.vertices.empty()) vertex(b.vertices[0]);
    m.breaklineStarts.push_back(static_cast<std::uint32_t>(m.breaklineXyz.size() / 3));
  }
  return m;
}

// The drawn 3D triangles, their shared corners made one vertex.
Mesh meshFromDrawn(const TinGraphics& g, double unit) {
  Mesh m;
  std::unordered_map<std::uint64_t, std::uint32_t> index;
  index.reserve(g.triangles.size());
  for (const DrawingObject* t : g.triangles)
    for (std::size_t k = 0; k < 3; ++k) {
      const Vertex& v = t->vertices[k];
      auto [it, added] =
          index.try_emplace(xyKey(v.x, v.y), static_cast<std::uint32_t>(m.xyz.size() / 3));
      if (added) {
        m.xyz.insert(m.xyz.end(), {float(v.x / unit), float(v.y / unit), float(v.z / unit)});
        m.zMin = std::min(m.zMin, v.z / unit), m.zMax = std::max(m.zMax, v.z / unit);
      }
      m.triangles.push_back(it->second);
    }
  return m;
}

json paramsJson(const StoredTINParams& p) {
  return {{"contourInterval", p.contourInterval},
          {"indexContourEvery", p.indexContourEvery},
          {"datumElev", p.datumElev},
          {"contourBaseElev", p.contourBaseElev},
          {"lowContourElev", p.lowContourElev},
          {"highContourElev", p.highContourElev},
          {"want2DContours", p.want2DCntr},
          {"want3DContours", p.want3DCntr},
          {"want2DTriangles", p.want2DTris},
          {"want3DTriangles", p.want3DTris},
          {"labelContours", p.labelCntrs},
          {"wantHull", p.wantHull},
          {"useBreaklines", p.useBrklns},
          {"notResident", p.notResident}};
}

json tinJson(const std::string& name, const Mesh& m, WebViewData& data) {
  json t = {{"name", name},
            {"vertices", data.add(m.xyz)},
            {"triangles", data.add(m.triangles)},
            {"vertexCount", m.xyz.size() / 3},
            {"triangleCount", m.triangles.size() / 3},
            {"zMin", m.triangles.empty() ? 0.0 : m.zMin},
            {"zMax", m.triangles.empty() ? 0.0 : m.zMax}};
  if (m.breaklineStarts.size() > 1)
    t["breaklines"] = {{"xyz", data.add(m.breaklineXyz)}, {"starts", data.add(m.breaklineStarts)}};
  data.triangles += m.triangles.size() / 3;
  return t;
}

json tinsJson(const Host& host, const ExportScope& scope, const TinNames& names,
              WebViewData& data) {
  const Document& doc = scope.doc();
  std::vector<StoredTINGeometry> stored;
  try {
    const DataObjectBytes objects = host.dataObjects();
    const std::size_t count = readStoredTINs(objects).size();
    for (std::size_t i = 0; i < count; ++i) stored.push_back(readStoredTINGeometry(objects, i));
  } catch (const HostError&) {
    // Damaged stored data: the drawn triangles still show the surfaces.
  }
  const std::vector<TinGraphics> drawn = collectTins(scope, names);
  json tins = json::array();
  auto drawnOf = [&drawn](const std::string& name) -> const TinGraphics* {
    for (const TinGraphics& g : drawn)
      if (g.name == name && !g.triangles.empty()) return &g;
    return nullptr;
  };
  // With chosen layers, the stored TINs of those layers only.
  std::vector<std::string> chosen;
  for (ObjId layer : scope.layers()) chosen.push_back(doc.get(layer).name.str());
  const bool everyLayer = scope.layers().size() == doc.layers().size();
  auto isChosen = [&](const StoredTIN& t) {
    return everyLayer || std::any_of(chosen.begin(), chosen.end(),
                                     [&t](const std::string& l) { return t.answersToLayer(l); });
  };
  for (const StoredTINGeometry& s : stored) {
    const TinGraphics* g = drawnOf(s.tin.name);
    if ((!resident(s) && g == nullptr) || !isChosen(s.tin)) continue;
    json t = tinJson(s.tin.name,
                     resident(s) ? meshFromStored(s, doc.units())
                                 : meshFromDrawn(*g, doc.units().worldPerUnit),
                     data);
    t["source"] = resident(s) ? "stored" : "drawn";
    t["layer2D"] = s.tin.layer2DName, t["layer3D"] = s.tin.layer3DName;
    t["difference"] = s.tin.difference;
    t["params"] = paramsJson(s.params);
    tins.push_back(std::move(t));
  }
  for (const TinGraphics& g : drawn) {  // drawn TINs the drawing no longer stores
    const bool known = std::any_of(stored.begin(), stored.end(), [&g](const StoredTINGeometry& s) {
      return s.tin.name == g.name;
    });
    if (known || g.triangles.empty()) continue;
    json t = tinJson(g.name, meshFromDrawn(g, doc.units().worldPerUnit), data);
    t["source"] = "drawn";
    tins.push_back(std::move(t));
  }
  return tins;
}

json figuresJson(const std::vector<TinReportedFigures>& figures, const std::string& name) {
  for (const TinReportedFigures& f : figures) {
    if (f.name != name) continue;
    if (!f.known) return {{"why", f.why}};
    return {{"area", f.area}, {"cut", f.cut}, {"fill", f.fill}};
  }
  return {{"why", "not gathered for this export"}};
}

}  // namespace

WebViewData gatherWebView(const Host& host, const ExportScope& scope,
                          const std::vector<TinReportedFigures>& figures) {
  WebViewData data;
  const Document& doc = scope.doc();
  const TinNames names(host);
  const UnitsRecord& units = doc.units();
  const auto crs = drawingCrs(doc);
  data.meta = {{"unit", std::string(unitName(units.kind))},
               {"origin", {scope.realX(0), scope.realY(0)}},
               {"decimals", displayDecimals(units.worldPerUnit)},
               {"crs", crs ? crs->describe() : std::string("local coordinates")}};
  data.meta["layers"] = layersJson(scope, names, data);
  data.meta["tins"] = tinsJson(host, scope, names, data);
  for (json& t : data.meta["tins"])
    t["figures"] = figuresJson(figures, t["name"].get<std::string>());
  return data;
}

}  // namespace tinhost::io
