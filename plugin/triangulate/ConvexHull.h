// The convex hull of the TIN's vertices by gift wrapping, clockwise from the
// lowest (then leftmost) vertex.  Every vertex on a hull side is a hull vertex
// of its own, in order along the side.  For vertices all on one line the walk
// goes out to the far end and back (A, B, D gives A, B, D, B).
#pragma once

#include "shell/Errors.h"

class TTINVtxTriMgr;

// Fills fConvexHullVtxList.  0, or kErrHullNoVtxList, kErrHullEmptyVtxList,
// kErrHullListMemory, kErrHullListInit, kErrHullAppendStart, kErrHullAppend,
// kErrHullNotClosed.
TErr DetermineConvexHull(TTINVtxTriMgr* mgr);
