#include "plugin/output/Layers.h"

#include "plugin/host/KVESDK.h"
#include "plugin/host/KVEmul.h"

bool EqualStrings(KVCallback cb, const unsigned char* a, const unsigned char* b) {
  return KVE_CompareString(cb, a, b) == 0;
}

extern "C" void FindLayer(KVObj layer, KVCallback cb, void* user) {
  auto* search = static_cast<hdlAndName*>(user);
  if (search == nullptr || search->itsHandle != 0) return;
  Str255 name;
  name[0] = 0;
  KV_GetObjectName(cb, layer, name);
  if (EqualStrings(cb, name, search->itsName)) search->itsHandle = layer;
}

KVObj GetLayerByName(KVCallback cb, const unsigned char* name) {
  hdlAndName search;
  search.itsHandle = 0;
  PCopy(search.itsName, name, kNameCapacity);
  KV_ForEachLayer(cb, &FindLayer, &search);
  return search.itsHandle;
}

KVObj GetOrCreateLayerByName(KVCallback cb, const unsigned char* name, const unsigned char* suffix,
                             KVObj fallback) {
  Str21 wanted;
  PCopy(wanted, name, kNameCapacity);
  PAppend(wanted, suffix, kNameCapacity);

  const KVObj found = GetLayerByName(cb, wanted);
  if (found != 0) return found;

  double scale = 0.0;
  KV_GetLayerScale(cb, fallback, &scale);
  if (scale == 0.0) return fallback;  // +0 and -0 alike
  const KVObj created = KV_CreateLayer(cb, wanted, scale);
  return created != 0 ? created : fallback;
}
