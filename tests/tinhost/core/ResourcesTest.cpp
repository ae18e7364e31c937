#include <gtest/gtest.h>

#include <set>

#include "HostTestSupport.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/Resources.h"

namespace tinhost {
namespace {

void expectEntries(const Resources& r, std::int16_t list, std::initializer_list<int> indices) {
  for (int i : indices) {
    const auto s = r.string(list, static_cast<std::int16_t>(i));
    ASSERT_TRUE(s.has_value()) << "string list " << list << " lacks entry " << i;
    EXPECT_FALSE(s->empty()) << "string list " << list << " entry " << i;
  }
}

TEST(EmbeddedResources, EveryStringTheTerrainCommandsNameIsPresent) {
  const Resources& r = Resources::embedded();
  expectEntries(r, 11100, {0, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
  expectEntries(r, 11101, {4, 5, 6, 7, 10, 11, 12, 14, 15, 16});
  // The difference-TIN suffix is present and deliberately empty.
  ASSERT_TRUE(r.string(11101, 13).has_value());
  EXPECT_TRUE(r.string(11101, 13)->empty());
  expectEntries(r, 11102, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
  expectEntries(r, 11103, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  std::set<std::string> classNames;
  for (int i = 1; i <= 10; ++i) {
    const std::string name = *r.string(11103, static_cast<std::int16_t>(i));
    EXPECT_LE(name.size(), 21u) << name;
    classNames.insert(name);
  }
  EXPECT_EQ(classNames.size(), 10u) << "class names must differ";
  EXPECT_EQ(*r.string(11101, 5), "Error detail: ") << "prefixes keep their trailing blank";
  EXPECT_EQ(*r.string(11101, 14), "-2D");
  EXPECT_EQ(*r.string(11101, 15), "-3D");
}

// Item kinds and field names are exercised by the dialog tests, which answer
// the embedded dialogs by field name; here only what no dialog run shows.
TEST(EmbeddedResources, DialogsMenusAndCursors) {
  const Resources& r = Resources::embedded();
  EXPECT_EQ(r.dialog(11006)->items.size(), r.dialog(11007)->items.size());
  EXPECT_NE(r.dialog(11006)->title, r.dialog(11007)->title);
  for (std::int16_t m = 11000; m <= 11004; ++m) ASSERT_NE(r.menu(m), nullptr) << m;
  for (std::int16_t c = 128; c <= 131; ++c) EXPECT_TRUE(r.cursor(c).has_value()) << c;
}

TEST(ResourceParsing, FaultsNameTheirLine) {
  auto lineOf = [](const char* text) -> std::string {
    try {
      Resources::parse(text);
    } catch (const HostError& e) {
      return e.what();
    }
    return "parsed";
  };
  EXPECT_NE(lineOf("[strings 1]\n0 = a\n0 = b\n").find("line 3"), std::string::npos);
  EXPECT_NE(lineOf("# c\n[dialog 5 \"x\"]\n1 slider \"s\"\n").find("line 3"), std::string::npos);
  EXPECT_NE(lineOf("0 = stray\n").find("line 1"), std::string::npos);
  EXPECT_NE(lineOf("[dialog 6 \"y\" like 5]\n").find("line 1"), std::string::npos);
  EXPECT_NE(lineOf("[menu 7 \"open]\n").find("line 1"), std::string::npos);
  EXPECT_NE(lineOf("[dialog 8 \"z\"]\n1 edit \"a\" width\n2 edit \"b\" width\n").find("line 3"), std::string::npos)
      << "an item name is unique within its dialog";
  EXPECT_NE(lineOf("[dialog 8 \"z\"]\n1 edit \"a\" 12\n").find("line 2"), std::string::npos);
  const Resources r = Resources::parse("[strings 3]\n 2 = \" padded \" \n[menu 9 \"m\"]\n\"One\"\n\"Two \\\"2\\\"\"\n");
  EXPECT_EQ(*r.string(3, 2), " padded ");
  EXPECT_EQ(r.menu(9)->items, (std::vector<std::string>{"One", "Two \"2\""}));
  EXPECT_FALSE(r.string(3, 1).has_value());
  EXPECT_FALSE(r.string(4, 2).has_value());
}

TEST(ResourceStrings, GetIndStringGivesTheEntryOrTheEmptyText) {
  Host host;
  KVCallback cb = host.callbacks();
  KVStr255 out{};
  cb->GetIndString(cb, out, 11102, 6);
  EXPECT_EQ(test::text(out), "Select at least three 3D points on the current layer.");
  cb->GetIndString(cb, out, 11102, 1000);
  EXPECT_EQ(out[0], 0);
  cb->GetIndString(cb, out, 4242, 1);
  EXPECT_EQ(out[0], 0);
}

}  // namespace
}  // namespace tinhost
