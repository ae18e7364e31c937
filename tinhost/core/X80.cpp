#include "tinhost/core/X80.h"

#include <bit>
#include <cstring>

namespace tinhost {
namespace {

constexpr int kX80Bias = 16383;
constexpr int kDoubleBias = 1023;
constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kDoubleFractionMask = (std::uint64_t{1} << 52) - 1;

// m / 2^shift rounded to nearest, ties to even; shift in 0..64+.
std::uint64_t shiftRightRounded(std::uint64_t m, int shift) {
  if (shift <= 0) return m;
  if (shift > 64) return 0;
  const std::uint64_t q = shift == 64 ? 0 : m >> shift;
  const std::uint64_t rem = shift == 64 ? m : m & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  if (rem > half || (rem == half && (q & 1) != 0)) return q + 1;
  return q;
}

X80Bytes pack(bool negative, int exponent, std::uint64_t significand) {
  X80Bytes out{};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(significand >> (8 * i));
  const std::uint16_t se = static_cast<std::uint16_t>((negative ? 0x8000 : 0) | (exponent & 0x7FFF));
  out[8] = static_cast<std::uint8_t>(se & 0xFF);
  out[9] = static_cast<std::uint8_t>(se >> 8);
  return out;
}

}  // namespace

X80Bytes toX80(double value) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & kDoubleFractionMask;
  if (exponent == 0x7FF) return pack(negative, 0x7FFF, kIntegerBit | (fraction << 11));
  if (exponent == 0) {
    if (fraction == 0) return pack(negative, 0, 0);
    // Subnormal double: fraction * 2^-1074, normalised so the integer bit is set.
    const int shift = std::countl_zero(fraction);
    return pack(negative, -1074 - shift + kX80Bias + 63, fraction << shift);
  }
  return pack(negative, exponent - kDoubleBias + kX80Bias, kIntegerBit | (fraction << 11));
}

double fromX80(const X80Bytes& in) noexcept {
  std::uint64_t m = 0;
  for (int i = 0; i < 8; ++i) m |= std::uint64_t{in[i]} << (8 * i);
  return fromX80(static_cast<std::uint16_t>(in[8] | (in[9] << 8)), m);
}

double fromX80(std::uint16_t se, std::uint64_t m) noexcept {
  const bool negative = (se & 0x8000) != 0;
  const int exponent = se & 0x7FFF;
  const std::uint64_t sign = negative ? kIntegerBit : 0;

  if (exponent == 0x7FFF) {
    const std::uint64_t payload = (m << 1) >> 12;  // drop the integer bit, keep 52 bits
    if ((m << 1) == 0) return std::bit_cast<double>(sign | (std::uint64_t{0x7FF} << 52));
    return std::bit_cast<double>(sign | (std::uint64_t{0x7FF} << 52) | payload |
                                 (std::uint64_t{1} << 51));  // quiet NaN
  }
  if (m == 0) return std::bit_cast<double>(sign);

  // value = m * 2^e2 with m normalised into [2^63, 2^64).
  int e2 = (exponent == 0 ? 1 : exponent) - kX80Bias - 63;
  const int lead = std::countl_zero(m);
  m <<= lead;
  e2 -= lead;
  int k = e2 + 63;  // value = 1.f * 2^k
  const std::uint64_t infinity = sign | (std::uint64_t{0x7FF} << 52);
  if (k > kDoubleBias) return std::bit_cast<double>(infinity);
  if (k >= 1 - kDoubleBias) {
    std::uint64_t mant = shiftRightRounded(m, 11);
    if (mant == (std::uint64_t{1} << 53)) {
      mant >>= 1;
      ++k;
      if (k > kDoubleBias) return std::bit_cast<double>(infinity);
    }
    const auto biased = static_cast<std::uint64_t>(k + kDoubleBias);
    return std::bit_cast<double>(sign | (biased << 52) | (mant & kDoubleFractionMask));
  }
  // Subnormal result: f * 2^-1074; a carry into 2^52 is the smallest normal, whose
  // bit pattern is exactly f.
  const std::uint64_t f = shiftRightRounded(m, -(e2 + 1074));
  return std::bit_cast<double>(sign | f);
}

void toX80(double value, std::uint8_t* out) noexcept {
  if (out == nullptr) return;
  const X80Bytes b = toX80(value);
  std::memcpy(out, b.data(), b.size());
}

double fromX80(const std::uint8_t* in) noexcept {
  if (in == nullptr) return 0.0;
  X80Bytes b{};
  std::memcpy(b.data(), in, b.size());
  return fromX80(b);
}

}  // namespace tinhost
