#include "plugin/analysis/CutFill.h"

#include "plugin/analysis/TriangleSurface.h"
#include "plugin/contour/InterpolateToContour.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"

namespace {

double AreaOfCorners(const TTINVtx corners[3]) {
  KVPoint2D p[3];
  for (int i = 0; i < 3; ++i) corners[i].GetXY(&p[i]);
  return CalcAreaOfTriangle(p[0], p[1], p[2]);
}

// Moves corner `moved` of the copy to the point at elevation d on the edge
// from `from` to `to` (corners of the copy), at elevation d.
void MoveToDatum(TTINVtx copy[3], int moved, int from, int to, std::int32_t d) {
  const TContourPt pt = InterpolateToContour(&copy[from], &copy[to], d);
  copy[moved].x = pt.x;
  copy[moved].y = pt.y;
  copy[moved].z = d;
}

}  // namespace

TErr GetCutFillToElev(const TTINTriangle* tri, std::int32_t d, double* above, double* below) {
  *above = 0.0;
  *below = 0.0;
  const double ar = CalcTriangleArea(tri);
  const TTINVtx* const* k = tri->fVertices;
  // Sums and differences of elevations in 64 bits: exact for all inputs.
  const std::int64_t sum = std::int64_t{k[0]->z} + k[1]->z + k[2]->z;

  std::int16_t lo = 0, mid = 0, hi = 0;
  tri->SortVtxIndicesByZ(&lo, &mid, &hi);
  const std::int64_t zLo = k[lo]->z, zMid = k[mid]->z, zHi = k[hi]->z;
  const std::int64_t datum = d;

  // The volume between the plane and the level of the lowest corner.
  const double vLo = static_cast<double>(sum - 3 * zLo) * (1.0 / 3.0) * ar;

  if (zLo >= datum) {
    *above = static_cast<double>(zLo - datum) * ar + vLo;
    return kNoErr;
  }
  if (datum >= zHi) {
    *below = static_cast<double>(zHi - zLo) * ar - vLo + static_cast<double>(datum - zHi) * ar;
    return kNoErr;
  }

  // The datum crosses the triangle.
  const double vBox = static_cast<double>(datum - zLo) * ar;
  TTINVtx copy[3];
  for (int i = 0; i < 3; ++i) {
    copy[i].x = k[i]->x;
    copy[i].y = k[i]->y;
    copy[i].z = k[i]->z;
  }
  if (zMid < datum) {
    // Two corners below: the copy becomes the part above the datum.
    MoveToDatum(copy, lo, lo, hi, d);
    MoveToDatum(copy, mid, mid, hi, d);
    const double tip = static_cast<double>((zHi - datum) / 3);
    *above = tip * AreaOfCorners(copy);
    *below = vBox - (vLo - *above);
  } else {
    // One corner below: the copy becomes the part below the datum.
    MoveToDatum(copy, mid, lo, mid, d);
    MoveToDatum(copy, hi, lo, hi, d);
    const double tip = static_cast<double>((datum - zLo) / 3);
    *below = tip * AreaOfCorners(copy);
    *above = vLo - (vBox - *below);
  }
  return kNoErr;
}
