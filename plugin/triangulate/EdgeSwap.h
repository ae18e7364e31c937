// Delaunay edge swapping: the test of one adjacent pair of triangles, the flip
// of their common edge with all its bookkeeping, the convexity test made
// before a flip of the flat-triangle step, the repair that spreads from one
// triangle, and two structural self-checks.
//
// Pair notation: for an adjacent pair (T1, T2), a is the index of T2 among
// T1's neighbours and b that of T1 among T2's.  The common edge is corners a
// and a+1 of T1 (= corners b+1 and b of T2).  P = corner a+2 of T1 and
// Q = corner b+2 of T2 are the far vertices; S = corner a and R = corner a+1
// of T1 are the ends of the common edge.
//
//            R                     R
//          / | \                 /   \        T1 (S, R, P) + T2 (R, S, Q)
//     P  T1  |  T2  Q   ==>   P ----- Q       become
//          \ | /                 \   /        T1 (Q, R, P) + T2 (P, S, Q)
//            S                     S
#pragma once

#include <cstdint>

#include "plugin/model/Steps.h"
#include "plugin/shell/Errors.h"

class TTIN;
class TTINTriangle;
class TTINVtx;

// a = index of t2 among t1's neighbours, b = index of t1 among t2's; each
// kNoIndex (−1) when absent.  The first matching index counts.
void FindCommonEdge(const TTINTriangle* t1, const TTINTriangle* t2, std::int16_t* a,
                    std::int16_t* b);
// The first corner of t2 that is not a corner of t1 (the last corner of t2 if
// all are shared).
TTINVtx* GetFarVertex(const TTINTriangle* t1, const TTINTriangle* t2);

// True when the pair passes the empty-circumcircle test.  known = true when
// the answer came without a new test (a null or non-adjacent pair, or both
// edge flags already set); a pair that passes a new test gets both flags set.
// The indexed steps compare the circle's radius with the far corner's
// distance through DistanceAtLeast (same answer, fewer square roots).
bool CheckIfDelauneyOkay(TTINTriangle* const pair[2], bool* known, TSteps steps = TSteps::kLiteral);

// Flips the common edge of an adjacent pair in place (see the diagram).  Both
// triangles keep clockwise order; outer neighbours and vertex links follow;
// only the new common edge keeps an okay flag.  A non-adjacent pair is left
// unchanged.
void SwapPairOfTriangles(TTINTriangle* const pair[2]);

// True when the quadrilateral P, S, Q, R is strictly convex at S and R, so
// that flipping to P–Q gives two proper triangles.  False for a non-adjacent
// pair.
bool CheckIfCanSwapTwoTris(TTINTriangle* const pair[2]);

// Repairs the Delaunay condition around `tri`, flipping where a pair fails,
// in the order of the classic depth-first recursion (made iteratively, so
// that it cannot exhaust the call stack).  0, or kErrRepairRepeatedCorner,
// kErrRepairLinks, kErrRepairStartRepeatedCorner, kErrRepairNoMemory.
TErr DelauneyizeWithNeighbors(TTIN* tin, TTINTriangle* tri);

// True when the three corner references are pairwise different (no geometric
// test).
bool IsClockwise(const TTINTriangle* tri);
// True when every non-null neighbour of `tri` lists `tri` among its own
// neighbours.
bool CheckNabrsForCommonVtxs(const TTINTriangle* tri);
