#include "tinhost/io/GeoPackageReader.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <memory>

#include "tinhost/file/FileError.h"
#include "tinhost/io/CoordinateSystem.h"
#include "tinhost/io/GdalSupport.h"

namespace tinhost::io {
namespace {

using file::FileError;

struct DatasetCloser {
  void operator()(GDALDataset* ds) const { GDALClose(ds); }
};

SurveyPoint pointOf(const OGRPoint& p, std::size_t feature) { return {p.getX(), p.getY(), p.getZ(), feature}; }

void addLine(const OGRSimpleCurve& curve, std::size_t feature, ImportedLayer& layer, bool ring) {
  SurveyLine line;
  line.line = feature;
  line.id = std::to_string(feature);
  OGRPoint p;
  for (int i = 0; i < curve.getNumPoints(); ++i) {
    curve.getPoint(i, &p);
    line.vertices.push_back(pointOf(p, feature));
  }
  const auto& v = line.vertices;
  line.closed = ring || (v.size() >= 4 && v.front().x == v.back().x && v.front().y == v.back().y &&
                         v.front().z == v.back().z);
  if (line.closed && v.size() >= 2 && v.front().x == v.back().x && v.front().y == v.back().y)
    line.vertices.pop_back();
  if (line.vertices.size() >= 2) layer.lines.push_back(std::move(line));
}

// Adds one geometry; false for a kind a drawing does not take.
bool addGeometry(const OGRGeometry& g, std::size_t feature, ImportedLayer& layer) {
  switch (wkbFlatten(g.getGeometryType())) {
    case wkbPoint: layer.points.push_back(pointOf(*g.toPoint(), feature)); return true;
    case wkbLineString: addLine(*g.toLineString(), feature, layer, false); return true;
    case wkbPolygon:
      for (const OGRLinearRing* ring : *g.toPolygon()) addLine(*ring, feature, layer, true);
      return true;
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection: {
      bool all = true;
      for (const OGRGeometry* part : *g.toGeometryCollection()) all = addGeometry(*part, feature, layer) && all;
      return all;
    }
    default: return false;
  }
}

}  // namespace

ImportedDrawing readGeoPackageFile(const std::filesystem::path& path) {
  const std::string name = path.string();
  registerGdalDrivers();
  QuietGdal quiet;
  const char* const drivers[] = {"GPKG", nullptr};
  std::unique_ptr<GDALDataset, DatasetCloser> ds(
      GDALDataset::Open(name.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, nullptr, nullptr));
  if (!ds) throw FileError(name + ": cannot read it as a GeoPackage" + gdalReason());
  ImportedDrawing out;
  out.format = "geopackage";
  std::optional<CoordinateSystem> crs;
  for (OGRLayer* layer : ds->GetLayers()) {
    ImportedLayer& target = out.layer(layer->GetName());
    if (const OGRSpatialReference* srs = layer->GetSpatialRef()) {
      const CoordinateSystem here = CoordinateSystem::adopt(*srs);
      if (crs && !crs->same(here))
        throw FileError(name + ": its layers are in different coordinate systems (" + crs->describe() + ", " +
                        here.describe() + "); nothing was added");
      crs = here;
    }
    for (const auto& feature : *layer) {
      const OGRGeometry* g = feature->GetGeometryRef();
      if (g == nullptr || g->IsEmpty()) continue;
      if (!addGeometry(*g, static_cast<std::size_t>(feature->GetFID()), target))
        ++out.skipped[OGRGeometryTypeToName(g->getGeometryType())];
    }
  }
  std::erase_if(out.layers, [](const ImportedLayer& l) { return l.empty(); });
  if (crs) {
    out.crs = crs->wkt();
    out.metresPerUnit = crs->horizontalUnit().metres;
    out.unitName = unitPlural(out.metresPerUnit);
  }
  return out;
}

}  // namespace tinhost::io
