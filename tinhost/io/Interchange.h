// What an interchange file (DXF, LandXML) holds once read, before any of it
// enters the drawing: real-world coordinates in the drawing's user unit,
// grouped by the layer they are meant for.  Readers fill it completely and
// check it before the drawing is touched, so a bad file adds nothing.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "tinhost/core/DrawingUnits.h"
#include "tinhost/io/SurveyFile.h"

namespace tinhost::io {

struct ImportedText {
  double x = 0, y = 0;  // top-left corner of the first line
  double height = 1;    // character height in user units
  std::string text;
  std::size_t line = 0;  // where it was read
};

struct ImportedLayer {
  std::string name;  // empty: the drawing's current layer
  std::vector<SurveyPoint> points;
  std::vector<SurveyLine> lines;
  std::vector<ImportedText> texts;
  bool empty() const { return points.empty() && lines.empty() && texts.empty(); }
};

struct ImportedDrawing {
  std::string format;               // "dxf", "landxml"
  std::vector<ImportedLayer> layers;  // in the order first met
  std::map<std::string, std::size_t> skipped;  // what the reader left out, by kind
  std::vector<std::string> notes;   // conversions and other things worth saying
  std::string crs;                  // the coordinate system the file declares (a code
                                    // such as EPSG:6543, or WKT); empty: none
  double metresPerUnit = 0;         // the length unit of its coordinates; 0: not declared
  std::string unitName;             // that unit as the file names it

  // The layer of that name, appended when new.
  ImportedLayer& layer(const std::string& name);
};

// Length units an interchange file may declare, as metres per unit.
inline constexpr double kMetresPerFoot = 0.3048;
inline constexpr double kMetresPerUsSurveyFoot = 1200.0 / 3937.0;
double metresPerUnit(UnitKind kind);  // of a drawing without a coordinate system

// Scales every coordinate from the unit the file declares to the drawing's
// (its exact length in metres: a US survey foot is not a foot) and notes the
// conversion; nothing happens when the file declares none or the two agree.
void convertUnits(ImportedDrawing& d, double drawingMetresPerUnit);

}  // namespace tinhost::io
