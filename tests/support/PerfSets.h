// Inputs on which the indexed containers and hull are compared with their
// step-by-step versions: the triangulation tests' point sets plus the
// degenerate ones that stress ties and rounding (collinear runs, long nearly
// collinear sides at large coordinates, flat elevations), each with distinct
// XY as vertex collection guarantees.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PointSets.h"

struct PerfSet {
  const char* name;
  std::vector<XYZ> (*make)();
};

// Keeps the first point at each XY.
inline std::vector<XYZ> DistinctXY(const std::vector<XYZ>& pts) {
  std::set<std::pair<std::int32_t, std::int32_t>> seen;
  std::vector<XYZ> out;
  for (const XYZ& p : pts)
    if (seen.insert({p.x, p.y}).second) out.push_back(p);
  return out;
}

// Points on one line through the origin, in a shuffled order.
inline std::vector<XYZ> LinePoints(int n, std::int32_t dx, std::int32_t dy, unsigned seed) {
  std::vector<XYZ> out;
  for (int i = 0; i < n; ++i) out.push_back({i * dx, i * dy, (i * 37) % 11});
  std::shuffle(out.begin(), out.end(), std::mt19937(seed));
  return out;
}

// A triangle with long sides at coordinates near 2^30, each side carrying
// points exactly on it and points one unit inside it, where the hull walk's
// double turns cannot tell the two apart; plus random points inside.
inline std::vector<XYZ> NearlyCollinearSides(unsigned seed) {
  std::mt19937 rng(seed);
  const std::int64_t big = 1 << 30;
  const XYZ c[3] = {{-static_cast<std::int32_t>(big), -static_cast<std::int32_t>(big), 0},
                    {static_cast<std::int32_t>(big) - 7, -static_cast<std::int32_t>(big) + 3, 0},
                    {3, static_cast<std::int32_t>(big) - 11, 0}};
  std::vector<XYZ> out(c, c + 3);
  std::uniform_int_distribution<int> t(1, 999), z(0, 20);
  for (int side = 0; side < 3; ++side) {
    const XYZ& a = c[side];
    const XYZ& b = c[(side + 1) % 3];
    for (int k = 0; k < 60; ++k) {
      // 1000 equal steps along a side whose extent is a multiple of 1000 in
      // neither axis: truncated points lie on or just off the line.
      const std::int64_t i = t(rng);
      const auto x = static_cast<std::int32_t>(a.x + (std::int64_t{b.x} - a.x) * i / 1000);
      const auto y = static_cast<std::int32_t>(a.y + (std::int64_t{b.y} - a.y) * i / 1000);
      out.push_back({x, y, z(rng)});
      out.push_back({x + (side == 2 ? 1 : 0), y + (side == 0 ? 1 : 0), z(rng)});
    }
  }
  for (const XYZ& p : RandomPoints(300, -(1 << 20), 1 << 20, seed)) out.push_back(p);
  return DistinctXY(out);
}

inline std::vector<PerfSet> PerfSets() {
  return {
      {"Random2000", [] { return RandomPoints(2000, -1000000, 1000000, 3); }},
      {"RandomSmallRange", [] { return RandomPoints(3000, 0, 120, 5); }},
      {"RandomNear2To30", [] { return RandomPoints(1500, (1 << 30) - 5000, 1 << 30, 7); }},
      // The widest box coordinates allow: the locator's cell arithmetic at
      // its limits.
      {"RandomFullRange", [] { return RandomPoints(1500, INT32_MIN + 1, INT32_MAX, 11); }},
      {"Grid40", [] { return GridPoints(40, 40, 10); }},
      {"GridFlat", [] {
         std::vector<XYZ> g = GridPoints(30, 30, 3);
         for (XYZ& p : g) p.z = 5;
         return g;
       }},
      {"Circle", [] { return CirclePoints(5525); }},
      {"CircleAndCentre", [] {
         std::vector<XYZ> c = CirclePoints(1105);
         c.push_back({0, 0, 3});
         return c;
       }},
      {"Clusters", [] { return DistinctXY(ClusterPoints(6, 200, 9)); }},
      {"LineHorizontal", [] { return LinePoints(50, 3, 0, 1); }},
      {"LineDiagonal", [] { return LinePoints(50, 7, -5, 2); }},
      {"NearlyCollinearSides", [] { return NearlyCollinearSides(4); }},
      {"Volcano", [] { return DistinctXY(ReadPointsCSV("volcano/volcano_points.csv", 0)); }},
      {"Quarry", [] { return DistinctXY(ReadPointsCSV("quarry_contours/quarry_eg_points.csv", 3)); }},
      {"Bmx2010", [] { return DistinctXY(ReadPointsCSV("autzen_bmx/bmx2010_points.csv", 2)); }},
  };
}

inline std::string PerfSetName(const ::testing::TestParamInfo<PerfSet>& p) { return p.param.name; }
