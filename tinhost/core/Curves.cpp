#include "tinhost/core/Curves.h"

namespace tinhost {

namespace {

struct Node {
  CurvePoint p;
  bool onCurve;
};

CurvePoint Mid(const CurvePoint& a, const CurvePoint& b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

CurvePoint PointOf(const Vertex& v) { return {static_cast<double>(v.x), static_cast<double>(v.y)}; }

// The vertices as on/off-curve nodes that begin and end on the curve.
std::vector<Node> Nodes(std::span<const Vertex> vs, bool closed) {
  std::vector<Node> out;
  const std::size_t n = vs.size();
  if (!closed) {
    for (std::size_t i = 0; i < n; ++i)
      out.push_back({PointOf(vs[i]), i == 0 || i + 1 == n || vs[i].kind != kKVVertexControl});
    return out;
  }
  std::size_t first = n;
  for (std::size_t i = 0; i < n; ++i)
    if (vs[i].kind != kKVVertexControl) {
      first = i;
      break;
    }
  if (first == n) {
    // Control points only: begin at the implied point between the first two.
    const CurvePoint start = n > 1 ? Mid(PointOf(vs[0]), PointOf(vs[1])) : PointOf(vs[0]);
    out.push_back({start, true});
    for (std::size_t i = 1; i <= n; ++i) out.push_back({PointOf(vs[i % n]), n == 1});
    out.push_back({start, true});
    return out;
  }
  for (std::size_t k = 0; k <= n; ++k) {
    const Vertex& v = vs[(first + k) % n];
    out.push_back({PointOf(v), v.kind != kKVVertexControl});
  }
  return out;
}

}  // namespace

std::vector<CurvePoint> EvaluatePolyshapeCurve(std::span<const Vertex> vertices, bool closed,
                                               int samplesPerArc) {
  std::vector<CurvePoint> out;
  if (vertices.empty()) return out;
  if (samplesPerArc < 1) samplesPerArc = 1;
  // Implied on-curve points between consecutive control points.
  std::vector<Node> nodes;
  for (const Node& node : Nodes(vertices, closed)) {
    if (!node.onCurve && !nodes.empty() && !nodes.back().onCurve)
      nodes.push_back({Mid(nodes.back().p, node.p), true});
    nodes.push_back(node);
  }
  out.push_back(nodes.front().p);
  std::size_t i = 0;
  while (i + 1 < nodes.size()) {
    if (nodes[i + 1].onCurve) {
      out.push_back(nodes[i + 1].p);
      i += 1;
      continue;
    }
    const CurvePoint a = nodes[i].p, c = nodes[i + 1].p, b = nodes[i + 2].p;
    for (int j = 1; j <= samplesPerArc; ++j) {
      const double t = static_cast<double>(j) / samplesPerArc, u = 1.0 - t;
      out.push_back({u * u * a.x + 2 * u * t * c.x + t * t * b.x, u * u * a.y + 2 * u * t * c.y + t * t * b.y});
    }
    i += 2;
  }
  return out;
}

}  // namespace tinhost
