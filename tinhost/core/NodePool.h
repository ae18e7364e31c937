// NodeAllocator: the allocator of the drawing's object map, whose nodes (one
// per object, millions in a large drawing) it carves from slabs instead of a
// heap block each; NodeSlabs, the slabs, also hold the vertices of triangles
// (VertexList).
//
// A heap block costs the allocator's bookkeeping per node (a 120-byte node
// takes a 128-byte block) and a call into the heap for every object made,
// read or copied.  Nodes of one size come from slabs of growing size (64 KiB
// to 8 MiB) held per thread; a freed node goes on its thread's free list and
// is handed out again.  Slabs are kept for the life of the process, so the
// memory of a freed drawing serves the next one.  The allocator has no state
// of its own: every instance is equal, so maps move and swap as with
// std::allocator.  Under AddressSanitizer each node is a heap block of its
// own, so that the checker sees every node's bounds and lifetime.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "tinhost/core/PageFaulter.h"
#include "tinhost/core/UnderAsan.h"

namespace tinhost {

// Blocks of `Size` bytes aligned to `Align`, per thread, packed at a stride
// of `Size` rounded up to `Align`.
template <std::size_t Size, std::size_t Align>
class NodeSlabs {
 public:
  static void* take() {
    State& s = state();
    if (s.free != nullptr) {
      char* f = s.free;
      std::memcpy(&s.free, f, sizeof s.free);  // the link may lie unaligned
      return f;
    }
    if (s.next == s.end) {
      const std::size_t bytes = s.slabBytes / kStride * kStride;
      s.next = static_cast<char*>(::operator new(bytes, std::align_val_t{kSlabAlign}));
      s.end = s.next + bytes;
      // The large slabs' pages are mapped on a second thread while the
      // first nodes are carved: taking their faults here one page at a time
      // cost the reading of a million-object drawing a tenth of a second.
      if (bytes >= kPrefaultSlab) ProcessPageFaulter().request(s.next, bytes);
      s.slabBytes = std::min(s.slabBytes * 2, kLastSlab);
    }
    void* p = s.next;
    s.next += kStride;
    return p;
  }
  static void give(void* p) noexcept {
    State& s = state();
    std::memcpy(p, &s.free, sizeof s.free);
    s.free = static_cast<char*>(p);
  }

 private:
  // A free block holds the next free one's address in its first bytes.
  static constexpr std::size_t kStride = (std::max(Size, sizeof(char*)) + Align - 1) / Align * Align;
  static constexpr std::size_t kSlabAlign = std::max(Align, alignof(std::max_align_t));
  static constexpr std::size_t kFirstSlab = std::size_t{64} << 10, kLastSlab = std::size_t{8} << 20;
  static constexpr std::size_t kPrefaultSlab = std::size_t{1} << 20;
  struct State {
    char* free = nullptr;
    char* next = nullptr;
    char* end = nullptr;
    std::size_t slabBytes = kFirstSlab;
  };
  static State& state() {
    thread_local State s;
    return s;
  }
};

template <typename T>
class NodeAllocator {
 public:
  using value_type = T;
  NodeAllocator() noexcept = default;
  template <typename U>
  NodeAllocator(const NodeAllocator<U>&) noexcept {}  // NOLINT(google-explicit-constructor): rebinding

  T* allocate(std::size_t n) {
    if (n != 1 || TINHOST_UNDER_ASAN) return std::allocator<T>().allocate(n);
    return static_cast<T*>(NodeSlabs<sizeof(T), alignof(T)>::take());
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (n != 1 || TINHOST_UNDER_ASAN) return std::allocator<T>().deallocate(p, n);
    NodeSlabs<sizeof(T), alignof(T)>::give(p);
  }
  template <typename U>
  friend bool operator==(const NodeAllocator&, const NodeAllocator<U>&) noexcept {
    return true;
  }
};

}  // namespace tinhost
