#include "tinhost/io/DemExport.h"

#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <stdexcept>

#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/StoredTINs.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/CoordinateSystem.h"
#include "tinhost/io/DemGrid.h"
#include "tinhost/io/GdalSupport.h"
#include "tinhost/io/OutputFile.h"
#include "tinhost/io/Progress.h"
#include "tinhost/io/TextRows.h"
#include "tinhost/io/TinGraphics.h"

namespace tinhost::io {
namespace {

using file::FileError;

// Rows filled and written at a time: one tile high, or fewer for very wide grids.
constexpr std::int64_t kBandRows = 256;
constexpr std::size_t kBandBytes = std::size_t{256} << 20;

struct DatasetCloser {
  void operator()(GDALDataset* ds) const { GDALClose(ds); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

// The surface an elevation model samples: the drawn 3D triangles of one TIN,
// or the triangles of a stored TIN whose 3D triangles are not drawn.
struct Surface {
  std::string name;
  std::vector<const DrawingObject*> triangles;
  std::vector<DrawingObject> fromStore;  // what `triangles` points at when read from the stored TIN
};

// The one TIN of drawn 3D triangles among the chosen layers; none when no
// layer holds any.
std::optional<Surface> drawnSurface(const std::vector<TinGraphics>& tins, const std::string& what) {
  const TinGraphics* found = nullptr;
  std::string names;
  for (const TinGraphics& t : tins) {
    if (t.triangles.empty()) continue;
    names += (names.empty() ? "" : ", ") + t.name;
    if (found != nullptr)
      throw FileError(what + ": the chosen layers hold the 3D triangles of several TINs (" + names +
                      "); name one with --layer");
    found = &t;
  }
  if (found == nullptr) return std::nullopt;
  return Surface{found->name, found->triangles, {}};
}

// The stored TIN that `layers` name (by its name or one of its layers; every
// stored TIN when none is named), read into 3D triangles in the order the
// plug-in draws them.
Surface storedSurface(const Host& host, const std::vector<std::string>& layers, const std::string& what) {
  std::vector<StoredTIN> stored;
  try {
    stored = readStoredTINs(host.dataObjects());
  } catch (const HostError& e) {
    throw FileError(what + ": " + e.what());
  }
  std::vector<std::size_t> named, kept;  // positions in the stored order
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const StoredTIN& t = stored[i];
    if (!layers.empty() &&
        std::none_of(layers.begin(), layers.end(), [&t](const std::string& l) { return t.answersToLayer(l); }))
      continue;
    named.push_back(i);
    if (!t.notResident && t.triangleCount > 0) kept.push_back(i);
  }
  if (kept.empty()) {
    std::string why = what + ": the chosen layers hold no 3D triangles";
    if (!named.empty()) why += " and the TIN \"" + stored[named.front()].name + "\" is stored without its triangles";
    throw FileError(why + "; make the TIN with 3D triangles (run create --set want3DTris=1) or kept "
                          "in the drawing (--set notResident=0), and name it with --layer");
  }
  if (kept.size() > 1)
    throw FileError(what + ": the drawing stores several TINs (" + stored[kept[0]].name + ", " + stored[kept[1]].name +
                    (kept.size() > 2 ? ", ..." : "") + "); name one with --layer");
  Surface s{stored[kept.front()].name, {}, {}};
  try {
    const StoredSurface surface = readStoredSurface(host.dataObjects(), kept.front(), host.document().units());
    auto coord = [](double world) {
      if (!(world >= std::numeric_limits<std::int32_t>::min() && world <= std::numeric_limits<std::int32_t>::max()))
        throw HostError("the TIN data of the drawing is damaged: a vertex lies outside the drawing's coordinates");
      return static_cast<std::int32_t>(world);
    };
    auto corner = [&](std::int32_t k) {
      const StoredSurface::Point& p = surface.vertices.at(static_cast<std::size_t>(k));
      return Vertex{coord(p.x), coord(p.y), coord(p.z), kKVVertexCorner};
    };
    for (const auto& t : surface.triangles) {
      DrawingObject& o = s.fromStore.emplace_back();
      o.type = kKVTypePoly3D;
      o.closed = true;
      o.vertices = {corner(t[0]), corner(t[1]), corner(t[2])};
    }
  } catch (const HostError& e) {
    throw FileError(what + ": " + e.what());
  } catch (const std::out_of_range&) {
    throw FileError(what + ": the TIN data of the drawing is damaged: a triangle names a vertex it does not have");
  }
  for (const DrawingObject& o : s.fromStore) s.triangles.push_back(&o);
  return s;
}

// 32-bit floats hold an elevation to a quarter of a world unit or better up
// to this size; past it the grid is written as doubles.
bool floatsSuffice(double maxAbsElevation, std::int32_t worldPerUnit) {
  return maxAbsElevation * std::ldexp(1.0, -24) <= 0.25 / worldPerUnit;
}

// The band's unit as GDAL's tools name elevation units.
std::string bandUnit(double metres) {
  const std::string words = unitWords(metres);
  return words == "metre" ? "m" : words == "foot" ? "ft" : words;
}

std::string unitSymbol(double metres) {
  const std::string words = unitWords(metres);
  return words == "metre" ? "m" : words == "foot" ? "ft" : words == "US survey foot" ? "ftUS" : words;
}

void check(CPLErr err, const std::string& what) {
  if (err != CE_None) throw FileError(what + ": writing the grid failed" + gdalReason());
}

// Samples the TIN into the band, a strip of rows at a time; the number of
// cells that got an elevation.
std::uint64_t fillBand(GDALRasterBand* band, const Surface& tin, const GridPlan& plan,
                       const Placement& placement, double nodata,
                       const std::filesystem::path& out, const std::string& what) {
  TinRasterizer raster(tin.triangles, plan, placement);
  const std::int64_t bandRows = std::clamp<std::int64_t>(
      static_cast<std::int64_t>(kBandBytes /
                                (sizeof(double) * static_cast<std::size_t>(plan.columns))),
      1, kBandRows);
  std::vector<double> values;
  std::uint64_t covered = 0;
  Progress progress("writing " + out.filename().string(), static_cast<std::uint64_t>(plan.rows));
  for (std::int64_t row = 0; row < plan.rows; row += bandRows) {
    const std::int64_t count = std::min(bandRows, plan.rows - row);
    raster.fillRows(row, count, nodata, values);
    for (double v : values) covered += v != nodata;
    check(band->RasterIO(GF_Write, 0, static_cast<int>(row), static_cast<int>(plan.columns),
                         static_cast<int>(count), values.data(), static_cast<int>(plan.columns),
                         static_cast<int>(count), GDT_Float64, 0, 0, nullptr),
          what);
    progress.update(static_cast<std::uint64_t>(row + count));
  }
  return covered;
}

// An ASCII grid at `target`, copied from the GeoTIFF written first.
void copyToAsciiGrid(GDALDataset* grid, const std::filesystem::path& target,
                     const Placement& placement, const std::string& what) {
  GDALDriver* aai = GetGDALDriverManager()->GetDriverByName("AAIGrid");
  if (aai == nullptr) throw FileError(what + ": GDAL has no ASCII grid driver");
  CPLStringList asciiOptions;
  asciiOptions.SetNameValue("DECIMAL_PRECISION",
                            std::to_string(displayDecimals(placement.worldPerUnit)).c_str());
  Dataset copy(aai->CreateCopy(target.c_str(), grid, TRUE, asciiOptions.List(), nullptr, nullptr));
  if (!copy) throw FileError(what + ": cannot write the ASCII grid" + gdalReason());
  copy.reset();
  // What the grid format cannot hold (the TIN's name, the unit) GDAL keeps
  // in a side file under the temporary name: not wanted beside the result.
  std::error_code ec;
  std::filesystem::remove(target.string() + ".aux.xml", ec);
}

// The driver wrote the coordinate system beside the temporary name; it goes
// beside the result.
void moveAsciiPrj(const std::filesystem::path& temp, const std::filesystem::path& out) {
  std::error_code ec;
  std::filesystem::path prj = temp;
  prj.replace_extension(".prj");
  std::filesystem::path target = out;
  target.replace_extension(".prj");
  std::filesystem::rename(prj, target, ec);
  if (ec)
    throw FileError(target.string() + ": cannot write the grid's coordinate system file (" +
                    ec.message() + ")");
}

}  // namespace

bool isDemPath(const std::filesystem::path& path) {
  const std::string ext = lower(path.extension().string());
  return ext == ".tif" || ext == ".tiff" || ext == ".asc";
}

ExportResult writeDem(const Host& host, const std::filesystem::path& out,
                      const std::vector<std::string>& layers, double cell) {
  const std::string what = out.string();
  const bool ascii = lower(out.extension().string()) == ".asc";
  const TinNames names(host);
  const ExportScope scope(host, out, names.layersFor(layers));
  std::optional<Surface> drawn = drawnSurface(collectTins(scope, names), what);
  const Surface tin = drawn ? std::move(*drawn) : storedSurface(host, layers, what);
  const Document& doc = host.document();
  const Placement placement{doc.state().originX, doc.state().originY, doc.units().worldPerUnit};

  double maxAbs = 0, lowest = std::numeric_limits<double>::infinity();
  for (const DrawingObject* t : tin.triangles)
    for (const Vertex& v : t->vertices) {
      const double z = v.z / double(placement.worldPerUnit);
      maxAbs = std::max(maxAbs, std::fabs(z)), lowest = std::min(lowest, z);
    }
  const bool floats = floatsSuffice(maxAbs, placement.worldPerUnit);
  const GDALDataType type = floats ? GDT_Float32 : GDT_Float64;
  const GridPlan plan =
      planGrid(TinRasterizer::bounds(tin.triangles, placement), cell, floats ? 4 : 8, what);
  // -9999 unless the surface reaches that low; then the lowest value of the type.
  const double nodata = lowest > kDemNodata ? kDemNodata
                        : floats            ? double(std::numeric_limits<float>::lowest())
                                            : std::numeric_limits<double>::lowest();
  const bool tiled = plan.columns * plan.rows > kDemTiledFrom;

  registerGdalDrivers();
  QuietGdal quiet;
  GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (gtiff == nullptr) throw FileError(what + ": GDAL has no GeoTIFF driver");
  OutputFile file(out);
  // An ASCII grid is copied from a GeoTIFF written first beside it.
  const std::filesystem::path gridPath =
      ascii ? file.temp().parent_path() / (file.temp().filename().string() + ".tif") : file.temp();
  struct RemoveAfter {
    std::filesystem::path p;
    bool active;
    ~RemoveAfter() {
      std::error_code ec;
      if (active) std::filesystem::remove(p, ec);
    }
  } removeGrid{gridPath, ascii};

  CPLStringList options;
  if (tiled && !ascii) {
    options.SetNameValue("TILED", "YES");
    options.SetNameValue("BLOCKXSIZE", "256");
    options.SetNameValue("BLOCKYSIZE", "256");
    options.SetNameValue("COMPRESS", "DEFLATE");
    options.SetNameValue("PREDICTOR", "3");
  }
  options.SetNameValue("BIGTIFF", "IF_SAFER");
  Dataset ds(gtiff->Create(gridPath.c_str(), static_cast<int>(plan.columns),
                           static_cast<int>(plan.rows), 1, type, options.List()));
  if (!ds) throw FileError(what + ": cannot create the grid" + gdalReason());
  double transform[6] = {plan.west, plan.cell, 0, plan.north, 0, -plan.cell};
  check(ds->SetGeoTransform(transform), what);
  const CoordinateSystem crs = drawingCrsOrLocal(doc);
  check(ds->SetSpatialRef(&crs.srs()), what);
  ds->SetMetadataItem("TIN_NAME", tin.name.c_str());
  GDALRasterBand* band = ds->GetRasterBand(1);
  check(band->SetNoDataValue(nodata), what);
  band->SetUnitType(bandUnit(drawingMetresPerUnit(doc)).c_str());
  band->SetDescription("elevation");

  const std::uint64_t covered = fillBand(band, tin, plan, placement, nodata, out, what);
  ds->FlushCache();
  check(CPLGetLastErrorType() == CE_Failure ? CE_Failure : CE_None, what);

  if (ascii) copyToAsciiGrid(ds.get(), file.temp(), placement, what);
  ds.reset();
  file.commit();
  if (ascii) moveAsciiPrj(file.temp(), out);

  ExportResult result;
  result.format = ascii ? "ascii grid" : "geotiff";
  result.faces = tin.triangles.size();
  char detail[300];
  std::snprintf(
      detail, sizeof detail, "TIN \"%s\"%s, %lld x %lld cells of %g %s, %s, %.1f%% nodata, %s",
      tin.name.c_str(), tin.fromStore.empty() ? "" : " (its stored triangles)", static_cast<long long>(plan.columns), static_cast<long long>(plan.rows),
      plan.cell, unitSymbol(drawingMetresPerUnit(doc)).c_str(),
      floats ? "32-bit floats" : "64-bit floats",
      100.0 * (1.0 - static_cast<double>(covered) / static_cast<double>(plan.columns * plan.rows)),
      crs.describe().c_str());
  result.detail = detail;
  return result;
}

}  // namespace tinhost::io
