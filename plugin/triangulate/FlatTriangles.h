// Flat triangle removal.  A triangle whose three corners lie at exactly one
// elevation is a horizontal facet; beside a bend of a breakline it fills the
// concave side with a flat.  Each such triangle flips one edge towards a
// sloping neighbour where it can: never an edge on a breakline, only where
// the two triangles form a strictly convex quadrilateral, and towards the
// neighbour whose quadrilateral has the smallest sum of inner angles at the
// ends of the common edge.  The flipped pairs need not be Delaunay.
//
//          P                 P
//        /   \             / | \       flat T = (S, R, P) and the sloping
//      R ----- S   ==>   R   |   S      neighbour N = (R, S, Q) across S–R
//        \ N /             \ | /        become (Q, R, P) and (P, S, Q): the
//          Q                 Q          new edge P–Q slopes across the bend
#pragma once

#include <cstdint>

#include "plugin/shell/Errors.h"

class TTIN;
class TTINTriangle;

// When useBrklns is set and the TIN has at least one breakline: every
// triangle of the list, in list order, through CheckTriToFillConcavity.
// Always 0.
TErr FillConcavities(TTIN* tin);

// Flips `tri` off its flat, if it is exactly horizontal and a flip is
// allowed, unless walking on through the flat area from its middle or
// longest edge reaches a flippable sloping edge (only looked for when the
// best flip would be across its shortest edge).  After a flip the neighbours
// that were flat are examined again, in neighbour index order, depth first
// (a work list, not recursion).  Always 0.
TErr CheckTriToFillConcavity(TTINTriangle* tri, TTIN* tin);

// True when all three corners exist and have the same elevation (exact).
bool IsExactlyHorizontal(const TTINTriangle* tri);

// Edge indices by planimetric length.  Ties go to the lower index for the
// shortest and the longest; with three equal lengths: shortest 0, middle 2,
// longest 1.  Precondition: all three corners are set.
void SortEdgeIndicesByLength(const TTINTriangle* tri, std::int16_t* shortest,
                             std::int16_t* middle, std::int16_t* longest);
