// The parts of a sheet that pictures and reports share: the fit of world
// coordinates onto a drawing area, the painter that strokes the drawing's
// objects in their palette colours, the north arrow and the scale bar.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "tinhost/core/DrawingUnits.h"
#include "tinhost/io/ExportScope.h"
#include "tinhost/io/Exporter.h"
#include "tinhost/io/Palette.h"

namespace tinhost::io {

class Progress;

// Sheet sizes and lengths on it are in points (1/72 inch).
inline constexpr double kPointsPerMm = 72.0 / 25.4;
// Half the width of the cross a 3D locus is drawn as.
inline constexpr double kLocusArm = 0.6 * kPointsPerMm;

struct Box {
  double minX = std::numeric_limits<double>::infinity(), minY = minX, maxX = -minX, maxY = -minX;
  void add(double x, double y) {
    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y),
    maxY = std::max(maxY, y);
  }
  bool empty() const { return minX > maxX; }
};

// World coordinates to sheet points: uniform scale, y flipped, centred in
// the drawing area.
struct View {
  double scale = 1;  // points per world unit
  double offsetX = 0, offsetY = 0;
  double x(double wx) const { return offsetX + wx * scale; }
  double y(double wy) const { return offsetY - wy * scale; }
};

// `box` fitted into the area, centred, at one scale for x and y.
View fit(const Box& box, double areaX, double areaY, double areaW, double areaH);
// 1, 2 or 5 times a power of ten, at most `limit`.
double roundLength(double limit);
// 1234567 -> "1,234,567".
std::string thousands(long long v);
void setColor(cairo_t* cr, Rgb c);

// Strokes the drawing's objects as the picture export shows them.
class Painter {
 public:
  Painter(cairo_t* cr, const ExportScope& scope, const View& view)
      : cr_(cr), scope_(scope), view_(view) {}
  // Lines and crosses, stroked in runs of one look.
  void lines(const std::vector<ObjId>& objects, ExportResult& result, Progress& progress);
  // Text blocks over the lines, each line of a block centred where it lies
  // in the block's box, over a white halo.
  void texts(const std::vector<ObjId>& objects, ExportResult& result);
  // Lines in this colour rather than their own (a map under them that
  // would swallow some of their colours).
  void setLineColor(Rgb color) { lineColor_ = color, overrideColor_ = true; }

 private:
  void style(Rgb color, double width);
  void flush();

  cairo_t* cr_;
  const ExportScope& scope_;
  const View& view_;
  Rgb color_{};
  double width_ = 0;
  std::size_t subpaths_ = 0;
  Rgb lineColor_{};
  bool overrideColor_ = false;
};

// A north arrow whose tip is near (x, y).
void northArrow(cairo_t* cr, double x, double y);
// A bar of four alternating parts, labelled 0 and its length in the
// drawing's unit, at most `maxWidth` long, its top left corner at (x, y).
void scaleBar(cairo_t* cr, const UnitsRecord& units, const View& view, double x, double y,
              double maxWidth);
// The denominator of the sheet scale (1:n).
double sheetScale(const UnitsRecord& units, const View& view);

}  // namespace tinhost::io
