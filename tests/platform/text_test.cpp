#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vb_error.h"

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

// ---- Val ---------------------------------------------------------------------

struct ValCase {
  const char* text;
  double value;
};

TEST(ValTest, ReadsTheLeadingNumber) {
  const ValCase cases[] = {
      {"12,40", 12},       {"77abc", 77},     {" 1 2 3", 123},   {"1e3", 1000},
      {"1d3", 1000},       {"1D3", 1000},     {"1E-2", 0.01},    {"2e+2", 200},
      {"1.5.2", 1.5},      {"-5", -5},        {"- 5", -5},       {"+3", 3},
      {".5", 0.5},         {"5.", 5},         {"", 0},           {"abc", 0},
      {"$5", 0},           {"0x1F", 0},       {"1e", 1},         {"1e+", 1},
      {"12e2x", 1200},     {"50%", 50},       {"12&", 12},       {"-", 0},
      {".", 0},            {"-0", 0},         {"0.5", 0.5},      {"1\t2\n3", 123},
      {"1\r2", 1},         {"1\xC2\xA0" "2", 1},                 {"\r5", 0},
      {"1e-400", 0},       {"00012", 12},     {"3.25e1", 32.5},  {",5", 0},
      {" 0 ", 0},          {" 7", 7},         {"1abc", 1},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(Val(c.text), c.value) << "Val(\"" << c.text << "\")";
  }
}

TEST(ValTest, ReadsHexAndOctalAsIntegerOrLong) {
  const ValCase cases[] = {
      {"&H1F", 31},          {"&h1f", 31},           {"&O17", 15},
      {"&o17", 15},          {"&HFFFF", -1},         {"&H8000", -32768},
      {"&H7FFF", 32767},     {"&H10000", 65536},     {"&HFFFFFFFF", -1},
      {"&H80000000", -2147483648.0},                 {"&HFFFF&", 65535},
      {"&H0000FFFF", -1},    {"&H", 0},              {"&O8", 0},
      {"&O177777", -1},      {"&O200000", 65536},    {"& H 1F", 31},
      {"&H1FG", 31},         {"&X1", 0},             {"&", 0},
      {"&H100000000", 4294967296.0},                 {"-&H1", 0},
      {"&H0", 0},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(Val(c.text), c.value) << "Val(\"" << c.text << "\")";
  }
}

TEST(ValTest, RaisesOverflowAndTypeMismatch) {
  struct {
    const char* text;
    int error;
  } const cases[] = {
      {"1e400", vberr::kOverflow},     {"-1e400", vberr::kOverflow},
      {"1D309", vberr::kOverflow},     {"0.0001e313", vberr::kOverflow},
      {"50.5%", vberr::kTypeMismatch}, {"1.5&", vberr::kTypeMismatch},
      {"1e3%", vberr::kTypeMismatch},
  };
  for (const auto& c : cases) {
    try {
      Val(c.text);
      ADD_FAILURE() << "Val(\"" << c.text << "\") raised nothing";
    } catch (const VbError& e) {
      EXPECT_EQ(e.number, c.error) << c.text;
    }
  }
  EXPECT_DOUBLE_EQ(Val("1e308"), 1e308);
  EXPECT_EQ(Val("0e999"), 0);
}

TEST(ValTest, OverlongDigitRunsStillOverflow) {
  EXPECT_DOUBLE_EQ(Val(std::string(300, '9')), 1e300);
  EXPECT_EQ(ErrorOf([] { Val(std::string(400, '9')); }), vberr::kOverflow);
  EXPECT_EQ(Val("0." + std::string(400, '0') + "1"), 0);
}

// ---- Trim and casing ---------------------------------------------------------

TEST(TrimTest, RemovesOnlyTheSpaceCharacter) {
  struct {
    const char* text;
    const char* trim;
    const char* ltrim;
    const char* rtrim;
  } const cases[] = {
      {"  a b  ", "a b", "a b  ", "  a b"},
      {"\t a ", "\t a", "\t a ", "\t a"},
      {" a\r\n", "a\r\n", "a\r\n", " a\r\n"},
      {"\xC2\xA0" "a ", "\xC2\xA0" "a", "\xC2\xA0" "a ", "\xC2\xA0" "a"},
      {"   ", "", "", ""},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Trim(c.text), c.trim) << '"' << c.text << '"';
    EXPECT_EQ(LTrim(c.text), c.ltrim) << '"' << c.text << '"';
    EXPECT_EQ(RTrim(c.text), c.rtrim) << '"' << c.text << '"';
  }
}

TEST(CaseTest, FollowsTheWindowsCasingOfTheCodePage) {
  struct {
    const char* lower;
    const char* upper;
  } const pairs[] = {
      {"abcxyz", "ABCXYZ"},
      {"\xC3\xA4\xC3\xB6\xC3\xBC", "\xC3\x84\xC3\x96\xC3\x9C"},  // äöü
      {"\xC3\xA0\xC3\xA9\xC3\xBE", "\xC3\x80\xC3\x89\xC3\x9E"},  // àéþ
      {"\xC5\xA1\xC5\x93\xC5\xBE", "\xC5\xA0\xC5\x92\xC5\xBD"},  // šœž
      {"\xC3\xBF", "\xC5\xB8"},                                  // ÿ Ÿ
      {"qmon 2.0 = ok?", "QMON 2.0 = OK?"},
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(UCase(p.lower), p.upper) << p.lower;
    EXPECT_EQ(LCase(p.upper), p.lower) << p.upper;
  }
  // Letters without a counterpart in the code page, the signs ÷ ×, text
  // outside the code page and stray bytes.
  for (const char* same : {"\xC3\x9F", "\xC2\xB5", "\xC4\xB1", "\xC4\xB0", "\xC3\xB7",
                           "\xC3\x97", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xFF\x80"}) {
    EXPECT_EQ(UCase(same), same) << same;
    EXPECT_EQ(LCase(same), same) << same;
  }
  EXPECT_EQ(UCase("\xFF" "a\x80"), "\xFF" "A\x80");
}

// ---- Len, Left, Mid, InStr ---------------------------------------------------

TEST(LengthTest, CountsCharactersNotBytes) {
  EXPECT_EQ(Len(""), 0);
  EXPECT_EQ(Len("abc"), 3);
  EXPECT_EQ(Len("\xC3\xA4" "b\xE2\x82\xAC"), 3);  // ä b €
  EXPECT_EQ(Len("\xF0\x9F\x98\x80"), 1);
  EXPECT_EQ(Len("a\xFF\xC3"), 3);  // stray bytes count one each
}

TEST(LeftMidTest, TakeCharacters) {
  const std::string word = "\xC3\xA4" "bc";  // äbc
  EXPECT_EQ(Left("abc", 10), "abc");
  EXPECT_EQ(Left("abc", 0), "");
  EXPECT_EQ(Left(word, 1), "\xC3\xA4");
  EXPECT_EQ(Mid("abc", 2), "bc");
  EXPECT_EQ(Mid("abc", 5), "");
  EXPECT_EQ(Mid("abc", 4), "");
  EXPECT_EQ(Mid("abc", 2, 10), "bc");
  EXPECT_EQ(Mid("abc", 1, 0), "");
  EXPECT_EQ(Mid("test", 2, 2), "es");
  EXPECT_EQ(Mid(word, 2), "bc");
  EXPECT_EQ(Mid(word, 1, 2), "\xC3\xA4" "b");
}

TEST(LeftMidTest, RejectInvalidArguments) {
  EXPECT_EQ(ErrorOf([] { Left("abc", -1); }), vberr::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { Mid("abc", 0); }), vberr::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { Mid("abc", -1, 1); }), vberr::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { Mid("abc", 1, -1); }), vberr::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { Mid("abc", 0, 0); }), vberr::kInvalidCall);
}

TEST(InStrTest, FindsWithBinaryComparison) {
  struct {
    int start;
    const char* text;
    const char* find;
    int position;
  } const cases[] = {
      {1, "abcABC", "B", 5},  {1, "abcd", "bc", 2},    {3, "abcd", "bc", 0},
      {5, "abcd", "bc", 0},   {1, "abcd", "bcx", 0},   {1, "abc", "", 1},
      {4, "abcdef", "", 4},   {20, "abcdef", "", 0},   {7, "abcdef", "", 0},
      {6, "abcdef", "", 6},   {1, "", "a", 0},         {1, "", "", 0},
      {4, "", "", 0},         {2, "abcabc", "a", 4},   {1, "a,b", ",", 2},
      {1, "\xC3\xA4\xC3\xB6x", "x", 3},                {2, "\xC3\xA4\xC3\xB6x\xC3\xB6", "\xC3\xB6", 2},
      {3, "\xC3\xA4\xC3\xB6x\xC3\xB6", "\xC3\xB6", 4}, {1, "\xC3\xA4", "\xA4", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InStr(c.start, c.text, c.find), c.position)
        << "InStr(" << c.start << ", \"" << c.text << "\", \"" << c.find << "\")";
  }
  EXPECT_EQ(InStr("abcABC", "C"), 6);
  EXPECT_EQ(ErrorOf([] { InStr(0, "abc", "a"); }), vberr::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { InStr(-20, "abc", ""); }), vberr::kInvalidCall);
}

// ---- Split and Replace -------------------------------------------------------

TEST(SplitTest, KeepsEveryFieldAsItStands) {
  using Parts = std::vector<std::string>;
  struct {
    const char* text;
    const char* delimiter;
    Parts parts;
  } const cases[] = {
      {"", ",", {}},
      {"", "", {}},
      {"a,,b", ",", {"a", "", "b"}},
      {"a,b,", ",", {"a", "b", ""}},
      {",a", ",", {"", "a"}},
      {",", ",", {"", ""}},
      {"a", ",", {"a"}},
      {"a, b", ",", {"a", " b"}},
      {"a,b", "", {"a,b"}},
      {"aXbxc", "x", {"aXb", "c"}},
      {"abcdefghi", "def", {"abc", "ghi"}},
      {"1<->2<->", "<->", {"1", "2", ""}},
      {"\xC3\xA4|\xC3\xB6", "|", {"\xC3\xA4", "\xC3\xB6"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Split(c.text, c.delimiter), c.parts)
        << "Split(\"" << c.text << "\", \"" << c.delimiter << "\")";
  }
}

TEST(ReplaceTest, ReplacesLeftToRightWithoutOverlap) {
  struct {
    const char* text;
    const char* find;
    const char* with;
    const char* result;
  } const cases[] = {
      {"aAaA", "a", "x", "xAxA"},
      {"xxxxx", "xx", "y", "yyx"},
      {"abc", "", "y", "abc"},
      {"", "x", "y", ""},
      {"yxxy", "x", "", "yy"},
      {"xx testxx(xx)", "xx", "!", "! test!(!)"},
      {"a\\b\\c", "\\", "\\\\", "a\\\\b\\\\c"},
      {"aa", "a", "aa", "aaaa"},
      {"\xC3\xA4-\xC3\xA4", "\xC3\xA4", "ae", "ae-ae"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Replace(c.text, c.find, c.with), c.result)
        << "Replace(\"" << c.text << "\", \"" << c.find << "\", \"" << c.with << "\")";
  }
}

// ---- Dates -------------------------------------------------------------------

platform::LocalTime At(int year, int month, int day, int hour, int minute, int second) {
  platform::LocalTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return t;
}

TEST(DateTest, GeneralDateUsesUsSettings) {
  struct {
    platform::LocalTime t;
    const char* text;
  } const cases[] = {
      {At(2003, 1, 2, 3, 4, 5), "1/2/2003 3:04:05 AM"},
      {At(2003, 1, 2, 15, 4, 5), "1/2/2003 3:04:05 PM"},
      {At(2003, 1, 2, 0, 0, 0), "1/2/2003"},
      {At(2003, 1, 2, 12, 0, 0), "1/2/2003 12:00:00 PM"},
      {At(2003, 1, 2, 0, 30, 7), "1/2/2003 12:30:07 AM"},
      {At(2024, 12, 25, 23, 59, 59), "12/25/2024 11:59:59 PM"},
      {At(2003, 1, 2, 0, 0, 1), "1/2/2003 12:00:01 AM"},
      {At(1899, 12, 30, 12, 0, 0), "12:00:00 PM"},
      {At(1899, 12, 30, 0, 0, 0), "12:00:00 AM"},
      {At(100, 1, 1, 0, 0, 0), "1/1/100"},
  };
  for (const auto& c : cases) EXPECT_EQ(GeneralDate(c.t), c.text);
}

TEST(DateTest, ShortDateAndFixedFormats) {
  struct {
    platform::LocalTime t;
    const char* short_date;
    const char* yyyymmdd;
    const char* mmddyyyyhhnnss;
  } const cases[] = {
      {At(2003, 1, 2, 3, 4, 5), "1/2/2003", "20030102", "01022003030405"},
      {At(2003, 1, 2, 0, 0, 0), "1/2/2003", "20030102", "01022003000000"},
      {At(2024, 12, 25, 23, 59, 59), "12/25/2024", "20241225", "12252024235959"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortDate(c.t), c.short_date);
    EXPECT_EQ(FormatYyyymmdd(c.t), c.yyyymmdd);
    EXPECT_EQ(FormatMmddyyyyhhnnss(c.t), c.mmddyyyyhhnnss);
  }
}

}  // namespace
}  // namespace qmon::vb
