#include "tinhost/io/TinGraphics.h"

#include <algorithm>

#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/Resources.h"
#include "tinhost/io/Importer.h"
#include "tinhost/io/RepeatedXY.h"

namespace tinhost::io {
namespace {

// The plug-in's layer-name suffixes, by their entries in the host's list.
constexpr std::int16_t kSuffixList = 11101;
constexpr std::int16_t kSuffix2DEntry = 14, kSuffix3DEntry = 15;

std::vector<std::string> layerSuffixes() {
  std::vector<std::string> out;
  for (std::int16_t entry : {kSuffix3DEntry, kSuffix2DEntry})
    if (auto s = Resources::embedded().string(kSuffixList, entry); s && !s->empty())
      out.push_back(*s);
  return out;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TinNames::TinNames(const Host& host) : host_(host), suffixes_(layerSuffixes()) {
  try {
    stored_ = readStoredTINs(host.dataObjects());
  } catch (const HostError&) {
    // Damaged stored data: the plug-in refuses it too; the layers' names
    // still tell the TINs apart.
  }
}

std::string TinNames::tinOfLayer(const std::string& layer) const {
  for (const StoredTIN& t : stored_)
    if (t.layer3DName == layer || t.layer2DName == layer) return t.name;
  for (const std::string& suffix : suffixes_)
    if (endsWith(layer, suffix)) return layer.substr(0, layer.size() - suffix.size());
  return layer;
}

std::vector<std::string> TinNames::layersFor(const std::vector<std::string>& names) const {
  std::vector<std::string> out;
  auto add = [this, &out](const std::string& n) {
    if (findLayer(host_, n) == kNoObject || std::find(out.begin(), out.end(), n) != out.end())
      return false;
    out.push_back(n);
    return true;
  };
  for (const std::string& name : names) {
    bool found = add(name);
    for (const StoredTIN& t : stored_)
      if (t.name == name) found = add(t.layer3DName) | add(t.layer2DName) | found;
    for (const std::string& suffix : suffixes_) found = add(name + suffix) | found;
    if (!found && std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
  }
  return out;
}

std::vector<TinGraphics> collectTins(const ExportScope& scope, const TinNames& names) {
  const Document& doc = scope.doc();
  std::vector<TinGraphics> tins;
  auto tinFor = [&tins](const std::string& name) -> TinGraphics& {
    for (TinGraphics& t : tins)
      if (t.name == name) return t;
    tins.push_back(TinGraphics{name, {}, {}, {}, {}});
    return tins.back();
  };
  for (ObjId layer : scope.layers()) tinFor(names.tinOfLayer(doc.get(layer).name.str()));
  for (ObjId id : scope.objects()) {
    const DrawingObject& o = doc.get(id);
    const bool triangle = scope.isTriangle3D(o),
               contour = !triangle && scope.isContour3D(o) && o.vertices.size() >= 2,
               hull = scope.isHull(o) && o.vertices.size() >= 3;
    if (!triangle && !contour && !hull) continue;
    TinGraphics& t = tinFor(names.tinOfLayer(doc.get(doc.layerOf(id)).name.str()));
    if (triangle) t.triangles.push_back(&o);
    if (contour) t.contours.push_back(&o), t.indexContour.push_back(scope.isIndexContour3D(o));
    if (hull) t.hulls.push_back(&o);
  }
  std::erase_if(tins, [](const TinGraphics& t) {
    return t.triangles.empty() && t.contours.empty() && t.hulls.empty();
  });
  return tins;
}

double signedArea2(const Ring& ring) {
  double a = 0;
  for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
    const Vertex& p = ring[i];
    const Vertex& q = ring[(i + 1) % n];
    a += static_cast<double>(p.x) * q.y - static_cast<double>(q.x) * p.y;
  }
  return a;
}

std::vector<Ring> boundaryRings(const std::vector<const DrawingObject*>& triangles) {
  // Each triangle's edges taken counter-clockwise: an edge whose reverse no
  // triangle has lies on the boundary, with the surface on its left.  Sorted
  // keys instead of hash tables: a TIN has millions of edges.
  struct Edge {
    std::uint64_t from, to;
    std::size_t triangle;
    int corner;
    bool operator<(const Edge& o) const { return from != o.from ? from < o.from : to < o.to; }
  };
  std::vector<Edge> edges;
  edges.reserve(triangles.size() * 3);
  std::vector<std::array<Vertex, 3>> corners;
  corners.reserve(triangles.size());
  for (const DrawingObject* t : triangles) {
    std::array<Vertex, 3> v{t->vertices[0], t->vertices[1], t->vertices[2]};
    if (signedArea2(Ring(v.begin(), v.end())) < 0) std::swap(v[1], v[2]);
    for (int k = 0; k < 3; ++k) {
      const Vertex& a = v[static_cast<std::size_t>(k)];
      const Vertex& b = v[static_cast<std::size_t>((k + 1) % 3)];
      edges.push_back({xyKey(a.x, a.y), xyKey(b.x, b.y), corners.size(), k});
    }
    corners.push_back(v);
  }
  std::sort(edges.begin(), edges.end());
  auto has = [&edges](std::uint64_t from, std::uint64_t to) {
    return std::binary_search(edges.begin(), edges.end(), Edge{from, to, 0, 0});
  };
  // The boundary edges stay sorted by their start; a corner where the
  // surface touches itself starts two of them.
  std::vector<Edge> boundary;
  for (const Edge& e : edges)
    if (!has(e.to, e.from)) boundary.push_back(e);
  std::vector<bool> used(boundary.size(), false);
  std::vector<Ring> rings;
  for (std::size_t first = 0; first < boundary.size(); ++first) {
    if (used[first]) continue;
    Ring ring;
    std::size_t e = first;
    while (!used[e]) {
      used[e] = true;
      ring.push_back(corners[boundary[e].triangle][static_cast<std::size_t>(boundary[e].corner)]);
      const auto lo =
          std::lower_bound(boundary.begin(), boundary.end(), Edge{boundary[e].to, 0, 0, 0});
      auto next = lo;
      while (next != boundary.end() && next->from == boundary[e].to &&
             used[static_cast<std::size_t>(next - boundary.begin())])
        ++next;
      if (next == boundary.end() || next->from != boundary[e].to) break;
      e = static_cast<std::size_t>(next - boundary.begin());
    }
    if (ring.size() >= 3) rings.push_back(std::move(ring));
  }
  return rings;
}

}  // namespace tinhost::io
