// Error codes of contour tracing and contour output.  High 16 bits: the
// error group (1 = memory, 3 = memory ran low while drawing, 14 = contour
// failures); low 16 bits: where it happened.
#pragma once

#include "plugin/shell/Errors.h"

// Memory below the MemLevelOK limit at the start of an elevation; also a
// polyline, its point array, the polyline list or the sweep's tables that
// the host refused.
constexpr TErr kErrContourMemLow = 0x10013;
// A vertex without its highest-neighbour triangle (or one whose triangle
// does not have it as a corner, or whose step is not +1 or -1).
constexpr TErr kErrNoHighTriangle = 0xE0001;
// Two equal consecutive points on one polyline: the thread would not advance.
constexpr TErr kErrRepeatedPoint = 0xE0002;
// A null entry in the vertex list.
constexpr TErr kErrNullVtxInList = 0xE0003;
// The corner or edge to look from was not found (a neighbour that does not
// point back, a vertex missing from a triangle of its fan).
constexpr TErr kErrLookFromNotFound = 0xE0004;
// A walk around a fan, along a contour or around a flat region did not end
// within the number of triangles of the TIN: the links are damaged.
constexpr TErr kErrContourWalkRunaway = 0xE0005;
// Invalid corner index when the fan walk turns back at the hull.
constexpr TErr kErrFanTurnBack = 0xE0006;

// Contour output: memory short before a polyline was drawn, and after one.
constexpr TErr kErrContourOutputMemBefore = 0x1000F;
constexpr TErr kErrContourOutputMemAfter = 0x30001;
