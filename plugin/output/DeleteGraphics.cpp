#include "plugin/output/DeleteGraphics.h"

#include "plugin/host/KVESDK.h"
#include "plugin/model/TTIN.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/output/Classes.h"
#include "plugin/output/Layers.h"

extern "C" void DeleteAllPolys(KVObj obj, KVCallback cb, void* user) {
  auto* tin = static_cast<TTIN*>(user);
  if (obj == 0 || tin == nullptr) return;
  if (IsOneOfOurClasses(KV_GetObjectClass(cb, obj))) {
    const KVObj parent = KV_ParentObject(cb, obj);
    if (parent != 0 && (parent == tin->fLayer2D || parent == tin->fLayer3D)) {
      KV_AddBeforeSwapObject(cb, obj);
      KV_DeleteObject(cb, obj);
    }
  }
  SpinBusyCursor(cb);
}

void DeleteTINGraphics(KVCallback cb, TTIN* tin) {
  KV_SetUndoMethod(cb, kKVUndoPluginCommand);
  tin->fLayer2D = GetLayerByName(cb, tin->fTINParams.layer2DName);
  tin->fLayer3D = GetLayerByName(cb, tin->fTINParams.layer3DName);
  KV_ForEachObject(cb, kKVWalkAll, &DeleteAllPolys, tin);
}
