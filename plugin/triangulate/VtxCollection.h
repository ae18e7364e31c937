// Vertex collection: the TIN's vertices (and, when breaklines are wanted, its
// breaklines) from the 3D polygons and 3D loci directly on the layer named
// after the TIN.  Polygons are read first, so that a locus at the XY of a
// polygon vertex is dropped and the polygon's elevation kept; a repeated XY
// keeps the vertex met first.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/shell/Errors.h"

class TTIN;
class TTINVtx;
class TTINVtxTriMgr;

// Fills fTINVtxListByZ (and fBrklnList when useBrklns) from the TIN's layer.
// fVtxArrayByX exists only during the call.  0, or kErrNoXYArray,
// kErrNoXYArrayHandle, kErrNoVtxListMemory, kErrVtxListInit,
// kErrTooFewVertices.  A difference TIN (fInnerTIN set) collects from its
// base TINs instead, without the X-sorted array (MakeDiffVtxList).
TErr MakeVtxList(TTINVtxTriMgr* mgr);

// Adds the vertices of one 3D polygon that are not present yet, and makes
// them a breakline when useBrklns.  Precondition: fTINVtxListByZ exists.
void Add3DPolyVtxsToTINVtxListByZ(TTINVtxTriMgr* mgr, KVObj poly);

// A new, empty vertex list in fTINVtxListByZ; kErrNoVtxListMemory or
// kErrVtxListInit (and no list) when the host refuses.
TErr MakeEmptyVtxList(TTIN* tin);

// The vertex at exactly (x, y), or null: through fVtxArrayByX when it exists,
// otherwise by a walk of fTINVtxListByZ.
TTINVtx* GetVtxAtXY(TTIN* tin, std::int32_t x, std::int32_t y);

// Per-object callbacks of the host's object walk (user = the TTIN): each adds
// one locus or one 3D polygon that lies on the TIN's layer, testing for
// duplicates by a walk of the vertex list.  The build itself does not use
// them.
extern "C" KV_EXPORT void AddLocToTINVtxListByZ(KVObj obj, KVCallback cb, void* user);
extern "C" KV_EXPORT void Add3DPolyVtxsToTINVtxList(KVObj obj, KVCallback cb, void* user);
