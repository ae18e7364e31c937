#include "tinhost/io/Interchange.h"

#include <cmath>
#include <cstdio>

#include "tinhost/io/CoordinateSystem.h"

namespace tinhost::io {

ImportedLayer& ImportedDrawing::layer(const std::string& name) {
  for (ImportedLayer& l : layers)
    if (l.name == name) return l;
  layers.push_back(ImportedLayer{name, {}, {}, {}});
  return layers.back();
}

double metresPerUnit(UnitKind kind) { return kind == UnitKind::Foot ? kMetresPerFoot : 1.0; }

void convertUnits(ImportedDrawing& d, double drawingMetresPerUnit) {
  if (d.metresPerUnit <= 0) return;
  const double factor = d.metresPerUnit / drawingMetresPerUnit;
  if (std::fabs(factor - 1.0) < 1e-12) return;
  auto scale = [factor](SurveyPoint& p) {
    p.x *= factor, p.y *= factor, p.z *= factor;
  };
  for (ImportedLayer& l : d.layers) {
    for (SurveyPoint& p : l.points) scale(p);
    for (SurveyLine& line : l.lines)
      for (SurveyPoint& v : line.vertices) scale(v);
    for (ImportedText& t : l.texts) t.x *= factor, t.y *= factor, t.height *= factor;
  }
  char note[200];
  std::snprintf(note, sizeof note, "the file is in %s; its coordinates were converted to %s (x %.10g)",
                d.unitName.c_str(), unitPlural(drawingMetresPerUnit).c_str(), factor);
  d.notes.emplace_back(note);
}

}  // namespace tinhost::io
