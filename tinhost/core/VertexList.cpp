#include "tinhost/core/VertexList.h"

#include "tinhost/core/NodePool.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace tinhost {
namespace {

// A heap block is a header holding its room, then the vertices.
constexpr std::size_t kHeader = sizeof(std::uint32_t);
static_assert(kHeader % alignof(Vertex) == 0);
constexpr std::size_t kMaxSize = 0x7FFFFFFFu;  // what the 31-bit count holds
// The first step onto the heap makes room for three: most polygons are a
// TIN's triangles, millions of them in a large drawing.
constexpr std::size_t kFirstHeapRoom = 3;

// Blocks with the first room on the heap, a triangle's (52 bytes; the heap
// would take 80 for each, with its own header and rounding), come from slabs.
constexpr std::size_t kFirstBlockBytes = kHeader + kFirstHeapRoom * sizeof(Vertex);
using FirstBlocks = NodeSlabs<kFirstBlockBytes, alignof(Vertex)>;

Vertex* allocate(std::size_t room) {
  auto* block = static_cast<unsigned char*>(room == kFirstHeapRoom && !TINHOST_UNDER_ASAN
                                                ? FirstBlocks::take()
                                                : ::operator new(kHeader + room * sizeof(Vertex)));
  const auto r = static_cast<std::uint32_t>(room);
  std::memcpy(block, &r, sizeof r);
  return reinterpret_cast<Vertex*>(block + kHeader);
}

std::size_t roomOf(const Vertex* many) {
  std::uint32_t r = 0;
  std::memcpy(&r, reinterpret_cast<const unsigned char*>(many) - kHeader, sizeof r);
  return r;
}

void deallocate(Vertex* many) {
  unsigned char* block = reinterpret_cast<unsigned char*>(many) - kHeader;
  if (roomOf(many) == kFirstHeapRoom && !TINHOST_UNDER_ASAN)
    FirstBlocks::give(block);
  else
    ::operator delete(block);
}

}  // namespace

VertexList::VertexList(std::initializer_list<Vertex> vs) : VertexList() { assign(vs.begin(), vs.size()); }

VertexList::VertexList(const VertexList& other) : VertexList() { assign(other.data(), other.size()); }

VertexList::VertexList(VertexList&& other) noexcept : VertexList() { *this = std::move(other); }

VertexList& VertexList::operator=(const VertexList& other) {
  if (this != &other) assign(other.data(), other.size());
  return *this;
}

VertexList& VertexList::operator=(VertexList&& other) noexcept {
  if (this == &other) return *this;
  release();
  if (other.onHeap_) {
    many_ = other.many_;
    onHeap_ = 1;
    other.one_ = Vertex{};
    other.onHeap_ = 0;
  } else {
    one_ = other.one_;
  }
  size_ = other.size_;
  other.size_ = 0;
  return *this;
}

VertexList& VertexList::operator=(std::initializer_list<Vertex> vs) {
  assign(vs.begin(), vs.size());
  return *this;
}

VertexList::~VertexList() { release(); }

std::size_t VertexList::capacity() const noexcept { return onHeap_ ? roomOf(many_) : 1; }

Vertex& VertexList::at(std::size_t i) {
  if (i >= size_) throw std::out_of_range("vertex index out of range");
  return data()[i];
}

const Vertex& VertexList::at(std::size_t i) const {
  if (i >= size_) throw std::out_of_range("vertex index out of range");
  return data()[i];
}

void VertexList::push_back(const Vertex& v) {
  if (size_ == capacity()) {
    const Vertex copy = v;  // v may lie in the room about to be replaced
    reserve(size_ < kFirstHeapRoom ? kFirstHeapRoom : std::min<std::size_t>(2 * std::size_t{size_}, kMaxSize));
    data()[size_] = copy;
  } else {
    data()[size_] = v;
  }
  size_ = size_ + 1;
}

void VertexList::reserve(std::size_t n) {
  if (n <= capacity()) return;
  if (n > kMaxSize || size_ == kMaxSize) throw std::length_error("too many vertices in one object");
  Vertex* grown = allocate(n);
  std::copy_n(data(), size_, grown);
  release();
  many_ = grown;
  onHeap_ = 1;
}

// Keeps the current room when it is enough, as a vector's assignment does.
// `first` never points into this list (self-assignment returns early).
void VertexList::assign(const Vertex* first, std::size_t n) {
  if (n > capacity()) {
    size_ = 0;  // nothing to carry over into the new room
    reserve(n);
  }
  std::copy_n(first, n, data());
  size_ = static_cast<std::uint32_t>(n);
}

void VertexList::release() noexcept {
  if (onHeap_) {
    deallocate(many_);
    one_ = Vertex{};
    onHeap_ = 0;
  }
}

bool operator==(const VertexList& a, const VertexList& b) noexcept {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace tinhost
