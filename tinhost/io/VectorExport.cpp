#include "tinhost/io/VectorExport.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "tinhost/core/Host.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/CoordinateSystem.h"
#include "tinhost/io/GdalSupport.h"
#include "tinhost/io/OutputFile.h"
#include "tinhost/io/TextRows.h"
#include "tinhost/io/TinGraphics.h"

namespace tinhost::io {
namespace {

using file::FileError;
namespace fs = std::filesystem;

enum class VectorFormat { GeoPackage, Shapefile, GeoJson };
enum class Kind { Contours, Hull, Triangles };

const char* kindName(Kind k) {
  return k == Kind::Contours ? "contours" : k == Kind::Hull ? "hull" : "triangles";
}
const char* kindValue(Kind k) {
  return k == Kind::Contours ? "contour" : k == Kind::Hull ? "hull" : "triangle";
}

struct DatasetCloser {
  void operator()(GDALDataset* ds) const { GDALClose(ds); }
};

// Where the features of each kind of each TIN go, made on first use.
class Sink {
 public:
  Sink(VectorFormat format, GDALDataset& ds, const OGRSpatialReference& srs, std::string stem,
       std::string what)
      : format_(format), ds_(ds), srs_(srs), stem_(std::move(stem)), what_(std::move(what)) {}

  OGRLayer& layer(const std::string& tin, Kind kind, bool threeD) {
    const std::string name = layerName(tin, kind);
    if (auto it = layers_.find(name); it != layers_.end()) return *it->second;
    const OGRwkbGeometryType type = format_ == VectorFormat::GeoJson ? wkbUnknown
                                    : kind == Kind::Contours         ? wkbLineString25D
                                    : kind == Kind::Hull
                                        ? (threeD ? wkbMultiPolygon25D : wkbMultiPolygon)
                                        : wkbPolygon25D;
    OGRLayer* l = ds_.CreateLayer(name.c_str(), &srs_, type, nullptr);
    if (l == nullptr) throw FileError(what_ + ": cannot make the layer " + name + gdalReason());
    field(*l, "tin", OFTString);
    if (format_ == VectorFormat::GeoJson) field(*l, "kind", OFTString);
    if (format_ == VectorFormat::GeoJson || kind == Kind::Contours) {
      field(*l, "elevation", OFTReal);
      field(*l, "index", OFTInteger, format_ != VectorFormat::Shapefile);
    }
    if (format_ != VectorFormat::GeoJson && kind == Kind::Hull) field(*l, "area", OFTReal);
    layers_.emplace(name, l);
    return *l;
  }

  void write(OGRLayer& l, OGRFeature& f) {
    if (l.CreateFeature(&f) != OGRERR_NONE)
      throw FileError(what_ + ": writing a feature failed" + gdalReason());
  }
  bool geoJson() const { return format_ == VectorFormat::GeoJson; }

 private:
  std::string layerName(const std::string& tin, Kind kind) const {
    switch (format_) {
      case VectorFormat::GeoPackage:
        return tin + "_" + kindName(kind);
      case VectorFormat::Shapefile:
        return kind == Kind::Contours ? stem_ : stem_ + "_" + kindName(kind);
      case VectorFormat::GeoJson:
        return stem_;
    }
    return stem_;
  }
  void field(OGRLayer& l, const char* name, OGRFieldType type, bool boolean = false) {
    OGRFieldDefn def(name, type);
    if (boolean) def.SetSubType(OFSTBoolean);
    if (l.CreateField(&def) != OGRERR_NONE)
      throw FileError(what_ + ": cannot add the field " + name + gdalReason());
  }
  VectorFormat format_;
  GDALDataset& ds_;
  OGRSpatialReference srs_;  // a copy: layers are made with a modifiable one
  std::string stem_, what_;
  std::map<std::string, OGRLayer*> layers_;
};

bool inside(const Ring& ring, double x, double y) {
  bool in = false;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const double xi = ring[i].x, yi = ring[i].y, xj = ring[j].x, yj = ring[j].y;
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
  }
  return in;
}

OGRLinearRing linearRing(const ExportScope& scope, const Ring& ring, bool threeD) {
  OGRLinearRing r;
  for (const Vertex& v : ring) {
    const RealPoint p = scope.real(v);
    if (threeD)
      r.addPoint(p.x, p.y, p.z);
    else
      r.addPoint(p.x, p.y);
  }
  r.closeRings();
  return r;
}

// The outer rings (counter-clockwise) with the holes that lie in them.
OGRMultiPolygon hullGeometry(const ExportScope& scope, const std::vector<Ring>& rings,
                             bool threeD) {
  OGRMultiPolygon multi;
  std::vector<const Ring*> outers, holes;
  for (const Ring& r : rings) (signedArea2(r) > 0 ? outers : holes).push_back(&r);
  for (const Ring* outer : outers) {
    OGRPolygon poly;
    poly.addRingDirectly(new OGRLinearRing(linearRing(scope, *outer, threeD)));
    for (const Ring* hole : holes)
      if (inside(*outer, hole->front().x, hole->front().y))
        poly.addRingDirectly(new OGRLinearRing(linearRing(scope, *hole, threeD)));
    multi.addGeometry(&poly);
  }
  return multi;
}

struct Counts {
  std::size_t contours = 0, hulls = 0, triangles = 0;
};

void writeTin(const ExportScope& scope, const TinGraphics& tin, bool faces, Sink& sink,
              Counts& counts) {
  const double unitsPerWorld = scope.length(1.0);
  auto feature = [&](OGRLayer& l, Kind kind) {
    auto f = std::make_unique<OGRFeature>(l.GetLayerDefn());
    f->SetField("tin", tin.name.c_str());
    if (sink.geoJson()) f->SetField("kind", kindValue(kind));
    return f;
  };
  for (std::size_t i = 0; i < tin.contours.size(); ++i) {
    const DrawingObject& c = *tin.contours[i];
    OGRLayer& l = sink.layer(tin.name, Kind::Contours, true);
    auto f = feature(l, Kind::Contours);
    OGRLineString line;
    for (const Vertex& v : c.vertices) {
      const RealPoint p = scope.real(v);
      line.addPoint(p.x, p.y, p.z);
    }
    if (c.closed)
      line.addPoint(scope.real(c.vertices[0]).x, scope.real(c.vertices[0]).y,
                    scope.real(c.vertices[0]).z);
    f->SetField("elevation", scope.real(c.vertices[0]).z);
    f->SetField("index", tin.indexContour[i] ? 1 : 0);
    f->SetGeometry(&line);
    sink.write(l, *f);
    ++counts.contours;
  }

  std::vector<Ring> rings;
  const bool fromTriangles = !tin.triangles.empty();
  if (fromTriangles)
    rings = boundaryRings(tin.triangles);
  else
    for (const DrawingObject* h : tin.hulls) {
      Ring r;
      for (const CurvePoint& p : ExportScope::outline(*h))
        r.push_back(Vertex{static_cast<std::int32_t>(p.x), static_cast<std::int32_t>(p.y), 0,
                           kKVVertexCorner});
      if (signedArea2(r) < 0) std::reverse(r.begin(), r.end());
      rings.push_back(std::move(r));
    }
  if (!rings.empty()) {
    OGRLayer& l = sink.layer(tin.name, Kind::Hull, fromTriangles);
    auto f = feature(l, Kind::Hull);
    double area2 = 0;
    for (const Ring& r : rings) area2 += signedArea2(r);
    if (!sink.geoJson()) f->SetField("area", area2 / 2 * unitsPerWorld * unitsPerWorld);
    OGRMultiPolygon hull = hullGeometry(scope, rings, fromTriangles);
    f->SetGeometry(&hull);
    sink.write(l, *f);
    ++counts.hulls;
  }

  if (faces)
    for (const DrawingObject* t : tin.triangles) {
      OGRLayer& l = sink.layer(tin.name, Kind::Triangles, true);
      auto f = feature(l, Kind::Triangles);
      OGRPolygon poly;
      poly.addRingDirectly(
          new OGRLinearRing(linearRing(scope, Ring(t->vertices.begin(), t->vertices.end()), true)));
      f->SetGeometry(&poly);
      sink.write(l, *f);
      ++counts.triangles;
    }
}

VectorFormat formatOf(const fs::path& out) {
  const std::string ext = lower(out.extension().string());
  return ext == ".gpkg"  ? VectorFormat::GeoPackage
         : ext == ".shp" ? VectorFormat::Shapefile
                         : VectorFormat::GeoJson;
}

// A folder beside the target that the shapefiles are written into, and
// moved out of when complete.
class TempFolder {
 public:
  explicit TempFolder(const fs::path& target)
      : path_(target.parent_path() / ("." + target.filename().string() + ".writing")) {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return path_; }
  void moveContentsTo(const fs::path& dir, const std::string& what) {
    for (const auto& entry : fs::directory_iterator(path_)) {
      std::error_code ec;
      fs::rename(entry.path(), dir / entry.path().filename(), ec);
      if (ec)
        throw FileError(what + ": cannot move " + entry.path().filename().string() +
                        " into place (" + ec.message() + ")");
    }
  }

 private:
  fs::path path_;
};

}  // namespace

bool isVectorPath(const fs::path& path) {
  const std::string ext = lower(path.extension().string());
  return ext == ".gpkg" || ext == ".shp" || ext == ".geojson";
}

ExportResult writeVectors(const Host& host, const fs::path& out,
                          const std::vector<std::string>& layers, bool faces) {
  const std::string what = out.string();
  const VectorFormat format = formatOf(out);
  const TinNames names(host);
  const ExportScope scope(host, out, names.layersFor(layers));
  const std::vector<TinGraphics> tins = collectTins(scope, names);
  if (tins.empty())
    throw FileError(
        what +
        ": the chosen layers hold no TIN graphics (3D contours, 3D triangles or a hull); "
        "make them with run create (want3DCntr, want3DTris, wantHull)");

  registerGdalDrivers();
  QuietGdal quiet;
  const char* driverName = format == VectorFormat::GeoPackage  ? "GPKG"
                           : format == VectorFormat::Shapefile ? "ESRI Shapefile"
                                                               : "GeoJSON";
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
  if (driver == nullptr) throw FileError(what + ": GDAL has no " + driverName + " driver");
  const CoordinateSystem crs = drawingCrsOrLocal(host.document());

  std::optional<OutputFile> file;
  std::optional<TempFolder> folder;
  fs::path target;
  if (format == VectorFormat::Shapefile) {
    folder.emplace(out);
    target = folder->path();
  } else {
    file.emplace(out);
    target = file->temp();
  }
  Counts counts;
  {
    std::unique_ptr<GDALDataset, DatasetCloser> ds(
        driver->Create(target.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds) throw FileError(what + ": cannot write it" + gdalReason());
    Sink sink(format, *ds, crs.srs(), out.stem().string(), what);
    for (const TinGraphics& tin : tins) writeTin(scope, tin, faces, sink, counts);
    ds->FlushCache();
    if (CPLGetLastErrorType() == CE_Failure)
      throw FileError(what + ": writing failed" + gdalReason());
  }
  if (folder)
    folder->moveContentsTo(out.parent_path().empty() ? fs::path(".") : out.parent_path(), what);
  else
    file->commit();

  ExportResult result;
  result.format = format == VectorFormat::GeoPackage  ? "geopackage"
                  : format == VectorFormat::Shapefile ? "shapefile"
                                                      : "geojson";
  result.polygons3D = counts.contours;
  result.faces = counts.triangles;
  std::string written;
  for (const TinGraphics& t : tins)
    written += (written.empty() ? "TIN \"" : ", \"") + t.name + "\"";
  result.detail = written + ", " + std::to_string(counts.hulls) + " hull(s), " + crs.describe();
  return result;
}

}  // namespace tinhost::io
