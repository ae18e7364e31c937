// Point sets for the triangulation tests: random, integer grids, lattice
// points of one circle, clusters, coordinates near ±2^30, and the real terrain
// files of the shared data folder (x, y, z scaled and truncated toward zero).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "TriFixture.h"

// n points with distinct XY, uniform in [lo, hi]², random z.
inline std::vector<XYZ> RandomPoints(int n, std::int32_t lo, std::int32_t hi, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::int32_t> c(lo, hi), z(0, 1000);
  std::set<std::pair<std::int32_t, std::int32_t>> seen;
  std::vector<XYZ> out;
  while (static_cast<int>(out.size()) < n) {
    const std::int32_t x = c(rng), y = c(rng);
    if (seen.insert({x, y}).second) out.push_back({x, y, z(rng)});
  }
  return out;
}

// A w × h grid with the given spacing; z from a few levels, so that many
// elevations tie.
inline std::vector<XYZ> GridPoints(int w, int h, std::int32_t spacing, std::int32_t x0 = 0,
                                   std::int32_t y0 = 0) {
  std::vector<XYZ> out;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      out.push_back({x0 + i * spacing, y0 + j * spacing, (i * 7 + j * 3) % 5});
  return out;
}

// Every lattice point of the circle x² + y² = r² around (cx, cy).
inline std::vector<XYZ> CirclePoints(std::int32_t r, std::int32_t cx = 0, std::int32_t cy = 0) {
  std::vector<XYZ> out;
  const std::int64_t r2 = std::int64_t{r} * r;
  for (std::int32_t x = -r; x <= r; ++x) {
    const std::int64_t rest = r2 - std::int64_t{x} * x;
    const auto y = static_cast<std::int32_t>(std::llround(std::sqrt(static_cast<double>(rest))));
    if (std::int64_t{y} * y != rest) continue;
    out.push_back({cx + x, cy + y, x & 7});
    if (y != 0) out.push_back({cx + x, cy - y, (x + 3) & 7});
  }
  return out;
}

// k tight clusters of m points each, far apart.
inline std::vector<XYZ> ClusterPoints(int k, int m, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::int32_t> centre(-1000000, 1000000), off(-50, 50), z(0, 99);
  std::set<std::pair<std::int32_t, std::int32_t>> seen;
  std::vector<XYZ> out;
  for (int c = 0; c < k; ++c) {
    const std::int32_t cx = centre(rng), cy = centre(rng);
    for (int i = 0; i < m; ++i) {
      const std::int32_t x = cx + off(rng), y = cy + off(rng);
      if (seen.insert({x, y}).second) out.push_back({x, y, z(rng)});
    }
  }
  return out;
}

// A decimal number of a data file times 10^digits, truncated toward zero,
// computed from its text so that no binary rounding moves a point.
inline std::int32_t ScaledDecimal(const std::string& text, int digits) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative || (!text.empty() && text[0] == '+')) ++i;
  std::int64_t value = 0;
  int fraction = -1;  // digits seen after the point; -1 before it
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      fraction = 0;
      continue;
    }
    if (c < '0' || c > '9') break;
    if (fraction >= digits) continue;  // truncated
    value = value * 10 + (c - '0');
    if (fraction >= 0) ++fraction;
  }
  for (int k = fraction < 0 ? 0 : fraction; k < digits; ++k) value *= 10;
  return static_cast<std::int32_t>(negative ? -value : value);
}

// A data file of x,y,z rows (header skipped), each value times 10^digits,
// truncated toward zero.  Empty when the file cannot be read.
inline std::vector<XYZ> ReadPointsCSV(const std::string& relPath, int digits) {
  std::ifstream in(std::string(TIN_DATA_DIR) + "/" + relPath);
  std::vector<XYZ> out;
  std::string line;
  if (!std::getline(in, line)) return out;
  while (std::getline(in, line)) {
    std::stringstream s(line);
    std::string f[3];
    if (!std::getline(s, f[0], ',') || !std::getline(s, f[1], ',') || !std::getline(s, f[2]))
      continue;
    out.push_back({ScaledDecimal(f[0], digits), ScaledDecimal(f[1], digits),
                   ScaledDecimal(f[2], digits)});
  }
  return out;
}

// The number of points on the boundary of the convex hull, collinear ones
// included (monotone chain with exact 128-bit turns), computed independently
// of the plug-in's hull walk.
inline std::size_t HullBoundaryCount(std::vector<XYZ> pts) {
  __extension__ typedef __int128 Int128;
  std::sort(pts.begin(), pts.end(),
            [](const XYZ& a, const XYZ& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  auto cross = [](const XYZ& o, const XYZ& a, const XYZ& b) {
    return Int128{a.x - Int128{o.x}} * (b.y - Int128{o.y}) -
           Int128{a.y - Int128{o.y}} * (b.x - Int128{o.x});
  };
  std::vector<XYZ> chain;
  auto half = [&](auto first, auto last) {
    const std::size_t base = chain.size();
    for (auto it = first; it != last; ++it) {
      while (chain.size() >= base + 2 && cross(chain[chain.size() - 2], chain.back(), *it) < 0)
        chain.pop_back();
      chain.push_back(*it);
    }
    chain.pop_back();
  };
  half(pts.begin(), pts.end());
  half(pts.rbegin(), pts.rend());
  return chain.size();
}
