// TKestXYAndHdlArray: the vertices of a TIN indexed by x, as a growable
// array of (x, y, vertex) entries in a host handle, sorted by x
// (non-decreasing).  Among equal x the order is the one the insertions
// produce: a new entry lands immediately before the equal entry that the
// binary search meets.  Vertex collection keeps (x, y) unique.
//
// Lifecycle: construct, InitKestXYAndHdlArray (0 or kErrNoXYArrayHandle), use,
// DisposeXYAndHdlArray, delete.  The handle comes from the module's callback
// value.
//
// The searches live in the free functions of namespace xy_array_literal, which
// work on a plain run of entries: growing by one entry moves the tail, and the
// nearest search walks every entry closer in x than the best distance, so
// both cost O(n).  The members keep the entries in a TXYIndex instead, which
// gives the same entry order and the same answers, ties included, in
// O(log n); Entries() lays them out in the handle on demand.  Additions wait
// in a plain list, in order, until a nearest search or a listing needs the
// index, and are then placed in the order they came, which gives the index
// they would have made one by one; until then exact lookups are answered by a
// hash table of positions (the first addition at a position wins; once a
// position is added twice, or the table cannot grow, the index answers).  An array made
// while the process chose TSteps::kLiteral uses the handle and the literal
// functions, which remain the tests' oracle.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/model/Steps.h"

class TTINVtx;
class TXYIndex;
template <bool kValues>
class TXYHash;
using TXYTable = TXYHash<true>;

// InitKestXYAndHdlArray: the toolbox gave no handle.
constexpr std::int32_t kErrNoXYArrayHandle = 0x9003E;

struct TXYPoint {
  std::int32_t x;
  std::int32_t y;
};

struct TXYAndHdl {
  std::int32_t x;
  std::int32_t y;
  TTINVtx* hdl;
};

class TKestXYAndHdlArray final : public TPluginObject {
 public:
  TKestXYAndHdlArray() = default;
  // Releases the handle if the caller has not.
  ~TKestXYAndHdlArray();
  TKestXYAndHdlArray(const TKestXYAndHdlArray&) = delete;
  TKestXYAndHdlArray& operator=(const TKestXYAndHdlArray&) = delete;

  // 0, or kErrNoXYArrayHandle when no handle could be obtained.
  std::int32_t InitKestXYAndHdlArray();
  // Releases the handle, if any; the array is then empty and unusable.
  void DisposeXYAndHdlArray();

  // Adds (p, vtx) in x order; p is the vertex's own position (x, y), which
  // must not change while the array holds it.  When the block cannot grow
  // the array stays unchanged and the result is false.
  bool AddXYAndHdl(TXYPoint p, TTINVtx* vtx);
  // The vertex of an entry at exactly p, or null.
  TTINVtx* GetHdlByXY(TXYPoint p) const;
  // The vertex nearest to p in Manhattan distance (ties: the entry met first)
  // and whether it lies at p.  Null (exact false) on an empty array; callers
  // seed the array before they search.
  TTINVtx* GetHdlByXYNearest(TXYPoint p, bool* exact) const;

  std::int32_t Count() const { return fCount; }
  // The entries in order (valid until the next addition); null when empty,
  // or when the handle cannot hold them.
  const TXYAndHdl* Entries() const;

 private:
  KVHandle fHdl = nullptr;
  mutable std::int32_t fCount = 0;
  mutable TXYIndex* fIndex = nullptr;
  const TSteps fSteps = NewStructureSteps();
  // The additions of an indexed array, in order, as their vertices (whose x
  // and y are the entry's position: half the room of whole entries);
  // fAdds[0, fIndexed) are in fIndex.  fByXY maps the positions of
  // fAdds[0, fByXYCount) to their additions while fByXYComplete; it is made
  // and brought up to date by the exact lookups, so a build that never asks
  // one never pays for it.
  TTINVtx** fAdds = nullptr;
  std::int32_t fAddCapacity = 0;
  std::int32_t fAddCount = 0;
  mutable std::int32_t fIndexed = 0;
  mutable TXYTable* fByXY = nullptr;
  mutable std::int32_t fByXYCount = 0;
  mutable bool fByXYComplete = true;
  // Entries read by the nearest searches that scanned the waiting additions.
  mutable std::int64_t fScanned = 0;

  bool AddIndexed(TXYPoint p, TTINVtx* vtx);
  bool AddLiteral(TXYPoint p, TTINVtx* vtx);
  // Room for one more waiting addition; false when the host refuses it.
  bool RoomForAddition();
  // Notes addition number `at` in fByXY.
  void RememberPosition(TXYPoint p, std::int32_t at) const;
  // fByXY knows every addition; false when it cannot (the index answers).
  bool PositionsUpToDate() const;
  // The nearest search of a build is rare (a point close to an edge of the
  // triangulation), and the index of every vertex it would need costs about
  // 65 bytes a vertex to keep and far more time to build than a scan of the
  // waiting additions takes.  So while nothing is indexed and the scans so
  // far have read fewer than kScansBeforeIndexing times the entries there
  // are, a search scans them: the entry at the smallest distance, or null
  // when the scan is not allowed or several entries share that distance
  // (their order in the array decides, which only the index knows).
  static constexpr std::int64_t kScansBeforeIndexing = 16;
  TTINVtx* ScanNearest(TXYPoint p, bool* exact) const;
  // Places the waiting additions in the index, in order.  An addition the
  // index cannot take is dropped, as a refused addition always was.
  void CatchUp() const;
  void FreeAdditions();
};

namespace xy_array_literal {
// The binary search on x shared by all operations: the index of an entry with
// x = px (found), else the insertion point.
struct XSearch {
  std::int32_t index;
  bool found;
};
XSearch SearchX(const TXYAndHdl* entries, std::int32_t count, std::int32_t px);
// Inserts (p, vtx) into entries[0 .. count-1], which has room for one more.
void InsertEntry(TXYAndHdl* entries, std::int32_t count, TXYPoint p, TTINVtx* vtx);
TTINVtx* FindExact(const TXYAndHdl* entries, std::int32_t count, TXYPoint p);
TTINVtx* FindNearest(const TXYAndHdl* entries, std::int32_t count, TXYPoint p, bool* exact);
}  // namespace xy_array_literal
