// The first triangles: the hull polygon cut into a fan of n − 2 triangles that
// avoids three collinear corners along collinear hull runs, then made
// Delaunay by edge flips.
//
// Hull positions are 1-based: H1 … Hn are the hull vertices in list order
// (clockwise, H1 the lowest, leftmost); Hn+1 is H1 again.  A run of hull
// vertices on the side from H1 (H1 … Hf−1) is fanned from Hf, a run on the
// side into H1 (Hb+1 … Hn) from Hb.
#pragma once

#include "plugin/shell/Errors.h"

class TTIN;

// Creates fTINTriangleList with the fan, every shared edge linked in both
// triangles.  0, or kErrFanNoHull, kErrFanEmptyHull, kErrFanNullHullVtx,
// kErrFanCollinear (every hull vertex on the line H1–H2), kErrFanTriListExists,
// kErrFanTriListMemory, kErrFanTriListInit, kErrNoTriangleMemory,
// kErrFanNotClockwise, kErrFanLinks.
TErr TriangulateConvexHull(TTIN* tin);

// Repairs the fan until every edge with a neighbour is marked okay: repair
// from the first triangle, then from the first triangle (in list order) that
// still has an unmarked edge, and so on.  0, or kErrFirstPassNoList,
// kErrFirstPassEmptyList, kErrFirstPassLinksBefore, kErrFirstPassLinksAfter,
// or the repair's code.
TErr DelauneyizeFirstTrianglesOfHull(TTIN* tin);

// Links every pair of triangles of `list` that share an edge, matching the
// edge (u → w) of one with (w → u) of the other.  False when no scratch
// memory was available (nothing is linked then).
class TLinkedList;
bool LinkSharedEdges(TLinkedList* list);
