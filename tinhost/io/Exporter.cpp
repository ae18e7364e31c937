#include "tinhost/io/Exporter.h"

#include <cstdio>
#include <fstream>

#include "tinhost/core/Host.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/DemExport.h"
#include "tinhost/io/DxfWriter.h"
#include "tinhost/io/ExportScope.h"
#include "tinhost/io/LandXmlWriter.h"
#include "tinhost/io/OutputFile.h"
#include "tinhost/io/Picture.h"
#include "tinhost/io/TextRows.h"
#include "tinhost/io/VectorExport.h"
#include "tinhost/io/WebView.h"

namespace tinhost::io {
namespace {

using file::FileError;

ExportResult writePoints(const ExportScope& scope, const std::filesystem::path& out, bool csv) {
  OutputFile file(out);
  ExportResult result;
  result.format = csv ? "csv" : "xyz";
  {
    std::ofstream f(file.temp(), std::ios::binary | std::ios::trunc);
    if (!f) throw FileError(out.string() + ": cannot write it");
    const int decimals = scope.decimals();
    const char sep = csv ? ',' : ' ';
    if (csv) f << "x,y,z\n";
    char line[160];
    for (ObjId id : scope.objects()) {
      const DrawingObject& o = scope.doc().get(id);
      if (o.type != kKVTypeLocus3D || o.vertices.empty()) {
        ++result.skipped;
        continue;
      }
      const RealPoint p = scope.real(o.vertices.front());
      std::snprintf(line, sizeof line, "%.*f%c%.*f%c%.*f\n", decimals, p.x, sep, decimals, p.y, sep, decimals, p.z);
      f << line;
      ++result.points;
    }
    f.close();
    if (!f) throw FileError(out.string() + ": writing failed");
  }
  if (result.skipped > 0) result.skippedWhat = "objects other than points (the format holds points only)";
  file.commit();
  return result;
}

std::string plural(std::size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

ExportResult exportDrawing(const Host& host, const std::filesystem::path& out, const std::vector<std::string>& layers,
                           const ExportOptions& options) {
  const std::string ext = lower(out.extension().string());
  const bool known = ext == ".xyz" || ext == ".csv" || ext == ".dxf" || ext == ".xml" || ext == ".landxml" ||
                     ext == ".png" || ext == ".svg" || ext == ".pdf" || isDemPath(out) || isVectorPath(out) ||
                     isWebViewPath(out);
  if (!known)
    throw FileError(out.string() + ": no exporter for '" + ext +
                    "' files (tinhost writes .xyz, .csv, .dxf, .xml (LandXML), .png, .svg, .pdf, elevation models "
                    "as .tif and .asc, GIS vectors as .gpkg, .shp and .geojson, and an interactive view as .html)");
  if (options.cell && !isDemPath(out))
    throw FileError(out.string() + ": --cell is for elevation models (.tif, .asc) only");
  if (options.faces && !isVectorPath(out))
    throw FileError(out.string() + ": --faces is for GIS vectors (.gpkg, .shp, .geojson) only");
  if (isDemPath(out)) {
    if (!options.cell) throw FileError(out.string() + ": an elevation model needs a cell size: --cell SIZE in drawing units");
    return writeDem(host, out, layers, *options.cell);
  }
  if (isVectorPath(out)) return writeVectors(host, out, layers, options.faces);
  if (isWebViewPath(out)) return writeWebView(host, out, layers, options.tinFigures);
  const ExportScope scope(host, out, layers);
  if (ext == ".xyz" || ext == ".csv") return writePoints(scope, out, ext == ".csv");
  if (ext == ".dxf") return writeDxf(scope, out);
  if (ext == ".xml" || ext == ".landxml") return writeLandXml(scope, out);
  return writePicture(scope, out, ext == ".png" ? PictureFormat::Png : ext == ".svg" ? PictureFormat::Svg : PictureFormat::Pdf);
}

std::string describeCounts(const ExportResult& r) {
  std::vector<std::string> parts;
  if (r.points) parts.push_back(plural(r.points, "point"));
  if (r.faces) parts.push_back(plural(r.faces, "triangle"));
  if (r.polygons3D) parts.push_back(plural(r.polygons3D, "3D polygon"));
  if (r.shapes2D) parts.push_back(plural(r.shapes2D, "2D polyshape"));
  if (r.texts) parts.push_back(plural(r.texts, "text"));
  if (parts.empty()) return "nothing";
  std::string s;
  for (std::size_t i = 0; i < parts.size(); ++i)
    s += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
  return s;
}

}  // namespace tinhost::io
