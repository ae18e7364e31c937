// Compares two elevation grids of the same layout cell by cell, so that the
// elevation-model benchmark can say the two programs computed the same grid
// (not only how fast): cells with a value in both, in only one, the largest
// difference, and how many differ by more than a tolerance.
//
//   dem_compare [--cells-only] A.tif B.tif [TOLERANCE]
//
// --cells-only compares the values of grids of the same size without
// requiring the same georeferencing (a peer run on shifted coordinates).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gdal.h>

namespace {

struct Grid {
  int columns = 0, rows = 0;
  double transform[6] = {};
  double nodata = 0;
  bool hasNodata = false;
  std::vector<double> values;
};

bool read(const char* path, Grid& g) {
  GDALDatasetH ds = GDALOpen(path, GA_ReadOnly);
  if (ds == nullptr) return false;
  g.columns = GDALGetRasterXSize(ds), g.rows = GDALGetRasterYSize(ds);
  GDALGetGeoTransform(ds, g.transform);
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  int has = 0;
  g.nodata = GDALGetRasterNoDataValue(band, &has);
  g.hasNodata = has != 0;
  g.values.resize(static_cast<std::size_t>(g.columns) * static_cast<std::size_t>(g.rows));
  const CPLErr err = GDALRasterIO(band, GF_Read, 0, 0, g.columns, g.rows, g.values.data(), g.columns, g.rows,
                                  GDT_Float64, 0, 0);
  GDALClose(ds);
  return err == CE_None;
}

bool valid(const Grid& g, double v) { return !std::isnan(v) && !(g.hasNodata && v == g.nodata); }

}  // namespace

int main(int argc, char** argv) {
  const bool cellsOnly = argc > 1 && std::string(argv[1]) == "--cells-only";
  if (cellsOnly) --argc, ++argv;
  if (argc < 3) {
    std::fprintf(stderr, "usage: dem_compare [--cells-only] A.tif B.tif [TOLERANCE]\n");
    return 2;
  }
  const double tolerance = argc > 3 ? std::atof(argv[3]) : 0.001;
  GDALAllRegister();
  Grid a, b;
  if (!read(argv[1], a) || !read(argv[2], b)) {
    std::fprintf(stderr, "dem_compare: cannot read the grids\n");
    return 2;
  }
  if (a.columns != b.columns || a.rows != b.rows) {
    std::printf("layout differs: %d x %d against %d x %d\n", a.columns, a.rows, b.columns, b.rows);
    return 1;
  }
  for (int k = 0; k < 6 && !cellsOnly; ++k)
    if (std::fabs(a.transform[k] - b.transform[k]) > 1e-9 * std::max(1.0, std::fabs(a.transform[k]))) {
      std::printf("georeferencing differs\n");
      return 1;
    }
  std::size_t both = 0, onlyA = 0, onlyB = 0, beyond = 0;
  double maxDiff = 0;
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    const bool va = valid(a, a.values[i]), vb = valid(b, b.values[i]);
    if (va && vb) {
      ++both;
      const double d = std::fabs(a.values[i] - b.values[i]);
      maxDiff = std::max(maxDiff, d);
      beyond += d > tolerance;
    } else if (va) {
      ++onlyA;
    } else if (vb) {
      ++onlyB;
    }
  }
  std::printf("cells %zu both %zu only_a %zu only_b %zu max_diff %.6f beyond_tolerance %zu\n", a.values.size(), both,
              onlyA, onlyB, maxDiff, beyond);
  return 0;
}
