#include "tinhost/io/LandXmlWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <limits>
#include <unordered_map>

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

struct LayerObjects {
  std::vector<const DrawingObject*> points, triangles, contours, breaklines;
};

}  // namespace

ExportResult writeLandXml(const ExportScope& scope, const std::filesystem::path& out) {
  const Document& doc = scope.doc();
  ExportResult result;
  result.format = "landxml";
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

  OutputFile file(out);
  {
    std::ofstream f(file.temp(), std::ios::binary | std::ios::trunc);
    if (!f) throw FileError(out.string() + ": cannot write it");
    XmlOut x(f, scope.decimals());
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
    if (const auto crs = drawingCrs(doc)) {
      const std::string code = crs->authorityCode();
      f << "  <CoordinateSystem name=\"" << xmlEscape(crs->name()) << "\"";
      if (code.rfind("EPSG:", 0) == 0) f << " epsgCode=\"" << code.substr(5) << "\"";
      f << " ogcWktCode=\"" << xmlEscape(crs->wkt1()) << "\"/>\n";
    }
    f << "  <Application name=\"tinhost\" desc=\"terrain drawing\"/>\n";

    Progress progress("writing " + out.filename().string(), scope.objects().size());
    std::size_t done = 0, pointName = 0;
    for (std::size_t i = 0; i < byLayer.size(); ++i) {
      if (byLayer[i].points.empty()) continue;
      f << "  <CgPoints name=\"" << xmlEscape(doc.get(scope.layers()[i]).name.str()) << "\">\n";
      for (const DrawingObject* p : byLayer[i].points) {
        f << "    <CgPoint name=\"" << ++pointName << "\">";
        x.nez(scope.real(p->vertices.front()));
        f << "</CgPoint>\n";
        if ((++done & 0xFFF) == 0) progress.update(done);
      }
      f << "  </CgPoints>\n";
      result.points += byLayer[i].points.size();
    }

    bool surfaces = false;
    for (std::size_t i = 0; i < byLayer.size(); ++i) {
      const LayerObjects& l = byLayer[i];
      if (l.triangles.empty() && l.contours.empty() && l.breaklines.empty()) continue;
      if (!surfaces) f << "  <Surfaces>\n", surfaces = true;
      f << "    <Surface name=\"" << xmlEscape(doc.get(scope.layers()[i]).name.str()) << "\">\n";
      if (!l.contours.empty() || !l.breaklines.empty()) {
        f << "      <SourceData>\n";
        if (!l.breaklines.empty()) {
          f << "        <Breaklines>\n";
          for (const DrawingObject* b : l.breaklines) {
            f << "          <Breakline brkType=\"standard\"><PntList3D>";
            VertexList vs = b->vertices;
            if (b->closed) vs.push_back(vs.front());  // a closed line repeats its first point
            for (std::size_t k = 0; k < vs.size(); ++k) {
              if (k > 0) f << ' ';
              x.nez(scope.real(vs[k]));
            }
            f << "</PntList3D></Breakline>\n";
            if ((++done & 0xFFF) == 0) progress.update(done);
          }
          f << "        </Breaklines>\n";
        }
        if (!l.contours.empty()) {
          f << "        <Contours>\n";
          for (const DrawingObject* c : l.contours) {
            VertexList vs = c->vertices;
            if (c->closed) vs.push_back(vs.front());
            f << "          <Contour elev=\"";
            x.n(scope.real(vs.front()).z);
            f << "\"><PntList2D>";
            for (std::size_t k = 0; k < vs.size(); ++k) {
              if (k > 0) f << ' ';
              x.ne(scope.real(vs[k]));
            }
            f << "</PntList2D></Contour>\n";
            if ((++done & 0xFFF) == 0) progress.update(done);
          }
          f << "        </Contours>\n";
        }
        f << "      </SourceData>\n";
        result.polygons3D += l.breaklines.size() + l.contours.size();
      }
      if (!l.triangles.empty()) {
        // Corners shared by several triangles are one point of the surface.
        std::unordered_map<VertexKey, std::size_t, VertexKeyHash> ids;
        std::vector<const Vertex*> pnts;
        std::vector<std::array<std::size_t, 3>> faces;
        faces.reserve(l.triangles.size());
        double zMin = std::numeric_limits<double>::infinity(), zMax = -zMin;
        for (const DrawingObject* t : l.triangles) {
          std::array<std::size_t, 3> face{};
          for (int k = 0; k < 3; ++k) {
            const Vertex& v = t->vertices[static_cast<std::size_t>(k)];
            const auto [it, added] = ids.try_emplace(VertexKey{v.x, v.y, v.z}, pnts.size() + 1);
            if (added) pnts.push_back(&v);
            face[static_cast<std::size_t>(k)] = it->second;
          }
          faces.push_back(face);
        }
        for (const Vertex* v : pnts) {
          const double z = scope.real(*v).z;
          zMin = std::min(zMin, z), zMax = std::max(zMax, z);
        }
        f << "      <Definition surfType=\"TIN\" elevMin=\"";
        x.n(zMin);
        f << "\" elevMax=\"";
        x.n(zMax);
        f << "\">\n        <Pnts>\n";
        for (std::size_t k = 0; k < pnts.size(); ++k) {
          f << "          <P id=\"" << k + 1 << "\">";
          x.nez(scope.real(*pnts[k]));
          f << "</P>\n";
        }
        f << "        </Pnts>\n        <Faces>\n";
        for (const auto& face : faces) {
          f << "          <F>" << face[0] << ' ' << face[1] << ' ' << face[2] << "</F>\n";
          if ((++done & 0xFFF) == 0) progress.update(done);
        }
        f << "        </Faces>\n      </Definition>\n";
        result.faces += faces.size();
      }
      f << "    </Surface>\n";
    }
    if (surfaces) f << "  </Surfaces>\n";
    f << "</LandXML>\n";
    f.close();
    if (!f) throw FileError(out.string() + ": writing failed (disk full?)");
  }
  file.commit();
  return result;
}

}  // namespace tinhost::io
