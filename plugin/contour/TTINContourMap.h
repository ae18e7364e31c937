// TTINContourMap: the contour generator a TIN owns once it has been created
// or changed.  MakeSomethingOfMyself threads contour polylines through the
// triangles at every contour elevation and keeps them, in the order found,
// in fTINContourPolylineList; the contour output turns them into drawing
// objects.
//
// Contour elevations are contourBaseElev + k * contourInterval for whole k,
// from the first at or above both the lowest vertex and lowContourElev up to
// min(highContourElev, highest vertex).  k a multiple of indexContourEvery
// (negative k included) makes an index contour.
//
// At each elevation every triangle carries at most one piece of contour, so
// each triangle is threaded at most once (fContoursAnyDone).  Closed contours
// are flagged closed; open ones run from the hull to the hull.  Where a flat
// region lies exactly at the elevation, its outline is the contour
// (DrawContAroundHorizTris) and the triangles around it are skipped.
//
// Every walk is bounded by the number of triangles, so damaged neighbour
// links end a run with kErrContourWalkRunaway instead of looping.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/shell/Errors.h"

struct TTINParams;
class TLinkedList;
class TTIN;
class TTINTriangle;
class TTINVtx;
class TTINContourPolyline;

// Turning directions around a vertex: clockwise seen from above, and back.
constexpr std::int16_t kDirCW = 1;
constexpr std::int16_t kDirCCW = -1;
constexpr std::int16_t kNotFound = -1;

class TTINContourMap final : public TPluginObject {
 public:
  TTINContourMap();
  // Frees every polyline (a null item is skipped) and the list.
  ~TTINContourMap();
  TTINContourMap(const TTINContourMap&) = delete;
  TTINContourMap& operator=(const TTINContourMap&) = delete;

  // Traces all contours of the TIN; 0 or the first error (ContourErrors.h).
  // On an error the polylines traced so far stay in the list.
  TErr MakeSomethingOfMyself(TTIN* tin);
  // Runs every flagging pass and the base-vertex walk over all triangles
  // and vertices at each elevation, as written, instead of the sweep
  // (ContourSweep.h) that gives the same polylines; the sweep also falls
  // back to them on a TIN it cannot vouch for.  The comparison tests use it.
  void UseLiteralPasses(bool literal) { fLiteralPasses = literal; }

  // fHoriz of every triangle = its three elevations are equal.  Returns 0.
  static TErr FlagHorizontalTriangles(TTIN* tin);
  // Marks done the triangles that carry no contour at z to be traced: flat
  // ones (and, for a flat triangle at z, its neighbours, whose contour is the
  // flat region's outline), those with all corners on one side, and those
  // touching z at one corner only.  Returns 0.
  static TErr FlagSkippableTriangles(TTIN* tin, std::int32_t z);

  // The flat-area pass: the outline of every flat region lying at z, each as
  // one closed polyline (FlatAreaContours.cpp).
  TErr DrawContAroundHorizTris(TTIN* tin, std::int32_t z, bool major);
  TErr DrawContAroundThisTriAndNabrs(TTIN* tin, TTINTriangle* seed, std::int32_t z, bool major);

  // Contour output (ContourOutput.cpp): the 2D and/or 3D objects of every
  // polyline, each kind on its layer and, with makeGroups, in a group.
  TErr MakeGroupAndPolysForContourPolylines(TTIN* tin, std::int16_t cntr2DVtxKind, bool want2DCntr,
                                            bool want3DCntr, bool labelCntrs, bool makeGroups);
  // One object per polyline in list order into `container` (parent type 31
  // for a layer, 11 for a group).
  TErr MakeOnePolyForEachContourPolyline(TTIN* tin, KVObj container, std::int16_t parentType,
                                         std::int16_t vtxKind, bool labelCntrs, bool is3D);

  // Appends a polyline to the list (made on first use); false when the host
  // refuses the list or its node, and the polyline then stays the caller's.
  bool AppendPolyline(TTINContourPolyline* line);

  // Number of polylines (walks the list).
  std::int32_t CountPolylines() const;

  TLinkedList* fTINContourPolylineList = nullptr;

 private:
  friend class TContourSweep;  // runs the flat pass from its own seed list
  std::int64_t fFlatWalkLimit = 0;  // bound of the outline walks during one pass; 0 unknown
  bool fLiteralPasses;  // true when made while the process chose TSteps::kLiteral
};

// ceil(a / b) for b > 0, exact for negative and positive a: the quotient
// truncated toward zero, plus one when the product falls short.
std::int64_t CeilDiv(std::int64_t a, std::int64_t b);

// Where the contour loop starts and stops: index k and elevation of the
// first contour, and the highest elevation to consider.
struct TContourRange {
  std::int64_t k;
  std::int64_t firstElev;
  std::int32_t highestElev;
};
// Precondition: p.contourInterval > 0.
TContourRange FirstContourAndRange(const TTINParams& p, std::int32_t zLow, std::int32_t zHigh);
// k is a multiple of `every` (negative k too); never when every <= 0.
bool IsIndexContour(std::int64_t k, std::int16_t every);

// The first triangle in list order that has the directed edge vA -> vB (vA at
// some corner i, vB at corner i+1); null when none.  In a sound TIN that
// triangle is the only one and lies in vA's star, so the answer is found by
// turning around vA from its linked triangle, in O(degree); the whole list
// is scanned when vA has no link or the walk cannot go round (damaged
// links), and always for a TIN of TSteps::kLiteral.
TTINTriangle* GetTriWithTheseTwoVtxs(const TTIN* tin, const TTINVtx* vA, const TTINVtx* vB);
// The literal scan of the whole list, kept as the oracle of the above.
TTINTriangle* GetTriWithTheseTwoVtxsByScan(const TLinkedList* triangleList, const TTINVtx* vA,
                                           const TTINVtx* vB);

// The next triangle around `vtx`, whose corner index in `tri` is
// `cornerIndex`: clockwise (kDirCW) across the edge that ends at the vertex,
// otherwise across the edge that starts at it.  *outIndex is the vertex's
// corner in the result, or kNotFound with a null result at the hull.
TTINTriangle* GetNabrAndVtxIdxByVtxAndDir(const TTINTriangle* tri, const TTINVtx* vtx,
                                          std::int16_t direction, std::int16_t cornerIndex,
                                          std::int16_t* outIndex);
