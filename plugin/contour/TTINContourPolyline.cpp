#include "plugin/contour/TTINContourPolyline.h"

#include <cstring>

namespace {

TContourPt* NewPointArray(std::int32_t capacity) {
  return static_cast<TContourPt*>(PluginAlloc(sizeof(TContourPt) * static_cast<std::size_t>(capacity)));
}

}  // namespace

TTINContourPolyline* TTINContourPolyline::New(std::int32_t elevation, bool major) {
  auto* line = new TTINContourPolyline(elevation, major);
  if (line == nullptr) return nullptr;
  line->fPoints = NewPointArray(kPolylineGrowth);
  if (line->fPoints == nullptr) {
    delete line;
    return nullptr;
  }
  line->fCapacity = kPolylineGrowth;
  return line;
}

TTINContourPolyline::~TTINContourPolyline() { PluginFree(fPoints); }

bool TTINContourPolyline::AddPoint(const TContourPt& xy) {
  if (fCount == fCapacity) {
    const std::int32_t capacity = fCapacity + kPolylineGrowth;
    TContourPt* bigger = NewPointArray(capacity);
    if (bigger == nullptr) return false;
    if (fCount > 0) std::memcpy(bigger, fPoints, sizeof(TContourPt) * static_cast<std::size_t>(fCount));
    PluginFree(fPoints);
    fPoints = bigger;
    fCapacity = capacity;
  }
  fPoints[fCount++] = xy;
  return true;
}

void TTINContourPolyline::SetClosedFlag(bool closed) {
  if (closed && fCount < 3) return;
  fClosed = closed;
}

void TTINContourPolyline::Reverse() {
  for (std::int32_t i = 0; i < fCount / 2; ++i) {
    const TContourPt t = fPoints[i];
    fPoints[i] = fPoints[fCount - 1 - i];
    fPoints[fCount - 1 - i] = t;
  }
}
