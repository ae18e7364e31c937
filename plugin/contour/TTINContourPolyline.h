// TTINContourPolyline: one contour line at one elevation, as traced: its
// points in order, whether it is closed (the last point joins the first) and
// whether it is an index contour.
//
// The point array belongs to the polyline.  It starts with room for
// kPolylineGrowth points and grows by that many whenever it is full (a new
// array, the contents copied, the old one freed).  A polyline with fewer
// than three points is never closed.
#pragma once

#include <cstdint>

#include "plugin/contour/InterpolateToContour.h"
#include "plugin/host/PluginMemory.h"

constexpr std::int32_t kPolylineGrowth = 50;

class TTINContourPolyline final : public TPluginObject {
 public:
  // A polyline with count 0, open, capacity kPolylineGrowth; null when the
  // host refuses the object or its first point array.
  static TTINContourPolyline* New(std::int32_t elevation, bool major);
  ~TTINContourPolyline();
  TTINContourPolyline(const TTINContourPolyline&) = delete;
  TTINContourPolyline& operator=(const TTINContourPolyline&) = delete;

  // Appends a point, growing the array when it is full; false (and nothing
  // stored) when the host refuses the larger array.
  bool AddPoint(const TContourPt& xy);
  // Setting true is ignored below three points; false is always stored.
  void SetClosedFlag(bool closed);
  // Reverses the order of the points in place.
  void Reverse();

  std::int32_t GetCount() const { return fCount; }
  std::int32_t GetCapacity() const { return fCapacity; }
  const TContourPt& GetPoint(std::int32_t i) const { return fPoints[i]; }
  const TContourPt* GetPoints() const { return fPoints; }
  bool IsClosed() const { return fClosed; }
  bool IsMajor() const { return fMajor; }
  std::int32_t GetElevation() const { return fElevation; }

 private:
  TTINContourPolyline(std::int32_t elevation, bool major) : fMajor(major), fElevation(elevation) {}

  TContourPt* fPoints = nullptr;
  std::int32_t fCapacity = 0;
  bool fClosed = false;
  bool fMajor;
  std::int32_t fCount = 0;
  std::int32_t fElevation;
};
