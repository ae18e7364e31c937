#include "plugin/triangulate/EdgeSwap.h"

#include <cmath>
#include <cstdint>

#include "plugin/host/KVUTIL.h"
#include "plugin/host/WorkList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/CircleFilter.h"
#include "plugin/triangulate/ExactPredicates.h"
#include "plugin/triangulate/Tolerances.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/ULandUtils.h"

namespace {

KVPoint2D XY(const TTINVtx* v) { return KVPoint2D{v->y, v->x}; }

void ReplaceNeighbor(TTINTriangle* t, const TTINTriangle* from, TTINTriangle* to) {
  const std::int16_t i = t->IndexOfNeighbor(from);
  if (i == kNoIndex) return;
  t->ForgetPairWith(from);  // every edge it held, should it hold two
  t->fNeighbors[i] = to;
}

bool DistinctCorners(const TTINTriangle* t) {
  const TTINVtx* const* v = t->fVertices;
  return (v[0] != v[1]) & (v[1] != v[2]) & (v[0] != v[2]);
}

// The pair's indices and vertices, read before anything changes.
struct PairGeometry {
  std::int16_t a, b;
  TTINVtx *P, *Q, *S, *R;
};

bool ReadPair(const TTINTriangle* t1, const TTINTriangle* t2, PairGeometry* g) {
  FindCommonEdge(t1, t2, &g->a, &g->b);
  if (g->a == kNoIndex || g->b == kNoIndex) return false;
  g->S = t1->fVertices[g->a];
  g->R = t1->fVertices[NextIndex(g->a, 1)];
  g->P = t1->fVertices[NextIndex(g->a, 2)];
  g->Q = t2->fVertices[NextIndex(g->b, 2)];
  return true;
}

}  // namespace

void FindCommonEdge(const TTINTriangle* t1, const TTINTriangle* t2, std::int16_t* a,
                    std::int16_t* b) {
  *a = t1->IndexOfNeighbor(t2);
  *b = t2->IndexOfNeighbor(t1);
}

TTINVtx* GetFarVertex(const TTINTriangle* t1, const TTINTriangle* t2) {
  for (int i = 0; i < 3; ++i) {
    TTINVtx* v = t2->fVertices[i];
    if (v != t1->fVertices[0] && v != t1->fVertices[1] && v != t1->fVertices[2]) return v;
  }
  return t2->fVertices[2];
}

namespace {

// False when the directions R->P and P->S certainly differ by more than the
// collinearity tolerance of the azimuth test: they point apart (dot product
// not positive), or the sine of the angle between them exceeds 1e-6, ten
// times the tolerance (kSameWaySineSquaredMargin).  Both products are formed from exact 64-bit
// differences in double precision, whose rounding (a few units in 2^-52 of
// the vector lengths' product) is far below that margin, so the azimuth test,
// two arc tangents, is needed only when this answers true and its outcome is
// never changed.
bool MayPointTheSameWay(const TTINVtx* r, const TTINVtx* p, const TTINVtx* s) {
  const double wx = static_cast<double>(std::int64_t{p->x} - r->x);
  const double wy = static_cast<double>(std::int64_t{p->y} - r->y);
  const double ux = static_cast<double>(std::int64_t{s->x} - p->x);
  const double uy = static_cast<double>(std::int64_t{s->y} - p->y);
  const double dot = ux * wx + uy * wy;
  const double cross = ux * wy - uy * wx;
  // Both conditions are formed and combined without a branch: whether the
  // directions point apart is as good as random, and the answer (nearly
  // always false) is then the only thing the caller branches on.
  return (dot > 0.0) &
         (cross * cross <= kSameWaySineSquaredMargin * (ux * ux + uy * uy) * (wx * wx + wy * wy));
}

}  // namespace

namespace {

// What the circle test learnt of the last triangle it tested: whether its
// corners lie on one line and, if not, their circumcentre.  Both depend only
// on the three corners in order, so while they are the same the answers can
// be taken again.  A repair tests a triangle against each of its neighbours
// in turn, so about a third of the tests find their triangle here.
struct TCircleMemo {
  const TTINVtx* corners[3] = {nullptr, nullptr, nullptr};
  bool collinear = false;
  TRealPt center{0.0, 0.0};
};

// The circle test of an adjacent pair whose edge flags are not both set, with
// its indices a and b: true when the pair passes, and then both flags are set.
// `memo` remembers the last triangle's collinearity and centre.  In line in
// the repair's loop: a call's saving and restoring of registers is a twentieth
// of the test's instructions.
[[gnu::always_inline]] inline bool TestPair(TTINTriangle* t1, TTINTriangle* t2, std::int16_t a,
                                            std::int16_t b, TSteps steps, TCircleMemo& m) {
  const TTINVtx* S = t1->fVertices[a];
  const TTINVtx* R = t1->fVertices[NextIndex(a, 1)];
  const TTINVtx* P = t1->fVertices[NextIndex(a, 2)];
  // T2's edge b runs from R to S, and its third corner is the far one: what
  // GetFarVertex's search (whose branches guess badly) finds whenever that
  // holds and the corner is not also one of T1's.
  const TTINVtx* q = t2->fVertices[NextIndex(b, 2)];
  if (t2->fVertices[b] != R || t2->fVertices[NextIndex(b, 1)] != S || q == S || q == R || q == P)
    q = GetFarVertex(t1, t2);
  __builtin_prefetch(q);  // the far corner is rarely in the cache: ask before the circle is made
  // Whether the pair passes (the repair goes on into T2) or is flipped (T2's
  // outer neighbours become the pair's), T2's neighbours are read next, and
  // a neighbour's record is the repair's most frequent cache miss: ask for
  // them while the circle is made.
  for (const TTINTriangle* n : t2->fNeighbors) __builtin_prefetch(n);
  const TTINVtx* c0 = t1->fVertices[0];
  const TTINVtx* c1 = t1->fVertices[1];
  const TTINVtx* c2 = t1->fVertices[2];
  const circle_filter::TVerdict verdict =
      steps == TSteps::kLiteral
          ? circle_filter::TVerdict{0, false}
          : circle_filter::Judge(c0->x, c0->y, c1->x, c1->y, c2->x, c2->y, q->x, q->y);
  bool ok = verdict.pass;
  if (!verdict.decided) [[unlikely]] {
    // T1 without area because P lies on the common edge between R and S: the
    // pair fails and is flipped, although no circumcircle exists.
    if (MayPointTheSameWay(R, P, S)) {
      const double d = std::fabs(GetVtxAzimuth(P, S) - GetVtxAzimuth(R, P));
      if (CompareWithTolerance(d, 0.0, kCollinearAzimuthTol) == 0 ||
          CompareWithTolerance(d, kTwoPi, kCollinearAzimuthTol) == 0)
        return false;
    }
    // Corners on one line in another order have no circumcircle either; such
    // a pair is treated like the case above.  One branch on whether the
    // triangle is the remembered one (as good as random), not one per corner.
    const bool same = (m.corners[0] == c0) & (m.corners[1] == c1) & (m.corners[2] == c2);
    if (!same) {
      m.corners[0] = c0;
      m.corners[1] = c1;
      m.corners[2] = c2;
      m.collinear = OrientSign(c0->x, c0->y, c1->x, c1->y, c2->x, c2->y) == 0;
      if (!m.collinear) {
        const KVPoint2D corners[3] = {XY(c0), XY(c1), XY(c2)};
        m.center = GetCircumcenter(corners);
      }
    }
    if (m.collinear) return false;
    // Read where it lies, one half at a time: a copy would load both halves at
    // once, which waits until the two separate stores of a new centre land.
    const TRealPt& o = m.center;
    const TRealPt onCircle{double(c0->y), double(c0->x)}, far{double(q->y), double(q->x)};
    // No tolerance: a far vertex exactly on the circle passes, so of two
    // cocircular diagonals the present one stays.
    ok = steps == TSteps::kLiteral ? GetDistance(o, far) >= GetDistance(o, onCircle)
                                   : DistanceAtLeast(o, far, onCircle);
  }
  if (ok) {
    t1->fEdgeOkay[a] = true;
    t2->fEdgeOkay[b] = true;
    // The bits also stand for the distinct corners a visit checks first.
    if (DistinctCorners(t1) && DistinctCorners(t2)) {
      t1->fPairOkay |= static_cast<std::uint8_t>(1u << a);
      t2->fPairOkay |= static_cast<std::uint8_t>(1u << b);
    }
  }
  return ok;
}

}  // namespace

bool CheckIfDelauneyOkay(TTINTriangle* const pair[2], bool* known, TSteps steps) {
  *known = true;
  TTINTriangle* t1 = pair[0];
  TTINTriangle* t2 = pair[1];
  if (t1 == nullptr || t2 == nullptr) return true;
  std::int16_t a, b;
  FindCommonEdge(t1, t2, &a, &b);
  if (a == kNoIndex || b == kNoIndex) return true;
  if (t1->fEdgeOkay[a] && t2->fEdgeOkay[b]) return true;
  *known = false;
  TCircleMemo memo;
  return TestPair(t1, t2, a, b, steps, memo);
}

namespace {

// The flip, in line in the repair's loop (a call there saves and restores
// the loop's registers for each of some six flips a point).
[[gnu::always_inline]] inline void FlipPair(TTINTriangle* t1, TTINTriangle* t2) {
  PairGeometry g;
  if (t1 == nullptr || t2 == nullptr || !ReadPair(t1, t2, &g)) {
    Trace(kTraceBuild, "In SwapPairOfTriangles the pair is not adjacent\n");
    return;
  }
  // The checks around the flip only feed the trace; they read the four outer
  // neighbours, so they run only while the build is traced.
  const bool traced = gTraceSwitches[kTraceBuild] != 0;
  if (traced && (!IsClockwise(t1) || !IsClockwise(t2) || !CheckNabrsForCommonVtxs(t1) ||
                 !CheckNabrsForCommonVtxs(t2)))
    Trace(kTraceBuild, "In SwapPairOfTriangles a triangle failed a check before the flip\n");

  const std::int16_t a2 = NextIndex(g.a, 2);
  const std::int16_t b2 = NextIndex(g.b, 2);
  TTINTriangle* x1 = t1->fNeighbors[a2];  // across P–S
  TTINTriangle* x2 = t2->fNeighbors[b2];  // across Q–R
  // Across R–P and S–Q: they keep their links, but the pair's flags go.
  TTINTriangle* y1 = t1->fNeighbors[NextIndex(g.a, 1)];
  TTINTriangle* y2 = t2->fNeighbors[NextIndex(g.b, 1)];

  t1->fVertices[g.a] = g.Q;  // T1 = (Q, R, P)
  t1->fNeighbors[g.a] = x2;
  t1->fNeighbors[a2] = t2;
  t2->fVertices[g.b] = g.P;  // T2 = (P, S, Q)
  t2->fNeighbors[g.b] = x1;
  t2->fNeighbors[b2] = t1;

  if (g.S->fTriangle == t1) g.S->fTriangle = t2;
  if (g.R->fTriangle == t2) g.R->fTriangle = t1;
  if (x1 != nullptr) ReplaceNeighbor(x1, t1, t2);
  if (x2 != nullptr) ReplaceNeighbor(x2, t2, t1);
  // The repairs of T1 and T2 that follow test them against X2 and X1, whose
  // far corners are seldom in the cache; the records of X1 and X2 have just
  // been read, so their corners can be asked for now.
  for (const TTINTriangle* x : {x1, x2})
    if (x != nullptr) x->PrefetchCorners();
  if (y1 != nullptr) y1->ForgetPairWith(t1);
  if (y2 != nullptr) y2->ForgetPairWith(t2);

  for (int i = 0; i < 3; ++i) t1->fEdgeOkay[i] = t2->fEdgeOkay[i] = false;
  t1->fEdgeOkay[a2] = true;
  t2->fEdgeOkay[b2] = true;
  // The new diagonal's flags are set, but its bits only when both triangles
  // have three distinct corners (a visit checks that of its neighbour before
  // anything else, so a bit stands for that check too) and the diagonal is
  // the first edge of each that names the other (the edge whose flag a visit
  // reads: a pair left sharing two edges does not qualify).
  const bool distinct = DistinctCorners(t1) && DistinctCorners(t2) &&
                        t1->IndexOfNeighbor(t2) == a2 && t2->IndexOfNeighbor(t1) == b2;
  t1->fPairOkay = static_cast<std::uint8_t>(distinct ? 1u << a2 : 0u);
  t2->fPairOkay = static_cast<std::uint8_t>(distinct ? 1u << b2 : 0u);

  if (!traced) return;
  std::int16_t na, nb;
  FindCommonEdge(t1, t2, &na, &nb);
  if (!IsClockwise(t1) || !IsClockwise(t2) || !CheckNabrsForCommonVtxs(t1) ||
      !CheckNabrsForCommonVtxs(t2) || na == kNoIndex || nb == kNoIndex)
    Trace(kTraceBuild, "In SwapPairOfTriangles a triangle failed a check after the flip\n");
}

}  // namespace

void SwapPairOfTriangles(TTINTriangle* const pair[2]) { FlipPair(pair[0], pair[1]); }

bool CheckIfCanSwapTwoTris(TTINTriangle* const pair[2]) {
  TTINTriangle* t1 = pair[0];
  TTINTriangle* t2 = pair[1];
  PairGeometry g;
  if (t1 == nullptr || t2 == nullptr || !ReadPair(t1, t2, &g)) return false;
  if (t1->fVertices[g.a] != t2->fVertices[NextIndex(g.b, 1)] ||
      t1->fVertices[NextIndex(g.a, 1)] != t2->fVertices[g.b])
    Trace(kTraceBuild, "  Problem in ULandUtils.cp CheckIfCanSwapTwoTris #3\n");
  if (g.P == g.Q) Trace(kTraceBuild, "  Problem in ULandUtils.cp CheckIfCanSwapTwoTris #4\n");
  const double angle1 = GetAngleAtVertex(XY(g.P), XY(g.S), XY(g.Q));
  const double angle2 = GetAngleAtVertex(XY(g.P), XY(g.R), XY(g.Q));
  return angle1 < kPi && kTwoPi - angle2 < kPi;
}

bool IsClockwise(const TTINTriangle* tri) {
  const bool ok = DistinctCorners(tri);
  if (!ok)
    for (int i = 0; i < 3; ++i)
      Trace(kTraceBuild, "IsClockwise failed: corner %d = %p\n", i, tri->fVertices[i]);
  return ok;
}

bool CheckNabrsForCommonVtxs(const TTINTriangle* tri) {
  bool ok = true;
  for (int i = 0; i < 3; ++i) {
    const TTINTriangle* n = tri->fNeighbors[i];
    if (n == nullptr) continue;
    std::int16_t a, b;
    FindCommonEdge(tri, n, &a, &b);
    if (a == kNoIndex || b == kNoIndex) {
      Trace(kTraceBuild, "CheckNabrsForCommonVtxs: %p and neighbour %d (%p) not mutual\n", tri, i,
            n);
      ok = false;
    }
  }
  return ok;
}

namespace {

// One activation of the repair: the triangle, its neighbours as read on
// entry, the neighbour being visited and what the activation waits for.
struct RepairFrame {
  TTINTriangle* tri;
  TTINTriangle* nabrs[3];
  std::int16_t i;
  std::uint8_t stage;
};

enum : std::uint8_t {
  kEnter,          // neighbours not read yet
  kVisit,          // examine neighbour i (after a tested pair's neighbour returned, too)
  kAfterSwapSelf,  // the flip's repair of the triangle itself has returned
  kAfterSwapNabr,  // the flip's repair of the neighbour has returned: done
};

}  // namespace

// The links of a pair the repair is about to test.  Splits and flips keep
// every link mutual, so on the structures the builds make the full check of
// both triangles' neighbours never fails; it reads the four outer neighbours,
// which the repair does not otherwise touch, and costs a sixth of a build.
// The step-by-step build keeps the full check (PairLinked).  The indexed
// build checks that the pair's own link is mutual, reading only the two
// triangles the test reads anyway, and leaves the outer links to the visits
// of their own pairs (VisitPair): the neighbours were read when the
// triangle's visit began, and flips since may have parted the two, but then
// neither names the other.  It finds the common edge once for the check and
// the test: false when only one of the two names the other; otherwise *ok
// and *known are what CheckIfDelauneyOkay answers.
static bool PairLinked(const TTINTriangle* tri, const TTINTriangle* n) {
  return CheckNabrsForCommonVtxs(tri) && CheckNabrsForCommonVtxs(n);
}

static bool VisitPair(TTINTriangle* tri, std::int16_t a, TTINTriangle* n, bool* ok, bool* known,
                      TCircleMemo* memo) {
  const std::int16_t b = n->IndexOfNeighbor(tri);
  if ((a == kNoIndex) != (b == kNoIndex)) return false;
  // Both flags read without branching on the first: whether a pair is known
  // is as good as random, and one branch on the answer is enough.
  const bool unlinked = a == kNoIndex;
  *known = unlinked | (tri->fEdgeOkay[unlinked ? 0 : a] & n->fEdgeOkay[unlinked ? 0 : b]);
  *ok = *known || TestPair(tri, n, a, b, TSteps::kIndexed, *memo);
  return true;
}

// True when each edge of `t` with a neighbour has its known-pair bit, and one
// has.  A bit stands for the triangle's distinct corners and for the edge
// being the first that names its neighbour, so an activation on such a
// triangle skips every visit and ends without a code.
static bool EveryPairKnown(const TTINTriangle* t) {
  const unsigned hull = static_cast<unsigned>(t->fNeighbors[0] == nullptr) |
                        static_cast<unsigned>(t->fNeighbors[1] == nullptr) << 1 |
                        static_cast<unsigned>(t->fNeighbors[2] == nullptr) << 2;
  return t->fPairOkay != 0 && (t->fPairOkay | hull) == 7u;
}

// Flips one repair may make before the triangle count is looked at: a repair
// after one insertion needs few; only long ones pay for counting.
constexpr std::uint64_t kFlipsBeforeCounting = 4096;

// The most flips a repair can need: fewer than the square of the triangle
// count.  Past it the repair is cycling, which the double-precision circle test
// can do on nearly degenerate triangles.
static std::uint64_t FlipBound(const TTIN* tin) {
  if (tin == nullptr || tin->fTINTriangleList == nullptr) return UINT64_MAX;  // nothing to count
  std::uint64_t triangles = 0;
  if (tin->fTINTriangleList != nullptr)
    for (const TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next) ++triangles;
  return triangles * triangles + kFlipsBeforeCounting;
}

TErr DelauneyizeWithNeighbors(TTIN* tin, TTINTriangle* tri) {
  const TSteps steps = tin != nullptr ? tin->fSteps : NewStructureSteps();
  std::uint64_t flips = 0;
  std::uint64_t flipBound = 0;  // 0 until counted
  TWorkList<RepairFrame, 64> stack;
  TCircleMemo memo;
  if (!stack.Push(RepairFrame{tri, {nullptr, nullptr, nullptr}, 0, kEnter}))
    return kErrRepairNoMemory;
  TErr result = kNoErr;
  while (!stack.Empty()) {
    // The frame is worked on where it lies: copying it out and back costs a
    // stalled store forward per step.  The reference dies at the next Push.
    RepairFrame& f = stack.Top();
    TTINTriangle* child = nullptr;  // an activation to run before this one goes on
    TErr code = kNoErr;
    if (f.stage == kEnter) {
      for (int k = 0; k < 3; ++k) {
        f.nabrs[k] = f.tri->fNeighbors[k];
        // The visits read each neighbour of a pair not known to pass in
        // turn: ask for them all at once.
        if (f.nabrs[k] != nullptr && (f.tri->fPairOkay >> k & 1u) == 0)
          __builtin_prefetch(f.nabrs[k]);
      }
      f.i = 0;
      f.stage = kVisit;
    }
    if (f.stage == kAfterSwapSelf) {
      f.stage = kAfterSwapNabr;
      child = f.nabrs[f.i];
    } else if (f.stage == kVisit) {
      for (std::int16_t i = f.i; i < 3; ++i) {
        TTINTriangle* n = f.nabrs[i];
        if (n == nullptr) continue;
        if (!IsClockwise(f.tri)) {
          code = kErrRepairRepeatedCorner;
          break;
        }
        // A pair whose bit says it passes is what the flags would say too:
        // the indexed build goes on without reading the neighbour (whose own
        // checks, like the outer links', are for the pairs it is tested in).
        const std::int16_t a = steps == TSteps::kLiteral ? kNoIndex : f.tri->IndexOfNeighbor(n);
        if (a != kNoIndex && (f.tri->fPairOkay >> a & 1u) != 0) continue;
        if (!IsClockwise(n)) {
          code = kErrRepairRepeatedCorner;
          break;
        }
        bool known = false, ok = true;
        if (steps == TSteps::kLiteral) {
          if (!PairLinked(f.tri, n)) {
            code = kErrRepairLinks;
            break;
          }
          TTINTriangle* const pair[2] = {f.tri, n};
          ok = CheckIfDelauneyOkay(pair, &known, steps);
        } else if (!VisitPair(f.tri, a, n, &ok, &known, &memo)) {
          code = kErrRepairLinks;
          break;
        }
        if (!ok) {
          // Flip, repair this triangle, then the neighbour, and leave the loop.
          if (++flips > kFlipsBeforeCounting) {
            if (flipBound == 0) flipBound = FlipBound(tin);
            if (flips > flipBound) return kErrRepairDoesNotSettle;
          }
          FlipPair(f.tri, n);
          f.i = i;
          f.stage = kAfterSwapSelf;
          child = f.tri;
          break;
        }
        if (!known) {  // tested just now: carry the repair into the neighbour
          f.i = static_cast<std::int16_t>(i + 1);
          child = n;
          break;
        }
      }
    }
    if (child != nullptr) {
      // An activation all of whose pairs are known to pass by their bits
      // would examine nothing and end without a code: the indexed build
      // goes on as if it had run (about half of a terrain build's
      // activations).
      if (steps != TSteps::kLiteral && EveryPairKnown(child)) continue;
      if (!stack.Push(RepairFrame{child, {nullptr, nullptr, nullptr}, 0, kEnter}))
        return kErrRepairNoMemory;
      continue;
    }
    // The activation ends.  A damaged pair ends it at once with its code; the
    // codes of inner activations are not looked at, so only the outermost
    // activation's code reaches the caller.
    if (code == kNoErr && !IsClockwise(f.tri)) code = kErrRepairStartRepeatedCorner;
    result = code;
    stack.Pop();
  }
  return result;
}
