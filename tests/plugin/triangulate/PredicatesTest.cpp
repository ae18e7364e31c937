// Exact orientation and in-circle decisions over the whole 32-bit range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "plugin/triangulate/ExactPredicates.h"

namespace {

constexpr std::int32_t kMin = INT32_MIN;
constexpr std::int32_t kMax = INT32_MAX;

// Orientation by a different formula (the 3×3 determinant with a column of
// ones, expanded along that column), valid while every term fits 64 bits.
std::int64_t OrientBySmallDeterminant(std::int64_t ax, std::int64_t ay, std::int64_t bx,
                                      std::int64_t by, std::int64_t px, std::int64_t py) {
  return (bx * py - by * px) - (ax * py - ay * px) + (ax * by - ay * bx);
}

// In-circle by the 4×4 determinant with rows (x, y, x²+y², 1), expanded by
// cofactors; valid for coordinates below 2^12.  Positive: D inside a
// counter-clockwise circle.
std::int64_t InCircleBy4x4(const std::int64_t p[4][2]) {
  std::int64_t m[4][4];
  for (int r = 0; r < 4; ++r) {
    m[r][0] = p[r][0];
    m[r][1] = p[r][1];
    m[r][2] = p[r][0] * p[r][0] + p[r][1] * p[r][1];
    m[r][3] = 1;
  }
  auto det3 = [&](int skipRow, int skipCol) {
    std::int64_t s[3][3];
    for (int r = 0, rr = 0; r < 4; ++r) {
      if (r == skipRow) continue;
      for (int c = 0, cc = 0; c < 4; ++c) {
        if (c == skipCol) continue;
        s[rr][cc++] = m[r][c];
      }
      ++rr;
    }
    return s[0][0] * (s[1][1] * s[2][2] - s[1][2] * s[2][1]) -
           s[0][1] * (s[1][0] * s[2][2] - s[1][2] * s[2][0]) +
           s[0][2] * (s[1][0] * s[2][1] - s[1][1] * s[2][0]);
  };
  std::int64_t det = 0;
  for (int r = 0; r < 4; ++r) det += ((r % 2 == 0) ? -1 : 1) * m[r][3] * det3(r, 3);
  return det;
}

int Sign(std::int64_t v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// A signed integer of any size, sign and magnitude in 32-bit limbs (lowest
// first): just enough arithmetic for the 4×4 in-circle determinant of
// coordinates across the whole 32-bit range, whose terms reach 2^127.
struct BigInt {
  bool negative = false;
  std::vector<std::uint32_t> mag;  // no high zero limbs; empty = 0

  explicit BigInt(std::int64_t v = 0) {
    negative = v < 0;
    std::uint64_t m = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    for (; m != 0; m >>= 32) mag.push_back(static_cast<std::uint32_t>(m));
  }
  int SignOf() const { return mag.empty() ? 0 : (negative ? -1 : 1); }

  static int CompareMag(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = a.size(); i-- > 0;)
      if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
  }
  static std::vector<std::uint32_t> AddMag(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    std::vector<std::uint32_t> r;
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
      const std::uint64_t s = carry + (i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0);
      r.push_back(static_cast<std::uint32_t>(s));
      carry = s >> 32;
    }
    return r;
  }
  // a − b for |a| >= |b|.
  static std::vector<std::uint32_t> SubMag(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    std::vector<std::uint32_t> r(a.size());
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
      std::int64_t d = std::int64_t{a[i]} - (i < b.size() ? b[i] : 0) - borrow;
      borrow = d < 0;
      r[i] = static_cast<std::uint32_t>(d + (borrow << 32));
    }
    while (!r.empty() && r.back() == 0) r.pop_back();
    return r;
  }
  friend BigInt operator+(const BigInt& a, const BigInt& b) {
    BigInt r;
    if (a.negative == b.negative) {
      r.mag = AddMag(a.mag, b.mag);
      r.negative = a.negative;
    } else if (CompareMag(a.mag, b.mag) >= 0) {
      r.mag = SubMag(a.mag, b.mag);
      r.negative = a.negative;
    } else {
      r.mag = SubMag(b.mag, a.mag);
      r.negative = b.negative;
    }
    if (r.mag.empty()) r.negative = false;
    return r;
  }
  friend BigInt operator-(const BigInt& a, const BigInt& b) {
    BigInt nb = b;
    if (!nb.mag.empty()) nb.negative = !nb.negative;
    return a + nb;
  }
  friend BigInt operator*(const BigInt& a, const BigInt& b) {
    BigInt r;
    if (a.mag.empty() || b.mag.empty()) return r;
    std::vector<std::uint64_t> acc(a.mag.size() + b.mag.size() + 1, 0);
    for (std::size_t i = 0; i < a.mag.size(); ++i) {
      std::uint64_t carry = 0;
      for (std::size_t j = 0; j < b.mag.size(); ++j) {
        const std::uint64_t t = acc[i + j] + std::uint64_t{a.mag[i]} * b.mag[j] + carry;
        acc[i + j] = t & 0xFFFFFFFFu;
        carry = t >> 32;
      }
      for (std::size_t k = i + b.mag.size(); carry != 0; ++k) {
        const std::uint64_t t = acc[k] + carry;
        acc[k] = t & 0xFFFFFFFFu;
        carry = t >> 32;
      }
    }
    for (std::uint64_t limb : acc) r.mag.push_back(static_cast<std::uint32_t>(limb));
    while (!r.mag.empty() && r.mag.back() == 0) r.mag.pop_back();
    r.negative = a.negative != b.negative;
    return r;
  }
};

// The in-circle sign from the 4×4 determinant with rows (x, y, x² + y², 1)
// of the untranslated coordinates, expanded along the column of ones, times
// the orientation of A, B, C: +1 when D lies inside the circle.
int InCircleByBigDeterminant(const std::int32_t p[4][2]) {
  BigInt x[4], y[4], lift[4];
  for (int r = 0; r < 4; ++r) {
    x[r] = BigInt(p[r][0]);
    y[r] = BigInt(p[r][1]);
    lift[r] = x[r] * x[r] + y[r] * y[r];
  }
  auto det3 = [&](int i, int j, int k) {
    return x[i] * (y[j] * lift[k] - lift[j] * y[k]) - y[i] * (x[j] * lift[k] - lift[j] * x[k]) +
           lift[i] * (x[j] * y[k] - y[j] * x[k]);
  };
  const BigInt det = det3(0, 2, 3) - det3(1, 2, 3) - det3(0, 1, 3) + det3(0, 1, 2);
  const BigInt orient = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
  return det.SignOf() * orient.SignOf();
}

TEST(OrientSign, AgreesWithSmallDeterminantOnRandomAndNearCollinearInputs) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<std::int32_t> coord(-(1 << 29), 1 << 29);
  std::uniform_int_distribution<std::int32_t> small(-3, 3);
  for (int i = 0; i < 20000; ++i) {
    const std::int32_t ax = coord(rng), ay = coord(rng), bx = coord(rng), by = coord(rng);
    std::int32_t px = coord(rng), py = coord(rng);
    if (i % 2 == 1) {  // near the line A–B: its midpoint nudged by a few units
      px = static_cast<std::int32_t>((std::int64_t{ax} + bx) / 2 + small(rng));
      py = static_cast<std::int32_t>((std::int64_t{ay} + by) / 2 + small(rng));
    }
    ASSERT_EQ(OrientSign(ax, ay, bx, by, px, py),
              Sign(OrientBySmallDeterminant(ax, ay, bx, by, px, py)))
        << ax << " " << ay << " " << bx << " " << by << " " << px << " " << py;
  }
}

TEST(OrientSign, ExactWhereDoubleProductsRound) {
  // (2^31 − 1)(2 − 2^30) − (2^31 − 3)(1 − 2^30) = 1: both products need 61
  // bits, so a double evaluation cannot see the difference of one.
  const std::int32_t bx = kMax, by = kMax - 2;
  const std::int32_t px = 1 - (1 << 30), py = 2 - (1 << 30);
  EXPECT_EQ(OrientSign(0, 0, bx, by, px, py), 1);
  EXPECT_EQ(OrientSign(0, 0, px, py, bx, by), -1);
  // Extremes of the range: exactly collinear through opposite corners.
  EXPECT_EQ(OrientSign(kMin, kMin, kMax, kMax, 0, 0), 0);
  EXPECT_EQ(OrientSign(kMin, kMin, kMax, kMax, 0, 1), 1);
  EXPECT_EQ(OrientSign(kMin, kMin, kMax, kMax, 1, 0), -1);
  EXPECT_TRUE(IsClockwiseExact(kMin, kMin, kMin, kMax, kMax, kMax));
  EXPECT_FALSE(IsClockwiseExact(kMin, kMin, kMax, kMax, kMin, kMax));
}

TEST(OrientSign, CyclicAndAntisymmetricOverFullRange) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::int32_t> coord(kMin, kMax);
  for (int i = 0; i < 20000; ++i) {
    const std::int32_t a[2] = {coord(rng), coord(rng)}, b[2] = {coord(rng), coord(rng)},
                       c[2] = {coord(rng), coord(rng)};
    const int s = OrientSign(a[0], a[1], b[0], b[1], c[0], c[1]);
    ASSERT_EQ(OrientSign(b[0], b[1], c[0], c[1], a[0], a[1]), s);
    ASSERT_EQ(OrientSign(b[0], b[1], a[0], a[1], c[0], c[1]), -s);
  }
}

TEST(InCircleSign, AgreesWith4x4DeterminantOnSmallCoordinates) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<std::int32_t> coord(-40, 40);  // many exact ties
  int ties = 0;
  for (int i = 0; i < 50000; ++i) {
    std::int64_t p[4][2];
    for (auto& q : p) q[0] = coord(rng), q[1] = coord(rng);
    const int orient = Sign(OrientBySmallDeterminant(p[0][0], p[0][1], p[1][0], p[1][1],
                                                     p[2][0], p[2][1]));
    const int expected = orient * Sign(InCircleBy4x4(p));
    const int got = InCircleSign(
        static_cast<std::int32_t>(p[0][0]), static_cast<std::int32_t>(p[0][1]),
        static_cast<std::int32_t>(p[1][0]), static_cast<std::int32_t>(p[1][1]),
        static_cast<std::int32_t>(p[2][0]), static_cast<std::int32_t>(p[2][1]),
        static_cast<std::int32_t>(p[3][0]), static_cast<std::int32_t>(p[3][1]));
    ASSERT_EQ(got, expected) << "case " << i;
    if (orient != 0 && got == 0) ++ties;
  }
  EXPECT_GT(ties, 0) << "the sample should contain cocircular quadruples";
}

TEST(InCircleSign, AgreesWithABigIntegerDeterminantOverTheWhole32BitRange) {
  // Random quadruples anywhere in the range, and squares inscribed in random
  // circles (corners c ± (u, v), c ± (−v, u), cocircular by construction)
  // with the fourth corner kept, or moved one unit along x or y: ties and
  // both signs.  The squares are of every size up to corners 2^32 apart,
  // whose lifted terms need more than 64 bits in every factor.
  std::mt19937 rng(32);
  std::uniform_int_distribution<std::int32_t> any(kMin, kMax), nudge(-1, 1);
  std::uniform_int_distribution<int> bits(4, 29);
  int signs[3] = {0, 0, 0};
  for (int i = 0; i < 30000; ++i) {
    std::int32_t p[4][2];
    if (i % 3 == 0) {
      for (auto& q : p) q[0] = any(rng), q[1] = any(rng);
    } else {
      // Arms up to 2^b about a centre within 2^30, or arms up to nearly 2^31
      // about a centre near the origin: every corner fits in 32 bits.
      const bool large = i % 3 == 2;
      const std::int32_t reach = large ? kMax - (1 << 26) : 1 << bits(rng);
      const std::int32_t middle = large ? 1 << 25 : 1 << 30;
      std::uniform_int_distribution<std::int32_t> arm(-reach, reach), centre(-middle, middle);
      const std::int32_t cx = centre(rng), cy = centre(rng), u = arm(rng), v = arm(rng);
      const std::int32_t corners[4][2] = {{cx + u, cy + v}, {cx - v, cy + u}, {cx - u, cy - v}, {cx + v, cy - u}};
      std::copy(&corners[0][0], &corners[0][0] + 8, &p[0][0]);
      p[3][i % 2] += nudge(rng);
    }
    const int expected = InCircleByBigDeterminant(p);
    ASSERT_EQ(InCircleSign(p[0][0], p[0][1], p[1][0], p[1][1], p[2][0], p[2][1], p[3][0], p[3][1]), expected)
        << "case " << i << ": (" << p[0][0] << "," << p[0][1] << ") (" << p[1][0] << "," << p[1][1] << ") ("
        << p[2][0] << "," << p[2][1] << ") (" << p[3][0] << "," << p[3][1] << ")";
    ++signs[expected + 1];
  }
  EXPECT_GT(signs[0], 3000);
  EXPECT_GT(signs[1], 3000) << "cocircular quadruples";
  EXPECT_GT(signs[2], 3000);
}

TEST(InCircleSign, CocircularTiesAndUnitMovesAtTheEdgeOfTheRange) {
  // The corners of the largest rectangle are cocircular; moving the fourth
  // corner one unit inwards puts it strictly inside.  Terms reach 2^130.
  EXPECT_EQ(InCircleSign(kMin, kMin, kMin, kMax, kMax, kMax, kMax, kMin), 0);
  EXPECT_EQ(InCircleSign(kMin, kMin, kMin, kMax, kMax, kMax, kMax - 1, kMin + 1), 1);
  EXPECT_EQ(InCircleSign(kMin, kMin, kMax, kMax, kMin, kMax, kMax - 1, kMin + 1), 1);
  // Pulling the third corner in by one unit shrinks the circle past D.
  EXPECT_EQ(InCircleSign(kMin, kMin, kMin, kMax, kMax - 1, kMax, kMax, kMin), -1);
  // Lattice points of the circle of radius 65 (x² + y² = 4225), offset to
  // near 2^30: every quadruple is a tie.
  const std::int32_t o = (1 << 30) - 100;
  const std::int32_t circle[][2] = {{16, 63}, {-33, 56}, {-63, -16}, {25, -60}, {65, 0}};
  for (int d = 3; d < 5; ++d)
    EXPECT_EQ(InCircleSign(o + circle[0][0], o + circle[0][1], o + circle[1][0],
                           o + circle[1][1], o + circle[2][0], o + circle[2][1],
                           o + circle[d][0], o + circle[d][1]),
              0);
  // Collinear first three: no circle.
  EXPECT_EQ(InCircleSign(0, 0, 1, 1, 2, 2, 5, -3), 0);
}

}  // namespace
