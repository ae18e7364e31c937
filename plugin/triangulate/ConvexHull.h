// The convex hull of the TIN's vertices by gift wrapping, clockwise from the
// lowest (then leftmost) vertex.  Every vertex on a hull side is a hull vertex
// of its own, in order along the side.  For vertices all on one line the walk
// goes out to the far end and back (A, B, D gives A, B, D, B).
//
// The walk compares every vertex with the current hull vertex for every hull
// vertex found.  Its turns are doubles, so only vertices whose direction from
// the current one is within rounding of the best can win a step: those on or
// within a hair of the hull's boundary (HullBand.h).  DetermineConvexHull
// walks over those alone, in list order, and so appends the same hull list as
// the walk over every vertex, which DetermineConvexHullLiteral keeps (and a
// TIN of TSteps::kLiteral uses) for comparison.
#pragma once

#include "plugin/shell/Errors.h"

class TTINVtxTriMgr;

// Fills fConvexHullVtxList.  0, or kErrHullNoVtxList, kErrHullEmptyVtxList,
// kErrHullListMemory, kErrHullListInit, kErrHullAppendStart, kErrHullAppend,
// kErrHullNotClosed.
TErr DetermineConvexHull(TTINVtxTriMgr* mgr);
TErr DetermineConvexHullLiteral(TTINVtxTriMgr* mgr);
