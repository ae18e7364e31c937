#include "plugin/triangulate/HullBand.h"

#include <algorithm>
#include <cmath>

#include "plugin/host/PluginMemory.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/ExactPredicates.h"

namespace {

// A vertex in a frame whose first axis is a: (x, y) or (y, x).
struct Pt {
  std::int32_t a, b;
  std::int32_t index;  // into the candidates
};

bool Less(const Pt& p, const Pt& q) { return p.a < q.a || (p.a == q.a && p.b < q.b); }

// Cross product of (q − p) and (r − p) in the frame, as a long double (its
// 66 bits are rounded, which the band's margin absorbs).
long double Cross(const Pt& p, const Pt& q, const Pt& r) {
  const long double qa = static_cast<long double>(q.a) - p.a, qb = static_cast<long double>(q.b) - p.b;
  const long double ra = static_cast<long double>(r.a) - p.a, rb = static_cast<long double>(r.b) - p.b;
  return qa * rb - qb * ra;
}

int Orient(const Pt& p, const Pt& q, const Pt& r) { return OrientSign(p.a, p.b, q.a, q.b, r.a, r.b); }

// The lower chain of sorted[0 .. m-1] (rising a) into out; its length.
std::int32_t LowerChain(const Pt* sorted, std::int32_t m, Pt* out) {
  std::int32_t k = 0;
  for (std::int32_t i = 0; i < m; ++i) {
    while (k >= 2 && Orient(out[k - 2], out[k - 1], sorted[i]) <= 0) --k;
    out[k++] = sorted[i];
  }
  return k;
}

// The upper chain, also with rising a.
std::int32_t UpperChain(const Pt* sorted, std::int32_t m, Pt* out) {
  std::int32_t k = 0;
  for (std::int32_t i = m - 1; i >= 0; --i) {
    while (k >= 2 && Orient(out[k - 2], out[k - 1], sorted[i]) <= 0) --k;
    out[k++] = sorted[i];
  }
  std::reverse(out, out + k);
  return k;
}

// True when p lies within `band` of the chain, measured along the b axis.
// A point at the least or greatest a lies on the boundary.
bool NearChain(const Pt* chain, std::int32_t k, const Pt& p, long double band) {
  if (p.a <= chain[0].a || p.a >= chain[k - 1].a) return true;
  const Pt* end = chain + k;
  const Pt* after = std::upper_bound(chain, end, p.a, [](std::int32_t a, const Pt& q) { return a < q.a; });
  if (after == chain || after == end) return false;
  const Pt& p0 = after[-1];
  const Pt& p1 = after[0];
  return std::fabs(Cross(p0, p1, p)) <= band * (static_cast<long double>(p1.a) - p0.a);
}

// Marks in `near` the points of pts[0 .. m-1] within `band` of the hull's
// boundary along the frame's b axis.  Scratch: sorted, lower, upper (m each).
void MarkNear(Pt* pts, std::int32_t m, long double band, Pt* sorted, Pt* lower, Pt* upper,
              bool* near) {
  std::copy(pts, pts + m, sorted);
  std::sort(sorted, sorted + m, Less);
  const std::int32_t nl = LowerChain(sorted, m, lower);
  const std::int32_t nu = UpperChain(sorted, m, upper);
  for (std::int32_t i = 0; i < m; ++i)
    if (!near[i]) near[i] = NearChain(lower, nl, pts[i], band) || NearChain(upper, nu, pts[i], band);
}

}  // namespace

std::int32_t KeepHullBand(TTINVtx** v, std::int32_t n) {
  if (n < 8) return n;
  // The extremes in x, y, x + y and x − y, in counter-clockwise order.
  std::int32_t ext[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  auto key = [&](std::int32_t i, int which) -> std::int64_t {
    const std::int64_t x = v[i]->x, y = v[i]->y;
    switch (which) {
      case 0: return -y;     // lowest
      case 1: return x - y;  // lower right
      case 2: return x;      // rightmost
      case 3: return x + y;  // upper right
      case 4: return y;      // highest
      case 5: return y - x;  // upper left
      case 6: return -x;     // leftmost
      default: return -x - y;  // lower left
    }
  };
  for (std::int32_t i = 1; i < n; ++i)
    for (int w = 0; w < 8; ++w)
      if (key(i, w) > key(ext[w], w)) ext[w] = i;
  const long double width = static_cast<long double>(v[ext[2]]->x) - v[ext[6]]->x;
  const long double height = static_cast<long double>(v[ext[4]]->y) - v[ext[0]]->y;
  if (width == 0 || height == 0) return n;
  // Vertical or horizontal distance, hence the factor √2 on the band.
  const long double band = kHullBandRatio * (width + height) * 1.5L;

  // The octagon's sides; a side of length 0 (two extremes at one vertex)
  // is left out.
  Pt sideFrom[8], sideTo[8];
  long double sideBand[8];
  int sides = 0;
  for (int w = 0; w < 8; ++w) {
    const Pt a{v[ext[w]]->x, v[ext[w]]->y, 0};
    const Pt b{v[ext[(w + 1) % 8]]->x, v[ext[(w + 1) % 8]]->y, 0};
    if (a.a == b.a && a.b == b.b) continue;
    sideFrom[sides] = a;
    sideTo[sides] = b;
    sideBand[sides++] =
        band * std::hypot(static_cast<long double>(b.a) - a.a, static_cast<long double>(b.b) - a.b);
  }

  // Candidates: the vertices not deep inside the octagon.
  auto* cand = static_cast<std::int32_t*>(PluginAlloc(sizeof(std::int32_t) * static_cast<std::size_t>(n)));
  if (cand == nullptr) return n;
  std::int32_t m = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    const Pt p{v[i]->x, v[i]->y, i};
    bool deep = true;
    for (int w = 0; w < sides && deep; ++w) deep = Cross(sideFrom[w], sideTo[w], p) > sideBand[w];
    if (!deep) cand[m++] = i;
  }

  void* block = PluginAlloc((sizeof(Pt) * 4 + sizeof(bool)) * static_cast<std::size_t>(m));
  if (block == nullptr) {
    PluginFree(cand);
    return n;
  }
  Pt* pts = static_cast<Pt*>(block);
  Pt* sorted = pts + m;
  Pt* lower = sorted + m;
  Pt* upper = lower + m;
  bool* near = reinterpret_cast<bool*>(upper + m);
  std::fill(near, near + m, false);
  for (std::int32_t i = 0; i < m; ++i) pts[i] = Pt{v[cand[i]]->x, v[cand[i]]->y, i};
  MarkNear(pts, m, band, sorted, lower, upper, near);
  for (std::int32_t i = 0; i < m; ++i) pts[i] = Pt{v[cand[i]]->y, v[cand[i]]->x, i};
  MarkNear(pts, m, band, sorted, lower, upper, near);

  std::int32_t kept = 0;
  for (std::int32_t i = 0; i < m; ++i)
    if (near[i]) v[kept++] = v[cand[i]];
  PluginFree(block);
  PluginFree(cand);
  return kept;
}
