// What an export writes: the objects on the chosen layers (every layer when
// none is named), in drawing order, with their coordinates taken back to the
// real world through the drawing's origin and unit.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tinhost/core/Curves.h"
#include "tinhost/core/Document.h"

namespace tinhost {
class Host;
}

namespace tinhost::io {

// A smoothed 2D polyshape leaves tinhost as the polyline of its curve with
// this many chords per arc, in every format, so a DXF and a picture of the
// same drawing show the same line.
inline constexpr int kCurveChordsPerArc = 8;

struct RealPoint {
  double x = 0, y = 0, z = 0;
};

class ExportScope {
 public:
  // Throws FileError naming `out` for a layer the drawing does not have.
  ExportScope(const Host& host, const std::filesystem::path& out, const std::vector<std::string>& layerNames);

  const Document& doc() const { return doc_; }
  const std::vector<ObjId>& layers() const { return layers_; }
  // Objects on the chosen layers in drawing order, groups left out (their
  // members are listed).
  const std::vector<ObjId>& objects() const { return objects_; }

  RealPoint real(const Vertex& v) const;
  double realX(double worldX) const;
  double realY(double worldY) const;
  double length(double world) const;  // a world length in user units
  // Decimals that carry every world unit of the drawing.
  int decimals() const { return decimals_; }

  // A triangle of a surface: a closed 3D polygon of three corners in the
  // plug-in's 3D triangle class.  (A closed three-point breakline stays a
  // breakline.)
  bool isTriangle3D(const DrawingObject& o) const;
  // A 3D polygon of one of the plug-in's 3D contour classes.
  bool isContour3D(const DrawingObject& o) const;
  // A 3D contour of the index class (every n-th contour, drawn heavier).
  bool isIndexContour3D(const DrawingObject& o) const;
  // A 2D polyshape of one of the plug-in's 2D contour classes.
  bool isContour2D(const DrawingObject& o) const;
  // A text block of the plug-in's contour label class.
  bool isContourLabel(const DrawingObject& o) const;
  // The hull the plug-in draws: a closed polygon of its hull class.
  bool isHull(const DrawingObject& o) const;
  // The line a 2D polyshape draws: its corners, or the curve its control
  // vertices describe.  A closed shape does not repeat its first point.
  static std::vector<CurvePoint> outline(const DrawingObject& poly);

 private:
  const Document& doc_;
  std::vector<ObjId> layers_;
  std::vector<ObjId> objects_;
  std::vector<std::int16_t> contour2DClasses_, labelClasses_;
  std::vector<std::int16_t> contourClasses_, indexContourClasses_, triangleClasses_, hullClasses_;
  int decimals_ = 3;
  double scale_ = 1000.0;  // 10^decimals_
  double originX_ = 0, originY_ = 0;
  double rounded(double v) const;
};

}  // namespace tinhost::io
