#include "output/DeleteGraphics.h"

#include "host/KVESDK.h"
#include "model/TTIN.h"
#include "output/BusyCursor.h"
#include "output/Classes.h"
#include "output/Layers.h"

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
