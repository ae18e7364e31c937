// Which way round to read a points file whose rows read as point, northing,
// easting (pnezd) and as point, easting, northing (penzd) alike.  The file
// cannot tell; the drawing can, when it already holds points or lines (or
// keeps an origin, which lies near the first data imported): read one way
// the new points lie beside them, read the other way they lie far off.
// When both ways or neither way lie near, the drawing does not tell either.
#pragma once

#include <optional>
#include <string>

#include "tinhost/io/SurveyFile.h"

namespace tinhost::io {

// A rectangle in the plane, in user units: x easting, y northing.
struct PlaneBox {
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  double size() const;                    // the longer side
  double gap(const PlaneBox& other) const;  // 0 when they overlap or touch
  PlaneBox swapped() const { return {minY, maxY, minX, maxX}; }
};

// Where the drawing's own data lie, and in words what that is.
struct DrawingExtent {
  PlaneBox box;
  std::string what;  // "the points and lines in the drawing", "the drawing's origin"
};

struct PointOrderChoice {
  std::optional<Format> format;  // none: the drawing does not tell
  std::string why;               // a note on the choice, or why there is none
};

// `asPnezd`: where the file's points lie read as pnezd (read as penzd they
// lie in the swapped box).  Near means a gap no larger than the larger of the
// two extents plus a kilometre (or 1000 ft).
PointOrderChoice choosePointOrder(const PlaneBox& asPnezd, const DrawingExtent& drawing, const std::string& unit);

}  // namespace tinhost::io
