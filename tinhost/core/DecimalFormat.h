// The toolbox's number formatting: a double to a decimal record (sign, digit
// string, power of ten) and a decimal record to text.
//   fixed style (1):    `digits` decimals after the point, 1234.567 -> "1234.57" with 2;
//   floating style (0): `digits` significant digits, shown as "1.2346e+3" with 5.
// Rounding is to nearest, ties to even (0.5 -> "0", 1.5 -> "2").
// Not-a-number gives the digit string "N" and the text "NAN"; infinities "I" and "INF".
#pragma once

#include <string>

#include "plugin/host/KVABI.h"

namespace tinhost {

KVDecimal toDecimal(const KVDecForm& form, double value);
std::string decimalToString(const KVDecForm& form, const KVDecimal& decimal);

}  // namespace tinhost
