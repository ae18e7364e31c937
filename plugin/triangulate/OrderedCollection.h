// Where vertex collection puts what it accepts (TCollectSink), and the sink of
// indexed builds: it keeps the accepted points and, at the end, makes the
// vertices in the order that one-by-one insertion into the vertex list would
// give (InsertionOrderByZ), appending them to the list.  The list, the
// breaklines and every later decision are those of the literal collection;
// what changes is that the vertices lie in memory in the order the
// triangulation visits them, and that no list search is made per point.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/model/XYTable.h"
#include "plugin/shell/Errors.h"

class TBrkln;
class TKestSortedLList;
class TTIN;
class TTINVtx;

class TCollectSink {
 public:
  virtual ~TCollectSink() = default;
  // Whether a vertex is already at (x, y).
  virtual bool Present(std::int32_t x, std::int32_t y) = 0;
  // Takes a point; false when it could not be kept (it is then skipped).
  virtual bool Take(const KVPoint3D& p) = 0;
  // A locus: taken unless a vertex is already at its XY.
  virtual void Locus(const KVPoint3D& p) {
    if (!Present(p.x, p.y)) Take(p);
  }
  // The point just taken becomes the next corner of `brkln`.
  virtual void Corner(TBrkln* brkln) = 0;
  // `brkln` has at least two corners and joins the TIN's breaklines.
  virtual void Keep(TBrkln* brkln, bool closed) = 0;
  // `brkln` has fewer than two corners and is about to be deleted: no later
  // breakline may take its corners, even one made at the same address.
  virtual void Drop(TBrkln* brkln) { (void)brkln; }
  // `loci` loci come next: a sink may make room for them at once.
  virtual void Expect(std::int32_t loci) { (void)loci; }
};

// Makes a vertex for each of the n points, in the order that inserting them
// one by one into the empty vertex `list` would give, and appends them to
// it.  For each point i whose bit is set in `wanted` (bit i % 64 of word
// i / 64), vtxOf receives its vertex at [i]; both may be null when no vertex
// is wanted.  False when the host refuses memory: the order's scratch before
// anything is appended, or a vertex or list node on the way (the vertices
// made so far stay listed).
bool AppendInInsertionOrder(TKestSortedLList* list, const KVPoint3D* points, std::int32_t n,
                            const std::uint64_t* wanted, TTINVtx** vtxOf);

// The breakline joins the TIN's list (made on first use); deleted when the
// list cannot take it.
void KeepBrkln(TTIN* tin, TBrkln* brkln, bool closed);

class TOrderedSink final : public TCollectSink {
 public:
  explicit TOrderedSink(TTIN* tin) : fTIN(tin) {}
  // Deletes the breaklines that Finish did not hand to the TIN.
  ~TOrderedSink() override;
  TOrderedSink(const TOrderedSink&) = delete;
  TOrderedSink& operator=(const TOrderedSink&) = delete;

  // Every call settles the loci still waiting first, so each sees the same
  // state as with loci taken one at a time.
  bool Present(std::int32_t x, std::int32_t y) override;
  bool Take(const KVPoint3D& p) override;
  // Waits in a short queue: its slot in the position table is asked for
  // now and looked up a few loci later (the slots lie anywhere in the table).
  void Locus(const KVPoint3D& p) override;
  void Corner(TBrkln* brkln) override;
  void Keep(TBrkln* brkln, bool closed) override;
  void Drop(TBrkln* brkln) override;
  // Room in the position table and the point array for that many more, when
  // the host gives it; otherwise they grow as points come.
  void Expect(std::int32_t loci) override;

  // Makes the vertices in list order, appends them to the TIN's (empty)
  // vertex list and gives the kept breaklines their vertices.  0, or
  // kErrNoVtxListMemory when the host refuses memory on the way (the vertices
  // made so far stay in the list, the breaklines not yet given are deleted).
  TErr Finish();

 private:
  struct TPendingBrkln {
    TBrkln* brkln;
    bool closed;
    std::int32_t firstCorner;
    std::int32_t corners;
  };

  bool TakeNow(const KVPoint3D& p);
  void SettleOldest();
  void Settle() {
    while (fWaiting > 0) SettleOldest();
  }

  static constexpr std::int32_t kQueue = 16;
  KVPoint3D fQueue[kQueue] = {};  // loci not yet looked up, oldest at fQueueFirst
  std::int32_t fQueueFirst = 0, fWaiting = 0;
  TTIN* fTIN;
  TXYSet fByXY;                  // the points' positions
  KVPoint3D* fPoints = nullptr;  // accepted points, in collection order
  std::int32_t fPointCount = 0, fPointCap = 0;
  std::int32_t* fCorners = nullptr;  // breakline corners, as point numbers
  std::int32_t fCornerCount = 0, fCornerCap = 0;
  TPendingBrkln* fBrklns = nullptr;  // kept breaklines, in collection order
  std::int32_t fBrklnCount = 0, fBrklnCap = 0;
  std::int32_t fHanded = 0;  // breaklines already given to the TIN
  TBrkln* fOpen = nullptr;   // the breakline taking corners now
  std::int32_t fOpenFirst = 0;
};
