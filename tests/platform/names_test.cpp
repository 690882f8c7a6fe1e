#include "platform/posix/names.h"

#include <gtest/gtest.h>

#include <string>

namespace qmon::platform::posix {
namespace {

TEST(WinUpperTest, FollowsTheFileSystemCasingTable) {
  const struct {
    char32_t in, out;
  } cases[] = {
      {U'a', U'A'}, {U'_', U'_'},
      // Latin-1: à..þ shift by 0x20 except the division sign; ÿ goes to Ÿ; µ ß stay.
      {0xE0, 0xC0}, {0xFE, 0xDE}, {0xF7, 0xF7}, {0xFF, 0x178}, {0xB5, 0xB5}, {0xDF, 0xDF},
      // Latin Extended-A pairs (odd ones above 0x139), and the dotless i and long s.
      {0x101, 0x100}, {0x133, 0x132}, {0x13A, 0x139}, {0x17E, 0x17D}, {0x160, 0x160},
      {0x131, 0x131}, {0x17F, 0x17F},
      // Greek with final sigma and accents, Cyrillic, single mappings, full-width
      // Latin, and what lies beyond the table.
      {0x3B1, 0x391}, {0x3C2, 0x3A3}, {0x3AC, 0x386}, {0x3CE, 0x38F}, {0x44F, 0x42F},
      {0x451, 0x401}, {0x461, 0x460}, {0x180, 0x243}, {0xFF41, 0xFF21}, {0x10428, 0x10428}};
  for (const auto& c : cases) {
    EXPECT_EQ(WinUpper(c.in), c.out) << std::hex << static_cast<uint32_t>(c.in);
  }
}

TEST(WinNameEqualsTest, IgnoresCaseOnly) {
  const struct {
    const char *a, *b;
    bool equal;
  } cases[] = {
      {"qMonIniWriter_AddSection.ini", "QMONINIWRITER_addsection.INI", true},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", true},                // été / ÉTÉ
      {"\xC5\xA1\xC5\x93\xC5\xBE", "\xC5\xA0\xC5\x92\xC5\xBD", true},  // šœž / ŠŒŽ
      {"\xC3\xBF", "\xC5\xB8", true},                                  // ÿ / Ÿ
      {"stra\xC3\x9F"
       "e",
       "STRASSE", false},  // ß is not SS
      {"a", "a ", false},
      {"", "", true},
      {"\xFF", "\xFE", false},  // invalid UTF-8 stays distinct
      {"\xFF", "\xFF", true}};
  for (const auto& c : cases) {
    EXPECT_EQ(WinNameEquals(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(WinNameEquals(c.b, c.a), c.equal) << c.b << " / " << c.a;
  }
}

TEST(WinNameLessTest, ComparesUtf16CodeUnits) {
  // U+FF21 (full-width A) is one unit 0xFF21; U+10400 is the pair D801 DC00,
  // which sorts below it although its code point is higher.
  EXPECT_TRUE(WinNameLess("\xF0\x90\x90\x80", "\xEF\xBC\xA1"));
  EXPECT_FALSE(WinNameLess("\xEF\xBC\xA1", "\xF0\x90\x90\x80"));
  // Upper-cased before comparing: é (E9 -> C9) sorts below Ø (D8).
  EXPECT_TRUE(WinNameLess("\xC3\xA9", "\xC3\x98"));
  // Neither is less when the names are equal without regard to case.
  EXPECT_FALSE(WinNameLess("ABC", "abc"));
  EXPECT_FALSE(WinNameLess("abc", "ABC"));
  // A prefix sorts first.
  EXPECT_TRUE(WinNameLess("a", "A_"));
}

}  // namespace
}  // namespace qmon::platform::posix
