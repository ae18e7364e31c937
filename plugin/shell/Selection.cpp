#include "plugin/shell/Selection.h"

#include "plugin/host/KVESDK.h"
#include "plugin/output/BusyCursor.h"

static void Fold(TSelCount* count, std::int32_t z) {
  if (z < count->lowElev) count->lowElev = z;
  if (z > count->highElev) count->highElev = z;
}

void CheckOnlyLociSel(KVObj obj, KVCallback cb, void* user) {
  auto* count = static_cast<TSelCount*>(user);
  if (obj == 0 || count == nullptr) return;
  const std::int16_t type = KV_GetObjectType(cb, obj);
  const KVObj current = KV_GetCurrentLayer(cb);

  KVObj layer = KV_ParentObject(cb, obj);
  while (layer != 0 && KV_GetObjectType(cb, layer) != kKVTypeLayer) layer = KV_ParentObject(cb, layer);

  if (layer != 0 && layer == current) {
    if (type == kKVTypeLocus3D) {
      KVPoint3D p{};
      KV_GetLocus3DPosition(cb, obj, &p);
      Fold(count, p.z);
      count->num3DLociSel += 1;
    } else if (type == kKVTypePoly3D) {
      const std::int32_t n = KV_CountVertices(cb, obj);
      for (std::int32_t i = 1; i <= n; ++i) {
        KVPoint3D p{};
        KV_Get3DVertex(cb, obj, static_cast<std::int16_t>(i), &p);
        Fold(count, p.z);
      }
      count->num3DPolySel += n;
    }
  }
  SpinBusyCursor(cb);
}

bool CheckOnlyLociSelGE3(KVCallback cb, TElevRange* range) {
  TSelCount count{0, 0, 0x7FFFFFFF, -0x7FFFFFFF};
  if (KV_NumSelectedObjects(cb) >= 0) KV_ForEachObject(cb, kKVWalkSelection, &CheckOnlyLociSel, &count);
  range->low = count.lowElev;
  range->high = count.highElev;
  return count.num3DLociSel + count.num3DPolySel >= 3;
}
