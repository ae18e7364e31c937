#include "tinhost/io/LandXmlWriter.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tinhost/file/FileError.h"
#include "tinhost/io/CoordinateSystem.h"
#include "tinhost/io/OutputFile.h"
#include "tinhost/io/Progress.h"

namespace tinhost::io {
namespace {

using file::FileError;

std::string xmlEscape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

struct VertexKey {
  std::int32_t x, y, z;
  friend bool operator==(const VertexKey&, const VertexKey&) = default;
};
struct VertexKeyHash {
  std::size_t operator()(const VertexKey& k) const {
    return (static_cast<std::size_t>(static_cast<std::uint32_t>(k.x)) * 0x9E3779B97F4A7C15ULL) ^
           (static_cast<std::size_t>(static_cast<std::uint32_t>(k.y)) * 0xC2B2AE3D27D4EB4FULL) ^
           static_cast<std::uint32_t>(k.z);
  }
};

class XmlOut {
 public:
  XmlOut(std::ofstream& out, int decimals) : out_(out), decimals_(decimals) {}
  // "northing easting elevation"
  void nez(const RealPoint& p) {
    n(p.y), out_ << ' ', n(p.x), out_ << ' ', n(p.z);
  }
  void ne(const RealPoint& p) { n(p.y), out_ << ' ', n(p.x); }
  void n(double v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals_, v == 0.0 ? 0.0 : v);
    out_ << buf;
  }
  std::ofstream& out_;

 private:
  int decimals_;
};

void writeUnits(std::ofstream& out, UnitKind unit) {
  if (unit == UnitKind::Foot)
    out << "  <Units>\n    <Imperial linearUnit=\"foot\" areaUnit=\"squareFoot\" volumeUnit=\"cubicYard\" "
           "temperatureUnit=\"fahrenheit\" pressureUnit=\"inchHG\" angularUnit=\"decimal degrees\" "
           "directionUnit=\"decimal degrees\"/>\n  </Units>\n";
  else
    out << "  <Units>\n    <Metric linearUnit=\"meter\" areaUnit=\"squareMeter\" volumeUnit=\"cubicMeter\" "
           "temperatureUnit=\"celsius\" pressureUnit=\"milliBars\" angularUnit=\"decimal degrees\" "
           "directionUnit=\"decimal degrees\"/>\n  </Units>\n";
}

// The chosen objects of one layer, by what they become in the file.
struct LayerObjects {
  std::vector<const DrawingObject*> points, triangles, contours, breaklines;
};

std::vector<LayerObjects> sortByLayer(const ExportScope& scope, ExportResult& result) {
  const Document& doc = scope.doc();
  std::vector<LayerObjects> byLayer(scope.layers().size());
  for (ObjId id : scope.objects()) {
    const DrawingObject& o = doc.get(id);
    const auto at = std::find(scope.layers().begin(), scope.layers().end(), doc.layerOf(id)) - scope.layers().begin();
    LayerObjects& l = byLayer[static_cast<std::size_t>(at)];
    if (o.type == kKVTypeLocus3D && !o.vertices.empty()) l.points.push_back(&o);
    else if (scope.isTriangle3D(o)) l.triangles.push_back(&o);
    else if (o.type == kKVTypePoly3D && o.vertices.size() >= 2) (scope.isContour3D(o) ? l.contours : l.breaklines).push_back(&o);
    else {
      ++result.skipped;
      result.skippedWhat = "2D polyshapes, text and empty objects";
    }
  }
  return byLayer;
}

// A line's points as written: a closed line repeats its first point.
VertexList pointsAlong(const DrawingObject& line) {
  VertexList vs = line.vertices;
  if (line.closed) vs.push_back(vs.front());
  return vs;
}

// The triangles as one table of points and faces that number them from 1:
// corners shared by several triangles are one point of the surface.
struct SharedCorners {
  std::vector<const Vertex*> pnts;
  std::vector<std::array<std::size_t, 3>> faces;
};

SharedCorners shareCorners(const std::vector<const DrawingObject*>& triangles) {
  std::unordered_map<VertexKey, std::size_t, VertexKeyHash> ids;
  SharedCorners out;
  out.faces.reserve(triangles.size());
  for (const DrawingObject* t : triangles) {
    std::array<std::size_t, 3> face{};
    for (int k = 0; k < 3; ++k) {
      const Vertex& v = t->vertices[static_cast<std::size_t>(k)];
      const auto [it, added] = ids.try_emplace(VertexKey{v.x, v.y, v.z}, out.pnts.size() + 1);
      if (added) out.pnts.push_back(&v);
      face[static_cast<std::size_t>(k)] = it->second;
    }
    out.faces.push_back(face);
  }
  return out;
}

// The XML declaration, the opening LandXML element stamped with the local
// date and time, the units and the application.
// The drawing's coordinate system, when it has one, by EPSG code and WKT.
void writeCoordinateSystem(std::ofstream& f, const Document& doc) {
  const auto crs = drawingCrs(doc);
  if (!crs) return;
  const std::string code = crs->authorityCode();
  f << "  <CoordinateSystem name=\"" << xmlEscape(crs->name()) << "\"";
  if (code.rfind("EPSG:", 0) == 0) f << " epsgCode=\"" << code.substr(5) << "\"";
  f << " ogcWktCode=\"" << xmlEscape(crs->wkt1()) << "\"/>\n";
}

void writeOpening(std::ofstream& f, const Document& doc) {
  const std::time_t now = std::time(nullptr);
  char date[16], time[16];
  std::strftime(date, sizeof date, "%Y-%m-%d", std::localtime(&now));
  std::strftime(time, sizeof time, "%H:%M:%S", std::localtime(&now));
  f << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    << "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" "
       "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
       "xsi:schemaLocation=\"http://www.landxml.org/schema/LandXML-1.2 "
       "http://www.landxml.org/schema/LandXML-1.2/LandXML-1.2.xsd\" "
    << "version=\"1.2\" date=\"" << date << "\" time=\"" << time << "\">\n";
  writeUnits(f, doc.units().kind);
  writeCoordinateSystem(f, doc);
  f << "  <Application name=\"tinhost\" desc=\"terrain drawing\"/>\n";
}

// Writes the point groups and the surfaces, layer by layer, counting what it
// writes and reporting progress per object.
class LandXmlBody {
 public:
  LandXmlBody(std::ofstream& f, const ExportScope& scope, std::string label, ExportResult& result)
      : f_(f), x_(f, scope.decimals()), scope_(scope), progress_(std::move(label), scope.objects().size()),
        result_(result) {}

  void cgPoints(const std::vector<LayerObjects>& byLayer) {
    std::size_t pointName = 0;
    for (std::size_t i = 0; i < byLayer.size(); ++i) {
      if (byLayer[i].points.empty()) continue;
      f_ << "  <CgPoints name=\"" << layerName(i) << "\">\n";
      for (const DrawingObject* p : byLayer[i].points) {
        f_ << "    <CgPoint name=\"" << ++pointName << "\">";
        x_.nez(scope_.real(p->vertices.front()));
        f_ << "</CgPoint>\n";
        step();
      }
      f_ << "  </CgPoints>\n";
      result_.points += byLayer[i].points.size();
    }
  }

  void surfaces(const std::vector<LayerObjects>& byLayer) {
    bool open = false;
    for (std::size_t i = 0; i < byLayer.size(); ++i) {
      const LayerObjects& l = byLayer[i];
      if (l.triangles.empty() && l.contours.empty() && l.breaklines.empty()) continue;
      if (!open) f_ << "  <Surfaces>\n", open = true;
      f_ << "    <Surface name=\"" << layerName(i) << "\">\n";
      if (!l.contours.empty() || !l.breaklines.empty()) sourceData(l);
      if (!l.triangles.empty()) tinDefinition(l.triangles);
      f_ << "    </Surface>\n";
    }
    if (open) f_ << "  </Surfaces>\n";
  }

 private:
  std::string layerName(std::size_t i) const { return xmlEscape(scope_.doc().get(scope_.layers()[i]).name.str()); }

  void step() {
    if ((++done_ & 0xFFF) == 0) progress_.update(done_);
  }

  // Points separated by blanks: northing easting, and the elevation when asked.
  void pointList(const VertexList& vs, bool elevations) {
    for (std::size_t k = 0; k < vs.size(); ++k) {
      if (k > 0) f_ << ' ';
      if (elevations) x_.nez(scope_.real(vs[k]));
      else x_.ne(scope_.real(vs[k]));
    }
  }

  void sourceData(const LayerObjects& l) {
    f_ << "      <SourceData>\n";
    if (!l.breaklines.empty()) breaklines(l.breaklines);
    if (!l.contours.empty()) contours(l.contours);
    f_ << "      </SourceData>\n";
    result_.polygons3D += l.breaklines.size() + l.contours.size();
  }

  void breaklines(const std::vector<const DrawingObject*>& lines) {
    f_ << "        <Breaklines>\n";
    for (const DrawingObject* b : lines) {
      f_ << "          <Breakline brkType=\"standard\"><PntList3D>";
      pointList(pointsAlong(*b), true);
      f_ << "</PntList3D></Breakline>\n";
      step();
    }
    f_ << "        </Breaklines>\n";
  }

  // Each contour carries its elevation once, its points only in plan.
  void contours(const std::vector<const DrawingObject*>& lines) {
    f_ << "        <Contours>\n";
    for (const DrawingObject* c : lines) {
      const VertexList vs = pointsAlong(*c);
      f_ << "          <Contour elev=\"";
      x_.n(scope_.real(vs.front()).z);
      f_ << "\"><PntList2D>";
      pointList(vs, false);
      f_ << "</PntList2D></Contour>\n";
      step();
    }
    f_ << "        </Contours>\n";
  }

  void tinDefinition(const std::vector<const DrawingObject*>& triangles) {
    const SharedCorners tin = shareCorners(triangles);
    double zMin = std::numeric_limits<double>::infinity(), zMax = -zMin;
    for (const Vertex* v : tin.pnts) {
      const double z = scope_.real(*v).z;
      zMin = std::min(zMin, z), zMax = std::max(zMax, z);
    }
    f_ << "      <Definition surfType=\"TIN\" elevMin=\"";
    x_.n(zMin);
    f_ << "\" elevMax=\"";
    x_.n(zMax);
    f_ << "\">\n        <Pnts>\n";
    for (std::size_t k = 0; k < tin.pnts.size(); ++k) {
      f_ << "          <P id=\"" << k + 1 << "\">";
      x_.nez(scope_.real(*tin.pnts[k]));
      f_ << "</P>\n";
    }
    f_ << "        </Pnts>\n        <Faces>\n";
    for (const auto& face : tin.faces) {
      f_ << "          <F>" << face[0] << ' ' << face[1] << ' ' << face[2] << "</F>\n";
      step();
    }
    f_ << "        </Faces>\n      </Definition>\n";
    result_.faces += tin.faces.size();
  }

  std::ofstream& f_;
  XmlOut x_;
  const ExportScope& scope_;
  Progress progress_;
  ExportResult& result_;
  std::size_t done_ = 0;
};

}  // namespace

ExportResult writeLandXml(const ExportScope& scope, const std::filesystem::path& out) {
  ExportResult result;
  result.format = "landxml";
  const std::vector<LayerObjects> byLayer = sortByLayer(scope, result);
  OutputFile file(out);
  {
    std::ofstream f(file.temp(), std::ios::binary | std::ios::trunc);
    if (!f) throw FileError(out.string() + ": cannot write it");
    writeOpening(f, scope.doc());
    LandXmlBody body(f, scope, "writing " + out.filename().string(), result);
    body.cgPoints(byLayer);
    body.surfaces(byLayer);
    f << "</LandXML>\n";
    f.close();
    if (!f) throw FileError(out.string() + ": writing failed (disk full?)");
  }
  file.commit();
  return result;
}

}  // namespace tinhost::io
