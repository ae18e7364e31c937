#include "plugin/triangulate/BrklnNotices.h"

#include <cmath>

#include "plugin/host/KVESDK.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/model/TBrkln.h"
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

// The polygon numbers of the breakline's vertices: the kept corners in
// order, matched by vertex (0 when a vertex has no recorded corner).
class TCornerNumbers {
 public:
  explicit TCornerNumbers(const TBrklnSource* source) : fSource(source) {}
  std::int32_t Of(const TTINVtx* v) {
    if (fSource == nullptr) return 0;
    for (std::int32_t k = fNext; k <= fSource->CountCorners(); ++k) {
      const TPolyCorner& c = fSource->Corner(k);
      if (c.kept && c.vtx == v) {
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

// Every segment of one breakline (the closing one of a closed breakline
// included, as enforcement forces it) that the TIN does not hold, each once.
void CheckBreakline(const TBrkln* brkln, const TBrklnSource* source, TBuildNotices* out) {
  if (brkln->fVtxList == nullptr) return;
  TCornerNumbers numbers(source);
  const KVObj poly = source != nullptr ? source->fPoly : 0;
  const TTINVtx* first = nullptr;
  const TTINVtx* prev = nullptr;
  std::int32_t firstNumber = 0, prevNumber = 0;
  auto check = [&](const TTINVtx* a, std::int32_t na, const TTINVtx* b, std::int32_t nb) {
    TRealPt gap{0.0, 0.0};
    if (!SegmentIsChainOfEdges(a, b, &gap))
      Push(out, KVBuildNotice{kKVNoticeSegmentNotHeld, poly, na, nb, Rounded(gap), 0});
  };
  std::int32_t count = 0;
  for (const TLinkNode* node = brkln->fVtxList->fFirst; node != nullptr; node = node->next) {
    const auto* v = static_cast<const TTINVtx*>(node->item);
    if (v == nullptr) continue;
    const std::int32_t number = numbers.Of(v);
    if (prev == nullptr) {
      first = v;
      firstNumber = number;
    } else {
      check(prev, prevNumber, v, number);
    }
    prev = v;
    prevNumber = number;
    ++count;
  }
  // A closed breakline of two vertices closes over the segment it has.
  if (brkln->IsClosed() && count > 2) check(prev, prevNumber, first, firstNumber);
}

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
void CheckLostCorners(const TBrklnSource* s, TBuildNotices* out) {
  if (!s->fComplete) return;
  TWorkList<TRun, 16> runs;
  const std::int32_t n = Runs(s, &runs);
  bool lost = false;
  for (std::int32_t r = 0; r < n; ++r) lost = lost || !runs.At(r).kept;
  if (!lost) return;

  const std::int32_t segments = s->fClosed && n > 2 ? n : n - 1;
  std::int32_t notEdges = 0;
  for (std::int32_t r = 0; r < segments; ++r) {
    const TRun& a = runs.At(r);
    const TRun& b = runs.At((r + 1) % n);
    if (a.kept && b.kept) continue;
    const TTINVtx* va = s->Corner(a.first).vtx;
    const TTINVtx* vb = s->Corner(b.first).vtx;
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

}  // namespace

void CollectBreaklineNotices(const TTIN* tin, TBuildNotices* out) {
  const TBrklnSources* sources =
      tin->fVtxTriMgr != nullptr ? tin->fVtxTriMgr->fBrklnSources : nullptr;
  if (sources == nullptr) return;
  // The breaklines and their records are both in collection order.
  if (tin->fTINParams.useBrklns && tin->fBrklnList != nullptr) {
    std::int32_t next = 0;
    for (const TLinkNode* node = tin->fBrklnList->fFirst; node != nullptr; node = node->next) {
      const auto* brkln = static_cast<const TBrkln*>(node->item);
      if (brkln == nullptr) continue;
      const TBrklnSource* source = nullptr;
      for (std::int32_t i = next; i < sources->Count(); ++i)
        if (sources->At(i)->fBrkln == brkln) {
          source = sources->At(i);
          next = i + 1;
          break;
        }
      CheckBreakline(brkln, source, out);
    }
  }
  for (std::int32_t i = 0; i < sources->Count(); ++i) CheckLostCorners(sources->At(i), out);
}

void ReportBreaklineNotices(const TTIN* tin) {
  TBuildNotices notices;
  CollectBreaklineNotices(tin, &notices);
  KV_ReportBuildNotices(gKVCallback, tin->fTINParams.tinName,
                        notices.Empty() ? nullptr : &notices.At(0), notices.Size());
}
