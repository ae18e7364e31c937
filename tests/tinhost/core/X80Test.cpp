#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "tinhost/core/X80.h"

namespace tinhost {
namespace {

X80Bytes bytesOf(std::uint64_t significand, std::uint16_t signExp) {
  X80Bytes b{};
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(significand >> (8 * i));
  b[8] = static_cast<std::uint8_t>(signExp & 0xFF);
  b[9] = static_cast<std::uint8_t>(signExp >> 8);
  return b;
}

TEST(X80, KnownEncodings) {
  EXPECT_EQ(toX80(1.0), (X80Bytes{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  EXPECT_EQ(toX80(-1.0), (X80Bytes{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xBF}));
  EXPECT_EQ(toX80(0.0), X80Bytes{});
  EXPECT_EQ(toX80(-0.0), (X80Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}));
  EXPECT_EQ(toX80(2.5), bytesOf(0xA000000000000000ull, 0x4000));
  EXPECT_EQ(toX80(std::numeric_limits<double>::infinity()), bytesOf(0x8000000000000000ull, 0x7FFF));
}

TEST(X80, EveryKindOfDoubleRoundTrips) {
  const double values[] = {1.0, -1.0, 0.5, 3.141592653589793, 1e300, -1e-300, DBL_MAX, DBL_MIN,
                           std::numeric_limits<double>::denorm_min(), 2.2250738585072009e-308,
                           123456789.125, -0.1, 1000.0, 1.0 / 3.0};
  for (double v : values) EXPECT_EQ(std::bit_cast<std::uint64_t>(fromX80(toX80(v))), std::bit_cast<std::uint64_t>(v)) << v;
  EXPECT_TRUE(std::signbit(fromX80(toX80(-0.0))));
  EXPECT_TRUE(std::isnan(fromX80(toX80(std::nan("")))));
  EXPECT_EQ(fromX80(toX80(-std::numeric_limits<double>::infinity())), -std::numeric_limits<double>::infinity());
}

TEST(X80, NarrowingRoundsToNearestEven) {
  // 1 + half an ulp of a double: a tie, stays at the even neighbour 1.0.
  EXPECT_EQ(fromX80(bytesOf(0x8000000000000400ull, 0x3FFF)), 1.0);
  // Just above the tie: rounds up.
  EXPECT_EQ(fromX80(bytesOf(0x8000000000000401ull, 0x3FFF)), std::nextafter(1.0, 2.0));
  // A tie above an odd significand rounds up to even.
  EXPECT_EQ(fromX80(bytesOf(0x8000000000000C00ull, 0x3FFF)), 1.0 + 2 * DBL_EPSILON);
  // Carry out of the significand: all ones rounds to the next power of two.
  EXPECT_EQ(fromX80(bytesOf(0xFFFFFFFFFFFFFFFFull, 0x3FFF)), 2.0);
}

TEST(X80, ValuesOutsideTheDoubleRangeSaturate) {
  EXPECT_EQ(fromX80(bytesOf(0x8000000000000000ull, 0x3FFF + 1024)), std::numeric_limits<double>::infinity());
  EXPECT_EQ(fromX80(bytesOf(0x8000000000000000ull, 0x3FFF - 1074)), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(fromX80(bytesOf(0x8000000000000000ull, 0x3FFF - 1076)), 0.0);
  EXPECT_EQ(fromX80(bytesOf(0xC000000000000000ull, 0x3FFF - 1075)), std::numeric_limits<double>::denorm_min());
}

#if defined(__x86_64__) || defined(__i386__)
// The x87 long double is the extended format itself: an exact oracle.
TEST(X80, AgreesWithTheX87LongDouble) {
  static_assert(LDBL_MANT_DIG == 64);
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < 20000; ++i) {
    const double d = std::bit_cast<double>(rng());
    if (std::isnan(d)) continue;
    const long double ld = d;
    X80Bytes expected{};
    std::memcpy(expected.data(), &ld, 10);
    ASSERT_EQ(toX80(d), expected) << d;

    // A random extended value near the double range narrows like the FPU does.
    const std::uint64_t sig = rng() | 0x8000000000000000ull;
    const auto exp = static_cast<std::uint16_t>(0x3FFF - 1100 + static_cast<int>(rng() % 2200));
    const X80Bytes x = bytesOf(sig, static_cast<std::uint16_t>(exp | ((rng() & 1) << 15)));
    long double wide = 0;
    std::memcpy(&wide, x.data(), 10);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(fromX80(x)), std::bit_cast<std::uint64_t>(static_cast<double>(wide)));
  }
}
#endif

}  // namespace
}  // namespace tinhost
