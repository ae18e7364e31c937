// A TIN drawn as a cut/fill map: each triangle, split where the datum plane
// crosses it, filled by the sign and depth of the surface against the datum
// (red where the surface lies above it and is cut, blue where it lies below
// and is filled, white at the datum, deeper colours further from it), with
// the TIN's contours, contour labels and hull drawn over it and a legend of
// the ramp beside it.
#pragma once

#include <cairo.h>

#include <vector>

#include "tinhost/core/StoredTINs.h"
#include "tinhost/io/DatumSplit.h"
#include "tinhost/io/ExportScope.h"
#include "tinhost/io/Palette.h"
#include "tinhost/io/Sheet.h"

namespace tinhost::io {

// The colour of a depth against the datum: white at 0, the full cut colour
// at the deepest cut, the full fill colour at the deepest fill.
struct CutFillRamp {
  double deepestCut = 0, deepestFill = 0;  // heights above / below the datum, world units, >= 0
  Rgb color(double depth) const;
};

inline constexpr Rgb kCutColor{178, 24, 43};
inline constexpr Rgb kFillColor{33, 102, 172};

struct CutFillMap {
  std::vector<DatumPart> parts;  // world units
  CutFillRamp ramp;
  std::vector<ObjId> lines;   // contours and hull, drawn over the parts
  std::vector<ObjId> labels;  // contour labels
  Box box;                    // of the parts, world units
};

// The map of `surface` against `datum` (world units).  The lines are the
// 2D contours of the scope (or its 3D contours when it has no 2D ones), its
// hull and its contour labels.
CutFillMap buildCutFillMap(const ExportScope& scope, const StoredSurface& surface, double datum);

// Fills the parts and draws the lines and labels; `result` counts them.
void paintCutFillMap(cairo_t* cr, const ExportScope& scope, const CutFillMap& map, const View& view,
                     ExportResult& result);

// The ramp as a vertical bar, cut above and fill below, labelled in the
// drawing's unit: the box's top left corner at (x, y).
void paintRampLegend(cairo_t* cr, const CutFillRamp& ramp, const UnitsRecord& units, double x,
                     double y, double barWidth, double barHeight);

}  // namespace tinhost::io
