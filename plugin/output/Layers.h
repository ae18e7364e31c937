// Layers of the current drawing by name, and the comparison of names.
//
// A lookup walks every layer of the drawing; callers look a layer up once per
// command and keep the handle.  When several layers carry the wanted name, the
// first in the host's layer order wins.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/host/Str255.h"

// The search record handed to FindLayer through the layer walk.
struct hdlAndName {
  KVObj itsHandle;  // 0 until a layer with the wanted name is found
  Str21 itsName;    // the wanted name
};

// Callback of KV_ForEachLayer; `user` is a hdlAndName.  Examines the layer
// only while nothing has been found, so the first match stays.  Exported from
// the shared library as _FindLayer.
extern "C" KV_EXPORT void FindLayer(KVObj layer, KVCallback cb, void* user) __asm__("_FindLayer");

// The first layer named `name` (cut to 21 characters), or 0.  Never creates.
KVObj GetLayerByName(KVCallback cb, const unsigned char* name);

// The layer named name + suffix (cut to 21 characters).  When there is none,
// one is created with the scale of `fallback`, unless that scale is zero or
// the host refuses; `fallback` is returned then.
KVObj GetOrCreateLayerByName(KVCallback cb, const unsigned char* name, const unsigned char* suffix,
                             KVObj fallback);

// True when the host's string comparison reports the two names equal.
bool EqualStrings(KVCallback cb, const unsigned char* a, const unsigned char* b);
