// The contour run's level-to-level bookkeeping without passes over every
// triangle and every vertex at each elevation.
//
// At one elevation z the done flags after the flagging passes depend on z
// alone: a flat triangle is done; a sloping one is done unless it carries
// contour at z ("open": its lowest corner below z and its highest above, or
// an edge at z), and it is done anyway when a flat triangle at z borders it.
// The open triangles of a triangle form one run of consecutive contour
// elevations, so the sweep keeps the open set and, going from one elevation
// to the next, resets only the flags of the triangles that were or become
// open and of those bordering flat triangles at either elevation.  The
// tracer changes no other flag (it only sets flags of open triangles), so
// every flag the tracer and the flat pass read is what the passes would set.
//
// The tracer's base-vertex walk visits the vertices from the lowest up and,
// around each, the fan of triangles in a fixed order, starting a polyline in
// every fan triangle not yet done.  After a vertex's turn every triangle of
// its fan is done, so a triangle can only be started from the first vertex
// (in list order) whose fan holds it, its lowest corner.  The open set is
// kept in the order (owner's position in the vertex list, position in the
// owner's fan), which is the order in which the walk would start them.
//
// This holds for a sound triangulation: neighbours mutual with matching
// edges, every triangle met exactly once by the fan walk of each of its
// corners, and each vertex's highest-neighbour link naming the highest
// vertex of its fan.  Prepare checks all of it in one pass; when anything
// fails (or memory is refused) the caller runs the passes as written.
#pragma once

#include <cstdint>

#include "plugin/shell/Errors.h"

class TTIN;
class TTINContourMap;
class TTINTriangle;
class TContourThreader;

class TContourSweep {
 public:
  TContourSweep(TTINContourMap* map, TTIN* tin);
  ~TContourSweep();
  TContourSweep(const TContourSweep&) = delete;
  TContourSweep& operator=(const TContourSweep&) = delete;

  enum class TReady : std::uint8_t { kSwept, kLiteral, kNoMemory };
  // For the elevations first + j * interval, j = 0 .. levels - 1.  Uses the
  // done flags as scratch (the first level resets them all).  kLiteral when
  // the TIN is not sound enough for the sweep (the passes then run as
  // written), kNoMemory when the host refuses its tables.
  // Precondition: FlagHorizontalTriangles has run.
  TReady Prepare(std::int64_t first, std::int64_t interval, std::int64_t levels);

  // The flagging passes (flat-area pass included) for level j, called for
  // j = 0, 1, 2, ... in turn; 0 or the flat pass's error.
  TErr FlagLevel(std::int64_t j, bool major);
  // The base-vertex walk of level j: starts a polyline in every open
  // triangle not yet done, in walk order.  0 or the first error.
  TErr TraceLevel(TContourThreader* threader);

 private:
  struct TOpen {
    std::uint64_t key;   // owner's list position << 32 | fan position << 2 | look-from corner
    TTINTriangle* tri;
    std::int32_t jStart;  // the run of levels at which the triangle is open
    std::int32_t jEnd;
  };
  struct TFlat {
    TTINTriangle* tri;
    std::int64_t j;    // the level it lies at
    std::int64_t pos;  // its position in the triangle list
  };

  bool CheckNeighbours(std::int64_t* count) const;
  // kSwept when done; otherwise why not.
  TReady CollectOpen(std::int64_t triCount);
  TReady CollectFlat();
  bool OpenAt(const TTINTriangle* t, std::int64_t z) const;
  void Free();

  TTINContourMap* fMap;
  TTIN* fTIN;
  std::int64_t fFirst = 0;
  std::int64_t fInterval = 1;
  std::int64_t fLevels = 0;

  TOpen* fAll = nullptr;  // every triangle open at some level, by (jStart, key)
  std::int64_t fAllCount = 0;
  std::int64_t fNextNew = 0;  // first of fAll not yet opened
  TOpen* fOpen = nullptr;     // the open set of the level last flagged, by key
  TOpen* fSpare = nullptr;    // the merge buffer
  std::int64_t fOpenCount = 0;
  TFlat* fFlat = nullptr;  // flat triangles lying at a level, by (j, pos)
  std::int64_t fFlatCount = 0;
  std::int64_t fFlatBegin = 0;  // fFlat range of the level last flagged
  std::int64_t fFlatEnd = 0;
  std::int64_t fWalkLimit = 0;  // bound of the flat outline walks
};
