// TTIN: one terrain model.  It lives for one command: rebuilt from the
// drawing's stored data at the start and deleted at the end.
//
// Ownership: the TIN owns its vertices (through fTINVtxListByZ), triangles
// (fTINTriangleList), breaklines (fBrklnList), those lists, fVtxArrayByX,
// fContourMap, fVtxTriMgr and the two read tables.  The hull list and the
// breaklines' vertex lists only refer to vertices; fInnerTIN and fOuterTIN
// are other TINs of the same manager and are never deleted through this one.
// A list, table or builder is null until the operation that needs it makes
// it: a TIN without vertices has null lists, not empty ones.
//
// Invariants of a complete TIN: no two vertices share (x, y); a triangle's
// corners are three different vertices of the TIN; adjacency is mutual
// (TTINTriangle.h); fTINVtxListByZ is in non-decreasing z; a vertex's
// fTriangle, when set, has it as a corner.
#pragma once

#include <cstdint>

#include "plugin/host/KVUTIL.h"
#include "plugin/model/Steps.h"
#include "plugin/model/TTINParams.h"
#include "plugin/shell/Errors.h"

class TLandMgr;
class TTINTriangle;
class TKestSortedLList;
class TKestXYAndHdlArray;
class TTINContourMap;
class TTINVtxTriMgr;
class TIDIndex;
class TStoreWriter;
class TStoreReader;
struct TElevRange;

// Values a TIN starts with.
constexpr std::int16_t kTINVersion = 2;
constexpr std::uint32_t kInitialTINIDNum = 7;

class TTIN final : public TPluginObject {
 public:
  // All references null, the parameters cleared except normalTIN (true).
  explicit TTIN(TLandMgr* mgr);
  // DeleteVtxHullAndTriLists, then the contour map, the builder, the read
  // tables and fVtxArrayByX.
  ~TTIN();
  TTIN(const TTIN&) = delete;
  TTIN& operator=(const TTIN&) = delete;

  // Version 2, identification number 7, no last triangle, no layers, and the
  // parameter defaults (which read the drawing's current layer and units).
  // The creator sets fTINParams.normalTIN before.
  void InitVars(KVCallback cb);
  // Makes the builder; false when the host refuses the memory (the TIN is
  // then not usable).
  bool MakeVtxTriMgr();

  // Deletes every vertex and the vertex list, frees the hull list (not its
  // vertices), deletes every triangle and the triangle list, every breakline
  // and the breakline list; each reference becomes null.  Null items are
  // skipped.
  void DeleteVtxHullAndTriLists();

  // Graphics (output/TINGraphics.cpp), through the module's callback value.
  // A closed 2D polygon through the hull vertices, in no container (the
  // caller deletes it), or 0 when there is no hull or the host refuses.
  KVObj MakePlainPolyOfHull();
  // The hull outline on the 2D layer; the current layer is restored.
  void MakeOnePolyConvexHull();
  // A text block centred on the hull's bounding box, on the 2D layer.
  void CreateTextObject(const unsigned char* text);
  // One closed polygon per triangle, in list order, into `container` (a layer
  // or a group; 0 does nothing).  kErrTriMemLowBefore / kErrTriMemLowAfter
  // when memory runs low; what was drawn stays.
  TErr MakeOnePolyForEachTriangle(KVObj container, bool want3D);
  // The 2D and 3D triangles the parameters ask for, each on its layer and,
  // with makeGroups, in a group of its own.  The 3D pass runs even after the
  // 2D pass failed; the result is the last pass's code.
  TErr MakeGroupAndPolysForTriangles();

  // Command flows (shell/TINFlows.cpp).  CreateTIN: undo method, bases
  // (normalTIN = no first base), defaults, the parameters dialog, the build
  // and the graphics; kErrCancel when the dialog is cancelled.  ChangeTIN:
  // the dialog (skipped for a non-resident TIN while the Option key is held),
  // old graphics deleted, then a rebuild or new contours, then graphics.
  TErr CreateTIN(TTIN* firstBase, TTIN* secondBase, TElevRange range);
  TErr ChangeTIN();
  // Hull, triangles and contours as the parameters ask, in that order.
  TErr DrawGraphics();
  // A new contour map traced on the present triangulation; on failure the
  // map is freed and its code returned.
  TErr RemakeContourMap();
  void FreeContourMap();
  // Reports (analysis/): docTouched becomes 0 when the report text was
  // placed in the drawing.
  TErr CalcArea(std::int32_t* docTouched);
  TErr CalcCutFillDatum(std::int32_t* docTouched);

  // Contour graphics (contour/ContourOutput.cpp): the contour map's polylines
  // as 2D and/or 3D objects on the TIN's layers, in groups when asked; 0 when
  // there is no contour map, else the error code.  The 2D vertex kind is 0
  // (corners) to 4 (smoothed); other values mean corners.
  std::int32_t MakeGroupAndPolysForContourPolylines(std::int16_t cntr2DVtxKind, bool want2DCntr,
                                            bool want3DCntr, bool labelCntrs, bool makeGroups);

  void GetTINParams(TTINParams* out) const { *out = fTINParams; }
  std::int32_t GetContourInterval() const { return fTINParams.contourInterval; }

  // Storage (defined in storage/).  The TIN record: version, numbers of the
  // TIN and its bases, parameters, then, unless notResident, the vertices,
  // hull, triangles and breaklines, numbering them first.  With a measuring
  // writer only the size is counted.  0, or the first error.
  std::int32_t AttachDataToDrawing(TStoreWriter& out);
  // Reads one TIN record into this freshly made TIN, checking every count and
  // reference; the base TINs stay numbers (fInnerTINNum, fOuterTINNum) for
  // the manager to resolve.  On an error the TIN is to be destroyed.
  std::int32_t ReadFromUserDataNode(TStoreReader& in);

  std::int16_t fVersion = 0;
  std::uint32_t fIDNum = 0;
  TTINTriangle* fTriLastFoundIn = nullptr;  // start hint of the next point location
  TTIN* fInnerTIN = nullptr;                // difference TIN: the enclosed base
  TTIN* fOuterTIN = nullptr;                // difference TIN: the enclosing base
  TLandMgr* fLandMgr;
  KVObj fLayer2D = 0;
  KVObj fLayer3D = 0;
  TTINParams fTINParams;
  double fMinDistToNextCont = 0.0;
  std::int32_t fSpacingInterval = 0;  // contour interval the spacings are taken at
  TKestSortedLList* fTINVtxListByZ = nullptr;
  TLinkedList* fConvexHullVtxList = nullptr;  // clockwise from the lowest y (then x)
  TLinkedList* fTINTriangleList = nullptr;
  TLinkedList* fBrklnList = nullptr;          // in collection order
  TIDIndex* fVtxReadTable = nullptr;          // only while the TIN is read
  TIDIndex* fTriReadTable = nullptr;
  TKestXYAndHdlArray* fVtxArrayByX = nullptr;  // only during collection and triangulation
  TTINContourMap* fContourMap = nullptr;
  TTINVtxTriMgr* fVtxTriMgr = nullptr;
  // The base TIN numbers of a record being read (-1: none), until the
  // manager turns them into fInnerTIN and fOuterTIN.
  std::int32_t fInnerTINNum = -1;
  std::int32_t fOuterTINNum = -1;
  // Indexed or step-by-step builds of this TIN, fixed when it is made.
  const TSteps fSteps = NewStructureSteps();
};
