// Difference TIN: a TIN whose elevations are its first base (the enclosed
// TIN, fInnerTIN) minus its second base (the enclosing TIN, fOuterTIN).  Its
// vertices are the vertices of each base that the other base covers, with
// the difference sampled there; hull, triangulation and contours then follow
// the ordinary build.
//
// Sampling by scans: a point that is not a vertex of the sampled base walks
// the base's whole vertex list and then its triangle list, and the duplicate
// test walks the new vertex list, so the cost grows with the product of the
// two bases' vertex counts.  MakeDiffVtxList answers the same questions
// through indexes built once per build (TDiffIndexes), with the same results
// in the same order; the scans remain for what an index could not be built
// for, and as MakeDiffVtxListLiteral, the comparison oracle.
#pragma once

#include <cstdint>

#include "plugin/analysis/SurfaceSampler.h"
#include "plugin/model/XYTable.h"
#include "plugin/host/KVABI.h"
#include "plugin/shell/Errors.h"

class TTIN;
class TTINVtxTriMgr;

// The elevation of the first triangle in list order that contains p (inside
// or on an edge), from its plane, truncated toward zero.  False, with *z
// unchanged, when no triangle contains p; a point on an edge shared by two
// triangles takes the one listed first.
bool GetElevFromEnclosingTri(const TTIN* base, const KVPoint2D& p, std::int32_t* z);

// The elevation of `base` at p: the elevation of its vertex at exactly p when
// there is one (the first in elevation order), otherwise
// GetElevFromEnclosingTri.  False when the base does not cover p.
bool GetElevAtXY(const TTIN* base, const KVPoint2D& p, std::int32_t* z);
// GetElevAtXY through `sampler` when it is built over `base` (same answers,
// without the scans), else by the scans themselves.
bool SampleElevAtXY(const TTIN* base, const TSurfaceSampler* sampler, const KVPoint2D& p, std::int32_t* z);

// The vertex list of a difference TIN (the TIN of `mgr`, fInnerTIN set):
// first the first base's vertices in list order that the second base covers,
// with z = first − second; then the second base's vertices not already taken
// at the same XY and covered by the first base, with the same difference.
// Uncovered points are dropped; a vertex that cannot be allocated is skipped.
// 0, or kErrNoVtxListMemory, kErrVtxListInit, kErrDiffNullInnerVtx,
// kErrDiffNullOuterVtx, kErrDiffTooFewVertices, kErrDiffBaseNoGeometry.
// Samples through TDiffIndexes (built before the vertex list is made); for a
// TIN of TSteps::kLiteral, by the scans.
TErr MakeDiffVtxList(TTINVtxTriMgr* mgr);
// The same with the scans throughout, whatever the build.
TErr MakeDiffVtxListLiteral(TTINVtxTriMgr* mgr);

// The indexes of one difference build: a sampler per base, and the positions
// the difference TIN holds so far (filled as vertices are listed).  Build
// makes what memory allows; each index is used only if it was built, and the
// scans answer for any other.
struct TDiffIndexes {
  TSurfaceSampler first, second;
  TXYTable taken;
  // Precondition: both bases exist (either may lack its lists).
  void Build(const TTIN* firstBase, const TTIN* secondBase);
};
