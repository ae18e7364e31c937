// The plug-in's module-wide callback value and its allocation discipline.
//
// `main` stores the host's callback value in gKVCallback on every call; the
// host utility classes (lists, dialogs) take their memory through it.  Every
// object of the plug-in is allocated through the host allocator: classes derive
// from TPluginObject, whose operator new asks InternalAlloc and yields null
// (instead of throwing) when the host refuses, so `new T` can be tested.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "plugin/host/KVABI.h"

extern KVCallback gKVCallback;

// Raw memory from the host allocator; null when refused or when no host is set.
void* PluginAlloc(std::size_t size) noexcept;
void PluginFree(void* p) noexcept;

// Moves the `count` items of an array from the host allocator into a new
// block of `room` items and frees the old one.  False, with the array as it
// was, when the host refuses or `room` would pass 2^31 - 1.  T is trivially
// copyable.
template <typename T>
bool MoveToRoomFor(T** block, std::int32_t count, std::int32_t* capacity, std::int64_t room) {
  if (room > INT32_MAX) return false;
  auto* bigger = static_cast<T*>(PluginAlloc(sizeof(T) * static_cast<std::size_t>(room)));
  if (bigger == nullptr) return false;
  if (count > 0) std::memcpy(static_cast<void*>(bigger), *block, sizeof(T) * static_cast<std::size_t>(count));
  PluginFree(*block);
  *block = bigger;
  *capacity = static_cast<std::int32_t>(room);
  return true;
}

// Room for one more item in an array from the host allocator of `count`
// items out of `*capacity`: when full, the capacity doubles (to `first` from
// none) in a new block, the items move over and the old block is freed.
// False, with the array as it was, when the host refuses or the count would
// pass 2^31 - 1.
template <typename T>
bool RoomForOneMore(T** block, std::int32_t count, std::int32_t* capacity, std::int32_t first) {
  if (count < *capacity) return true;
  return MoveToRoomFor(block, count, capacity, *capacity == 0 ? first : std::int64_t{*capacity} * 2);
}

struct TPluginObject {
  static void* operator new(std::size_t size) noexcept { return PluginAlloc(size); }
  static void operator delete(void* p) noexcept { PluginFree(p); }
  static void* operator new[](std::size_t size) noexcept { return PluginAlloc(size); }
  static void operator delete[](void* p) noexcept { PluginFree(p); }
};

// Visibility of the names the shared library exports.
#define KV_EXPORT __attribute__((visibility("default")))
