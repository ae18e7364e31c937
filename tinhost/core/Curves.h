// The curve that a 2D polyshape describes, for drawing and exporting it.
//
// A polyshape's vertices are corners (kind 0) or curve control points
// (kind 1).  The curve is a quadratic B-spline in the usual "implied point"
// form:
//   * a corner lies on the curve;
//   * between two consecutive control points the curve passes through their
//     midpoint (an implied on-curve point);
//   * a control point between two on-curve points makes a quadratic Bézier
//     arc that starts and ends there and is pulled towards the control point
//     (the arc is tangent to both legs of the control point);
//   * two consecutive on-curve points are joined by a straight line.
// So a pair of control points B, F placed symmetrically about a point P
// (B = 2P − F) makes the curve pass through P with tangent B→F, and each arc
// stays inside the triangle of its two ends and its control point.
//
// An open polyshape's first and last vertices are on the curve whatever their
// kind.  A closed one wraps around: the curve returns to where it began; a
// closed polyshape of control points only is a smooth closed curve.
#pragma once

#include <span>
#include <vector>

#include "tinhost/core/Document.h"

namespace tinhost {

struct CurvePoint {
  double x = 0.0;
  double y = 0.0;
};

// The curve as a polyline: its first on-curve point, then `samplesPerArc`
// evenly spaced parameter steps along each arc and the end of each straight
// piece.  A closed curve ends where it began.  Empty for no vertices;
// samplesPerArc below 1 counts as 1.
std::vector<CurvePoint> EvaluatePolyshapeCurve(std::span<const Vertex> vertices, bool closed,
                                               int samplesPerArc = 8);

}  // namespace tinhost
