#include <gtest/gtest.h>

#include <cmath>

#include "HostTestSupport.h"
#include "tinhost/core/DecimalFormat.h"
#include "tinhost/core/Host.h"

namespace tinhost {
namespace {

std::string formatted(double value, std::int16_t style, std::int16_t digits) {
  const KVDecForm form{style, digits};
  return decimalToString(form, toDecimal(form, value));
}

TEST(NumberFormatting, FixedStyleRoundsToTheAskedDecimals) {
  EXPECT_EQ(formatted(1234.567, 1, 2), "1234.57");
  EXPECT_EQ(formatted(-1234.567, 1, 2), "-1234.57");
  EXPECT_EQ(formatted(0.004, 1, 2), "0.00");
  EXPECT_EQ(formatted(-0.004, 1, 2), "0.00") << "a value that rounds to zero has no sign";
  EXPECT_EQ(formatted(0.5, 1, 0), "0") << "ties go to the even neighbour";
  EXPECT_EQ(formatted(1.5, 1, 0), "2");
  EXPECT_EQ(formatted(999.996, 1, 2), "1000.00");
  EXPECT_EQ(formatted(12, 1, 3), "12.000");
  EXPECT_EQ(formatted(0.0625, 1, 4), "0.0625");
  const KVDecimal d = toDecimal(KVDecForm{1, 2}, 1234.567);
  EXPECT_EQ(test::text(d.sig), "123457");
  EXPECT_EQ(d.exp, -2);
  EXPECT_EQ(d.sgn, 0);
  // A record with more digits than asked is rounded when shown.
  EXPECT_EQ(decimalToString(KVDecForm{1, 1}, d), "1234.6");
  const KVDecimal tie{0, -2, {4, '1', '2', '5', '0'}};  // 12.50
  EXPECT_EQ(decimalToString(KVDecForm{1, 0}, tie), "12");
  const KVDecimal above{0, -3, {5, '1', '2', '5', '0', '1'}};  // 12.501
  EXPECT_EQ(decimalToString(KVDecForm{1, 0}, above), "13");
}

TEST(NumberFormatting, FloatingStyleAndSpecialValues) {
  EXPECT_EQ(formatted(1234.567, 0, 5), "1.2346e+3");
  EXPECT_EQ(formatted(-0.00012, 0, 2), "-1.2e-4");
  EXPECT_EQ(formatted(std::nan(""), 1, 2), "NAN");
  EXPECT_EQ(formatted(-HUGE_VAL, 1, 2), "-INF");
}

TEST(UnitsFormatting, LengthsUseTheResolutionsDecimals) {
  UnitsRecord metres;
  EXPECT_EQ(formatLength(12500, metres, true), "12.500 m");
  EXPECT_EQ(formatLength(-250, metres, true), "-0.250 m");
  UnitsRecord feet{100, UnitKind::Foot, 1.0};
  EXPECT_EQ(formatLength(1234, feet, true), "12.34 ft");
  EXPECT_EQ(formatLength(7, UnitsRecord{1, UnitKind::Metre, 1.0}, false), "7");
  EXPECT_EQ(displayDecimals(100000), 4);
  EXPECT_EQ(parseLength("12.5 m", metres), 12500);
  EXPECT_EQ(parseLength(" -0.0004 ", metres), 0);
  EXPECT_FALSE(parseLength("12,5", metres).has_value());
  EXPECT_FALSE(parseLength("3000000", metres).has_value()) << "beyond 32-bit world units";

  Host host;
  KVCallback cb = host.callbacks();
  KVStr255 out{};
  cb->CoordToDimString(cb, 12500, out);
  EXPECT_EQ(test::text(out), "12.500 m");
  KVUnits units{};
  cb->GetUnits(cb, &units);
  EXPECT_EQ(units.worldPerUnit, 1000);
  EXPECT_EQ(cb->X80ToLd(cb, units.scale80), 1.0);
  EXPECT_EQ(test::text(units.name), "m");
}

// The clock, the key map and the beep are read through the plug-in's own
// services and the dispatch tests; here the cursor and the string calls.
TEST(ToolboxServices, CursorsNumbersAndStrings) {
  Host host;
  host.toolbox().setTerminal(false);
  KVCallback cb = host.callbacks();
  EXPECT_EQ(cb->GetCursor(cb, 127), nullptr);
  void* c129 = cb->GetCursor(cb, 129);
  ASSERT_NE(c129, nullptr);
  cb->SetCursor(cb, c129);
  cb->SetCursor(cb, c129);
  EXPECT_EQ(host.toolbox().currentCursor(), 129);
  EXPECT_EQ(host.toolbox().cursorChanges(), 1u);
  host.beginCommand();
  host.endCommand();
  EXPECT_EQ(host.toolbox().currentCursor(), 0) << "the arrow is back after a command";

  KVStr255 num{};
  cb->NumToString(cb, -35, num);
  EXPECT_EQ(test::text(num), "-35");
  test::PStr a("Ground-2D"), b("Ground-2D"), c("ground-2D");
  EXPECT_EQ(cb->CompareString(cb, a.get(), b.get()), 0);
  EXPECT_NE(cb->CompareString(cb, a.get(), c.get()), 0) << "comparison is case-sensitive";
}

}  // namespace
}  // namespace tinhost
