// The order that one-by-one insertion into the vertex list by elevation
// (TKestSortedLList::Insert, with its tie rule) gives, computed at once.
//
// Inserting item i into a list of i items puts it at a position that depends
// only on how many listed items are lower (below) and equal (s): among equal
// elevations it goes directly after the item that the binary search meets
// first, FirstProbeIn(i, below, below + s − 1); with none equal, at `below`.
// The items are first sorted by (elevation, index): counted into a table over
// the elevations' span when it is narrow (a large tile's elevations in
// millimetres usually are), by digits otherwise.  A forward pass finds below
// and s with a Fenwick tree over the ranks of the elevations, and the
// searches' first probes in batches; a backward pass turns the positions at
// insertion time into final places (the last item inserted at position p
// keeps the p-th place; each earlier one takes the p-th place still free).
// Items never leave the block of places of their elevation, so the backward
// pass orders each group of equal elevations on its own.  O(n log n) in a few
// flat arrays from the host allocator, instead of a search of the list per
// insertion.
#pragma once

#include <cstdint>

// order[k] = the index (into z) of the item that ends at place k.  False when
// the host refuses the working memory (order is then undefined).
bool InsertionOrderByZ(const std::int32_t* z, std::int32_t n, std::int32_t* order);
