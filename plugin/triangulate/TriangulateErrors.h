// Error codes of vertex collection, the hull, the triangulation and the edge
// repair.  High 16 bits: the error group (9 = TIN creation, 1 = memory,
// 15 = too few vertices); low 16 bits: where it happened.
#pragma once

#include "plugin/shell/Errors.h"

// Vertex collection.
constexpr TErr kErrNoXYArray = 0x9003D;          // no memory for the X-sorted array
constexpr TErr kErrNoVtxListMemory = 0x90001;    // no memory for the vertex list
constexpr TErr kErrVtxListInit = 0x90002;        // the vertex list failed to initialise
constexpr TErr kErrTooFewVertices = 0xF0000;     // fewer than 3 distinct vertices
// Convex hull.
constexpr TErr kErrHullNoVtxList = 0x90006;
constexpr TErr kErrHullEmptyVtxList = 0x90007;
constexpr TErr kErrHullListMemory = 0x10008;
constexpr TErr kErrHullListInit = 0x90009;
constexpr TErr kErrHullAppendStart = 0x9000A;
constexpr TErr kErrHullAppend = 0x90008;
// Fan of the hull.
constexpr TErr kErrFanNoHull = 0x9000B;
constexpr TErr kErrFanEmptyHull = 0x9000C;
constexpr TErr kErrFanNullHullVtx = 0x9000D;
constexpr TErr kErrFanCollinear = 0x90032;
constexpr TErr kErrFanTriListExists = 0x9000E;
constexpr TErr kErrFanTriListMemory = 0x10009;
constexpr TErr kErrFanTriListInit = 0x9000F;
constexpr TErr kErrFanNotClockwise = 0x9002C;
constexpr TErr kErrFanLinks = 0x9002D;
// Delaunay pass over the fan.
constexpr TErr kErrFirstPassNoList = 0x90010;
constexpr TErr kErrFirstPassEmptyList = 0x90011;
constexpr TErr kErrFirstPassLinksBefore = 0x90028;
constexpr TErr kErrFirstPassLinksAfter = 0x9002E;
// Vertex links.
constexpr TErr kErrAssignNoTriangles = 0x90038;
constexpr TErr kErrHighNoTriangles = 0x90012;
// Insertion.
constexpr TErr kErrNullVtxInList = 0x90024;
constexpr TErr kErrMemLowInsert = 0x1000D;
constexpr TErr kErrInsertNoHull = 0x90023;
constexpr TErr kErrNoTriangleForVtx = 0x90022;
constexpr TErr kErrNoTriangleMemory = 0x90025;
constexpr TErr kErrSplitSelfNabr0 = 0x9001D;
constexpr TErr kErrSplitSelfNabr1 = 0x9001E;
constexpr TErr kErrSplitSelfNabr2 = 0x9001F;
constexpr TErr kErrSplitNotClockwise0 = 0x90031;
constexpr TErr kErrSplitNotClockwise1 = 0x90032;  // the same value as kErrFanCollinear
constexpr TErr kErrSplitNotClockwise2 = 0x90033;
constexpr TErr kErrSplitLinks = 0x90030;
constexpr TErr kErrEdgeSplitNotClockwiseT = 0x90034;
constexpr TErr kErrEdgeSplitNotClockwiseT1 = 0x90035;
constexpr TErr kErrEdgeSplitNotClockwiseT2 = 0x90036;
constexpr TErr kErrEdgeSplitNotClockwiseT3 = 0x90037;
// Triangulation from scratch: no memory for the X-sorted array (the build
// goes on without it).
constexpr TErr kErrScratchNoXYArray = 0x9003F;
// Contour map of the full build.
constexpr TErr kErrNoContourMapMemory = 0x90014;
// Edge repair.
constexpr TErr kErrRepairRepeatedCorner = 0x9002B;
constexpr TErr kErrRepairLinks = 0x9002F;
constexpr TErr kErrRepairStartRepeatedCorner = 0x9002A;
// The repair's work list could not grow (memory group).  The repair walks
// with an explicit stack instead of recursion; this is its only new failure.
constexpr TErr kErrRepairNoMemory = 0x10041;
// The hull walk did not come back to its start within twice the number of
// vertices (a guard; exact input never reaches it).
constexpr TErr kErrHullNotClosed = 0x90042;
// The edge repair kept flipping past any number of flips that a settling
// repair can need (the square of the triangle count): the double-precision
// circle test is cycling on nearly degenerate triangles.
constexpr TErr kErrRepairDoesNotSettle = 0x90044;
