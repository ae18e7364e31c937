// A plan picture of the drawing or of chosen layers: PNG, SVG or PDF, on an
// A3 sheet turned to suit the drawing, the objects fitted inside the margins
// at a uniform scale, north up.  Lines take their colour from the object's
// colour record through the host palette and their width from its line
// weight (hundredths of a millimetre, hairlines at least 0.1 mm); smoothed 2D
// polyshapes are drawn as the same polyline the DXF export writes; 3D loci
// are small crosses; text blocks stand where their box is in the drawing, at
// least 2 mm high so that labels stay readable, over a white halo.  Under the
// drawing: a scale bar in the drawing's unit and the sheet scale; in the top
// right corner a north arrow.  Fill patterns are not drawn: a terrain plan is
// line work, and filled triangles would hide each other.
//
// Objects of one look are stroked together, so a million triangles take
// seconds.
#pragma once

#include "tinhost/io/ExportScope.h"
#include "tinhost/io/Exporter.h"

namespace tinhost::io {

enum class PictureFormat { Png, Svg, Pdf };

// PNGs are rendered at this resolution.
inline constexpr double kPngDotsPerInch = 150.0;

ExportResult writePicture(const ExportScope& scope, const std::filesystem::path& out, PictureFormat format);

}  // namespace tinhost::io
