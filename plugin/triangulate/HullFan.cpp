#include "plugin/triangulate/HullFan.h"

#include <algorithm>
#include <cstdint>

#include "plugin/host/KVUTIL.h"
#include "plugin/host/WorkList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/triangulate/EdgeSwap.h"
#include "plugin/triangulate/Tolerances.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/ULandUtils.h"

namespace {

// Turn from azimuth `from` to azimuth `to`, in [−π/2, 3π/2).
double Turn(double to, double from) {
  double d = NormalizeAngle(to - from);
  if (d >= kThreeHalfPiTurn) d -= kTwoPi;
  return d;
}

// The hull as a 1-based array; H(n + 1) is H(1).
class THullArray {
 public:
  TErr Read(TLinkedList* hull) {
    if (hull == nullptr) return kErrFanNoHull;
    if (hull->fFirst == nullptr) return kErrFanEmptyHull;
    for (TLinkNode* node = hull->fFirst; node != nullptr; node = node->next) {
      if (node->item == nullptr) return kErrFanNullHullVtx;
      if (!fVtxs.Push(static_cast<TTINVtx*>(node->item))) return kErrNoTriangleMemory;
    }
    return kNoErr;
  }
  std::int32_t Count() const { return fVtxs.Size(); }
  TTINVtx* H(std::int32_t k) const { return fVtxs.At((k - 1) % fVtxs.Size()); }

 private:
  TWorkList<TTINVtx*, 32> fVtxs;
};

// Appends the triangle (a, b, c) with null neighbours and clear flags.
TErr MakeTriangle(TTIN* tin, TTINVtx* a, TTINVtx* b, TTINVtx* c) {
  auto* t = new TTINTriangle();
  if (t == nullptr) return kErrNoTriangleMemory;
  t->fVertices[0] = a;
  t->fVertices[1] = b;
  t->fVertices[2] = c;
  if (!tin->fTINTriangleList->Append(t)) {
    delete t;
    return kErrNoTriangleMemory;
  }
  return kNoErr;
}

// The fan (apex, H(k−1), H(k)) for k = from … to, positions above n taken
// minus n.
TErr Fan(TTIN* tin, const THullArray& h, TTINVtx* apex, std::int32_t from, std::int32_t to) {
  for (std::int32_t k = from; k <= to; ++k) {
    const TErr err = MakeTriangle(tin, apex, h.H(k - 1), h.H(k));
    if (err != kNoErr) return err;
  }
  return kNoErr;
}

struct EdgeEntry {
  std::uintptr_t lo, hi;  // the edge's two vertices, ordered by address
  TTINTriangle* tri;
  std::int16_t index;
};

}  // namespace

bool LinkSharedEdges(TLinkedList* list) {
  TWorkList<EdgeEntry, 64> edges;
  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next) {
    auto* t = static_cast<TTINTriangle*>(node->item);
    for (std::int16_t i = 0; i < 3; ++i) {
      const auto u = reinterpret_cast<std::uintptr_t>(t->fVertices[i]);
      const auto w = reinterpret_cast<std::uintptr_t>(t->fVertices[NextIndex(i, 1)]);
      if (!edges.Push(EdgeEntry{std::min(u, w), std::max(u, w), t, i})) return false;
    }
  }
  if (edges.Empty()) return true;
  EdgeEntry* first = &edges.At(0);
  EdgeEntry* last = first + edges.Size();
  std::sort(first, last, [](const EdgeEntry& p, const EdgeEntry& q) {
    return p.lo != q.lo ? p.lo < q.lo : p.hi < q.hi;
  });
  for (EdgeEntry* e = first; e + 1 < last; ++e) {
    if (e->lo == e[1].lo && e->hi == e[1].hi) {
      e->tri->fNeighbors[e->index] = e[1].tri;
      e[1].tri->fNeighbors[e[1].index] = e->tri;
      e->tri->fPairOkay = e[1].tri->fPairOkay = 0;
      ++e;
    }
  }
  return true;
}

TErr TriangulateConvexHull(TTIN* tin) {
  THullArray h;
  TErr err = h.Read(tin->fConvexHullVtxList);
  if (err != kNoErr) return err;
  const std::int32_t n = h.Count();

  // First side: f is the first hull vertex off the line H1–H2.
  auto az = [&](std::int32_t k) { return GetVtxAzimuth(h.H(1), h.H(k)); };
  const double a2 = n >= 2 ? az(2) : 0.0;
  std::int32_t f = 0;
  for (std::int32_t k = 3; k <= n && f == 0; ++k)
    if (Turn(az(k), a2) > kHullSideTurnTol) f = k;
  if (f == 0) return kErrFanCollinear;

  if (tin->fTINTriangleList != nullptr) return kErrFanTriListExists;
  TLinkedList* list = TLinkedList::New();
  if (list == nullptr) return kErrFanTriListMemory;
  if (!list->ILinkedList()) {
    list->Free();
    return kErrFanTriListInit;
  }
  tin->fTINTriangleList = list;

  if (n == 3) {
    err = MakeTriangle(tin, h.H(1), h.H(2), h.H(3));
  } else if (f == n) {  // H1 … Hn−1 on one line
    err = Fan(tin, h, h.H(n), 2, n - 1);
  } else {
    // Last side: b is the last hull vertex (from Hn−1 down) off the line Hn–H1.
    const double an = az(n);
    std::int32_t b = 0;
    for (std::int32_t k = n - 1; k >= 2 && b == 0; --k)
      if (Turn(an, az(k)) > kHullSideTurnTol) b = k;
    if (b == 0) b = 2;
    if (b == 2) {
      err = Fan(tin, h, h.H(2), 4, n + 1);
    } else if (f == 3 && b == n - 1) {  // no collinear run next to H1
      err = Fan(tin, h, h.H(1), 3, n);
    } else if (b == f) {
      err = Fan(tin, h, h.H(f), f + 2, f + n - 1);
    } else if (b > f) {
      for (std::int32_t k = f - 2; k >= 1 && err == kNoErr; --k)
        err = MakeTriangle(tin, h.H(f), h.H(k), h.H(k + 1));
      if (err == kNoErr) err = Fan(tin, h, h.H(b), b + 2, n + 1);
      if (err == kNoErr) err = Fan(tin, h, h.H(1), f + 1, b);
    } else {  // b < f, that is b = f − 1
      err = Fan(tin, h, h.H(n), 2, b);
      if (err == kNoErr) err = Fan(tin, h, h.H(b), f + 1, n);
    }
  }
  if (err != kNoErr) return err;
  if (!LinkSharedEdges(list)) return kErrNoTriangleMemory;

  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next)
    if (!IsClockwise(static_cast<TTINTriangle*>(node->item))) return kErrFanNotClockwise;
  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next)
    if (!CheckNabrsForCommonVtxs(static_cast<TTINTriangle*>(node->item))) return kErrFanLinks;
  return kNoErr;
}

TErr DelauneyizeFirstTrianglesOfHull(TTIN* tin) {
  TLinkedList* list = tin->fTINTriangleList;
  if (list == nullptr) return kErrFirstPassNoList;
  if (list->fFirst == nullptr) return kErrFirstPassEmptyList;
  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next)
    if (!CheckNabrsForCommonVtxs(static_cast<TTINTriangle*>(node->item)))
      return kErrFirstPassLinksBefore;

  auto* t = static_cast<TTINTriangle*>(list->fFirst->item);
  while (t != nullptr) {
    const TErr err = DelauneyizeWithNeighbors(tin, t);
    if (err != kNoErr) return err;
    t = nullptr;
    for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next) {
      auto* u = static_cast<TTINTriangle*>(node->item);
      if (!u->AllNabrEdgesOkay()) {
        t = u;
        break;
      }
    }
    SpinBusyCursor(gKVCallback);
  }

  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next)
    if (!CheckNabrsForCommonVtxs(static_cast<TTINTriangle*>(node->item)))
      return kErrFirstPassLinksAfter;
  return kNoErr;
}
