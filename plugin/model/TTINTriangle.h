// One triangle of a TIN.
//
//              corner 1
//               /    \            Corners run clockwise seen from above
//     edge 0   /      \  edge 1   (x right, y up).  Edge i runs from corner i
//             /        \          to corner (i+1) mod 3; neighbour i is the
//     corner 0 -------- corner 2  triangle across edge i, null on the hull.
//               edge 2
//
// Adjacency is mutual: if N is neighbour i of T, T is a neighbour of N, and
// N's edge towards T runs from T's corner (i+1) mod 3 to T's corner i.
// Corner and edge indices are 16-bit; kNoIndex (-1, stored as 0xFFFF) is none.
#pragma once

#include <cstdint>

#include "plugin/host/PluginMemory.h"

class TTINVtx;
class TStoreWriter;
class TStoreReader;

constexpr std::int16_t kNoIndex = -1;

class TTINTriangle final : public TPluginObject {
 public:
  // Pointers first and the small fields packed at the end: 64 bytes, one
  // cache line when the host hands out line-aligned blocks, so that the
  // repair after an insertion reads a neighbour's corners, links and flags
  // with one memory access.
  TTINTriangle* fNeighbors[3] = {nullptr, nullptr, nullptr};
  TTINVtx* fVertices[3] = {nullptr, nullptr, nullptr};
  std::uint32_t fIDNum = 0;                   // ordinal given when the TIN is stored
  bool fEdgeOkay[3] = {false, false, false};  // edge i passed the Delaunay test
  bool fContoursAnyDone = false;              // no more tracing at the current contour elevation
  bool fHoriz = false;                        // all three corners at one elevation
  // Bit i set: the pair across edge i is known to pass, i.e. fEdgeOkay[i] and
  // the neighbour's flag towards this triangle are both set.  It lets the
  // repair pass over a known pair without reading the neighbour's record.
  // Whatever clears either flag or changes the link clears the bit on both
  // sides (ForgetPairWith); a clear bit only means "read the neighbour".
  std::uint8_t fPairOkay = 0;

  TTINTriangle() = default;
  TTINTriangle(const TTINTriangle&) = delete;
  TTINTriangle& operator=(const TTINTriangle&) = delete;

  void GetVertices(TTINVtx* out[3]) const;
  // The three setters also clear this triangle's known-pair bits; the bits
  // of its neighbours towards it are the caller's to clear (ForgetPairWith).
  void SetVertices(TTINVtx* const in[3]);
  void GetNeighbors(TTINTriangle* out[3]) const;
  void SetNeighbors(TTINTriangle* const in[3]);
  void GetEdgeOkay(bool out[3]) const;
  void SetEdgeOkay(const bool in[3]);

  // Clears the known-pair bits of every edge whose neighbour is `n`.
  void ForgetPairWith(const TTINTriangle* n) {
    fPairOkay &= static_cast<std::uint8_t>(~(unsigned(fNeighbors[0] == n) |
                                             unsigned(fNeighbors[1] == n) << 1 |
                                             unsigned(fNeighbors[2] == n) << 2));
  }
  // Asks for the corners' records (a hint only).  In line wherever it is
  // called: a function that only prefetches looks free of effects to the
  // optimiser, which may then drop a call to it.
  [[gnu::always_inline]] void PrefetchCorners() const {
    for (const TTINVtx* corner : fVertices) __builtin_prefetch(corner);
  }
  // The first corner index that holds `vtx`, or kNoIndex.
  std::int16_t IndexOfVertex(const TTINVtx* vtx) const {
    return FirstOfThree(fVertices[0] == vtx, fVertices[1] == vtx, fVertices[2] == vtx);
  }
  // The first edge index whose neighbour is `n`, or kNoIndex.
  std::int16_t IndexOfNeighbor(const TTINTriangle* n) const {
    return FirstOfThree(fNeighbors[0] == n, fNeighbors[1] == n, fNeighbors[2] == n);
  }
  // True when every edge that has a neighbour is marked okay; hull edges do
  // not count, so a triangle without neighbours is okay.
  bool AllNabrEdgesOkay() const;
  // Corner indices of the lowest, middle and highest corner.  Ties go to the
  // lower corner index; with three equal elevations: lo 0, mid 2, hi 1.
  // Precondition: all three corners are set.
  void SortVtxIndicesByZ(std::int16_t* lo, std::int16_t* mid, std::int16_t* hi) const;

  // The index of the first true of three, or kNoIndex.  Which corner or edge
  // matches is as good as random, so the three comparisons make a mask and a
  // table gives its lowest set bit, instead of a branch each.
  static std::int16_t FirstOfThree(bool a, bool b, bool c) {
    static constexpr std::int16_t kFirstOf[8] = {kNoIndex, 0, 1, 0, 2, 0, 1, 0};
    return kFirstOf[unsigned(a) | unsigned(b) << 1 | unsigned(c) << 2];
  }

  // Storage (defined in storage/): the 28-byte triangle record.  The writer
  // fails (1) on a missing corner; the reader takes the number only, and the
  // TIN reader resolves the six references afterwards.
  std::int32_t AttachDataToDrawing(TStoreWriter& out) const;
  std::int32_t ReadFromUserDataNode(TStoreReader& in);
};

static_assert(sizeof(TTINTriangle) == 64, "a triangle record is expected to take one cache line");
