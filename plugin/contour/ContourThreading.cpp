#include "plugin/contour/ContourThreading.h"

#include "plugin/contour/ContourErrors.h"
#include "plugin/contour/TTINContourMap.h"
#include "plugin/contour/TTINContourPolyline.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/shell/Trace.h"

namespace {

int Side(const TTINVtx* v, std::int32_t z) { return v->z > z ? 1 : (v->z < z ? -1 : 0); }

std::int16_t Corner(int i) { return static_cast<std::int16_t>(((i % 3) + 3) % 3); }

// How the contour at z meets a triangle: its corners at z and its crossed
// edges (ends strictly on opposite sides), each listed in the order examined,
// starting at corner / edge `lookFrom`.
struct TTriCut {
  bool valid = true;  // all three corners present
  std::int16_t nOn = 0;
  std::int16_t nCrossed = 0;
  std::int16_t on[3] = {-1, -1, -1};
  std::int16_t crossed[3] = {-1, -1, -1};
};

TTriCut CutTriangle(const TTINTriangle* t, std::int32_t z, std::int16_t lookFrom) {
  TTriCut c;
  for (const TTINVtx* v : t->fVertices)
    if (v == nullptr) {
      c.valid = false;
      return c;
    }
  for (int j = 0; j < 3; ++j) {
    const std::int16_t i = Corner(lookFrom + j);
    if (t->fVertices[i]->z == z) c.on[c.nOn++] = i;
  }
  for (int j = 0; j < 3; ++j) {
    const std::int16_t i = Corner(lookFrom + j);
    if (Side(t->fVertices[i], z) * Side(t->fVertices[Corner(i + 1)], z) < 0) c.crossed[c.nCrossed++] = i;
  }
  return c;
}

// The case table of the triangle step.
enum class TCutCase : std::uint8_t {
  kNotCrossed,    // 0 corners, 0 edges
  kEdgeToEdge,    // 0 corners, 2 edges
  kCornerToEdge,  // 1 corner, the opposite edge
  kCornerOnly,    // 1 corner, no edge: should have been flagged done
  kAlongEdge,     // 2 corners: an edge lies on the contour
  kInvalid,
};

TCutCase CaseOf(const TTriCut& c, std::int32_t z) {
  if (!c.valid) return TCutCase::kInvalid;
  switch (c.nOn) {
    case 0:
      if (c.nCrossed == 0) return TCutCase::kNotCrossed;
      if (c.nCrossed == 2) return TCutCase::kEdgeToEdge;
      Trace(kTraceBuild, "Invalid combo 1; zContour,#v,#e = %d, %d, %d\n", z, c.nOn, c.nCrossed);
      return TCutCase::kInvalid;
    case 1:
      if (c.nCrossed == 1) return TCutCase::kCornerToEdge;
      if (c.nCrossed == 0) {
        Trace(kTraceBuild, "Invalid combo 6; zContour,#v,#e = %d, %d, %d\n", z, c.nOn, c.nCrossed);
        return TCutCase::kCornerOnly;
      }
      Trace(kTraceBuild, "Invalid combo 3; zContour,#v,#e = %d, %d, %d\n", z, c.nOn, c.nCrossed);
      return TCutCase::kInvalid;
    case 2:
      if (c.nCrossed == 0) return TCutCase::kAlongEdge;
      Trace(kTraceBuild, "Invalid combo 4; zContour,#v,#e = %d, %d, %d\n", z, c.nOn, c.nCrossed);
      return TCutCase::kInvalid;
    case 3:
      Trace(kTraceBuild, "Invalid combo 7; zContour,#v,#e = %d, %d, %d\n", z, c.nOn, c.nCrossed);
      return TCutCase::kInvalid;
    default:
      Trace(kTraceBuild, "Invalid combo 5; zContour,#v,#e = %d, %d, %d\n", z, c.nOn, c.nCrossed);
      return TCutCase::kInvalid;
  }
}

// The slot of `tri` that holds `nabr`, or kNotFound.
std::int16_t SlotOf(const TTINTriangle* tri, const TTINTriangle* nabr) {
  for (std::int16_t i = 0; i < 3; ++i)
    if (tri->fNeighbors[i] == nabr) return i;
  return kNotFound;
}

TContourPt XYOf(const TTINVtx* v) { return TContourPt{v->x, v->y}; }

}  // namespace

TContourThreader::TContourThreader(TTINContourMap* map, TTIN* tin) : fMap(map), fTIN(tin) {
  if (tin->fTINTriangleList != nullptr)
    for (const TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next) ++fTriCount;
}

TContourPt TContourThreader::Crossing(const TTINTriangle* tri, std::int16_t edge) const {
  const TTINVtx* a = tri->fVertices[edge];
  const TTINVtx* b = tri->fVertices[Corner(edge + 1)];
  return a->z < b->z ? InterpolateToContour(a, b, fZ) : InterpolateToContour(b, a, fZ);
}

TErr TContourThreader::Add(const TContourPt& p) {
  const std::int32_t n = fLine->GetCount();
  // Two crossings that truncate to the same world point (a contour passing
  // within one world unit of a vertex) are one point of the polyline.  The
  // thread itself has moved on to the next triangle -- every walk here is
  // bounded by the triangle count -- so this is not a stalled thread, and
  // failing the whole contour map over it would refuse real survey data at
  // ordinary intervals.  The point is kept once.
  if (n > 0 && fLine->GetPoint(n - 1) == p) {
    Trace(kTraceBuild, "prevThruXY == thruXY at z = %d; point kept once\n", fZ);
    return kNoErr;
  }
  return fLine->AddPoint(p) ? kNoErr : kErrContourMemLow;
}

// ---------------------------------------------------------------------------
// Base vertices and their fans.

TErr TContourThreader::TraceFromBaseVertices(std::int32_t z, bool major) {
  SetLevel(z, major);
  KVCallback cb = gKVCallback;
  for (TLinkNode* node = fTIN->fTINVtxListByZ->fFirst; node != nullptr; node = node->next) {
    SpinBusyCursor(cb);
    auto* baseVtx = static_cast<TTINVtx*>(node->item);
    if (baseVtx == nullptr) return kErrNullVtxInList;
    if (baseVtx->z > z) break;  // every remaining vertex is higher
    const TErr err = WalkFanOf(baseVtx);
    if (err != kNoErr) return err;
  }
  return kNoErr;
}

TErr TContourThreader::WalkFanOf(TTINVtx* baseVtx) {
  std::int16_t mark = 0;
  TTINTriangle* hiTri = baseVtx->GetHighest(&mark);
  if (hiTri == nullptr) return kErrNoHighTriangle;
  const std::int16_t baseIdx = hiTri->IndexOfVertex(baseVtx);
  if (baseIdx == kNotFound || (mark != 1 && mark != -1)) return kErrNoHighTriangle;
  const TTINVtx* highest = hiTri->fVertices[Corner(baseIdx + mark)];
  if (highest == nullptr) return kErrNoHighTriangle;
  if (highest->z < fZ) return kNoErr;  // the whole fan lies below z

  std::int16_t direction = kDirCW;
  TTINTriangle* fanTri = hiTri;
  for (std::int64_t steps = 0; fanTri != nullptr; ++steps) {
    if (steps > fTriCount) return kErrContourWalkRunaway;
    if (!fanTri->fContoursAnyDone) {
      const TErr err = StartIn(fanTri, baseIdx);
      if (err != kNoErr) return err;
    }
    const std::int16_t at = fanTri->IndexOfVertex(baseVtx);
    if (at == kNotFound) return kErrLookFromNotFound;
    std::int16_t nextIdx = kNotFound;
    TTINTriangle* next = GetNabrAndVtxIdxByVtxAndDir(fanTri, baseVtx, direction, at, &nextIdx);
    if (next == hiTri) break;  // all the way round
    if (next == nullptr && direction == kDirCW) {
      // The hull: the rest of the fan lies on the other side of hiTri.
      direction = kDirCCW;
      const std::int16_t again = hiTri->IndexOfVertex(baseVtx);
      if (again < 0 || again > 2) return kErrFanTurnBack;
      next = GetNabrAndVtxIdxByVtxAndDir(hiTri, baseVtx, direction, again, &nextIdx);
    }
    fanTri = next;
  }
  return kNoErr;
}

// ---------------------------------------------------------------------------
// One polyline: the start step, then the thread.

TErr TContourThreader::StartIn(TTINTriangle* tri, std::int16_t lookFrom) {
  const TTriCut cut = CutTriangle(tri, fZ, lookFrom);
  TContourPt first{};
  switch (CaseOf(cut, fZ)) {
    case TCutCase::kNotCrossed:
    case TCutCase::kInvalid:
      return kNoErr;
    case TCutCase::kCornerOnly:
      Trace(kTraceBuild, "Tried a triangle which should have been flagged done (skippable)\n");
      return kNoErr;
    case TCutCase::kEdgeToEdge:
      fStart = TStart::kThroughEdges;
      fStartEdge = cut.crossed[0];
      fOther = tri->fNeighbors[fStartEdge];
      fStartVtx = nullptr;
      first = Crossing(tri, fStartEdge);
      break;
    case TCutCase::kCornerToEdge:
    case TCutCase::kAlongEdge:
      fStart = TStart::kAtCorner;
      fStartEdge = kNotFound;
      fOther = tri;
      fStartVtx = tri->fVertices[cut.on[0]];
      first = XYOf(fStartVtx);
      break;
  }
  fStartTri = tri;
  fDirection = kDirCW;
  fSteps = 0;
  fLine = TTINContourPolyline::New(fZ, fMajor);
  if (fLine == nullptr) return kErrContourMemLow;
  TErr err = Add(first);
  Trace(kTraceBuild, "Just added start at thruXY\n");

  TCursor cursor;
  if (err == kNoErr) {
    if (fStart == TStart::kThroughEdges) {
      cursor.kind = TCursor::kEnter;
      cursor.tri = tri;
      cursor.entrySlot = fStartEdge;
    } else {
      err = TakePieceFromVertex(fStartVtx, tri, &cursor);
    }
  }
  if (err == kNoErr) err = Thread(cursor);
  if (err == kNoErr && !fMap->AppendPolyline(fLine)) err = kErrContourMemLow;
  if (err != kNoErr) delete fLine;  // a polyline cut short is not kept
  fLine = nullptr;
  return err;
}

TErr TContourThreader::Thread(TCursor cursor) {
  // Every step but the turn at the first dead end marks a triangle done, so
  // a thread cannot take more steps than there are triangles.
  const std::int64_t limit = fTriCount + 4;
  for (;;) {
    if (++fSteps > limit) return kErrContourWalkRunaway;
    TErr err = kNoErr;
    switch (cursor.kind) {
      case TCursor::kEnter:
        err = StepIntoTriangle(&cursor);
        break;
      case TCursor::kAtVertex:
        err = StepAroundVertex(&cursor);
        break;
      case TCursor::kClosed:
        fLine->SetClosedFlag(true);
        return kNoErr;
      case TCursor::kDeadEnd:
        if (fDirection != kDirCW || fOther == nullptr) return kNoErr;  // ends here, open
        // Forwards the thread reached the hull or ran out of contour: go on
        // from the start on its other side, appending behind the first point.
        fLine->Reverse();
        fDirection = kDirCCW;
        if (fStart == TStart::kThroughEdges) {
          cursor.kind = TCursor::kEnter;
          cursor.tri = fOther;
          cursor.entrySlot = SlotOf(fOther, fStartTri);
          if (cursor.entrySlot == kNotFound) return kErrLookFromNotFound;
        } else {
          cursor.kind = TCursor::kAtVertex;
          cursor.vtx = fStartVtx;
          cursor.from = fStartTri;
        }
        break;
    }
    if (err != kNoErr) return err;
  }
}

TErr TContourThreader::Leave(TTINTriangle* tri, std::int16_t edge, TCursor* c) {
  TTINTriangle* next = tri->fNeighbors[edge];
  c->kind = TCursor::kEnter;
  c->tri = next;
  c->entrySlot = kNotFound;
  if (next == nullptr) return kNoErr;  // the hull
  c->entrySlot = SlotOf(next, tri);
  return c->entrySlot == kNotFound ? kErrLookFromNotFound : kNoErr;
}

// The contour enters `c->tri` through edge `c->entrySlot`.
TErr TContourThreader::StepIntoTriangle(TCursor* c) {
  TTINTriangle* tri = c->tri;
  if (tri == nullptr) {
    c->kind = TCursor::kDeadEnd;
    return kNoErr;
  }
  if (fDirection == kDirCW && fStart == TStart::kThroughEdges && tri == fOther) {
    // Back at the other side of the first point: its piece closes the loop.
    Trace(kTraceBuild, "SetClosedFlag( TRUE ) locn 1\n");
    tri->fContoursAnyDone = true;
    c->kind = TCursor::kClosed;
    return kNoErr;
  }
  if (tri->fContoursAnyDone) {
    Trace(kTraceBuild, "Thread entered a triangle already threaded at z = %d\n", fZ);
    c->kind = TCursor::kDeadEnd;
    return kNoErr;
  }
  if (c->entrySlot < 0 || c->entrySlot > 2) return kErrLookFromNotFound;
  // The thread leaves through one of the other two edges: ask for both
  // neighbours while the corners' elevations are read (each is usually a
  // miss, and otherwise the next step would wait for it after this one).
  __builtin_prefetch(tri->fNeighbors[Corner(c->entrySlot + 1)]);
  __builtin_prefetch(tri->fNeighbors[Corner(c->entrySlot + 2)]);
  const TTriCut cut = CutTriangle(tri, fZ, c->entrySlot);
  const TCutCase kind = CaseOf(cut, fZ);
  if (kind == TCutCase::kEdgeToEdge && cut.crossed[0] == c->entrySlot) {
    const std::int16_t exit = cut.crossed[1];
    tri->fContoursAnyDone = true;
    const TErr err = Add(Crossing(tri, exit));
    return err != kNoErr ? err : Leave(tri, exit, c);
  }
  if (kind == TCutCase::kCornerToEdge && cut.crossed[0] == c->entrySlot) {
    TTINVtx* v = tri->fVertices[cut.on[0]];
    tri->fContoursAnyDone = true;
    if (fDirection == kDirCW && v == fStartVtx) {
      Trace(kTraceBuild, "SetClosedFlag( TRUE ) locn 3\n");
      c->kind = TCursor::kClosed;
      return kNoErr;
    }
    c->kind = TCursor::kAtVertex;
    c->vtx = v;
    c->from = tri;
    return Add(XYOf(v));
  }
  Trace(kTraceBuild, "Thread entered a triangle the contour cannot leave at z = %d\n", fZ);
  c->kind = TCursor::kDeadEnd;
  return kNoErr;
}

TErr TContourThreader::StepAroundVertex(TCursor* c) {
  TTINTriangle* next = nullptr;
  const TErr err = TurnAroundVertex(c->vtx, c->from, &next);
  if (err != kNoErr) return err;
  if (next == nullptr) {
    c->kind = TCursor::kDeadEnd;
    return kNoErr;
  }
  return TakePieceFromVertex(c->vtx, next, c);
}

bool TContourThreader::CarriesContourFrom(const TTINTriangle* tri, const TTINVtx* v) const {
  const std::int16_t at = tri->IndexOfVertex(v);
  if (at == kNotFound) return false;
  const TTriCut cut = CutTriangle(tri, fZ, at);
  switch (CaseOf(cut, fZ)) {
    case TCutCase::kAlongEdge:
      return cut.on[0] == at || cut.on[1] == at;
    case TCutCase::kCornerToEdge:
      return cut.on[0] == at;
    default:
      return false;
  }
}

// Turns around v, clockwise from `from` and then, if the hull stops the
// turn, counter-clockwise from it, to the first triangle not yet done that
// carries the contour away from v.  *found stays null when there is none.
TErr TContourThreader::TurnAroundVertex(const TTINVtx* v, TTINTriangle* from, TTINTriangle** found) {
  *found = nullptr;
  for (const std::int16_t direction : {kDirCW, kDirCCW}) {
    TTINTriangle* cur = from;
    for (std::int64_t steps = 0;; ++steps) {
      if (steps > fTriCount) return kErrContourWalkRunaway;
      const std::int16_t at = cur->IndexOfVertex(v);
      if (at == kNotFound) return kErrLookFromNotFound;
      std::int16_t nextIdx = kNotFound;
      TTINTriangle* next = GetNabrAndVtxIdxByVtxAndDir(cur, v, direction, at, &nextIdx);
      if (next == nullptr) break;             // the hull: try the other way
      if (next == from) return kNoErr;        // all the way round
      if (!next->fContoursAnyDone && CarriesContourFrom(next, v)) {
        *found = next;
        return kNoErr;
      }
      cur = next;
    }
  }
  return kNoErr;
}

// The piece of contour in `tri` that starts at its corner v (at z).
TErr TContourThreader::TakePieceFromVertex(TTINVtx* v, TTINTriangle* tri, TCursor* c) {
  const std::int16_t at = tri->IndexOfVertex(v);
  if (at == kNotFound) return kErrLookFromNotFound;
  const TTriCut cut = CutTriangle(tri, fZ, at);
  const TCutCase kind = CaseOf(cut, fZ);
  if (kind == TCutCase::kAlongEdge && cut.on[0] == at) {
    // Along the edge from v to the other corner at z.
    const std::int16_t wIdx = cut.on[1];
    TTINVtx* w = tri->fVertices[wIdx];
    const std::int16_t edge = wIdx == Corner(at + 1) ? at : wIdx;
    TTINTriangle* across = tri->fNeighbors[edge];
    if (fDirection == kDirCW && w == fStartVtx) {
      // Back at the start vertex: the edge closes the loop.
      Trace(kTraceBuild, "SetClosedFlag( TRUE ) locn 3\n");
      for (TTINTriangle* t : {GetTriWithTheseTwoVtxs(fTIN, v, fStartVtx),
                              GetTriWithTheseTwoVtxs(fTIN, fStartVtx, v)})
        if (t != nullptr) t->fContoursAnyDone = true;
      c->kind = TCursor::kClosed;
      return kNoErr;
    }
    tri->fContoursAnyDone = true;
    if (across != nullptr) across->fContoursAnyDone = true;
    c->kind = TCursor::kAtVertex;
    c->vtx = w;
    c->from = tri;
    return Add(XYOf(w));
  }
  if (kind == TCutCase::kCornerToEdge && cut.on[0] == at) {
    const std::int16_t exit = cut.crossed[0];
    tri->fContoursAnyDone = true;
    if (fDirection == kDirCW && fStart == TStart::kThroughEdges && tri == fOther) {
      // Through O's far edge lies the first point: the loop is closed.
      Trace(kTraceBuild, "SetClosedFlag( TRUE ) locn 3\n");
      c->kind = TCursor::kClosed;
      return kNoErr;
    }
    const TErr err = Add(Crossing(tri, exit));
    return err != kNoErr ? err : Leave(tri, exit, c);
  }
  Trace(kTraceBuild, "No contour leaves the corner in this triangle at z = %d\n", fZ);
  c->kind = TCursor::kDeadEnd;
  return kNoErr;
}
