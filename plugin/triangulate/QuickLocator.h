// TQuickLocator: where the indexed build starts looking for the triangle of
// the next vertex, and a short walk that answers only when the answer cannot
// differ from the nearest-vertex walk's.
//
// The build's own location starts from the triangle of the nearest vertex (a
// search of the vertices by x) and walks through neighbours with exact
// orientation signs.  When a point lies strictly inside a triangle, that
// triangle is the only one whose closed region holds the point, so any walk
// that ends there has found what the nearest-vertex walk finds.  The locator
// keeps, on a pyramid of grids over the hull's box, the last vertex inserted
// in each cell; the next point starts from the vertex of the finest cell that
// holds one and walks at most kQuickWalkSteps triangles.  A point found on an
// edge line, a walk that leaves the hull or runs too long, or a locator without
// memory gives no answer, and the caller takes the nearest-vertex walk.
//
// The grids suit points spread over the box.  Clustered points crowd a few
// finest cells (fifty survey clusters in a 100 km box put thousands of points
// in each), and a start anywhere in such a cell is a long walk away.  When
// the vertices to come fill few finest cells, a sparse level several times
// finer, with about one vertex a cell where there are vertices, remembers
// them too: a hash table of its occupied cells, asked before the grids.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"

class TTIN;
class TTINTriangle;
class TTINVtx;
struct TLinkNode;

// Steps of the quick walk before it gives up.
constexpr int kQuickWalkSteps = 1 << 16;

class TQuickLocator final : public TPluginObject {
 public:
  // Grids over the box of the TIN's hull, the finest with about one cell per
  // two of `vertices`, and the sparse level when the vertices of `toCome`
  // (all to be inserted, or null) crowd a few cells; an unusable locator (no
  // hull, no memory) answers nothing.
  TQuickLocator(const TTIN* tin, std::int64_t vertices, const TLinkNode* toCome = nullptr);
  ~TQuickLocator();
  TQuickLocator(const TQuickLocator&) = delete;
  TQuickLocator& operator=(const TQuickLocator&) = delete;

  // The vertex becomes the start of later searches near it.
  void Remember(TTINVtx* v);
  // The triangle that has p strictly inside, or null when the quick walk
  // cannot tell (see above).  `fallback` starts the walk when no remembered
  // vertex is near.
  TTINTriangle* StrictlyEnclosing(const KVPoint2D& p, TTINTriangle* fallback) const;
  // For a read-ahead of a later search for (x, y): asks for the cells the
  // search reads first (the sparse level's home slot of the cell, when there
  // is that level, and the three finest grids' cells).
  void PrefetchCells(std::int32_t x, std::int32_t y) const;
  // The vertex a search for (x, y) would start from as the cells are now:
  // that of the finest occupied cell, or null.  The vertex is not read.
  const TTINVtx* CellVertex(std::int32_t x, std::int32_t y) const;

 private:
  static constexpr int kMaxLevels = 16;
  // Column and row of (x, y) on the finest level; a coarser level's are these
  // shifted right by the difference of levels (floor of a floor quotient).
  void FinestCell(std::int32_t x, std::int32_t y, std::int64_t* cx, std::int64_t* cy) const;
  std::int64_t Cell(int level, std::int64_t cx, std::int64_t cy) const {
    const int shift = fLevels - 1 - level;
    return fOffset[level] + ((cy >> shift) << level) + (cx >> shift);
  }

  // The sparse level: fFineShift levels finer than the finest grid, its cells
  // in an open-addressed table of a power-of-two size (fFineMask + 1), never
  // more than half full.  A cell's key is its column and row; 0 marks a free
  // slot, so keys carry a set top bit.
  struct FineSlot {
    std::uint64_t key;
    TTINVtx* vtx;
  };
  void MakeFineLevel(const TLinkNode* toCome);
  // The key of the sparse level's cell of (x, y).
  std::uint64_t FineKey(std::int32_t x, std::int32_t y) const;
  std::uint64_t FineHome(std::uint64_t key) const { return (key * 0x9E3779B97F4A7C15ull) >> 20 & fFineMask; }
  // The slot of the key, or the free slot where it would go.
  FineSlot* FineFind(std::uint64_t key) const;
  // Where a search for (x, y) starts: the vertex of the sparse level's cell
  // when `accept` takes it, else that of the finest grid cell whose vertex it
  // takes; null when there is none.
  template <class Accept>
  const TTINVtx* FirstInCells(std::int32_t x, std::int32_t y, Accept accept) const;

  TTINVtx** fCells = nullptr;        // every level's cells, coarsest first
  FineSlot* fFine = nullptr;         // null: no sparse level
  std::uint64_t fFineMask = 0;
  std::int64_t fFineUsed = 0;
  int fFineShift = 0;
  std::int64_t fOffset[kMaxLevels] = {};
  int fLevels = 0;
  std::int64_t fX0 = 0, fY0 = 0;     // the box's lower corner
  std::int64_t fSpan = 1;            // the box's larger side, plus one
  // The finest level's cells a side over fSpan, in units of 2^-32: a cell's
  // column is a product and a shift instead of a division.  It may put a
  // point one cell lower than the quotient would near a cell's edge; every
  // search and every remembered vertex uses the same rule, and a search's
  // start only decides how short its walk is, never what it finds.
  std::uint64_t fCellScale = 0;
};

// Reads ahead of the insertions of a list of vertices, so that what the
// locator reads for the next ones is on its way to the cache while the
// current one is inserted: the cells of the vertex four ahead (a search
// often finds the finest cell empty and reads coarser ones), the vertex
// those cells name for three ahead, that vertex's triangle for two ahead and
// the triangle's corners for the next.  Only hints: the cells may change
// before a vertex's turn comes, and nothing is read through a pointer that
// was not loaded anyway.
class TLocatePrefetch {
 public:
  // `first`: the list node of the vertex inserted first.
  TLocatePrefetch(const TQuickLocator* locator, const TLinkNode* first);
  // The insertion of the current node has ended: move on by one.
  void Step();

 private:
  static constexpr int kAhead = 4;
  void Stage(int ahead);

  const TQuickLocator* fLocator;
  const TLinkNode* fNode[kAhead + 1];        // the current node and those after it
  const TTINVtx* fStart[kAhead + 1] = {};    // their cells' vertices, from three ahead
};

// The quick walk alone: from `start`, across the first edge (in corner order,
// never back across the edge just crossed) that has p strictly outside, at
// most `maxSteps` triangles.  The triangle that has p strictly inside, or
// null.
TTINTriangle* WalkToStrictlyEnclosing(TTINTriangle* start, const KVPoint2D& p, int maxSteps);
