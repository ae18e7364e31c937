#include "plugin/triangulate/ExactPredicates.h"

namespace {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

int Sign(Int128 v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// A signed 256-bit integer, two's complement in four 64-bit limbs (limb 0
// lowest).  Only what the in-circle determinant needs: products of two
// 128-bit values, sums and the sign.
struct Int256 {
  std::uint64_t limb[4] = {0, 0, 0, 0};

  static Int256 FromMagnitude(UInt128 lo, UInt128 hi, bool negative) {
    Int256 r;
    r.limb[0] = static_cast<std::uint64_t>(lo);
    r.limb[1] = static_cast<std::uint64_t>(lo >> 64);
    r.limb[2] = static_cast<std::uint64_t>(hi);
    r.limb[3] = static_cast<std::uint64_t>(hi >> 64);
    return negative ? r.Negated() : r;
  }

  Int256 Negated() const {
    Int256 r;
    std::uint64_t carry = 1;
    for (int i = 0; i < 4; ++i) {
      const UInt128 s = static_cast<UInt128>(~limb[i]) + carry;
      r.limb[i] = static_cast<std::uint64_t>(s);
      carry = static_cast<std::uint64_t>(s >> 64);
    }
    return r;
  }

  Int256 operator+(const Int256& o) const {
    Int256 r;
    std::uint64_t carry = 0;
    for (int i = 0; i < 4; ++i) {
      const UInt128 s = static_cast<UInt128>(limb[i]) + o.limb[i] + carry;
      r.limb[i] = static_cast<std::uint64_t>(s);
      carry = static_cast<std::uint64_t>(s >> 64);
    }
    return r;
  }

  int SignOf() const {
    if (limb[3] >> 63) return -1;
    return (limb[0] | limb[1] | limb[2] | limb[3]) != 0 ? 1 : 0;
  }
};

UInt128 Magnitude(Int128 v) {
  return v < 0 ? static_cast<UInt128>(0) - static_cast<UInt128>(v) : static_cast<UInt128>(v);
}

// Exact product of two signed 128-bit values whose magnitudes are below 2^127.
Int256 Multiply(Int128 a, Int128 b) {
  const UInt128 ma = Magnitude(a), mb = Magnitude(b);
  const UInt128 mask = ~static_cast<std::uint64_t>(0);
  const UInt128 a0 = ma & mask, a1 = ma >> 64, b0 = mb & mask, b1 = mb >> 64;
  // Schoolbook on 64-bit halves: (a1·2^64 + a0)(b1·2^64 + b0).
  const UInt128 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  UInt128 mid = (p00 >> 64) + (p01 & mask) + (p10 & mask);
  const UInt128 lo = (p00 & mask) | (mid << 64);
  const UInt128 hi = p11 + (p01 >> 64) + (p10 >> 64) + (mid >> 64);
  return Int256::FromMagnitude(lo, hi, (a < 0) != (b < 0));
}

}  // namespace

int OrientSignExact(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by,
                    std::int32_t px, std::int32_t py) {
  const Int128 ex = static_cast<Int128>(bx) - ax, ey = static_cast<Int128>(by) - ay;
  const Int128 qx = static_cast<Int128>(px) - ax, qy = static_cast<Int128>(py) - ay;
  return Sign(ex * qy - ey * qx);
}

int InCircleSign(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by,
                 std::int32_t cx, std::int32_t cy, std::int32_t dx, std::int32_t dy) {
  const int orient = OrientSignExact(ax, ay, bx, by, cx, cy);
  if (orient == 0) return 0;
  // Rows relative to D: |adx ady adx²+ady²| etc.  Differences need 33 bits,
  // the lifted terms 66, the 2×2 minors 67, their products up to 133.
  const Int128 adx = static_cast<Int128>(ax) - dx, ady = static_cast<Int128>(ay) - dy;
  const Int128 bdx = static_cast<Int128>(bx) - dx, bdy = static_cast<Int128>(by) - dy;
  const Int128 cdx = static_cast<Int128>(cx) - dx, cdy = static_cast<Int128>(cy) - dy;
  const Int128 alift = adx * adx + ady * ady;
  const Int128 blift = bdx * bdx + bdy * bdy;
  const Int128 clift = cdx * cdx + cdy * cdy;
  const Int128 bc = bdx * cdy - bdy * cdx;
  const Int128 ca = cdx * ady - cdy * adx;
  const Int128 ab = adx * bdy - ady * bdx;
  const Int256 det = Multiply(alift, bc) + Multiply(blift, ca) + Multiply(clift, ab);
  // The determinant is positive for D inside a counter-clockwise circle.
  return det.SignOf() * orient;
}
