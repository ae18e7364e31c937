// Writes the drawing, or chosen layers of it, to a file chosen by extension,
// in real coordinates (through the drawing's origin and unit):
//   .xyz  "x y z" per 3D locus
//   .csv  header x,y,z, one 3D locus per row
//   .dxf  every object: loci as POINT, 3D triangles as 3DFACE, other 3D
//         polygons as 3D POLYLINE, 2D polyshapes as LWPOLYLINE, text as TEXT
//   .xml  LandXML: loci as CgPoints, 3D triangles as a TIN surface, 3D
//         contours and breaklines as the surface's source data
//   .png .svg .pdf  a plan picture of the drawing
//   .tif .asc  an elevation model of one TIN (DemExport.h)
//   .gpkg .shp .geojson  TIN contours, hulls and triangles for GIS (VectorExport.h)
//   .html  an interactive plan and 3D view in one self-contained page (WebView.h)
// Values carry as many decimals as the resolution holds, so an import at
// 1 mm comes back digit for digit.  Every file is written beside the target
// and renamed over it when complete.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tinhost {
class Host;
}

namespace tinhost::io {

struct ExportResult {
  std::string format;  // "xyz", "csv", "dxf", "landxml", "png", ...
  std::size_t points = 0;
  std::size_t faces = 0;       // 3D triangles (3DFACE, LandXML faces)
  std::size_t polygons3D = 0;  // other 3D polygons (polylines, breaklines, contours)
  std::size_t shapes2D = 0;    // 2D polyshapes
  std::size_t texts = 0;
  std::size_t skipped = 0;     // objects the format cannot hold
  std::string skippedWhat;     // what they were, in words
  std::string detail;          // e.g. the picture's size and scale
};

// A TIN's figures as the plug-in reports them (area, cut and fill against
// the TIN's datum), in the drawing's unit; or why they are not known.
struct TinReportedFigures {
  std::string name;
  bool known = false;
  double area = 0, cut = 0, fill = 0;
  std::string why;
};

// What some formats need beyond the layers.
struct ExportOptions {
  std::optional<double> cell;  // elevation models: the cell size in user units
  bool faces = false;          // GIS vectors: the TIN's triangles too
  std::vector<TinReportedFigures> tinFigures;  // the web view's panel
};

// `layers` empty: every layer.  Throws FileError for an unknown extension or
// layer, an option the format does not take, or when the file cannot be written.
ExportResult exportDrawing(const Host& host, const std::filesystem::path& out, const std::vector<std::string>& layers,
                           const ExportOptions& options = {});

// "12 point(s), 3 triangle(s) and 1 text(s)", the non-zero counts.
std::string describeCounts(const ExportResult& r);

}  // namespace tinhost::io
