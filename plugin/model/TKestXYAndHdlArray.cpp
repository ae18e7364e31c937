#include "plugin/model/TKestXYAndHdlArray.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "plugin/host/KVEmul.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TXYIndex.h"
#include "plugin/model/XYTable.h"
#include "plugin/shell/Trace.h"

namespace {

// Manhattan distances in 64 bits: differences of 32-bit coordinates need 33.
template <typename Entry>
std::int64_t DistX(const Entry& e, TXYPoint p) {
  return std::llabs(static_cast<std::int64_t>(p.x) - e.x);
}
template <typename Entry>
std::int64_t Dist(const Entry& e, TXYPoint p) {
  return DistX(e, p) + std::llabs(static_cast<std::int64_t>(p.y) - e.y);
}

}  // namespace

TKestXYAndHdlArray::~TKestXYAndHdlArray() { DisposeXYAndHdlArray(); }

void TKestXYAndHdlArray::FreeAdditions() {
  PluginFree(fAdds);
  fAdds = nullptr;
  fAddCapacity = 0;
  fAddCount = 0;
  fIndexed = 0;
  delete fByXY;
  fByXY = nullptr;
  fByXYCount = 0;
  fByXYComplete = true;
  fScanned = 0;
}

std::int32_t TKestXYAndHdlArray::InitKestXYAndHdlArray() {
  delete fIndex;
  fIndex = nullptr;
  FreeAdditions();
  fCount = 0;
  fHdl = gKVCallback != nullptr ? KVE_NewHandle(gKVCallback, 0) : nullptr;
  return fHdl != nullptr ? 0 : kErrNoXYArrayHandle;
}

void TKestXYAndHdlArray::DisposeXYAndHdlArray() {
  delete fIndex;
  fIndex = nullptr;
  FreeAdditions();
  if (fHdl != nullptr && gKVCallback != nullptr) KVE_DisposeHandle(gKVCallback, fHdl);
  fHdl = nullptr;
  fCount = 0;
}

const TXYAndHdl* TKestXYAndHdlArray::Entries() const {
  CatchUp();
  if (fIndex != nullptr && fHdl != nullptr && fCount > 0) {
    // Lay the indexed entries out in the handle, in array order.
    const std::int32_t size = fCount * static_cast<std::int32_t>(sizeof(TXYAndHdl));
    if (KVE_GetHandleSize(gKVCallback, fHdl) < size) KVE_SetHandleSize(gKVCallback, fHdl, size);
    if (KVE_MemError(gKVCallback) != kKVNoErr) return nullptr;
    if (!fIndex->CopyInOrder(reinterpret_cast<TXYAndHdl*>(*fHdl))) return nullptr;
  }
  return fHdl != nullptr && fCount > 0 ? reinterpret_cast<const TXYAndHdl*>(*fHdl) : nullptr;
}

bool TKestXYAndHdlArray::AddXYAndHdl(TXYPoint p, TTINVtx* vtx) {
  if (fHdl == nullptr || gKVCallback == nullptr) return false;
  return fSteps == TSteps::kLiteral ? AddLiteral(p, vtx) : AddIndexed(p, vtx);
}

bool TKestXYAndHdlArray::AddIndexed(TXYPoint p, TTINVtx* vtx) {
  if (RoomForAddition()) {
    fAdds[fAddCount] = vtx;
    ++fAddCount;
    ++fCount;
    return true;
  }
  // No room to wait: the addition goes into the index at once, after those
  // that were waiting, and the position table no longer knows every entry.
  fByXYComplete = false;
  CatchUp();
  if (fIndex == nullptr) fIndex = new TXYIndex();
  if (fIndex == nullptr || !fIndex->Add(p, vtx)) {
    Trace(kTraceBuild, "In AddXYAndHdl no memory for the entry\n");
    return false;
  }
  ++fCount;
  return true;
}

bool TKestXYAndHdlArray::RoomForAddition() { return RoomForOneMore(&fAdds, fAddCount, &fAddCapacity, 1024); }

bool TKestXYAndHdlArray::PositionsUpToDate() const {
  for (; fByXYComplete && fByXYCount < fAddCount; ++fByXYCount)
    RememberPosition(TXYPoint{fAdds[fByXYCount]->x, fAdds[fByXYCount]->y}, fByXYCount);
  return fByXYComplete && fByXY != nullptr;
}

void TKestXYAndHdlArray::RememberPosition(TXYPoint p, std::int32_t at) const {
  if (!fByXYComplete) return;
  if (fByXY == nullptr) {
    fByXY = new TXYTable();
    if (fByXY == nullptr || !fByXY->Reserve(1024)) {
      fByXYComplete = false;
      return;
    }
  }
  std::int32_t first = 0;
  if (fByXY->Find(p.x, p.y, &first)) {
    fByXYComplete = false;  // a repeated position: the index's order decides
    return;
  }
  if (!fByXY->Add(p.x, p.y, at) && !(fByXY->Grow() && fByXY->Add(p.x, p.y, at)))
    fByXYComplete = false;
}

void TKestXYAndHdlArray::CatchUp() const {
  if (fIndexed == fAddCount) return;
  if (fIndex == nullptr) fIndex = new TXYIndex();
  for (; fIndexed < fAddCount; ++fIndexed) {
    TTINVtx* v = fAdds[fIndexed];
    if (fIndex == nullptr || !fIndex->Add(TXYPoint{v->x, v->y}, v)) {
      Trace(kTraceBuild, "In AddXYAndHdl no memory for the entry\n");
      --fCount;
      fByXYComplete = false;
    }
  }
}

bool TKestXYAndHdlArray::AddLiteral(TXYPoint p, TTINVtx* vtx) {
  KVCallback cb = gKVCallback;

  // Grow by exactly one entry, keeping the handle's state across the resize.
  const std::int32_t size = KVE_GetHandleSize(cb, fHdl);
  KVErr err = KVE_MemError(cb);
  if (err != kKVNoErr) Trace(kTraceBuild, "In AddXYAndHdl after GetHandleSize errOS = %d\n", err);
  const std::int8_t state = KVE_HGetState(cb, fHdl);
  err = KVE_MemError(cb);
  if (err != kKVNoErr) Trace(kTraceBuild, "In AddXYAndHdl after HGetState errOS = %d\n", err);
  KVE_SetHandleSize(cb, fHdl, size + static_cast<std::int32_t>(sizeof(TXYAndHdl)));
  const KVErr growErr = KVE_MemError(cb);
  if (growErr != kKVNoErr)
    Trace(kTraceBuild, "In AddXYAndHdl after SetHandleSize errOS = %d\n", growErr);
  KVE_HSetState(cb, fHdl, state);
  err = KVE_MemError(cb);
  if (err != kKVNoErr) Trace(kTraceBuild, "In AddXYAndHdl after HSetState errOS = %d\n", err);
  if (growErr != kKVNoErr) return false;

  // The block may have moved: take its address only now.
  xy_array_literal::InsertEntry(reinterpret_cast<TXYAndHdl*>(*fHdl), fCount, p, vtx);
  ++fCount;
  return true;
}

TTINVtx* TKestXYAndHdlArray::GetHdlByXY(TXYPoint p) const {
  if (PositionsUpToDate()) {
    std::int32_t at = 0;
    return fByXY->Find(p.x, p.y, &at) ? fAdds[at] : nullptr;
  }
  CatchUp();
  if (fIndex != nullptr) return fIndex->FindExact(p);
  return xy_array_literal::FindExact(Entries(), fCount, p);
}

TTINVtx* TKestXYAndHdlArray::ScanNearest(TXYPoint p, bool* exact) const {
  if (fIndex != nullptr || fAddCount == 0 || fScanned > (kScansBeforeIndexing - 1) * fAddCount)
    return nullptr;
  fScanned += fAddCount;
  std::int64_t best = INT64_MAX;
  std::int32_t at = -1;
  bool tied = false;
  for (std::int32_t i = 0; i < fAddCount; ++i) {
    const std::int64_t d = Dist(*fAdds[i], p);
    if (d > best) continue;
    tied = d == best;
    best = d;
    at = i;
  }
  if (tied) return nullptr;
  *exact = best == 0;
  return fAdds[at];
}

TTINVtx* TKestXYAndHdlArray::GetHdlByXYNearest(TXYPoint p, bool* exact) const {
  *exact = false;
  if (TTINVtx* v = ScanNearest(p, exact)) return v;
  CatchUp();
  if (fIndex != nullptr) return fIndex->FindNearest(p, exact);
  return xy_array_literal::FindNearest(Entries(), fCount, p, exact);
}

namespace xy_array_literal {

XSearch SearchX(const TXYAndHdl* entries, std::int32_t count, std::int32_t px) {
  std::int32_t lo = 0;
  std::int32_t hi = count - 1;
  std::int32_t i = 0;
  while (lo <= hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (entries[mid].x > px) {
      hi = mid - 1;
      i = mid;
    } else if (entries[mid].x == px) {
      return {mid, true};
    } else {
      lo = mid + 1;
      i = lo;
    }
  }
  return {i, false};
}

void InsertEntry(TXYAndHdl* entries, std::int32_t count, TXYPoint p, TTINVtx* vtx) {
  const std::int32_t i = SearchX(entries, count, p.x).index;
  if (count > i)
    std::memmove(entries + i + 1, entries + i,
                 sizeof(TXYAndHdl) * static_cast<std::size_t>(count - i));
  entries[i] = TXYAndHdl{p.x, p.y, vtx};
}

TTINVtx* FindExact(const TXYAndHdl* entries, std::int32_t count, TXYPoint p) {
  if (entries == nullptr || count <= 0) return nullptr;
  const XSearch s = SearchX(entries, count, p.x);
  if (!s.found) return nullptr;
  for (std::int32_t j = s.index; j >= 0 && entries[j].x == p.x; --j)
    if (entries[j].y == p.y) return entries[j].hdl;
  for (std::int32_t j = s.index + 1; j < count && entries[j].x == p.x; ++j)
    if (entries[j].y == p.y) return entries[j].hdl;
  return nullptr;
}


TTINVtx* FindNearest(const TXYAndHdl* entries, std::int32_t count, TXYPoint p, bool* exact) {
  *exact = false;
  if (entries == nullptr || count <= 0) return nullptr;

  // Start at the entry with x = p.x or at the insertion point (the last
  // entry when that lies past the end).
  std::int32_t s = SearchX(entries, count, p.x).index;
  if (s > count - 1) s = count - 1;

  // Nearest in x: walk down, then up, while dx strictly decreases.
  std::int64_t b = DistX(entries[s], p);
  if (b > 0) {
    for (std::int32_t j = s - 1; j >= 0 && DistX(entries[j], p) < b; --j) {
      s = j;
      b = DistX(entries[j], p);
    }
    for (std::int32_t j = s + 1; j < count && DistX(entries[j], p) < b; ++j) {
      s = j;
      b = DistX(entries[j], p);
    }
  }

  // Nearest in the plane: the x order lets each walk stop once dx alone
  // reaches the best distance; ties keep the entry met first.
  std::int32_t best = s;
  std::int64_t d = Dist(entries[s], p);
  if (d > 0) {
    for (std::int32_t j = s - 1; j >= 0 && DistX(entries[j], p) < d; --j) {
      if (Dist(entries[j], p) < d) {
        best = j;
        d = Dist(entries[j], p);
      }
    }
    for (std::int32_t j = s; j < count && DistX(entries[j], p) < d; ++j) {
      if (Dist(entries[j], p) < d) {
        best = j;
        d = Dist(entries[j], p);
      }
    }
  }
  *exact = d == 0;
  return entries[best].hdl;
}

}  // namespace xy_array_literal
