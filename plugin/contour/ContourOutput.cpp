// Contour output: 2D contours as polyshapes (corner vertices, or a smoothed
// curve through the traced points), elevation labels at both ends of open
// index contours, and 3D contours as 3D polygons at their elevation.  Each
// kind goes to the TIN's 2D or 3D layer, inside a group when asked.
#include <cmath>
#include <numbers>

#include "plugin/contour/ContourErrors.h"
#include "plugin/contour/ContourSpacing.h"
#include "plugin/contour/TTINContourMap.h"
#include "plugin/contour/TTINContourPolyline.h"
#include "plugin/host/KVESDK.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/host/Str255.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/output/Classes.h"
#include "plugin/output/Layers.h"
#include "plugin/output/MemLevel.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/ExactPredicates.h"

namespace {

constexpr std::uint8_t kColor2DContour = 210;
constexpr std::uint8_t kColor3DContour = 216;
constexpr std::int16_t kWeightOrdinary = 15;
constexpr std::int16_t kWeightIndex = 30;
constexpr std::int16_t kLabelTextSize = 100;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct TOutputClasses {
  std::int16_t ordinary;
  std::int16_t index;
  std::int16_t label;
};

KVPoint2D HostPoint(const TContourPt& p) { return KVPoint2D{p.y, p.x}; }

void SetColorByte(KVCallback cb, KVObj obj, std::uint8_t value) {
  KVColor color{};
  KV_GetColor(cb, obj, &color);
  color.b[2] = value;
  KV_SetColor(cb, obj, color);
}

// Closes, weighs, classes and places a finished contour object.
void FinishContour(KVCallback cb, KVObj poly, const TTINContourPolyline& line, KVObj container,
                   std::int16_t parentType, const TOutputClasses& classes) {
  KV_SetPolyShapeClose(cb, poly, line.IsClosed() ? 1 : 0);
  KV_SetLineWeight(cb, poly, line.IsMajor() ? kWeightIndex : kWeightOrdinary);
  KV_SetObjectClass(cb, poly, line.IsMajor() ? classes.index : classes.ordinary);
  KV_AddObjectToContainer(cb, poly, container);
  if (parentType == kKVTypeLayer) KV_AddAfterSwapObject(cb, poly);
}

// A polyline segment: its direction (radians from the x axis towards the y
// axis, in [0, 2π)), length and contour spacing.
struct TSegment {
  double angle = 0.0;
  double length = 0.0;
  double spacing = 0.0;
};

TSegment SegmentOf(TTIN* tin, const TContourPt& from, const TContourPt& to, const TVtxXYIndex* index) {
  const double dx = static_cast<double>(std::int64_t{to.x} - from.x);
  const double dy = static_cast<double>(std::int64_t{to.y} - from.y);
  TSegment s;
  s.angle = std::atan2(dy, dx);
  if (s.angle < 0.0) s.angle += kTwoPi;
  if (s.angle >= kTwoPi) s.angle -= kTwoPi;
  s.length = std::sqrt(dx * dx + dy * dy);
  s.spacing = GetDistToNextCont(tin, from, to, index);
  return s;
}

// True when the polyline runs straight on through p: exactly collinear, and
// the outgoing segment points the way the incoming one does.
bool StraightThrough(const TContourPt& prev, const TContourPt& p, const TContourPt& next) {
  if (OrientSign(prev.x, prev.y, p.x, p.y, next.x, next.y) != 0) return false;
  auto sign = [](std::int64_t v) { return (v > 0) - (v < 0); };
  return sign(std::int64_t{p.x} - prev.x) == sign(std::int64_t{next.x} - p.x) &&
         sign(std::int64_t{p.y} - prev.y) == sign(std::int64_t{next.y} - p.y);
}

std::int32_t ToCoord(double v) { return static_cast<std::int32_t>(v); }  // truncates toward zero

// The vertices of the bend at p: a corner when the polyline runs straight on,
// otherwise two curve control points B and F on the tangent, mirrored about
// p, at a distance within a third of either segment and within the contour
// spacing on either side.
void AddBend(KVCallback cb, KVObj poly, const TContourPt& prev, const TContourPt& p,
             const TContourPt& next, const TSegment& in, const TSegment& out) {
  if (StraightThrough(prev, p, next)) {
    KV_AddVertex(cb, poly, HostPoint(p), kKVVertexCorner, 0);
    return;
  }
  double turn = out.angle - in.angle;
  if (turn < 0.0) turn += kTwoPi;
  if (turn > std::numbers::pi) turn -= kTwoPi;
  double c = in.length > 0.0 ? in.length / 3.0 : 0.0;
  if (out.length > 0.0) c = std::min(c, out.length / 3.0);
  if (in.spacing > 0.0) c = std::min(c, in.spacing);
  if (out.spacing > 0.0) c = std::min(c, out.spacing);
  const double theta = in.angle + turn / 2.0;
  const TContourPt f{ToCoord(p.x + c * std::cos(theta)), ToCoord(p.y + c * std::sin(theta))};
  const TContourPt b{static_cast<std::int32_t>(2 * std::int64_t{p.x} - f.x),
                     static_cast<std::int32_t>(2 * std::int64_t{p.y} - f.y)};
  KV_AddVertex(cb, poly, HostPoint(b), kKVVertexControl, 0);
  KV_AddVertex(cb, poly, HostPoint(f), kKVVertexControl, 0);
}

// The smoothed curve's vertices.  An open polyline starts and ends with a
// corner (its label points); every interior point, and for a closed one
// every point (1 .. n-1, then 0), gets a corner or a pair of control points.
void AddSmoothedVertices(KVCallback cb, KVObj poly, TTIN* tin, const TTINContourPolyline& line,
                         const TVtxXYIndex* index) {
  const std::int32_t n = line.GetCount();
  const bool closed = line.IsClosed();
  const std::int32_t lastStep = closed ? n + 1 : n - 1;
  auto pointOf = [&](std::int32_t i) -> const TContourPt& { return line.GetPoint(i >= n ? i - n : i); };
  TSegment in, out;
  for (std::int32_t i = 0; i <= lastStep; ++i) {
    if (!closed && i == 0) KV_AddVertex(cb, poly, HostPoint(pointOf(0)), kKVVertexCorner, 0);
    if (i >= 1 && n > 2) {
      in = out;
      out = SegmentOf(tin, pointOf(i - 1), pointOf(i), index);
    }
    if (i >= 2 && n > 2) AddBend(cb, poly, pointOf(i - 2), pointOf(i - 1), pointOf(i), in, out);
    if (!closed && i == lastStep && i > 0)
      KV_AddVertex(cb, poly, HostPoint(pointOf(i)), kKVVertexCorner, 0);
  }
}

// Two labels with the elevation as a length in the drawing's units, centred
// on the two ends of the contour.
void AddLabels(KVCallback cb, const TTINContourPolyline& line, KVObj container,
               std::int16_t parentType, std::int16_t labelClass) {
  Str255 text;
  text[0] = 0;
  KV_CoordToDimString(cb, line.GetElevation(), text);
  for (const TContourPt& at : {line.GetPoint(0), line.GetPoint(line.GetCount() - 1)}) {
    const KVObj block = KV_CreateTextBlock(cb, text, HostPoint(at), 0, kLabelTextSize);
    if (block == 0) {
      Trace(kTraceGraphics, "        Couldn't create text block in MakeOnePoly2D\n");
      continue;
    }
    KVRect r{};
    KV_GetObjectBounds(cb, block, &r);
    KV_MoveObject(cb, block, -((r.right - r.left) / 2), -((r.bottom - r.top) / 2));
    KV_SetObjectClass(cb, block, labelClass);
    KV_AddObjectToContainer(cb, block, container);
    if (parentType == kKVTypeLayer) KV_AddAfterSwapObject(cb, block);
  }
}

void MakeOnePoly2D(KVCallback cb, const TTINContourPolyline& line, TTIN* tin, std::int16_t vtxKind,
                   KVObj container, std::int16_t parentType, bool labelCntrs,
                   const TOutputClasses& classes, const TVtxXYIndex* index) {
  const KVObj poly = KV_CreatePolyshape(cb);
  if (poly == 0) {
    Trace(kTraceGraphics, "Couldn't create aPoly in MakeOnePoly2D\n");
    return;
  }
  SetColorByte(cb, poly, kColor2DContour);
  KV_SetFillPat(cb, poly, 0);
  if (vtxKind == kContourSmoothed) {
    AddSmoothedVertices(cb, poly, tin, line, index);
  } else {
    for (std::int32_t i = 0; i < line.GetCount(); ++i)
      KV_AddVertex(cb, poly, HostPoint(line.GetPoint(i)), vtxKind, 0);
  }
  FinishContour(cb, poly, line, container, parentType, classes);
  if (labelCntrs && line.IsMajor() && !line.IsClosed() && line.GetCount() > 0)
    AddLabels(cb, line, container, parentType, classes.label);
}

void MakeOnePoly3D(KVCallback cb, const TTINContourPolyline& line, KVObj container,
                   std::int16_t parentType, const TOutputClasses& classes) {
  const KVObj poly = KV_Create3DPoly(cb);
  if (poly == 0) {
    Trace(kTraceGraphics, "Couldn't create aPoly in MakeOnePoly3D\n");
    return;
  }
  SetColorByte(cb, poly, kColor3DContour);
  KV_SetFillPat(cb, poly, 0);
  for (std::int32_t i = 0; i < line.GetCount(); ++i) {
    const TContourPt& p = line.GetPoint(i);
    KV_Add3DVertex(cb, poly, KVPoint3D{p.x, p.y, line.GetElevation()});
  }
  FinishContour(cb, poly, line, container, parentType, classes);
}

// The smallest positive triangle spacing for contour interval `interval`;
// the TIN remembers the interval for the spacings looked up later.
double PrepareSpacings(TTIN* tin, std::int32_t interval) {
  tin->fSpacingInterval = interval;
  double minimum = 0.0;
  for (TLinkNode* node = tin->fTINTriangleList->fFirst; node != nullptr; node = node->next) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    if (t == nullptr) continue;
    const double d = ComputeTriDistToNextCont(t, interval);
    if (minimum == 0.0) minimum = d;
    else if (d > 0.0 && d < minimum) minimum = d;
  }
  return minimum;
}

}  // namespace

TErr TTINContourMap::MakeOnePolyForEachContourPolyline(TTIN* tin, KVObj container,
                                                       std::int16_t parentType, std::int16_t vtxKind,
                                                       bool labelCntrs, bool is3D) {
  KVCallback cb = gKVCallback;
  const TOutputClasses classes{ClassID(is3D ? kClass3DContour : kClass2DContour),
                               ClassID(is3D ? kClass3DIndexContour : kClass2DIndexContour),
                               ClassID(kClassContourLabel)};
  const bool smoothed = !is3D && vtxKind == kContourSmoothed;
  TVtxXYIndex index;
  if (smoothed && tin->fTINTriangleList != nullptr && tin->fTINTriangleList->fFirst != nullptr) {
    tin->fMinDistToNextCont = PrepareSpacings(tin, tin->GetContourInterval());
    index.Build(tin);  // without it the vertices are looked up by a walk
  } else {
    tin->fMinDistToNextCont = 0.0;
  }

  if (fTINContourPolylineList != nullptr)
    for (TLinkNode* node = fTINContourPolylineList->fFirst; node != nullptr; node = node->next) {
      if (!MemLevelOK(cb)) return kErrContourOutputMemBefore;
      const auto* line = static_cast<const TTINContourPolyline*>(node->item);
      // A polyline whose crossings all truncated to one point has no extent.
      if (line != nullptr && line->GetCount() >= 2) {
        if (is3D) MakeOnePoly3D(cb, *line, container, parentType, classes);
        else MakeOnePoly2D(cb, *line, tin, vtxKind, container, parentType, labelCntrs, classes, &index);
      }
      if (!MemLevelOK(cb)) {
        Trace(kTraceGraphics, "In MakeOnePolyForEachContourPolyline MemLevelOK returned FALSE\n");
        return kErrContourOutputMemAfter;
      }
      SpinBusyCursor(cb);
    }
  if (parentType == kKVTypeGroup) KV_ResetObject(cb, container);
  return kNoErr;
}

TErr TTINContourMap::MakeGroupAndPolysForContourPolylines(TTIN* tin, std::int16_t cntr2DVtxKind,
                                                          bool want2DCntr, bool want3DCntr,
                                                          bool labelCntrs, bool makeGroups) {
  if (fTINContourPolylineList == nullptr || fTINContourPolylineList->fFirst == nullptr) return kNoErr;
  KVCallback cb = gKVCallback;
  const KVObj remembered = KV_GetCurrentLayer(cb);
  const unsigned char noSuffix[1] = {0};

  // One pass per kind: the layer (and group), then one object per polyline.
  auto pass = [&](const unsigned char* layerName, bool is3D, std::int16_t vtxKind,
                  const char* groupTrace) -> TErr {
    const KVObj layer = GetOrCreateLayerByName(cb, layerName, noSuffix, remembered);
    KVObj container = layer;
    std::int16_t parentType = kKVTypeLayer;
    if (makeGroups) {
      const KVObj group = KV_CreateGroup(cb);
      if (group == 0) {
        Trace(kTraceGraphics, groupTrace);
      } else {
        KV_SetObjectClass(cb, group, ClassID(kClassGroup));
        KV_AddObjectToContainer(cb, group, layer);
        KV_AddAfterSwapObject(cb, group);
        container = group;
        parentType = kKVTypeGroup;
      }
    }
    KV_SetCurrentLayer(cb, layer);
    return MakeOnePolyForEachContourPolyline(tin, container, parentType, vtxKind, labelCntrs, is3D);
  };

  if (want2DCntr) {
    const std::int16_t kind = cntr2DVtxKind >= 0 && cntr2DVtxKind <= 4 ? cntr2DVtxKind : kContourCorners;
    const TErr err = pass(tin->fTINParams.layer2DName, false, kind,
                          "CreateGroup returned nil for want2DCntr in "
                          "TTINContourMap::MakeGroupAndPolysForContourPolylines\n");
    KV_SetCurrentLayer(cb, remembered);
    if (err != kNoErr) return err;
  }
  if (want3DCntr) {
    const TErr err = pass(tin->fTINParams.layer3DName, true, kContourCorners,
                          "CreateGroup returned nil for want3DCntr in "
                          "TTINContourMap::MakeGroupAndPolysForContourPolylines\n");
    if (err != kNoErr) return err;  // the 3D layer stays current
    KV_SetCurrentLayer(cb, remembered);
  }
  return kNoErr;
}

std::int32_t TTIN::MakeGroupAndPolysForContourPolylines(std::int16_t cntr2DVtxKind, bool want2DCntr,
                                                bool want3DCntr, bool labelCntrs, bool makeGroups) {
  if (fContourMap == nullptr) return kNoErr;
  return fContourMap->MakeGroupAndPolysForContourPolylines(this, cntr2DVtxKind, want2DCntr, want3DCntr,
                                                           labelCntrs, makeGroups);
}
