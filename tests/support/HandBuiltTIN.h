// A small TIN built by hand through the model API: a square of side `side`
// with its lower-left corner at (x0, y0) and one vertex in the middle, cut
// into four clockwise triangles around the middle.  Corner elevations are
// zLow, +1, +2, zHigh in the order lower-left, upper-left, upper-right,
// lower-right; the middle lies at zLow + 1.  The hull runs clockwise from the
// lower-left corner.  Neighbour links are not set (the graphics and the
// dialogs do not follow them).
#pragma once

#include <array>
#include <cstdint>

#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"

struct HandBuiltTIN {
  std::array<TTINVtx*, 4> corners{};  // lower-left, upper-left, upper-right, lower-right
  TTINVtx* middle = nullptr;
  std::array<TTINTriangle*, 4> triangles{};  // (corner i, corner i+1, middle)
};

// Fills `tin`, which must have no lists yet; false when the host refuses memory.
inline bool BuildSquareTIN(TTIN* tin, std::int32_t x0, std::int32_t y0, std::int32_t side,
                           std::int32_t zLow, std::int32_t zHigh, HandBuiltTIN* out = nullptr) {
  HandBuiltTIN made;
  made.corners = {new TTINVtx(x0, y0, zLow), new TTINVtx(x0, y0 + side, zLow + 1),
                  new TTINVtx(x0 + side, y0 + side, zLow + 2), new TTINVtx(x0 + side, y0, zHigh)};
  made.middle = new TTINVtx(x0 + side / 2, y0 + side / 2, zLow + 1);

  TKestSortedLList* byZ = TKestSortedLList::New();
  if (byZ == nullptr || !byZ->IKestSortedLList()) return false;
  tin->fTINVtxListByZ = byZ;
  for (TTINVtx* v : made.corners)
    if (v == nullptr || !byZ->Insert(v)) return false;
  if (made.middle == nullptr || !byZ->Insert(made.middle)) return false;

  tin->fConvexHullVtxList = TLinkedList::New();
  if (tin->fConvexHullVtxList == nullptr || !tin->fConvexHullVtxList->ILinkedList()) return false;
  for (TTINVtx* v : made.corners)
    if (!tin->fConvexHullVtxList->Append(v)) return false;

  tin->fTINTriangleList = TLinkedList::New();
  if (tin->fTINTriangleList == nullptr || !tin->fTINTriangleList->ILinkedList()) return false;
  for (int i = 0; i < 4; ++i) {
    auto* tri = new TTINTriangle();
    if (tri == nullptr) return false;
    TTINVtx* corners[3] = {made.corners[i], made.corners[(i + 1) % 4], made.middle};
    tri->SetVertices(corners);
    if (!tin->fTINTriangleList->Append(tri)) {
      delete tri;
      return false;
    }
    made.triangles[i] = tri;
  }
  if (out != nullptr) *out = made;
  return true;
}
