// Random breakline scenes for the property tests: survey points in a square
// frame and 3D polygons with the shapes that make enforcement hard -- thin
// spikes with points inside and beside them, lines that share an end or meet
// at a T, lines that cross at a common vertex or between vertices,
// near-collinear runs with points on and beside the line, repeated and
// revisited vertices.  Every coordinate lies strictly inside the frame, whose
// four corners are points, so no segment can leave the hull.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TriFixture.h"

struct TSceneLine {
  std::vector<XYZ> pts;
  bool closed = false;
};

struct TScene {
  std::int32_t size = 0;        // the frame is [0, size]²
  std::vector<XYZ> points;      // loci, the frame's corners first
  std::vector<TSceneLine> lines;  // 3D polygons, in drawing order
  std::string what;             // the features, for a failure message
};

class TSceneMaker {
 public:
  explicit TSceneMaker(unsigned seed) : rng_(seed) {}

  TScene Make() {
    TScene s;
    const std::int32_t sizes[] = {200, 3000, 100000, 20000000};
    s.size = sizes[Int(0, 3)];
    size_ = s.size;
    levels_ = Int(0, 1) == 0 ? 3 : 1000;  // few levels: many flat triangles
    for (std::int32_t x : {0, s.size})
      for (std::int32_t y : {0, s.size}) s.points.push_back({x, y, Z()});
    const int scatter = Int(0, 30);
    for (int i = 0; i < scatter; ++i) s.points.push_back(Inside());
    const int features = Int(1, 3);
    for (int f = 0; f < features; ++f) {
      switch (Int(0, 6)) {
        case 0: Spike(s, false); break;
        case 1: Spike(s, true); break;
        case 2: SharedEnd(s); break;
        case 3: CrossAtVertex(s); break;
        case 4: NearCollinear(s); break;
        case 5: Duplicates(s); break;
        default: Crossing(s); break;
      }
    }
    return s;
  }

 private:
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  double Real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
  std::int32_t Z() { return Int(0, levels_ - 1) * 10; }
  std::int32_t Clamp(double v) const {
    return static_cast<std::int32_t>(std::clamp(std::trunc(v), 1.0, double(size_ - 1)));
  }
  XYZ At(double x, double y) { return {Clamp(x), Clamp(y), Z()}; }
  XYZ Inside() { return At(Real(1, size_ - 1), Real(1, size_ - 1)); }
  double Len(double lo, double hi) { return size_ * Real(lo, hi); }

  // A thin spike: out along one arm to the tip and back along the other, the
  // arms between 0.001° and 20° apart; points inside it (some within a few
  // per cent of an arm) and beside it.  With `sharedTip` the tip is the end
  // of a line drawn before the spike.
  void Spike(TScene& s, bool sharedTip) {
    const XYZ tip = At(Real(0.3, 0.7) * size_, Real(0.3, 0.7) * size_);
    const double dir = Real(0, 2 * M_PI);
    const double apart = std::pow(10.0, Real(-3, std::log10(20.0))) * M_PI / 180;
    const double l1 = Len(0.01, 0.25), l2 = l1 * Real(0.5, 1.5);
    auto arm = [&](double a, double l, double t) {
      return At(tip.x + t * l * std::cos(a), tip.y + t * l * std::sin(a));
    };
    const XYZ a = arm(dir, l1, 1), c = arm(dir + apart, l2, 1);
    if (sharedTip) s.lines.push_back({{Inside(), tip}, false});
    s.lines.push_back({{a, tip, c}, false});
    const int inside = Int(0, 3);
    for (int i = 0; i < inside; ++i) {
      const double t = Real(0.05, 0.95);
      s.points.push_back(arm(dir + apart * (Int(0, 1) ? Real(0.01, 0.1) : Real(0.1, 0.9)),
                             std::min(l1, l2), t));
    }
    const int beside = Int(0, 2);
    for (int i = 0; i < beside; ++i)
      s.points.push_back(arm(dir - apart * Real(0.05, 2), l1, Real(0.05, 0.95)));
    s.what += sharedTip ? " spike-shared-tip" : " spike";
  }

  // Two lines sharing an end, or one ending on an inner vertex of the other.
  void SharedEnd(TScene& s) {
    TSceneLine first{{Inside(), Inside(), Inside()}, Int(0, 3) == 0};
    s.lines.push_back(first);
    const XYZ joint = first.pts[Int(0, 1) ? 2 : 1];
    s.lines.push_back({{joint, Inside(), Inside()}, false});
    s.what += " shared-end";
  }

  // Two lines that cross at a vertex both of them have.
  void CrossAtVertex(TScene& s) {
    const XYZ x = Inside();
    const double a = Real(0, M_PI), b = a + Real(0.05, M_PI - 0.05);
    const double l = Len(0.05, 0.3);
    auto end = [&](double ang, double k) { return At(x.x + k * l * std::cos(ang), x.y + k * l * std::sin(ang)); };
    s.lines.push_back({{end(a, -1), x, end(a, 1)}, false});
    s.lines.push_back({{end(b, -1), x, end(b, 1)}, false});
    s.what += " cross-at-vertex";
  }

  // A run of vertices along one line, each off it by a unit or two or by a
  // hair of its length, with points on and beside the line.
  void NearCollinear(TScene& s) {
    const XYZ p = Inside(), q = Inside();
    const double dx = double(q.x) - p.x, dy = double(q.y) - p.y, len = std::hypot(dx, dy);
    if (len < 4) return;
    const double nx = -dy / len, ny = dx / len;
    const bool relative = Int(0, 1);
    auto off = [&]() { return relative ? len * Real(-1e-4, 1e-4) : double(Int(-2, 2)); };
    TSceneLine line;
    const int n = Int(3, 8);
    for (int i = 0; i < n; ++i) {
      const double t = double(i) / (n - 1), o = off();
      line.pts.push_back(At(p.x + t * dx + o * nx, p.y + t * dy + o * ny));
    }
    s.lines.push_back(line);
    const int near = Int(0, 6);
    for (int i = 0; i < near; ++i) {
      const double t = Real(0, 1), o = off() * Int(0, 3);
      s.points.push_back(At(p.x + t * dx + o * nx, p.y + t * dy + o * ny));
    }
    s.what += relative ? " near-collinear-relative" : " near-collinear-units";
  }

  // A line with a repeated vertex, one that revisits an earlier vertex, and
  // points at the XY of its vertices.
  void Duplicates(TScene& s) {
    TSceneLine line{{Inside(), Inside(), Inside(), Inside()}, Int(0, 1) == 0};
    const int k = Int(0, 3);
    line.pts.insert(line.pts.begin() + k, line.pts[k]);  // the same vertex twice in a row
    if (Int(0, 1)) line.pts.push_back(line.pts[Int(0, 2)]);  // back to an earlier one
    s.lines.push_back(line);
    for (const XYZ& v : line.pts)
      if (Int(0, 2) == 0) s.points.push_back({v.x, v.y, Z()});
    s.what += " duplicates";
  }

  // Two lines crossing between their vertices.
  void Crossing(TScene& s) {
    s.lines.push_back({{Inside(), Inside()}, false});
    s.lines.push_back({{Inside(), Inside(), Inside()}, false});
    s.what += " crossing";
  }

  std::mt19937 rng_;
  std::int32_t size_ = 0;
  int levels_ = 1;
};
