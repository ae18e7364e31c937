// One vertex of a TIN: its position and elevation in world units, and a link
// to one triangle that has it as a corner.
//
// fTriangleMark tells how far the triangulation has got with the vertex:
// kVtxUnlinked (999) from construction, kVtxLinked (1) once the triangulation
// has linked a triangle, and after the highest-neighbour pass +1 or -1: the
// step, in corner order of fTriangle, from this vertex to its highest
// connected vertex.  Invariant of a complete TIN: fTriangle, when not null,
// has this vertex as a corner.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"

class TTINTriangle;
class TStoreWriter;
class TStoreReader;

constexpr std::int16_t kVtxUnlinked = 999;
constexpr std::int16_t kVtxLinked = 1;

class TTINVtx final : public TPluginObject {
 public:
  std::uint32_t fIDNum = 0;  // ordinal given when the TIN is stored
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t z = 0;
  TTINTriangle* fTriangle = nullptr;
  std::int16_t fTriangleMark = kVtxUnlinked;

  TTINVtx() = default;
  TTINVtx(std::int32_t px, std::int32_t py, std::int32_t pz) : x(px), y(py), z(pz) {}
  TTINVtx(const TTINVtx&) = delete;
  TTINVtx& operator=(const TTINVtx&) = delete;

  // The host point (y, x).
  void GetXY(KVPoint2D* out) const {
    out->y = y;
    out->x = x;
  }
  // x, y, z in that order.
  void GetXYZ(std::int32_t out[3]) const {
    out[0] = x;
    out[1] = y;
    out[2] = z;
  }
  std::int32_t GetZ() const { return z; }

  // The linked triangle (may be null) and the mark.
  TTINTriangle* GetHighest(std::int16_t* mark) const {
    *mark = fTriangleMark;
    return fTriangle;
  }
  void SetHighest(TTINTriangle* tri, std::int16_t mark) {
    fTriangle = tri;
    fTriangleMark = mark;
  }

  // Storage (defined in storage/): the 40-byte vertex record.  The reader
  // leaves fTriangle null; the TIN reader resolves it afterwards.
  std::int32_t AttachDataToDrawing(TStoreWriter& out) const;
  std::int32_t ReadFromUserDataNode(TStoreReader& in);
};
