// A surface against a horizontal datum plane: each triangle split where the
// plane crosses it into the part above the datum (cut) and the part below
// (fill), in plan.  The host computes the areas in cut and in fill from these
// parts, and the cut/fill map colours them.
//
// A corner exactly at the datum belongs to both parts; a triangle whose
// corners all lie at the datum is level and belongs to neither, so the areas
// in cut, in fill and level add up to the triangle's plan area.
#pragma once

#include <array>
#include <vector>

#include "tinhost/core/StoredTINs.h"

namespace tinhost::io {

using SurfacePoint = StoredSurface::Point;

enum class DatumSide { Cut, Fill, Level };

// One part of a triangle on one side of the datum: a triangle or, where the
// plane cuts off one corner, a quadrilateral.
struct DatumPart {
  std::vector<SurfacePoint> corners;  // in the triangle's order
  DatumSide side = DatumSide::Level;
  double depth = 0;  // mean of the corners' heights above the datum (negative below)
};

// The parts of the triangle abc against `datum`, appended to `out` (one or two).
void splitAtDatum(const std::array<SurfacePoint, 3>& abc, double datum,
                  std::vector<DatumPart>& out);

// The plan area of a polygon (any orientation).
double planArea(const std::vector<SurfacePoint>& corners);

struct DatumAreas {
  double cut = 0, fill = 0, level = 0;  // plan areas in the surface's units squared
  double total() const { return cut + fill + level; }
};

DatumAreas areasAgainstDatum(const StoredSurface& surface, double datum);

}  // namespace tinhost::io
