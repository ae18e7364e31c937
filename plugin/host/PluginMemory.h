// The plug-in's module-wide callback value and its allocation discipline.
//
// `main` stores the host's callback value in gKVCallback on every call; the
// host utility classes (lists, dialogs) take their memory through it.  Every
// object of the plug-in is allocated through the host allocator: classes derive
// from TPluginObject, whose operator new asks InternalAlloc and yields null
// (instead of throwing) when the host refuses, so `new T` can be tested.
#pragma once

#include <cstddef>
#include <new>

#include "plugin/host/KVABI.h"

extern KVCallback gKVCallback;

// Raw memory from the host allocator; null when refused or when no host is set.
void* PluginAlloc(std::size_t size) noexcept;
void PluginFree(void* p) noexcept;

struct TPluginObject {
  static void* operator new(std::size_t size) noexcept { return PluginAlloc(size); }
  static void operator delete(void* p) noexcept { PluginFree(p); }
  static void* operator new[](std::size_t size) noexcept { return PluginAlloc(size); }
  static void operator delete[](void* p) noexcept { PluginFree(p); }
};

// Visibility of the names the shared library exports.
#define KV_EXPORT __attribute__((visibility("default")))
