// Deleting a TIN's graphics: every object of one of the plug-in's classes that
// lies directly on the TIN's 2D or 3D layer.  A group of the plug-in's group
// class goes with its members; objects moved to other layers and objects of
// other classes stay.
#pragma once

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"

class TTIN;

// Callback of KV_ForEachObject; `user` is the TIN.  Registers a matching
// object for undo and deletes it; advances the busy cursor for every object.
// Exported from the shared library as _DeleteAllPolys.
extern "C" KV_EXPORT void DeleteAllPolys(KVObj obj, KVCallback cb, void* user)
    __asm__("_DeleteAllPolys");

// Sets the undo method, looks the TIN's two layers up by their names (keeping
// them in fLayer2D and fLayer3D; a missing layer gives 0, which matches
// nothing) and deletes the TIN's objects on them.
void DeleteTINGraphics(KVCallback cb, TTIN* tin);
