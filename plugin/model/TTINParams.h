// TTINParams: the parameter record of one TIN, held by value in the TIN and
// copied whole to the dialog and the contour generator.  It owns no memory.
// Elevations and lengths are world units; names are length-prefixed, at most
// 21 characters.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/Str255.h"

// String list 11101: the name suffix of difference TINs and the suffixes of a
// TIN's 2D and 3D layers.
constexpr std::int16_t kSuffixList = 11101;
constexpr std::int16_t kDiffTINSuffixIndex = 13;
constexpr std::int16_t kLayer2DSuffixIndex = 14;
constexpr std::int16_t kLayer3DSuffixIndex = 15;

// Vertex kinds of 2D contour polylines.
constexpr std::int16_t kContourCorners = 0;
constexpr std::int16_t kContourSmoothed = 4;

constexpr std::int16_t kDefaultIndexContourEvery = 5;
// On creation the contour interval is this fraction of the elevation range.
constexpr std::int32_t kDefaultIntervalDivisor = 10;

struct TTINParams {
  Str21 tinName;
  Str21 layer2DName;          // 2D triangles, 2D contours and their labels
  Str21 layer3DName;          // 3D triangles and 3D contours
  std::int32_t contourInterval;
  std::int16_t indexContourEvery;
  std::int32_t datumElev;     // cut and fill datum
  std::int32_t contourBaseElev;
  std::int32_t lowContourElev;
  std::int32_t highContourElev;
  std::int16_t cntr2DVtxKind;  // kContourCorners or kContourSmoothed
  bool normalTIN;    // built from drawing objects (false: a difference TIN)
  bool want2DCntr;
  bool want3DTris;
  bool want2DTris;
  bool want3DCntr;
  bool labelCntrs;
  bool wantHull;
  bool makeGroups;
  bool useBrklns;
  bool notResident;  // only the parameters are kept in the drawing
  bool spareFlag;    // unused; carried through the dialog and storage
};

// The defaults of a new TIN.  The creator has set p->normalTIN; everything
// else is set here: the name from the current layer (with the difference
// suffix when normalTIN is false), the layer names from the name and their
// suffixes, each cut to 21 characters, one user unit as interval and high
// contour elevation, and the flags' defaults.
void InitTINParams(KVCallback cb, TTINParams* p);

// On creation: when high > low, the interval becomes (high - low) / 10 in
// integer division (which may be 0 for a small range; the dialog then asks
// for a positive value).  Otherwise the interval is left as it is.
void ApplyDefaultInterval(TTINParams* p, std::int32_t low, std::int32_t high);
