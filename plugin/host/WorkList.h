// A growable array of plain items used as a last-in-first-out work list (for
// algorithms that would otherwise recurse without bound) or as an indexed
// scratch array.  The first kInline items live inside the object (normally on
// the caller's stack frame); beyond that the storage grows geometrically
// through the host allocator.  Push reports failure instead of throwing.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "plugin/host/PluginMemory.h"

template <class T, std::int32_t kInline>
class TWorkList {
  static_assert(std::is_trivially_copyable_v<T>, "work items are copied as bytes");

 public:
  TWorkList() = default;
  ~TWorkList() {
    if (fItems != fInline) PluginFree(fItems);
  }
  TWorkList(const TWorkList&) = delete;
  TWorkList& operator=(const TWorkList&) = delete;

  // False when the storage could not grow; the stack is then unchanged.
  bool Push(const T& item) {
    if (fCount == fCapacity && !Grow()) return false;
    fItems[fCount++] = item;
    return true;
  }
  void Pop() { --fCount; }
  bool Empty() const { return fCount == 0; }
  std::int32_t Size() const { return fCount; }
  // References are valid until the next Push.
  T& Top() { return fItems[fCount - 1]; }
  T& At(std::int32_t i) { return fItems[i]; }
  const T& At(std::int32_t i) const { return fItems[i]; }

 private:
  bool Grow() {
    if (fCapacity > INT32_MAX / 2) return false;
    const std::int32_t capacity = fCapacity * 2;
    void* block = PluginAlloc(static_cast<std::size_t>(capacity) * sizeof(T));
    if (block == nullptr) return false;
    std::memcpy(block, fItems, static_cast<std::size_t>(fCount) * sizeof(T));
    if (fItems != fInline) PluginFree(fItems);
    fItems = static_cast<T*>(block);
    fCapacity = capacity;
    return true;
  }

  T fInline[kInline];
  T* fItems = fInline;
  std::int32_t fCount = 0;
  std::int32_t fCapacity = kInline;
};
