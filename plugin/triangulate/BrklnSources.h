// Where the breaklines of one build came from.  For each 3D polygon the
// collection read while breaklines were wanted, in collection order (the
// order of the breaklines too): the polygon, whether it is closed, and its
// corners in order, each with its XY and whether it went into the polygon's
// breakline.  A corner whose XY was already a vertex, of an earlier polygon
// or earlier in the same one, is skipped by the collection.  The builder
// keeps the record from the collection to the end of the build, when the
// breaklines are checked against the TIN.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/host/WorkList.h"

struct TPolyCorner {
  std::int32_t x, y;
  bool kept;  // appended to the breakline
};

class TBrklnSource final : public TPluginObject {
 public:
  TBrklnSource(KVObj poly, bool closed) : fPoly(poly), fClosed(closed) {}
  TBrklnSource(const TBrklnSource&) = delete;
  TBrklnSource& operator=(const TBrklnSource&) = delete;

  // False when there was no memory for it (the record is then incomplete).
  bool AddCorner(const TPolyCorner& c) { return fCorners.Push(c); }
  // Corners numbered from 1, as the polygon numbers its vertices.
  std::int32_t CountCorners() const { return fCorners.Size(); }
  const TPolyCorner& Corner(std::int32_t number) const { return fCorners.At(number - 1); }

  const KVObj fPoly;
  const bool fClosed;
  bool fComplete = true;  // every corner was recorded

 private:
  TWorkList<TPolyCorner, 8> fCorners;
};

class TBrklnSources final : public TPluginObject {
 public:
  TBrklnSources() = default;
  ~TBrklnSources();
  TBrklnSources(const TBrklnSources&) = delete;
  TBrklnSources& operator=(const TBrklnSources&) = delete;

  // A new record at the end; null when there is no memory for it.
  TBrklnSource* Add(KVObj poly, bool closed);
  std::int32_t Count() const { return fSources.Size(); }
  const TBrklnSource* At(std::int32_t i) const { return fSources.At(i); }

 private:
  TWorkList<TBrklnSource*, 8> fSources;
};
