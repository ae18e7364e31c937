// The selection test of the create command: how many 3D points (loci plus the
// vertices of 3D polygons) are selected on the current layer, and their
// elevation range.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"

class TTIN;

// The first base of a difference TIN while its dialog has not yet named the
// two real bases: non-null so that normalTIN becomes false, never followed.
inline TTIN* ProvisionalBase() { return reinterpret_cast<TTIN*>(std::uintptr_t{1}); }

struct TElevRange {
  std::int32_t low;
  std::int32_t high;
};

// Filled by CheckOnlyLociSel, four 32-bit fields in this order.
struct TSelCount {
  std::int32_t num3DLociSel;
  std::int32_t num3DPolySel;  // vertices of 3D polygons
  std::int32_t lowElev;       // starts at 0x7FFFFFFF
  std::int32_t highElev;      // starts at -0x7FFFFFFF (not the most negative value)
};

// KV_ForEachObject callback over the selection; `user` is a TSelCount.
// Counts 3D loci and 3D polygon vertices whose layer ancestor is the current
// layer and folds their elevations into the range.  Exported.
extern "C" KV_EXPORT void CheckOnlyLociSel(KVObj obj, KVCallback cb, void* user);

// True when at least three points are selected on the current layer; the
// range is {lowest, highest} in every case.
bool CheckOnlyLociSelGE3(KVCallback cb, TElevRange* range);
