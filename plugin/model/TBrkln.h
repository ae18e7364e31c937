// One breakline, made from one 3D polygon of the TIN's layer: its vertices in
// polygon order (the list refers to them; the TIN owns them) and whether it
// lies at one elevation.
#pragma once

#include <cstdint>

#include "plugin/host/KVUTIL.h"

class TTINVtx;
class TTIN;
class TStoreWriter;
class TStoreReader;

class TBrkln final : public TPluginObject {
 public:
  bool fClosed = false;         // the polygon's last vertex joins its first
  bool fLevel = true;           // every vertex added so far lies at fLevelElev
  std::int32_t fLevelElev = 0;  // elevation of the first vertex added
  std::int32_t fNumVtxs = 0;    // vertices offered to AddVtx, stored or not
  TLinkedList* fVtxList = nullptr;  // created on the first addition

  TBrkln() = default;
  // Frees the vertex list, never the vertices.
  ~TBrkln();
  TBrkln(const TBrkln&) = delete;
  TBrkln& operator=(const TBrkln&) = delete;

  // Appends `vtx` and updates the level state.  A list that cannot be created
  // or grown loses the vertex, but fNumVtxs still counts it.
  void AddVtx(TTINVtx* vtx);

  bool IsClosed() const { return fClosed; }
  void SetClosed(bool closed) { fClosed = closed; }

  // Storage (defined in storage/): the breakline record, its vertex count
  // being the number of vertices in fVtxList (a null vertex there fails with
  // 1).  Read resolves each vertex number by its position in the vertices of
  // `tin` read so far.
  std::int32_t AttachDataToDrawing(TStoreWriter& out) const;
  std::int32_t Read(TStoreReader& in, const TTIN* tin);
};
