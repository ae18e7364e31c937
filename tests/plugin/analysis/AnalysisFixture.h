// TINs for the analysis tests (hand-made single triangles, TINs built from
// loci through the real build) and an independent reference for volumes: the
// triangle is clipped against the datum as a polygon and the linear height is
// integrated exactly over the pieces, in long double with untruncated
// interpolation.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/triangulate/BuildTIN.h"
#include "tests/support/PointSets.h"

struct RefVolumes {
  long double above = 0, below = 0;
};

// Twice the signed area of (a, b, c), exact.
inline std::int64_t Cross(const XYZ& a, const XYZ& b, const XYZ& c) {
  return (std::int64_t{b.x} - a.x) * (std::int64_t{c.y} - a.y) -
         (std::int64_t{b.y} - a.y) * (std::int64_t{c.x} - a.x);
}

// ∫ max(z − d, 0) and ∫ max(d − z, 0) over the triangle's plan, exactly up to
// rounding: the polygon part on each side of the datum line is fanned into
// triangles, each contributing area × mean height.
inline RefVolumes ReferenceVolumes(const XYZ t[3], std::int32_t d) {
  struct P {
    long double x, y, h;
  };
  auto integrate = [&](int sign) {
    std::vector<P> poly;
    for (int i = 0; i < 3; ++i) {
      const XYZ& a = t[i];
      const XYZ& b = t[(i + 1) % 3];
      const long double ha = sign * (static_cast<long double>(a.z) - d);
      const long double hb = sign * (static_cast<long double>(b.z) - d);
      if (ha >= 0) poly.push_back({static_cast<long double>(a.x), static_cast<long double>(a.y), ha});
      if ((ha > 0 && hb < 0) || (ha < 0 && hb > 0)) {
        const long double s = ha / (ha - hb);
        poly.push_back({a.x + (b.x - static_cast<long double>(a.x)) * s,
                        a.y + (b.y - static_cast<long double>(a.y)) * s, 0});
      }
    }
    long double v = 0;
    for (std::size_t i = 1; i + 1 < poly.size(); ++i) {
      const P &p = poly[0], &q = poly[i], &r = poly[i + 1];
      const long double area = std::fabs((q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x)) / 2;
      v += area * (p.h + q.h + r.h) / 3;
    }
    return v;
  };
  return RefVolumes{integrate(1), integrate(-1)};
}

inline std::vector<XYZ> CornersOf(const TTINTriangle* t) {
  std::vector<XYZ> out;
  for (const TTINVtx* v : t->fVertices) out.push_back({v->x, v->y, v->z});
  return out;
}

class AnalysisTest : public TriTest {
 protected:
  // A TIN named `layer`, built through the real build (collection from the
  // layer, hull, triangulation) without a contour map.
  TTIN* Built(const std::vector<XYZ>& pts, const std::string& layer = "Ground") {
    AddLoci(pts, layer);
    TTIN* tin = NewTIN(layer);
    tin->fTINParams.notResident = false;
    const TErr err = RebuildSurface(tin);
    EXPECT_EQ(err, kNoErr) << "building " << layer;
    return tin;
  }

  // An unbuilt difference TIN "Diff" of the two bases.
  TTIN* NewDiff(TTIN* first, TTIN* second) {
    TTIN* d = NewTIN("Diff");
    d->fTINParams.normalTIN = false;
    d->fInnerTIN = first;
    d->fOuterTIN = second;
    return d;
  }

  // A TIN of exactly one triangle, its corners put in clockwise order.
  TTIN* OneTriangle(XYZ a, XYZ b, XYZ c, const std::string& layer = "Ground") {
    if (Cross(a, b, c) > 0) std::swap(b, c);
    TTIN* tin = NewTIN(layer);
    tin->fTINParams.notResident = false;
    const std::vector<TTINVtx*> v = PlaceVertices(tin, {a, b, c});
    PlaceHull(tin, v);
    tin->fTINTriangleList = TLinkedList::New();
    EXPECT_TRUE(tin->fTINTriangleList->ILinkedList());
    auto* tri = new TTINTriangle();
    TTINVtx* corners[3] = {v[0], v[1], v[2]};
    tri->SetVertices(corners);
    EXPECT_TRUE(tin->fTINTriangleList->Append(tri));
    return tin;
  }
};
