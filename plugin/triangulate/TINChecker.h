// The structural and geometric invariants of a built TIN, checked in one
// place.  The result is the first violation in words, or an empty text.
//
//   - every triangle has three different corners that are vertices of the
//     TIN and run clockwise (exact orientation, no collinear corners);
//   - adjacency is mutual with the edge correspondence: if N is neighbour i
//     of T, N's edge towards T runs from T's corner i+1 to T's corner i;
//   - every vertex of the vertex list is a corner of some triangle, and its
//     fTriangle (when required, always) has it as a corner;
//   - the vertex list is in non-decreasing z;
//   - the number of triangles is 2n − 2 − b, with b the number of boundary
//     edges (every hull-boundary vertex, collinear ones included);
//   - optionally every vertex's fTriangleMark is +1 or −1 (after the build);
//   - optionally the Delaunay condition: no far vertex of a neighbour lies
//     strictly inside a triangle's circumcircle (exact; cocircular ties are
//     allowed).  Breaklines and the flat-triangle step change it on purpose.
#pragma once

#include <cstddef>

class TTIN;

struct TTINCheckOptions {
  bool delaunay = true;
  bool finalMarks = true;  // fTriangleMark is ±1 (links of the highest-neighbour pass)
};

// Writes the first violation (or "") into `msg`, at most `capacity` bytes
// including the terminating zero; true when everything holds.  Uses scratch
// memory from the host allocator; without it the result is false with a note.
bool CheckTIN(const TTIN* tin, const TTINCheckOptions& options, char* msg, std::size_t capacity);
