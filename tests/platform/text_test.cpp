#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vb_error.h"
#include "support/fake_clock.h"

namespace qmon::vb {
namespace {

int ErrorOf(void (*call)()) {
  try {
    call();
  } catch (const VbError& e) {
    return e.number;
  }
  return 0;
}

TEST(ValTest, ReadsTheLeadingNumber) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"12,40", 12},    {" 1 2 3", 123}, {"1d3", 1000},     {"1E-2", 0.01},   {"2e+2", 200},
      {"1.5.2", 1.5},   {"- 5", -5},     {"+3", 3},         {".5", 0.5},      {"", 0},
      {"$5", 0},        {"0x1F", 0},     {"1e+", 1},        {"12e2x", 1200},  {"50%", 50},
      {"12&", 12},      {"-", 0},        {"1\t2\n3", 123},  {"1\r2", 1},      {"\r5", 0},
      {"1\xC2\xA0" "2", 1},              {"1e-400", 0},     {",5", 0},
      // Hex and octal read as Integer, or as Long when too wide.
      {"&h1f", 31},     {"&O17", 15},    {"&HFFFF", -1},    {"&H8000", -32768},
      {"&H10000", 65536},                {"&HFFFFFFFF", -1},                  {"&HFFFF&", 65535},
      {"&H0000FFFF", -1},                {"&H", 0},         {"&O8", 0},       {"&O177777", -1},
      {"&O200000", 65536},               {"& H 1F", 31},    {"&H1FG", 31},    {"&X1", 0},
      {"&H100000000", 4294967296.0},     {"-&H1", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(c.text), c.value) << c.text;
  EXPECT_DOUBLE_EQ(Val(std::string(300, '9')), 1e300);
  EXPECT_EQ(Val("0." + std::string(400, '0') + "1"), 0);
  EXPECT_EQ(Val("0e999"), 0);
}

TEST(ValTest, RaisesOverflowAndTypeMismatch) {
  const struct {
    std::string text;
    int error;
  } cases[] = {
      {"1e400", vberr::kOverflow},     {"-1e400", vberr::kOverflow},
      {"0.0001e313", vberr::kOverflow}, {std::string(400, '9'), vberr::kOverflow},
      {"50.5%", vberr::kTypeMismatch}, {"1.5&", vberr::kTypeMismatch},
      {"1e3%", vberr::kTypeMismatch},
  };
  for (const auto& c : cases) {
    try {
      Val(c.text);
      ADD_FAILURE() << c.text << " raised nothing";
    } catch (const VbError& e) {
      EXPECT_EQ(e.number, c.error) << c.text;
    }
  }
}

TEST(TrimTest, RemovesOnlyTheSpaceCharacter) {
  const std::string nbsp = "\xC2\xA0";  // not a space to Trim
  const struct {
    std::string text, trim;
  } cases[] = {
      {"  a b  ", "a b"}, {"\t a\r\n ", "\t a\r\n"}, {nbsp + "a ", nbsp + "a"}, {"   ", ""}};
  for (const auto& c : cases) EXPECT_EQ(Trim(c.text), c.trim) << '"' << c.text << '"';
}

TEST(CaseTest, FollowsTheWindowsCasingOfTheCodePage) {
  const struct {
    const char *lower, *upper;
  } pairs[] = {
      {"qmon 2.0 = ok?", "QMON 2.0 = OK?"},
      {"\xC3\xA4\xC3\xB6\xC3\xBE", "\xC3\x84\xC3\x96\xC3\x9E"},  // äöþ
      {"\xC5\xA1\xC5\x93\xC5\xBE", "\xC5\xA0\xC5\x92\xC5\xBD"},  // šœž
      {"\xC3\xBF", "\xC5\xB8"},                                  // ÿ Ÿ
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(UCase(p.lower), p.upper) << p.lower;
    EXPECT_EQ(LCase(p.upper), p.lower) << p.upper;
  }
  // ß µ without a counterpart in the code page, ı İ outside it, the sign ÷,
  // an emoji and stray bytes.
  for (const char* same : {"\xC3\x9F", "\xC2\xB5", "\xC4\xB1", "\xC4\xB0", "\xC3\xB7",
                           "\xF0\x9F\x98\x80", "\xFF\x80"}) {
    EXPECT_EQ(UCase(same), same) << same;
    EXPECT_EQ(LCase(same), same) << same;
  }
  EXPECT_EQ(UCase("\xFF" "a\x80"), "\xFF" "A\x80");
}

TEST(LengthTest, LenAndLeftCountCharactersNotBytes) {
  const std::string word = "\xC3\xA4" "bc";  // äbc
  EXPECT_EQ(Len("\xC3\xA4" "b\xE2\x82\xAC"), 3);  // ä b €
  EXPECT_EQ(Len("\xF0\x9F\x98\x80"), 1);
  EXPECT_EQ(Len("a\xFF\xC3"), 3);  // stray bytes count one each
  EXPECT_EQ(Left("abc", 10), "abc");
  EXPECT_EQ(Left(word, 1), "\xC3\xA4");
  EXPECT_EQ(ErrorOf([] { Left("abc", -1); }), vberr::kInvalidCall);
}

TEST(InStrTest, FindsWithBinaryComparison) {
  const struct {
    int start;
    const char *text, *find;
    int position;
  } cases[] = {
      {1, "abcABC", "B", 5},  {3, "abcd", "bc", 0},  {1, "abcd", "bcx", 0},
      {4, "abcdef", "", 4},   {6, "abcdef", "", 6},  {7, "abcdef", "", 0},
      {1, "", "", 0},         {2, "abcabc", "a", 4},
      {3, "\xC3\xA4\xC3\xB6x\xC3\xB6", "\xC3\xB6", 4}, {1, "\xC3\xA4", "\xA4", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InStr(c.start, c.text, c.find), c.position)
        << c.start << ", \"" << c.text << "\", \"" << c.find << "\"";
  }
  EXPECT_EQ(InStr("abcABC", "C"), 6);
  EXPECT_EQ(ErrorOf([] { InStr(0, "abc", "a"); }), vberr::kInvalidCall);
}

TEST(SplitTest, KeepsEveryFieldAsItStands) {
  using Parts = std::vector<std::string>;
  const struct {
    const char *text, *delimiter;
    Parts parts;
  } cases[] = {
      {"", ",", {}},
      {"a,,b", ",", {"a", "", "b"}},
      {",", ",", {"", ""}},
      {"a, b", ",", {"a", " b"}},
      {"a,b", "", {"a,b"}},
      {"aXbxc", "x", {"aXb", "c"}},
      {"1<->2<->", "<->", {"1", "2", ""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Split(c.text, c.delimiter), c.parts) << c.text << " by " << c.delimiter;
  }
}

TEST(ReplaceTest, ReplacesLeftToRightWithoutOverlap) {
  const struct {
    const char *text, *find, *with, *result;
  } cases[] = {
      {"aAaA", "a", "x", "xAxA"},
      {"xxxxx", "xx", "y", "yyx"},
      {"abc", "", "y", "abc"},
      {"yxxy", "x", "", "yy"},
      {"aa", "a", "aa", "aaaa"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Replace(c.text, c.find, c.with), c.result) << c.text << " " << c.find;
  }
}

TEST(DateTest, FormatsWithUsSettings) {
  const auto at = [](int y, int mo, int d, int h, int mi, int s) {
    platform::LocalTime t;
    t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi, t.second = s;
    return t;
  };
  const struct {
    platform::LocalTime t;
    const char* text;
  } general[] = {
      {at(2003, 1, 2, 3, 4, 5), "1/2/2003 3:04:05 AM"},
      {at(2003, 1, 2, 0, 0, 0), "1/2/2003"},
      {at(2003, 1, 2, 12, 0, 0), "1/2/2003 12:00:00 PM"},
      {at(2003, 1, 2, 0, 30, 7), "1/2/2003 12:30:07 AM"},
      {at(2024, 12, 25, 23, 59, 59), "12/25/2024 11:59:59 PM"},
      {at(1899, 12, 30, 0, 0, 0), "12:00:00 AM"},
      {at(100, 1, 1, 0, 0, 0), "1/1/100"},
  };
  test::FakeClock clock;
  for (const auto& c : general) EXPECT_EQ(GeneralDate(clock, c.t), c.text);
  const platform::LocalTime t = at(2003, 1, 2, 3, 4, 5);
  EXPECT_EQ(UsShortDate(t), "1/2/2003");
  EXPECT_EQ(UsShortDate(at(2024, 12, 25, 23, 59, 59)), "12/25/2024");
  EXPECT_EQ(FormatYyyymmdd(t), "20030102");
  EXPECT_EQ(FormatMmddyyyyhhnnss(t), "01022003030405");
}

}  // namespace
}  // namespace qmon::vb
