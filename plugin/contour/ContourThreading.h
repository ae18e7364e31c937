// Threading contour polylines through the triangles at one elevation.
//
// Every contour at z passes through triangles that have a corner at or below
// z, so the tracer walks the vertices from the lowest up to z and, for each
// one whose highest connected vertex reaches z, turns around its fan of
// triangles (clockwise from the triangle towards that highest vertex, then
// counter-clockwise from it when the hull is met).  A fan triangle not yet
// done that the contour crosses starts a polyline:
//
//   - crossed through two edges: the first point lies on the first crossed
//     edge in the order examined; the neighbour across that edge is the
//     "other side" O, and the thread leaves through the other crossed edge;
//   - a corner at z: the first point is that corner (the start vertex).
//
// The thread then moves from piece to piece.  Entering a triangle through a
// crossed edge it leaves through the other crossed edge, or stops at the
// corner that lies at z.  At a corner V at z it turns around V (clockwise
// from the triangle it came from, then counter-clockwise when it meets the
// hull) to the first triangle not yet done that carries the contour away
// from V: along an edge whose other end is at z (both triangles of that edge
// become done), or through the edge opposite V.
//
// Closing: the thread comes back to O (through an edge or through a corner
// of O), or comes back to the start vertex.  The closing point is not added
// again.  A dead end (the hull, or a corner with nothing left to follow)
// while going forwards reverses the polyline and continues from the start
// on its other side; a dead end while going backwards ends it, open.
//
// Points on crossed edges are interpolated from the edge's lower end to its
// higher end, so a crossing is the same point whichever triangle sees it.
#pragma once

#include <cstdint>

#include "plugin/contour/InterpolateToContour.h"
#include "plugin/shell/Errors.h"

class TTIN;
class TTINContourMap;
class TTINContourPolyline;
class TTINTriangle;
class TTINVtx;

class TContourThreader {
 public:
  TContourThreader(TTINContourMap* map, TTIN* tin);

  // Traces every contour at z that the flagging passes left to trace and
  // appends the polylines to the map.  0 or the first error.
  TErr TraceFromBaseVertices(std::int32_t z, bool major);

  // The same walk driven from outside (TContourSweep): the elevation, then
  // the start step in each triangle that the walk would start from, in the
  // walk's order, looking from the base vertex's corner in its highest
  // triangle.
  void SetLevel(std::int32_t z, bool major) {
    fZ = z;
    fMajor = major;
  }
  TErr StartIn(TTINTriangle* tri, std::int16_t lookFrom);

 private:
  // Where the thread stands between two steps.
  struct TCursor {
    enum Kind : std::uint8_t { kEnter, kAtVertex, kDeadEnd, kClosed };
    Kind kind = kDeadEnd;
    TTINTriangle* tri = nullptr;  // kEnter: the triangle entered (null: the hull)
    std::int16_t entrySlot = -1;  // kEnter: the edge of tri it is entered through
    TTINVtx* vtx = nullptr;       // kAtVertex: the corner at z reached
    TTINTriangle* from = nullptr;  // kAtVertex: the triangle the contour came from
  };
  enum class TStart : std::uint8_t { kThroughEdges, kAtCorner };

  TErr WalkFanOf(TTINVtx* baseVtx);
  TErr Thread(TCursor cursor);
  TErr StepIntoTriangle(TCursor* c);
  TErr StepAroundVertex(TCursor* c);
  TErr TakePieceFromVertex(TTINVtx* v, TTINTriangle* tri, TCursor* c);
  TErr TurnAroundVertex(const TTINVtx* v, TTINTriangle* from, TTINTriangle** found);
  bool CarriesContourFrom(const TTINTriangle* tri, const TTINVtx* v) const;
  TErr Leave(TTINTriangle* tri, std::int16_t edge, TCursor* c);
  TErr Add(const TContourPt& p);
  TContourPt Crossing(const TTINTriangle* tri, std::int16_t edge) const;

  TTINContourMap* fMap;
  TTIN* fTIN;
  std::int64_t fTriCount = 0;  // bound of every walk
  std::int32_t fZ = 0;
  bool fMajor = false;

  // The polyline being threaded.
  TTINContourPolyline* fLine = nullptr;
  TStart fStart = TStart::kThroughEdges;
  TTINTriangle* fStartTri = nullptr;  // F
  TTINTriangle* fOther = nullptr;     // O: across the first edge, or F itself at a corner
  std::int16_t fStartEdge = -1;       // the first crossed edge of F
  TTINVtx* fStartVtx = nullptr;       // the start vertex of a corner start
  std::int16_t fDirection = 1;
  std::int64_t fSteps = 0;
};
