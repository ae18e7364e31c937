// The vertices of one drawing object.  A drawing of a million survey points
// holds a million 3D loci of exactly one vertex each, so the list keeps one
// vertex in place and goes to the heap only from the second on; it is packed
// to 4-byte alignment so that it costs 20 bytes inside the object (a vertex,
// or the heap pointer in its place, and the count).  Otherwise it behaves like
// a vector: contiguous, random access, the order kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "plugin/host/KVABI.h"

namespace tinhost {

struct Vertex {
  std::int32_t x = 0, y = 0, z = 0;       // 2D vertices keep z = 0
  std::int16_t kind = kKVVertexCorner;    // corner or curve control point
  friend bool operator==(const Vertex&, const Vertex&) = default;
};

#pragma pack(push, 4)
class VertexList {
 public:
  using value_type = Vertex;
  using size_type = std::size_t;
  using iterator = Vertex*;
  using const_iterator = const Vertex*;

  VertexList() noexcept : one_{} {}
  VertexList(std::initializer_list<Vertex> vs);
  VertexList(const VertexList& other);
  VertexList(VertexList&& other) noexcept;
  VertexList& operator=(const VertexList& other);
  VertexList& operator=(VertexList&& other) noexcept;
  VertexList& operator=(std::initializer_list<Vertex> vs);
  ~VertexList();

  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  std::size_t capacity() const noexcept;
  Vertex* data() noexcept { return onHeap_ ? many_ : &one_; }
  const Vertex* data() const noexcept { return onHeap_ ? many_ : &one_; }
  iterator begin() noexcept { return data(); }
  iterator end() noexcept { return data() + size_; }
  const_iterator begin() const noexcept { return data(); }
  const_iterator end() const noexcept { return data() + size_; }
  Vertex& operator[](std::size_t i) noexcept { return data()[i]; }
  const Vertex& operator[](std::size_t i) const noexcept { return data()[i]; }
  Vertex& at(std::size_t i);
  const Vertex& at(std::size_t i) const;
  Vertex& front() noexcept { return data()[0]; }
  const Vertex& front() const noexcept { return data()[0]; }
  Vertex& back() noexcept { return data()[size_ - 1]; }
  const Vertex& back() const noexcept { return data()[size_ - 1]; }

  void push_back(const Vertex& v);
  void pop_back() noexcept { --size_; }
  void clear() noexcept { size_ = 0; }  // keeps the room, as a vector does
  void reserve(std::size_t n);

  friend bool operator==(const VertexList& a, const VertexList& b) noexcept;

 private:
  void release() noexcept;
  void assign(const Vertex* first, std::size_t n);

  union {
    Vertex one_;     // while onHeap_ is false: room for a single vertex
    Vertex* many_;   // while onHeap_ is true: the vertices, after a header with the room
  };
  std::uint32_t size_ : 31 = 0;
  std::uint32_t onHeap_ : 1 = 0;
};
#pragma pack(pop)

static_assert(sizeof(VertexList) == sizeof(Vertex) + sizeof(std::uint32_t),
              "one vertex in place and the count, nothing more");

}  // namespace tinhost
