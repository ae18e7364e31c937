// TINs for the breakline and flat-triangle tests, built by the driver from a
// layer or put together by hand (neighbours derived from shared edges), and
// the geometric checks of enforcement, computed apart from the plug-in.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "plugin/model/TBrkln.h"
#include "tests/support/PointSets.h"
#include "tests/support/TriFixture.h"

// Sign of the turn a → b → p, exact.
inline int Turn(const TTINVtx* a, const TTINVtx* b, const TTINVtx* p) {
  __extension__ typedef __int128 Int128;
  const Int128 c = Int128{std::int64_t{b->x} - a->x} * (std::int64_t{p->y} - a->y) -
                   Int128{std::int64_t{b->y} - a->y} * (std::int64_t{p->x} - a->x);
  return (c > 0) - (c < 0);
}
// Segments a–b and c–d cross at a point inside both.
inline bool CrossProperly(const TTINVtx* a, const TTINVtx* b, const TTINVtx* c, const TTINVtx* d) {
  return Turn(a, b, c) * Turn(a, b, d) < 0 && Turn(c, d, a) * Turn(c, d, b) < 0;
}
inline double DistanceFromLine(const TTINVtx* a, const TTINVtx* b, const TTINVtx* p) {
  const double dx = double(b->x) - a->x, dy = double(b->y) - a->y;
  return std::fabs(dx * (double(p->y) - a->y) - dy * (double(p->x) - a->x)) / std::hypot(dx, dy);
}

using Edge = std::pair<const TTINVtx*, const TTINVtx*>;  // lower address first
using Adjacency = std::map<const TTINVtx*, std::vector<const TTINVtx*>>;

// Whether b1 and b2 are joined by TIN edges through vertices within `tol` of
// the segment, each further along it than the one before and short of b2.
inline bool IsChainOfEdges(const Adjacency& nabrs, const TTINVtx* b1, const TTINVtx* b2,
                           double tol) {
  if (b1->x == b2->x && b1->y == b2->y) return true;
  const long double dx = (long double)b2->x - b1->x, dy = (long double)b2->y - b1->y;
  auto along = [&](const TTINVtx* v) {
    return dx * ((long double)v->x - b1->x) + dy * ((long double)v->y - b1->y);
  };
  std::vector<const TTINVtx*> todo{b1};
  std::set<const TTINVtx*> seen{b1};
  while (!todo.empty()) {
    const TTINVtx* v = todo.back();
    todo.pop_back();
    if (v == b2) return true;
    if (nabrs.count(v))
      for (const TTINVtx* w : nabrs.at(v))
        if (w == b2 || (along(w) > along(v) && along(w) < along(b2) &&
                        DistanceFromLine(b1, b2, w) <= tol && seen.insert(w).second))
          todo.push_back(w);
  }
  return false;
}

class BrklnTest : public TriTest {
 protected:
  // Vertices, clockwise triangles of vertex indices (every vertex linked to
  // its last triangle) and breaklines of vertex indices with a closed flag.
  TTIN* HandTIN(const std::vector<XYZ>& pts, const std::vector<std::array<int, 3>>& tris,
                const std::vector<std::pair<std::vector<int>, bool>>& brklns = {}) {
    TTIN* tin = NewTIN("Ground", true);
    vtx_ = PlaceVertices(tin, pts);
    tin->fTINTriangleList = TLinkedList::New();
    tin->fBrklnList = TLinkedList::New();
    EXPECT_TRUE(tin->fTINTriangleList->ILinkedList() && tin->fBrklnList->ILinkedList());
    std::map<std::pair<TTINVtx*, TTINVtx*>, std::pair<TTINTriangle*, int>> byEdge;
    for (const auto& c : tris) {
      auto* t = new TTINTriangle();
      EXPECT_TRUE(tin->fTINTriangleList->Append(t));
      for (int i = 0; i < 3; ++i) {
        TTINVtx* a = t->fVertices[i] = vtx_[c[i]];
        TTINVtx* b = vtx_[c[(i + 1) % 3]];
        a->SetHighest(t, 1);
        if (auto other = byEdge.find({b, a}); other != byEdge.end()) {
          t->fNeighbors[i] = other->second.first;
          other->second.first->fNeighbors[other->second.second] = t;
        }
        byEdge[{a, b}] = {t, i};
      }
    }
    for (const auto& [indices, closed] : brklns) {
      auto* b = new TBrkln();
      for (int i : indices) b->AddVtx(vtx_[i]);
      b->SetClosed(closed);
      EXPECT_TRUE(tin->fBrklnList->Append(b));
    }
    return tin;
  }

  static std::vector<std::string> Shape(const TTIN* tin) {
    std::vector<std::string> out;
    for (const TTINTriangle* t : Triangles(tin)) out.push_back(Corners(t));
    return out;
  }
  static Adjacency Nabrs(const TTIN* tin) {
    std::set<Edge> edges;
    for (const TTINTriangle* t : Triangles(tin))
      for (int i = 0; i < 3; ++i)
        edges.insert(std::minmax<const TTINVtx*>(t->fVertices[i], t->fVertices[(i + 1) % 3]));
    Adjacency out;
    for (const auto& [a, b] : edges) out[a].push_back(b), out[b].push_back(a);
    return out;
  }
  bool HasEdge(const TTIN* tin, int a, int b) {
    const Adjacency n = Nabrs(tin);
    return n.count(vtx_[a]) && std::count(n.at(vtx_[a]).begin(), n.at(vtx_[a]).end(), vtx_[b]);
  }
  // Every breakline segment (from, to), the closing one included.
  static std::vector<Edge> Segments(const TTIN* tin) {
    std::vector<Edge> out;
    for (TLinkNode* n = tin->fBrklnList->fFirst; n; n = n->next) {
      const auto* b = static_cast<const TBrkln*>(n->item);
      const std::vector<TTINVtx*> v = Items(b->fVtxList);
      for (std::size_t i = 1; i < v.size(); ++i) out.push_back({v[i - 1], v[i]});
      if (b->IsClosed() && v.size() > 2) out.push_back({v.back(), v.front()});
    }
    return out;
  }

  std::vector<TTINVtx*> vtx_;  // of the last HandTIN, in the order given
};
