// The compact containers inside each drawing object: the vertex list that
// keeps one vertex in place and spills to the heap beyond, and the string
// that is a single pointer, null while empty.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tinhost/core/CompactString.h"
#include "tinhost/core/VertexList.h"

namespace tinhost {
namespace {

Vertex V(std::int32_t i) { return Vertex{i, -i, 2 * i, static_cast<std::int16_t>(i % 2)}; }

VertexList ListOf(int n) {
  VertexList l;
  for (int i = 0; i < n; ++i) l.push_back(V(i));
  return l;
}

void ExpectHolds(const VertexList& l, int n) {
  ASSERT_EQ(l.size(), static_cast<std::size_t>(n));
  EXPECT_EQ(l.empty(), n == 0);
  EXPECT_EQ(static_cast<std::size_t>(l.end() - l.begin()), l.size());
  for (int i = 0; i < n; ++i) EXPECT_EQ(l[static_cast<std::size_t>(i)], V(i)) << "vertex " << i;
}

TEST(VertexList, GrowsFromOneInPlaceToTheHeapKeepingOrder) {
  VertexList l;
  ExpectHolds(l, 0);
  l.push_back(V(0));
  EXPECT_EQ(l.capacity(), 1u);
  ExpectHolds(l, 1);
  for (int i = 1; i < 1000; ++i) {
    l.push_back(V(i));
    ASSERT_GE(l.capacity(), l.size());
  }
  ExpectHolds(l, 1000);
  EXPECT_EQ(l.front(), V(0));
  EXPECT_EQ(l.back(), V(999));
  EXPECT_THROW((void)l.at(1000), std::out_of_range);
  l.pop_back();
  ExpectHolds(l, 999);
  const std::size_t room = l.capacity();
  l.clear();
  EXPECT_TRUE(l.empty());
  EXPECT_EQ(l.capacity(), room);
  l.push_back(V(0));
  ExpectHolds(l, 1);
}

TEST(VertexList, PushingBackItsOwnVertexWhileGrowing) {
  // A closed line repeats its first point: the vertex pushed lies in the
  // room that growing replaces, at each step of growth.
  for (int n = 1; n <= 9; ++n) {
    VertexList l = ListOf(n);
    l.push_back(l.front());
    l.push_back(l.back());
    ASSERT_EQ(l.size(), static_cast<std::size_t>(n + 2));
    EXPECT_EQ(l[static_cast<std::size_t>(n)], V(0)) << n;
    EXPECT_EQ(l[static_cast<std::size_t>(n + 1)], V(0)) << n;
  }
}

TEST(VertexList, CopiesAndMovesInPlaceAndOnTheHeap) {
  for (int n : {0, 1, 2, 5}) {
    SCOPED_TRACE(n);
    const VertexList original = ListOf(n);
    VertexList copy = original;
    ExpectHolds(copy, n);
    copy.push_back(V(77));
    ExpectHolds(original, n);  // the copy owns its own vertices

    VertexList moved = std::move(copy);
    ASSERT_EQ(moved.size(), static_cast<std::size_t>(n + 1));
    EXPECT_EQ(moved.back(), V(77));
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): a moved-from list is empty and usable
    copy.push_back(V(3));
    EXPECT_EQ(copy.front(), V(3));

    // Assignment over lists of every kind: in place over heap and the reverse.
    for (int m : {0, 1, 6}) {
      VertexList target = ListOf(m);
      target = original;
      ExpectHolds(target, n);
      VertexList source = ListOf(m);
      target = std::move(source);
      ExpectHolds(target, m);
    }
  }
}

TEST(VertexList, SelfAssignmentKeepsTheVertices) {
  for (int n : {1, 4}) {
    VertexList l = ListOf(n);
    VertexList& same = l;
    l = same;
    ExpectHolds(l, n);
    l = std::move(same);
    ExpectHolds(l, n);
  }
}

TEST(VertexList, EqualityIsByTheVerticesNotTheRoom) {
  VertexList roomy = ListOf(2);
  roomy.reserve(64);
  ExpectHolds(roomy, 2);
  EXPECT_EQ(roomy, ListOf(2));
  EXPECT_NE(roomy, ListOf(3));
  VertexList other = ListOf(2);
  other[1].kind = static_cast<std::int16_t>(other[1].kind + 1);
  EXPECT_NE(roomy, other);
  EXPECT_EQ(VertexList({V(4), V(5)}), (VertexList{V(4), V(5)}));
  EXPECT_EQ(VertexList(), ListOf(0));
}

// ---- CompactString -------------------------------------------------------------

TEST(CompactString, HoldsAnyTextAndNothingWhenEmpty) {
  CompactString s;
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(s.size(), 0u);
  EXPECT_STREQ(s.c_str(), "");
  s = std::string("Layer 1");
  EXPECT_EQ(s.size(), 7u);
  EXPECT_STREQ(s.c_str(), "Layer 1");
  EXPECT_EQ(s.str(), "Layer 1");
  const std::string withNul("a\0b\r\nc", 6);  // text blocks keep every character
  s = withNul;
  EXPECT_EQ(s.size(), 6u);
  EXPECT_EQ(std::string_view(s), withNul);
  EXPECT_EQ(std::string(s.begin(), s.end()), withNul);
  s = "";
  EXPECT_TRUE(s.empty());
  EXPECT_STREQ(s.c_str(), "");
}

TEST(CompactString, CopiesMovesAndAssignsFromItself) {
  CompactString a("Survey");
  CompactString b = a;
  b = "Ground";
  EXPECT_EQ(a, "Survey");  // the copy owns its own characters
  CompactString c = std::move(b);
  EXPECT_EQ(c, "Ground");
  EXPECT_TRUE(b.empty());  // NOLINT(bugprone-use-after-move): a moved-from string is empty and usable
  b = a;
  EXPECT_EQ(b, "Survey");
  c = std::move(a);
  EXPECT_EQ(c, "Survey");
  CompactString& same = c;
  c = same;
  EXPECT_EQ(c, "Survey");
  c = std::move(same);
  EXPECT_EQ(c, "Survey");
  c = c.view().substr(2);  // from its own characters
  EXPECT_EQ(c, "rvey");
}

}  // namespace
}  // namespace tinhost
