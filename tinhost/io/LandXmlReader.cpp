#include "tinhost/io/LandXmlReader.h"

#include <pugixml.hpp>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <unordered_map>

#include "tinhost/file/FileError.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::io {
namespace {

using file::FileError;

// Element names without a namespace prefix.
std::string_view localName(const pugi::xml_node& n) {
  const std::string_view name = n.name();
  const auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::vector<pugi::xml_node> children(const pugi::xml_node& n, std::string_view name) {
  std::vector<pugi::xml_node> out;
  for (pugi::xml_node c : n.children())
    if (c.type() == pugi::node_element && localName(c) == name) out.push_back(c);
  return out;
}

pugi::xml_node child(const pugi::xml_node& n, std::string_view name) {
  for (pugi::xml_node c : n.children())
    if (c.type() == pugi::node_element && localName(c) == name) return c;
  return {};
}

// Metres per unit of a LandXML linearUnit, 0 for an unknown one.
double linearUnitMetres(std::string_view unit) {
  if (unit == "meter" || unit == "metre") return 1.0;
  if (unit == "millimeter") return 0.001;
  if (unit == "centimeter") return 0.01;
  if (unit == "kilometer") return 1000.0;
  if (unit == "foot" || unit == "InternationalFoot") return kMetresPerFoot;
  if (unit == "USSurveyFoot") return kMetresPerUsSurveyFoot;
  if (unit == "inch") return 0.0254;
  return 0.0;
}

class Reader {
 public:
  Reader(std::string name, const std::string& text) : name_(std::move(name)) {
    for (std::size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n') newlines_.push_back(i);
  }

  std::size_t lineAt(std::ptrdiff_t offset) const {
    if (offset < 0) return 0;
    return static_cast<std::size_t>(std::upper_bound(newlines_.begin(), newlines_.end(),
                                                     static_cast<std::size_t>(offset)) - newlines_.begin()) + 1;
  }
  std::size_t lineOf(const pugi::xml_node& n) const { return lineAt(n.offset_debug()); }

  // "<CgPoint name="12">" for messages.
  static std::string tag(const pugi::xml_node& n) {
    std::string t = "<" + std::string(localName(n));
    for (const char* attr : {"name", "id", "pntRef", "elev"})
      if (const auto a = n.attribute(attr)) t += " " + std::string(attr) + "=\"" + a.value() + "\"";
    return t + ">";
  }
  [[noreturn]] void fail(const pugi::xml_node& n, const std::string& what) const {
    throw FileError(name_ + ":" + std::to_string(lineOf(n)) + ": " + tag(n) + ": " + what +
                    "; nothing of this file was added");
  }

  std::vector<double> numbers(const pugi::xml_node& n) const {
    std::vector<double> out;
    for (const std::string& f : splitLoose(n.child_value())) {
      const auto v = parseNumber(f);
      if (!v) fail(n, "'" + f + "' is not a number");
      out.push_back(*v);
    }
    return out;
  }
  // "northing easting elevation" as a point (x = easting).
  SurveyPoint point(const pugi::xml_node& n, const std::vector<double>& v, std::size_t at = 0) const {
    return {v[at + 1], v[at], v[at + 2], lineOf(n)};
  }
  std::optional<SurveyPoint> point3(const pugi::xml_node& n) const {
    const std::vector<double> v = numbers(n);
    if (v.size() == 2) return std::nullopt;
    if (v.size() != 3) fail(n, "holds " + std::to_string(v.size()) + " numbers, not northing, easting and elevation");
    return point(n, v);
  }

  void read(const pugi::xml_node& root, ImportedDrawing& out) {
    for (pugi::xml_node c : root.children()) {
      if (c.type() != pugi::node_element) continue;
      const std::string_view n = localName(c);
      if (n == "CgPoints") cgPoints(c, "", out);
      else if (n == "Surfaces")
        for (pugi::xml_node s : children(c, "Surface")) surface(s, out);
      else if (n == "PlanFeatures") planFeatures(c, out);
      else if (n != "Units" && n != "Project" && n != "Application" && n != "CoordinateSystem")
        ++out.skipped[std::string(n)];
    }
  }

 private:
  void cgPoints(const pugi::xml_node& group, const std::string& outer, ImportedDrawing& out) {
    const std::string layer = group.attribute("name") ? group.attribute("name").value() : outer;
    for (pugi::xml_node c : group.children()) {
      if (c.type() != pugi::node_element) continue;
      if (localName(c) == "CgPoints") {
        cgPoints(c, layer, out);
        continue;
      }
      if (localName(c) != "CgPoint") continue;
      if (c.attribute("pntRef") && splitLoose(c.child_value()).empty()) continue;  // a reference, not a point
      const auto p = point3(c);
      if (!p) {
        ++out.skipped["CgPoint without elevation"];
        continue;
      }
      out.layer(layer).points.push_back(*p);
      if (const auto name = c.attribute("name")) points_[name.value()] = {layer, *p};
    }
  }

  void planFeatures(const pugi::xml_node& features, ImportedDrawing& out) {
    const std::string groupLayer = features.attribute("name").value();
    for (pugi::xml_node f : children(features, "PlanFeature"))
      for (pugi::xml_node geom : children(f, "CoordGeom")) {
        SurveyLine line;
        std::string layer = groupLayer;
        auto flush = [&]() {
          if (line.vertices.size() >= 2) {
            if (line.vertices.size() > 2 && same(line.vertices.front(), line.vertices.back())) {
              line.vertices.pop_back();
              line.closed = true;
            }
            out.layer(layer).lines.push_back(line);
          }
          line = SurveyLine{};
        };
        for (pugi::xml_node g : geom.children()) {
          if (g.type() != pugi::node_element) continue;
          if (localName(g) != "Line") {
            ++out.skipped[std::string(localName(g)) + " of a PlanFeature"];
            flush();
            continue;
          }
          const auto [startLayer, start] = end(g, "Start");
          const auto [endLayer, finish] = end(g, "End");
          if (line.vertices.empty()) {
            line.line = lineOf(g);
            layer = startLayer.value_or(groupLayer);
          }
          if (!line.vertices.empty() && !same(line.vertices.back(), start)) flush();
          if (line.vertices.empty()) line.vertices.push_back(start), line.line = lineOf(g);
          line.vertices.push_back(finish);
        }
        flush();
      }
  }

  // The Start or End of a Line: a reference to a CgPoint (its layer too) or
  // coordinates.
  std::pair<std::optional<std::string>, SurveyPoint> end(const pugi::xml_node& line, const char* which) const {
    const pugi::xml_node n = child(line, which);
    if (!n) fail(line, std::string("has no ") + which);
    if (const auto ref = n.attribute("pntRef")) {
      const auto it = points_.find(ref.value());
      if (it == points_.end()) fail(n, std::string("names point '") + ref.value() + "', which no CgPoint holds");
      return {it->second.first, it->second.second};
    }
    const auto p = point3(n);
    if (!p) fail(n, "has no elevation");
    return {std::nullopt, *p};
  }

  void surface(const pugi::xml_node& s, ImportedDrawing& out) {
    const std::string layer = s.attribute("name") ? s.attribute("name").value() : "";
    ImportedLayer& target = out.layer(layer);
    if (const pugi::xml_node def = child(s, "Definition")) {
      std::unordered_map<std::string, std::size_t> ids;
      for (pugi::xml_node p : children(child(def, "Pnts"), "P")) {
        const auto pt = point3(p);
        if (!pt) fail(p, "has no elevation");
        ids[p.attribute("id").value()] = target.points.size();
        target.points.push_back(*pt);
      }
      std::size_t faces = 0;
      for (pugi::xml_node f : children(child(def, "Faces"), "F")) {
        const std::vector<std::string> corners = splitLoose(f.child_value());
        if (corners.size() != 3 && corners.size() != 4)
          fail(f, "has " + std::to_string(corners.size()) + " corners; a face has 3 (or 4)");
        for (const std::string& c : corners)
          if (!ids.contains(c)) fail(f, "names point " + c + ", which the surface's <Pnts> does not hold");
        ++faces;
      }
      if (faces > 0)
        out.notes.push_back("surface '" + layer + "': its " + std::to_string(faces) +
                            " faces were checked; its points were imported, from which a TIN can be built");
    }
    if (const pugi::xml_node src = child(s, "SourceData")) {
      for (pugi::xml_node b : children(child(src, "Breaklines"), "Breakline")) {
        const pugi::xml_node list = child(b, "PntList3D");
        if (!list) {
          ++out.skipped["Breakline without elevations"];
          continue;
        }
        target.lines.push_back(pointList(list, std::nullopt));
      }
      for (pugi::xml_node c : children(child(src, "Contours"), "Contour")) {
        const pugi::xml_node list = child(c, "PntList2D");
        const auto elev = parseNumber(c.attribute("elev").value());
        if (!elev) fail(c, "has no elevation (elev)");
        if (list) target.lines.push_back(pointList(list, *elev));
      }
      for (pugi::xml_node d : children(child(src, "DataPoints"), "PntList3D")) {
        const SurveyLine pts = pointList(d, std::nullopt, 1);
        target.points.insert(target.points.end(), pts.vertices.begin(), pts.vertices.end());
      }
      if (child(src, "Boundaries")) ++out.skipped["surface Boundaries"];
    }
  }

  // "N E Z N E Z ..." (or "N E N E ..." at a given elevation) as a line; a
  // last point repeating the first closes it.
  SurveyLine pointList(const pugi::xml_node& n, std::optional<double> elevation, std::size_t minPoints = 2) const {
    const std::vector<double> v = numbers(n);
    const std::size_t stride = elevation ? 2 : 3;
    if (v.size() % stride != 0 || v.size() / stride < minPoints)
      fail(n, "holds " + std::to_string(v.size()) + " numbers, not " + (elevation ? "northing-easting pairs" :
              "northing-easting-elevation triples") + " for at least " + std::to_string(minPoints) + " point(s)");
    SurveyLine line;
    line.line = lineOf(n);
    for (std::size_t i = 0; i < v.size(); i += stride)
      line.vertices.push_back({v[i + 1], v[i], elevation ? *elevation : v[i + 2], line.line});
    if (line.vertices.size() > 2 && same(line.vertices.front(), line.vertices.back())) {
      line.vertices.pop_back();
      line.closed = true;
    }
    return line;
  }

  static bool same(const SurveyPoint& a, const SurveyPoint& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

  std::string name_;
  std::vector<std::size_t> newlines_;
  std::unordered_map<std::string, std::pair<std::string, SurveyPoint>> points_;  // CgPoint name -> layer, point
};

}  // namespace

ImportedDrawing readLandXmlFile(const std::filesystem::path& path) {
  const std::string name = path.string();
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(name + ": cannot open it");
  std::ostringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();

  Reader reader(name, text);
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
  if (!parsed)
    throw FileError(name + ":" + std::to_string(reader.lineAt(parsed.offset)) + ": not well-formed XML (" +
                    parsed.description() + "); nothing was added");
  const pugi::xml_node root = doc.document_element();
  if (localName(root) != "LandXML")
    throw FileError(name + ":" + std::to_string(reader.lineOf(root)) + ": not a LandXML file: its root element is <" +
                    root.name() + ">, not <LandXML>; nothing was added");

  ImportedDrawing out;
  out.format = "landxml";
  reader.read(root, out);
  out.layers.erase(std::remove_if(out.layers.begin(), out.layers.end(), [](const ImportedLayer& l) { return l.empty(); }),
                   out.layers.end());

  const pugi::xml_node crs = child(root, "CoordinateSystem");
  if (const std::string epsg = crs.attribute("epsgCode").value(); !epsg.empty()) out.crs = "EPSG:" + epsg;
  else out.crs = crs.attribute("ogcWktCode").value();

  const pugi::xml_node units = child(root, "Units");
  for (pugi::xml_node system : units.children()) {
    const std::string unit = system.attribute("linearUnit").value();
    if (unit.empty()) continue;
    const double metres = linearUnitMetres(unit);
    if (metres == 0.0)
      throw FileError(name + ":" + std::to_string(reader.lineOf(system)) + ": <" + system.name() +
                      ">: unknown linearUnit '" + unit + "'; nothing was added");
    out.metresPerUnit = metres;
    out.unitName = unit;
    break;
  }
  return out;
}

}  // namespace tinhost::io
