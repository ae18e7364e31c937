// Breakline enforcement: every segment of every breakline becomes a chain of
// triangle edges.  Where a segment crosses an edge, a new vertex is put on
// the segment at the crossing (coordinates and interpolated elevation
// truncated toward zero) and splits the edge's two triangles without any
// Delaunay repair, so that the pieces of the segment stay edges.  The walk
// then goes on from the new vertex.
//
//        P1               P1
//       /|\              /|\       F -> G leaves F through T = (F, P1, P2)
//      / | \            / | \      and crosses its far edge P1-P2.  X, on
//     F T|N S   ==>    F--X--S     the segment at the crossing, splits T and
//      \ | /            \ | /      the neighbour N = (P2, P1, S) into four;
//       \|/              \|/       the walk goes on from X towards G.
//        P2               P2
//
// Also the two breakline queries that the flat-triangle step asks before it
// flips an edge.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/shell/Errors.h"

class TTIN;
class TTINVtx;

constexpr TErr kErrBrklnNoList = 0x90013;          // the TIN has no breakline list
constexpr TErr kErrBrklnStartNoTriangle = 0x90016; // a segment's start vertex has no triangle
constexpr TErr kErrBrklnStartNotCorner = 0x90026;  // ... is not a corner of its own triangle
constexpr TErr kErrBrklnWalkNullTri = 0x9001B;     // null triangle in the walk for the end vertex
constexpr TErr kErrBrklnSelfNabr = 0x9001C;        // a triangle is its own neighbour
constexpr TErr kErrBrklnNotCornerInWalk = 0x90020; // the start vertex is not a corner of a walked triangle
constexpr TErr kErrBrklnCrossNullTri = 0x90017;    // null triangle in the walk for the crossing
constexpr TErr kErrBrklnLeavesTIN = 0x90018;       // the segment leaves through a hull edge
constexpr TErr kErrBrklnNoFarCorner = 0x90019;     // the triangle beyond the crossed edge lacks its corner
constexpr TErr kErrBrklnNoVtxMemory = 0x9001A;     // no memory for a new vertex

// Forces the segments of every breakline, in list order (for a closed
// breakline also last → first).  The first error ends the enforcement;
// vertices inserted up to then stay.  kErrBrklnNoList without a list.
TErr ApplyBreaklines(TTIN* tin);

// Forces the segment from → to.  Nothing happens when it is an edge already,
// or when it runs (within kBrklnAlongEdgeTol) along an edge from `from` or
// from a vertex inserted on it: the rest is then not enforced.  Otherwise one
// vertex per crossed edge, each inserted into the vertex list -- except where
// the truncated crossing would fall on (or just beyond) an end of the crossed
// edge: the segment then passes through that vertex.
// Precondition: `from` is a corner of the triangulation.
TErr ApplyBrklnBetweenTwoVtxs(TTIN* tin, TTINVtx* from, TTINVtx* to);

// True when the edge e1–e2 lies on a segment of some breakline (the closing
// segment of a closed one included), by EdgeLiesOnSegment.
bool TwoVtxsAreNabrsOnActiveBrkln(const TTIN* tin, const TTINVtx* e1, const TTINVtx* e2);

// True when `vtx` itself is an entry of some breakline's vertex list.
// Vertices inserted by the enforcement answer false.
bool IsVtxOnBrkln(const TTIN* tin, const TTINVtx* vtx);

// True when both e1 and e2 lie on segment b1–b2: each is b1 or b2, or lies in
// the segment's box grown by 1 and either has an end's coordinates, or the
// segment spans under kShortSpan in x or y, or its slope ratio to the
// segment is 1 within kOnLineRatioTol.
bool EdgeLiesOnSegment(const TTINVtx* e1, const TTINVtx* e2, const TTINVtx* b1,
                       const TTINVtx* b2);

// Intersection of the line through l1, l2 with the line through k1, k2, in
// double arithmetic, truncated toward zero.  Horizontal, then vertical first
// lines are handled before the slope form; lines parallel (both horizontal,
// both vertical, or slopes within kParallelSlopeTol) give k1.
KVPoint2D GetLineIntersection(const KVPoint2D& l1, const KVPoint2D& l2, const KVPoint2D& k1,
                              const KVPoint2D& k2);
