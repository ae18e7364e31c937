#include "tinhost/core/DecimalFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tinhost/core/PStringConversion.h"

namespace tinhost {
namespace {

constexpr std::size_t kMaxDigits = 36;  // what the digit string of KVDecimal holds

KVDecimal make(bool negative, const std::string& digits, int exponent) {
  KVDecimal d{};
  d.sgn = negative ? 1 : 0;
  d.exp = static_cast<std::int16_t>(exponent);
  toPString(digits, d.sig, kMaxDigits);
  return d;
}

KVDecimal floating(double magnitude, bool negative, int significant) {
  significant = std::clamp(significant, 1, static_cast<int>(kMaxDigits));
  char buf[80];
  std::snprintf(buf, sizeof buf, "%.*e", significant - 1, magnitude);
  std::string digits;
  const char* p = buf;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  const int e = std::atoi(p + 1);
  if (magnitude == 0.0) return make(negative, "0", 0);
  return make(negative, digits, e - (significant - 1));
}

// Rounds a digit string so that it loses its last `drop` digits, to nearest
// with ties to even, as the binary conversion does.
std::string roundDigits(std::string digits, std::size_t drop) {
  if (drop == 0) return digits;
  if (drop > digits.size()) return "0";
  const std::string dropped = digits.substr(digits.size() - drop);
  digits.resize(digits.size() - drop);
  const bool tie = dropped[0] == '5' && dropped.find_first_not_of('0', 1) == std::string::npos;
  const bool lastOdd = !digits.empty() && (digits.back() - '0') % 2 == 1;
  const bool up = dropped[0] > '5' || (dropped[0] == '5' && !tie) || (tie && lastOdd);
  if (digits.empty()) return up ? "1" : "0";
  for (std::size_t i = digits.size(); up && i-- > 0;) {
    if (digits[i] == '9') {
      digits[i] = '0';
      if (i == 0) digits.insert(digits.begin(), '1');
    } else {
      ++digits[i];
      break;
    }
  }
  return digits;
}

}  // namespace

KVDecimal toDecimal(const KVDecForm& form, double value) {
  if (std::isnan(value)) return make(false, "N", 0);
  const bool negative = std::signbit(value);
  if (std::isinf(value)) return make(negative, "I", 0);
  const double magnitude = std::fabs(value);
  if (form.style == 0) return floating(magnitude, negative, form.digits);

  const int decimals = std::clamp<int>(form.digits, 0, static_cast<int>(kMaxDigits));
  std::vector<char> buf(400);
  std::snprintf(buf.data(), buf.size(), "%.*f", decimals, magnitude);
  std::string digits;
  for (const char* p = buf.data(); *p != '\0'; ++p)
    if (*p != '.') digits += *p;
  const std::size_t nonZero = digits.find_first_not_of('0');
  if (nonZero == std::string::npos) return make(false, "0", 0);  // rounds to zero: no sign
  digits.erase(0, nonZero);
  if (digits.size() > kMaxDigits) return floating(magnitude, negative, static_cast<int>(kMaxDigits));
  return make(negative, digits, -decimals);
}

std::string decimalToString(const KVDecForm& form, const KVDecimal& d) {
  std::string digits = fromPString(d.sig);
  if (digits.empty()) digits = "0";
  if (digits == "N") return "NAN";
  const std::string sign = d.sgn != 0 && digits.find_first_not_of('0') != std::string::npos ? "-" : "";
  if (digits == "I") return sign + "INF";
  int exp = d.exp;

  if (form.style == 0) {  // d.ddd e+x
    const int e = exp + static_cast<int>(digits.size()) - 1;
    std::string text = sign + digits.substr(0, 1);
    if (digits.size() > 1) text += "." + digits.substr(1);
    return text + "e" + (e < 0 ? "-" : "+") + std::to_string(std::abs(e));
  }

  const int decimals = std::clamp<int>(form.digits, 0, static_cast<int>(kMaxDigits));
  if (-exp > decimals) {  // more fraction digits than asked: round them away
    digits = roundDigits(digits, static_cast<std::size_t>(-exp - decimals));
    exp = -decimals;
  }
  if (exp > 0) {
    digits.append(static_cast<std::size_t>(exp), '0');
    exp = 0;
  }
  const std::size_t fraction = static_cast<std::size_t>(-exp);
  if (digits.size() <= fraction) digits.insert(0, fraction - digits.size() + 1, '0');
  std::string whole = digits.substr(0, digits.size() - fraction);
  std::string frac = digits.substr(digits.size() - fraction);
  frac.append(static_cast<std::size_t>(decimals) - frac.size(), '0');
  const bool zero = (whole + frac).find_first_not_of('0') == std::string::npos;
  return (zero ? "" : sign) + whole + (decimals > 0 ? "." + frac : "");
}

}  // namespace tinhost
