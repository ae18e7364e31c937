// Whether the built TIN holds a breakline segment: a chain of TIN edges from
// one end to the other, through vertices that lie within kBrklnChainDrift
// world units of the segment, each further along it than the one before.
// Enforcement puts its vertices on the segment only up to the truncation of
// their coordinates, hence the drift.
#pragma once

#include "plugin/triangulate/ULandUtils.h"

class TTINVtx;

// True when the chain exists.  Otherwise *gap is where the segment leaves
// the TIN's edges: the first point past the chain's last vertex where a TIN
// edge crosses the segment, or that vertex itself when no edge does.
// Precondition: every vertex's fTriangle, when set, has it as a corner.
bool SegmentIsChainOfEdges(const TTINVtx* b1, const TTINVtx* b2, TRealPt* gap);
