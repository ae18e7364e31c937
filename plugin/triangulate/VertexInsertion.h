// Incremental insertion: every vertex of the vertex list, in order of rising
// elevation, splits the triangle it falls in (or the edge it falls on), and
// the Delaunay condition is repaired around it.
//
//   inside T = (A, B, D):            on edge e of T (P → Q), with neighbour N:
//        B                                  R
//       /|\        T  = (A, B, v)          /|\        T  = (P, v, R)
//      / v \       T1 = (v, B, D)         / | \       T1 = (v, Q, R)
//     /  |  \      T2 = (A, v, D)      P-----v-----Q  N  = (Q, v, S)
//    A ----- D                            \ | /       T3 = (v, P, S)
//                                           S
#pragma once

#include <cstdint>

#include "plugin/shell/Errors.h"

class TTIN;
class TTINTriangle;
class TTINVtx;

// Inserts every vertex of fTINVtxListByZ in list order; fTriLastFoundIn is
// null before and after.  0, kErrNullVtxInList, or the first insertion's code.
TErr AddInteriorVerticesAndTriangulate(TTIN* tin);

// Inserts one vertex unless it is a hull vertex (already a corner).  0,
// kErrMemLowInsert, kErrInsertNoHull, or AddOneVertexAndAdjustTriangles' code.
TErr AddOneVertexAndTriangulate(TTIN* tin, TTINVtx* vtx);

// Splits the triangle that holds `vtx`: the one found by point location, or
// `hintTri` with `hintEdge` (kNoIndex = inside) when given.  Without a hint an
// edge split is repaired at once; with a hint (breakline enforcement) it is
// not.  An inside split is always repaired.  0, kErrNoTriangleForVtx,
// kErrNoTriangleMemory, the split checks' codes, or the repair's code.
TErr AddOneVertexAndAdjustTriangles(TTIN* tin, TTINVtx* vtx, TTINTriangle* hintTri,
                                    std::int16_t hintEdge);
