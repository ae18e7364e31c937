// Conversion between double and the 80-bit extended real of stored data
// (sign, 15-bit exponent biased by 16383, 64-bit significand with an explicit
// integer bit), laid out little-endian: significand bytes 0-7, then the
// sign/exponent word in bytes 8-9.  1.0 is 00 00 00 00 00 00 00 80 FF 3F.
//
// Every finite double, subnormals included, converts exactly to the extended
// format.  The way back rounds to nearest, ties to even; values beyond the
// double range become infinities, values below it zero or subnormals.
#pragma once

#include <array>
#include <cstdint>

namespace tinhost {

using X80Bytes = std::array<std::uint8_t, 10>;

X80Bytes toX80(double value) noexcept;
double fromX80(const X80Bytes& bytes) noexcept;

// The same from the two fields: the sign/exponent word and the significand.
double fromX80(std::uint16_t signExponent, std::uint64_t significand) noexcept;

// Pointer forms for the callback block (10 bytes each).
void toX80(double value, std::uint8_t* out) noexcept;
double fromX80(const std::uint8_t* in) noexcept;

}  // namespace tinhost
