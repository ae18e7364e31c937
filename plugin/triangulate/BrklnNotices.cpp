#include "plugin/triangulate/BrklnNotices.h"

#include <algorithm>
#include <cmath>

#include "plugin/host/KVESDK.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/BrklnChain.h"
#include "plugin/triangulate/BrklnSources.h"

namespace {

KVPoint2D Rounded(const TRealPt& p) {
  return KVPoint2D{static_cast<std::int32_t>(std::lround(p.y)),
                   static_cast<std::int32_t>(std::lround(p.x))};
}

void Push(TBuildNotices* out, const KVBuildNotice& n) {
  if (!out->Push(n)) Trace(kTraceBuild, "Breakline notices: no memory for a notice\n");
}

// The polygon numbers of the breakline's vertices: its polygon's kept
// corners in order, matched by XY (0 when a vertex has no such corner).
class TCornerNumbers {
 public:
  explicit TCornerNumbers(const TBrklnSource* source) : fSource(source) {}
  std::int32_t Of(const TTINVtx* v) {
    if (fSource == nullptr) return 0;
    for (std::int32_t k = fNext; k <= fSource->CountCorners(); ++k) {
      const TPolyCorner& c = fSource->Corner(k);
      if (c.kept && c.x == v->x && c.y == v->y) {
        fNext = k + 1;
        return k;
      }
    }
    return 0;
  }

 private:
  const TBrklnSource* fSource;
  std::int32_t fNext = 1;
};

std::int32_t KeptCorners(const TBrklnSource* s) {
  std::int32_t kept = 0;
  for (std::int32_t k = 1; k <= s->CountCorners(); ++k) kept += s->Corner(k).kept;
  return kept;
}

// The breakline's vertices that are set, in order.
std::int32_t Vertices(const TBrkln* brkln, TWorkList<const TTINVtx*, 16>* out) {
  if (brkln->fVtxList != nullptr)
    for (const TLinkNode* node = brkln->fVtxList->fFirst; node != nullptr; node = node->next)
      if (node->item != nullptr && !out->Push(static_cast<const TTINVtx*>(node->item))) return 0;
  return out->Size();
}

// Every segment of one breakline (the closing one of a closed breakline
// included, as enforcement forces it) that the TIN does not hold, each once.
void CheckBreakline(const TWorkList<const TTINVtx*, 16>& v, bool closed,
                    const TBrklnSource* source, TBuildNotices* out) {
  TCornerNumbers numbers(source);
  const KVObj poly = source != nullptr ? source->fPoly : 0;
  const std::int32_t n = v.Size();
  std::int32_t first = 0, prev = 0;
  auto check = [&](std::int32_t a, std::int32_t na, std::int32_t b, std::int32_t nb) {
    TRealPt gap{0.0, 0.0};
    if (!SegmentIsChainOfEdges(v.At(a), v.At(b), &gap))
      Push(out, KVBuildNotice{kKVNoticeSegmentNotHeld, poly, na, nb, Rounded(gap), 0});
  };
  for (std::int32_t i = 0; i < n; ++i) {
    const std::int32_t number = numbers.Of(v.At(i));
    if (i == 0) first = number;
    else check(i - 1, prev, i, number);
    prev = number;
  }
  // A closed breakline of two vertices closes over the segment it has.
  if (closed && n > 2) check(n - 1, prev, 0, first);
}

// The TIN's vertices by XY (no two share one).
class TVtxByXY {
 public:
  explicit TVtxByXY(const TTIN* tin) {
    if (tin->fTINVtxListByZ == nullptr) return;
    for (const TLinkNode* node = tin->fTINVtxListByZ->fFirst; node != nullptr; node = node->next)
      if (node->item != nullptr && !fVtxs.Push(static_cast<const TTINVtx*>(node->item))) {
        Trace(kTraceBuild, "Breakline notices: no memory for the vertices by XY\n");
        break;
      }
    if (!fVtxs.Empty()) std::sort(&fVtxs.At(0), &fVtxs.At(0) + fVtxs.Size(), Less);
  }
  const TTINVtx* At(std::int32_t x, std::int32_t y) const {
    if (fVtxs.Empty()) return nullptr;
    const TTINVtx* const* first = &fVtxs.At(0);
    const TTINVtx* const* last = first + fVtxs.Size();
    const TTINVtx probe(x, y, 0);
    const TTINVtx* const* it = std::lower_bound(first, last, &probe, Less);
    return it != last && (*it)->x == x && (*it)->y == y ? *it : nullptr;
  }

 private:
  static bool Less(const TTINVtx* a, const TTINVtx* b) {
    return a->x < b->x || (a->x == b->x && a->y < b->y);
  }
  TWorkList<const TTINVtx*, 16> fVtxs;
};

// The runs of consecutive corners at one XY (for a closed polygon the last
// run joins the first when they share their XY), each as its first corner
// and whether any corner of it went into the breakline.
struct TRun {
  std::int32_t first;
  bool kept;
};

bool SameXY(const TPolyCorner& a, const TPolyCorner& b) { return a.x == b.x && a.y == b.y; }

std::int32_t Runs(const TBrklnSource* s, TWorkList<TRun, 16>* runs) {
  const std::int32_t n = s->CountCorners();
  for (std::int32_t k = 1; k <= n; ++k) {
    if (k > 1 && SameXY(s->Corner(k), s->Corner(k - 1))) {
      runs->Top().kept = runs->Top().kept || s->Corner(k).kept;
      continue;
    }
    if (!runs->Push(TRun{k, s->Corner(k).kept})) return 0;
  }
  if (s->fClosed && runs->Size() > 1 && SameXY(s->Corner(n), s->Corner(1))) {
    runs->At(0).kept = runs->At(0).kept || runs->Top().kept;
    runs->Pop();
  }
  return runs->Size();
}

// The corners a polygon lost, with how many of its drawn segments next to
// them are not chains of TIN edges.
void CheckLostCorners(const TBrklnSource* s, const TVtxByXY& byXY, TBuildNotices* out) {
  TWorkList<TRun, 16> runs;
  const std::int32_t n = Runs(s, &runs);
  const std::int32_t segments = s->fClosed && n > 2 ? n : n - 1;
  std::int32_t notEdges = 0;
  for (std::int32_t r = 0; r < segments; ++r) {
    const TRun& a = runs.At(r);
    const TRun& b = runs.At((r + 1) % n);
    if (a.kept && b.kept) continue;
    const TPolyCorner& ca = s->Corner(a.first);
    const TPolyCorner& cb = s->Corner(b.first);
    const TTINVtx* va = byXY.At(ca.x, ca.y);
    const TTINVtx* vb = byXY.At(cb.x, cb.y);
    TRealPt gap{0.0, 0.0};
    if (va != nullptr && vb != nullptr && !SegmentIsChainOfEdges(va, vb, &gap)) ++notEdges;
  }
  for (std::int32_t r = 0; r < n; ++r) {
    if (runs.At(r).kept) continue;
    const TPolyCorner& c = s->Corner(runs.At(r).first);
    Push(out, KVBuildNotice{kKVNoticeCornerDropped, s->fPoly, runs.At(r).first, 0,
                            KVPoint2D{c.y, c.x}, notEdges});
  }
}

bool LostACorner(const TBrklnSource* s) {
  if (!s->fComplete) return false;
  TWorkList<TRun, 16> runs;
  const std::int32_t n = Runs(s, &runs);
  for (std::int32_t r = 0; r < n; ++r)
    if (!runs.At(r).kept) return true;
  return false;
}

}  // namespace

void CollectBreaklineNotices(const TTIN* tin, TBuildNotices* out) {
  const TBrklnSources* sources =
      tin->fVtxTriMgr != nullptr ? tin->fVtxTriMgr->fBrklnSources : nullptr;
  if (sources == nullptr) return;
  // The breaklines and the records of their polygons are both in collection
  // order; a breakline belongs to the next record whose kept corners it
  // holds.
  if (tin->fTINParams.useBrklns && tin->fBrklnList != nullptr) {
    std::int32_t next = 0;
    for (const TLinkNode* node = tin->fBrklnList->fFirst; node != nullptr; node = node->next) {
      const auto* brkln = static_cast<const TBrkln*>(node->item);
      if (brkln == nullptr) continue;
      TWorkList<const TTINVtx*, 16> v;
      if (Vertices(brkln, &v) < 2) continue;
      const TBrklnSource* source = nullptr;
      for (std::int32_t i = next; i < sources->Count() && source == nullptr; ++i) {
        const TBrklnSource* s = sources->At(i);
        if (KeptCorners(s) == v.Size() && TCornerNumbers(s).Of(v.At(0)) != 0) {
          source = s;
          next = i + 1;
        }
      }
      CheckBreakline(v, brkln->IsClosed(), source, out);
    }
  }
  bool anyLost = false;
  for (std::int32_t i = 0; i < sources->Count() && !anyLost; ++i) anyLost = LostACorner(sources->At(i));
  if (!anyLost) return;
  const TVtxByXY byXY(tin);
  for (std::int32_t i = 0; i < sources->Count(); ++i)
    if (LostACorner(sources->At(i))) CheckLostCorners(sources->At(i), byXY, out);
}

void ReportBreaklineNotices(const TTIN* tin) {
  TBuildNotices notices;
  CollectBreaklineNotices(tin, &notices);
  KV_ReportBuildNotices(gKVCallback, tin->fTINParams.tinName,
                        notices.Empty() ? nullptr : &notices.At(0), notices.Size());
}
