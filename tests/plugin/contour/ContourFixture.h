// Contour tests: a fresh host per test (from the triangulation tests'
// fixture), TINs built by hand as jittered grids with chosen diagonals or by
// the real build, and an independent marching pass that says which pieces of
// contour every triangle carries at a level.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "plugin/contour/TTINContourMap.h"
#include "plugin/contour/TTINContourPolyline.h"
#include "plugin/triangulate/BuildTIN.h"
#include "plugin/triangulate/ConvexHull.h"
#include "plugin/triangulate/VertexLinks.h"
#include "tests/support/PointSets.h"
#include "tests/support/TriFixture.h"

using Pt = std::pair<std::int32_t, std::int32_t>;  // (x, y)
using Seg = std::pair<Pt, Pt>;                     // ends in increasing order

inline Seg MakeSeg(Pt a, Pt b) { return a < b ? Seg{a, b} : Seg{b, a}; }

// The polylines of a contour map in list order.
inline std::vector<const TTINContourPolyline*> Polylines(const TTINContourMap* map) {
  std::vector<const TTINContourPolyline*> out;
  if (map == nullptr || map->fTINContourPolylineList == nullptr) return out;
  for (TLinkNode* n = map->fTINContourPolylineList->fFirst; n != nullptr; n = n->next)
    out.push_back(static_cast<const TTINContourPolyline*>(n->item));
  return out;
}

inline std::vector<TTINTriangle*> TrianglesOf(const TTIN* tin) {
  std::vector<TTINTriangle*> out;
  for (TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next)
    out.push_back(static_cast<TTINTriangle*>(n->item));
  return out;
}

inline std::vector<TTINVtx*> VerticesOf(const TTIN* tin) {
  std::vector<TTINVtx*> out;
  for (TLinkNode* n = tin->fTINVtxListByZ->fFirst; n != nullptr; n = n->next)
    out.push_back(static_cast<TTINVtx*>(n->item));
  return out;
}

inline std::vector<Pt> PointsOf(const TTINContourPolyline* line) {
  std::vector<Pt> out;
  for (std::int32_t i = 0; i < line->GetCount(); ++i) out.push_back({line->GetPoint(i).x, line->GetPoint(i).y});
  return out;
}

class ContourTest : public TriTest {
 protected:
  // A w x h grid of vertices at spacing `s`, each moved by up to s/5 at
  // random, z from `zOf`; every cell cut by a random diagonal.  Corners are
  // stored clockwise, neighbours linked, vertices listed by z, the hull
  // listed, and every vertex linked to its highest neighbour.
  TTIN* GridTIN(int w, int h, std::int32_t s, unsigned seed,
                const std::function<std::int32_t(int, int)>& zOf, bool jitter = true) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int32_t> off(-s / 5, s / 5);
    std::uniform_int_distribution<int> coin(0, 1);
    std::vector<XYZ> pts;
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) {
        const bool edge = i == 0 || j == 0 || i == w - 1 || j == h - 1;  // keep the hull straight
        const std::int32_t dx = jitter && !edge ? off(rng) : 0, dy = jitter && !edge ? off(rng) : 0;
        pts.push_back({i * s + dx, j * s + dy, zOf(i, j)});
      }
    TTIN* tin = NewTIN();
    std::vector<TTINVtx*> v = PlaceVertices(tin, pts);
    auto at = [&](int i, int j) { return v[static_cast<std::size_t>(j * w + i)]; };
    std::vector<std::array<TTINVtx*, 3>> tris;
    for (int j = 0; j + 1 < h; ++j)
      for (int i = 0; i + 1 < w; ++i) {
        TTINVtx *a = at(i, j), *b = at(i + 1, j), *c = at(i + 1, j + 1), *d = at(i, j + 1);
        if (coin(rng)) {
          tris.push_back({a, b, c});
          tris.push_back({a, c, d});
        } else {
          tris.push_back({a, b, d});
          tris.push_back({b, c, d});
        }
      }
    std::vector<TTINVtx*> hull;
    for (int i = 0; i < w; ++i) hull.push_back(at(i, 0));
    for (int j = 1; j < h; ++j) hull.push_back(at(w - 1, j));
    for (int i = w - 2; i >= 0; --i) hull.push_back(at(i, h - 1));
    for (int j = h - 2; j > 0; --j) hull.push_back(at(0, j));
    std::reverse(hull.begin() + 1, hull.end());  // clockwise from the lowest, leftmost
    PlaceHull(tin, hull);
    LinkTriangles(tin, tris);
    return tin;
  }

  // Stores the triangles (any corner order) clockwise and links neighbours
  // and highest-neighbour links.
  static void LinkTriangles(TTIN* tin, std::vector<std::array<TTINVtx*, 3>> tris) {
    tin->fTINTriangleList = TLinkedList::New();
    ASSERT_TRUE(tin->fTINTriangleList->ILinkedList());
    std::map<std::pair<TTINVtx*, TTINVtx*>, std::pair<TTINTriangle*, int>> edges;
    for (auto& c : tris) {
      __extension__ typedef __int128 Int128;
      const Int128 cross = Int128{c[1]->x - Int128{c[0]->x}} * (c[2]->y - Int128{c[0]->y}) -
                           Int128{c[1]->y - Int128{c[0]->y}} * (c[2]->x - Int128{c[0]->x});
      if (cross > 0) std::swap(c[1], c[2]);
      auto* t = new TTINTriangle();
      for (int k = 0; k < 3; ++k) t->fVertices[k] = c[k];
      ASSERT_TRUE(tin->fTINTriangleList->Append(t));
      for (int k = 0; k < 3; ++k) {
        TTINVtx *p = c[k], *q = c[(k + 1) % 3];
        auto other = edges.find({q, p});
        if (other != edges.end()) {
          t->fNeighbors[k] = other->second.first;
          other->second.first->fNeighbors[other->second.second] = t;
        }
        edges[{p, q}] = {t, k};
      }
    }
    LinkHighest(tin);
  }

  // Every vertex's fTriangle and step towards its highest connected vertex,
  // found by looking at every triangle (independent of the build's pass).
  static void LinkHighest(TTIN* tin) {
    for (TTINTriangle* t : Triangles(tin))
      for (int k = 0; k < 3; ++k) {
        TTINVtx* u = t->fVertices[k];
        for (int step : {1, -1}) {
          TTINVtx* partner = t->fVertices[(k + step + 3) % 3];
          std::int16_t mark = 0;
          TTINTriangle* cur = u->GetHighest(&mark);
          const bool none = cur == nullptr || mark == kVtxUnlinked;
          if (none || partner->z > cur->fVertices[(cur->IndexOfVertex(u) + mark + 3) % 3]->z)
            u->SetHighest(t, static_cast<std::int16_t>(step));
        }
      }
  }

  // The real build from loci (contour map included).
  TTIN* BuiltTIN(const std::vector<XYZ>& pts, TErr* err) {
    AddLoci(pts);
    TTIN* tin = NewTIN();
    *err = MakeSomethingOfMyself(tin);
    return tin;
  }

  // A contour map traced on `tin` with the given grid; kept for the test.
  TTINContourMap* TraceMap(TTIN* tin, std::int32_t interval, std::int32_t base = 0,
                        std::int32_t low = INT32_MIN, std::int32_t high = INT32_MAX,
                        std::int16_t every = 5, TErr* errOut = nullptr) {
    TTINParams& p = tin->fTINParams;
    p.contourInterval = interval;
    p.contourBaseElev = base;
    p.lowContourElev = low;
    p.highContourElev = high;
    p.indexContourEvery = every;
    delete tin->fContourMap;
    tin->fContourMap = new TTINContourMap();
    const TErr err = tin->fContourMap->MakeSomethingOfMyself(tin);
    if (errOut != nullptr) *errOut = err;
    else EXPECT_EQ(err, kNoErr);
    return tin->fContourMap;
  }
};

// ---------------------------------------------------------------------------
// The independent marching pass.

struct LevelPieces {
  std::multiset<Seg> required;  // every one exactly once
  std::set<Seg> optional;       // outlines of flat regions with holes or pinches: at most once
};

// The point at z on the edge between a and b (strictly on opposite sides),
// from the lower end, truncated toward zero.
inline Pt CrossingOf(const TTINVtx* a, const TTINVtx* b, std::int32_t z) {
  if (a->z > b->z) std::swap(a, b);
  const double t = (double(z) - a->z) / (double(b->z) - a->z);
  return {static_cast<std::int32_t>(a->x + (double(b->x) - a->x) * t),
          static_cast<std::int32_t>(a->y + (double(b->y) - a->y) * t)};
}

inline Pt XY(const TTINVtx* v) { return {v->x, v->y}; }

inline LevelPieces MarchLevel(const std::vector<TTINTriangle*>& tris, std::int32_t z) {
  LevelPieces out;
  auto flatAtZ = [z](const TTINTriangle* t) {
    return t != nullptr && t->fVertices[0]->z == z && t->fVertices[1]->z == z && t->fVertices[2]->z == z;
  };
  auto horizontal = [](const TTINTriangle* t) {
    return t->fVertices[0]->z == t->fVertices[1]->z && t->fVertices[1]->z == t->fVertices[2]->z;
  };
  std::set<Seg> alongEdges;
  for (const TTINTriangle* t : tris) {
    if (horizontal(t)) continue;
    bool besideFlat = false;
    for (const TTINTriangle* n : t->fNeighbors) besideFlat = besideFlat || flatAtZ(n);
    if (besideFlat) continue;  // its piece is the flat region's outline
    const TTINVtx* const* v = t->fVertices;
    std::vector<int> on;
    std::vector<Pt> cross;
    for (int k = 0; k < 3; ++k) {
      if (v[k]->z == z) on.push_back(k);
      const TTINVtx *a = v[k], *b = v[(k + 1) % 3];
      if ((a->z < z && b->z > z) || (a->z > z && b->z < z)) cross.push_back(CrossingOf(a, b, z));
    }
    if (on.empty() && cross.size() == 2) out.required.insert(MakeSeg(cross[0], cross[1]));
    if (on.size() == 1 && cross.size() == 1) out.required.insert(MakeSeg(XY(v[on[0]]), cross[0]));
    if (on.size() == 2) alongEdges.insert(MakeSeg(XY(v[on[0]]), XY(v[on[1]])));
  }
  out.required.insert(alongEdges.begin(), alongEdges.end());

  // Flat regions at z: connected through shared edges; their outline edges.
  std::map<const TTINTriangle*, int> region;
  int regions = 0;
  for (const TTINTriangle* seed : tris) {
    if (!flatAtZ(seed) || region.count(seed)) continue;
    std::vector<const TTINTriangle*> stack{seed};
    region[seed] = regions;
    std::vector<Seg> outline;
    std::map<Pt, int> degree;
    std::set<Pt> corners;
    std::set<Seg> edges;
    std::int64_t faces = 0;
    while (!stack.empty()) {
      const TTINTriangle* t = stack.back();
      stack.pop_back();
      ++faces;
      for (int k = 0; k < 3; ++k) {
        corners.insert(XY(t->fVertices[k]));
        edges.insert(MakeSeg(XY(t->fVertices[k]), XY(t->fVertices[(k + 1) % 3])));
      }
      for (int k = 0; k < 3; ++k) {
        const TTINTriangle* n = t->fNeighbors[k];
        if (n != nullptr && horizontal(n)) {
          if (!region.count(n)) {
            region[n] = regions;
            stack.push_back(n);
          }
          continue;
        }
        const Pt a = XY(t->fVertices[k]), b = XY(t->fVertices[(k + 1) % 3]);
        outline.push_back(MakeSeg(a, b));
        ++degree[a];
        ++degree[b];
      }
    }
    // One simple cycle: every outline vertex has two outline edges and the
    // region is a disc (V - E + F = 1).
    bool simple = true;
    for (const auto& [q, d] : degree) simple = simple && d == 2;
    simple = simple && std::int64_t(corners.size()) - std::int64_t(edges.size()) + faces == 1;
    for (const Seg& s : outline) {
      if (simple) out.required.insert(s);
      else out.optional.insert(s);
    }
    ++regions;
  }
  return out;
}

// The pieces of the traced polylines at z (closing piece included).
inline std::multiset<Seg> TracedPieces(const TTINContourMap* map, std::int32_t z) {
  std::multiset<Seg> out;
  for (const TTINContourPolyline* line : Polylines(map)) {
    if (line->GetElevation() != z) continue;
    const std::vector<Pt> p = PointsOf(line);
    for (std::size_t i = 0; i + 1 < p.size(); ++i) out.insert(MakeSeg(p[i], p[i + 1]));
    if (line->IsClosed()) out.insert(MakeSeg(p.back(), p.front()));
  }
  return out;
}

// Every level of the grid between the lowest and highest vertex: the traced
// pieces are exactly the marching pass's (optional ones at most once), the
// polylines carry the level and index flag, and no polyline repeats a point.
inline ::testing::AssertionResult MatchesMarching(const TTIN* tin, const TTINContourMap* map) {
  const TTINParams& p = tin->fTINParams;
  const std::vector<TTINTriangle*> tris = TrianglesOf(tin);
  std::int32_t zMin = INT32_MAX, zMax = INT32_MIN;
  for (const TTINVtx* v : VerticesOf(tin)) {
    zMin = std::min(zMin, v->z);
    zMax = std::max(zMax, v->z);
  }
  // The grid between the lowest vertex (or lowContourElev) and the highest
  // (or highContourElev).
  const std::int64_t from = std::max<std::int64_t>(zMin, p.lowContourElev);
  const std::int64_t to = std::min<std::int64_t>(zMax, p.highContourElev);
  std::set<std::int32_t> levels;
  for (std::int64_t k = CeilDiv(from - p.contourBaseElev, p.contourInterval);; ++k) {
    const std::int64_t z = p.contourBaseElev + k * std::int64_t{p.contourInterval};
    if (z > to) break;
    levels.insert(static_cast<std::int32_t>(z));
  }
  for (const TTINContourPolyline* line : Polylines(map)) {
    const std::int32_t z = line->GetElevation();
    if (!levels.count(z)) return ::testing::AssertionFailure() << "polyline at " << z << " off the grid";
    const std::int64_t k = (std::int64_t{z} - p.contourBaseElev) / p.contourInterval;
    if (line->IsMajor() != (k % p.indexContourEvery == 0))
      return ::testing::AssertionFailure() << "index flag wrong at " << z;
    const std::vector<Pt> pts = PointsOf(line);
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
      if (pts[i] == pts[i + 1]) return ::testing::AssertionFailure() << "repeated point at " << z;
    if (line->IsClosed() && (pts.size() < 3 || pts.front() == pts.back())) {
      std::ostringstream o;
      for (const Pt& q : pts) o << " (" << q.first << "," << q.second << ")";
      return ::testing::AssertionFailure() << "closed polyline at " << z << ":" << o.str();
    }
  }
  std::size_t pieces = 0;
  for (const std::int32_t z : levels) {
    const LevelPieces want = MarchLevel(tris, z);
    const std::multiset<Seg> got = TracedPieces(map, z);
    pieces += got.size();
    auto text = [](const Seg& s) {
      std::ostringstream o;
      o << "(" << s.first.first << "," << s.first.second << ")-(" << s.second.first << "," << s.second.second << ")";
      return o.str();
    };
    for (const Seg& s : want.required)
      if (got.count(s) != 1)
        return ::testing::AssertionFailure() << "z " << z << ": piece " << text(s) << " traced " << got.count(s) << " times";
    for (const Seg& s : got)
      if (!want.required.count(s) && !(want.optional.count(s) && got.count(s) == 1))
        return ::testing::AssertionFailure() << "z " << z << ": unexpected piece " << text(s);
  }
  if (pieces == 0 && !levels.empty()) return ::testing::AssertionFailure() << "nothing traced";
  return ::testing::AssertionSuccess();
}

