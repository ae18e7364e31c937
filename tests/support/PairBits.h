// What a set known-pair bit of a triangle stands for, as the repair's visit
// reads it: the edge is the first that names its neighbour, both sides' flags
// are set and the neighbour has three distinct corners.
#pragma once

#include "plugin/model/TTINTriangle.h"

// True when bit `i` of `t` is clear, or set and backed as above.
inline bool PairBitHolds(const TTINTriangle* t, int i) {
  if ((t->fPairOkay >> i & 1) == 0) return true;
  auto first = [](const TTINTriangle* a, const TTINTriangle* b) {
    for (int k = 0; k < 3; ++k)
      if (a->fNeighbors[k] == b) return k;
    return -1;
  };
  const TTINTriangle* n = t->fNeighbors[i];
  const int j = n != nullptr ? first(n, t) : -1;
  return j >= 0 && first(t, n) == i && t->fEdgeOkay[i] && n->fEdgeOkay[j] &&
         n->fVertices[0] != n->fVertices[1] && n->fVertices[1] != n->fVertices[2] &&
         n->fVertices[0] != n->fVertices[2];
}
