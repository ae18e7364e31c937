// The figures of one TIN as a report shows them: what the plug-in reports for
// it (cut and fill against the TIN's datum, planimetric area), taken from the
// plug-in itself by running its area and cut-and-fill menu commands through
// the host exactly as `tinhost run DRAWING area --choose NAME` does, the
// drawing left as it was; and what the plug-in does not report, computed by
// the host from the same triangles: the plan areas in cut and in fill (each
// triangle split where the datum plane crosses it), the counts, the datum,
// the unit and the coordinate system.
//
// Cut is the volume of the surface above the datum and fill the volume below
// it.  For a difference TIN (first base minus second base, datum usually 0)
// the plug-in reports the two in the opposite order; cut is still where the
// first base lies above the second.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tinhost/core/StoredTINs.h"

namespace tinhost::cli {

class Session;

struct TinFigures {
  std::string name;
  bool difference = false;
  std::string innerBase, outerBase;  // a difference TIN's bases (first minus second)
  // From the plug-in, in the drawing's unit, as it prints them (two decimals).
  double cut = 0, fill = 0, area = 0;
  std::string cutFillReport, areaReport;  // its report lines, word for word
  // From the host, over the same triangles.
  double areaInCut = 0, areaInFill = 0, areaLevel = 0;  // level: flat at the datum
  double datum = 0;                                     // the drawing's unit
  std::int64_t points = 0, triangles = 0;
  std::string unit;              // "m", "ft", "ftUS"
  std::string unitWords;         // "metre", "foot", "US survey foot"
  std::string coordinateSystem;  // as `info` describes it
  std::string trianglesFrom;     // where the host read the triangles
  // Why the host has no triangles of the TIN (one that keeps only its
  // parameters and has no 3D triangles drawn), naming the command that draws
  // them; empty when it has.  Then the host's figures (areas in cut, in fill
  // and level, points, triangles) are 0 and mean nothing.
  std::string areasMissing;

  double net() const { return cut - fill; }
};

// The triangles the figures were computed from, in world units.
using TinSurface = StoredSurface;

// The figures of TIN `name` (or its number in stored order).  With `surface`,
// also the triangles read.  `plugin`: the plug-in library, as `run --plugin`
// names it (empty: the one beside tinhost).  Throws UsageError for a drawing
// without TINs, a TIN it does not have, or a plug-in command that did not
// report.
TinFigures gatherTinFigures(Session& session, const std::string& name,
                            TinSurface* surface = nullptr, const std::string& plugin = {});

// The figures of every TIN of the drawing, in stored order.
std::vector<TinFigures> gatherAllTinFigures(Session& session, const std::string& plugin = {});

}  // namespace tinhost::cli
