// GetPrivateProfileStringA, GetPrivateProfileSectionNamesA and
// GetPrivateProfileIntA: values, defaults, lists and their buffers.
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/profile/profile_answer.h"
#include "platform/profile/profile_fixture.h"

namespace qmon::platform::posix {
namespace {

using namespace std::string_literals;

const std::string kContent =
    "[section1]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n"
    "[section2]\r\n  k1  =  v one  \r\nq=\"val2\"\r\ns='single'\r\ne=\"\"\r\nb=\" x \"\r\n"
    "h1=\"a\r\nh2=\"b'\r\nh3=in\"side\"\r\nd=\"\"x\"\"\r\nk=a=b\r\n; c=x\r\n#h=1\r\n";

TEST_F(ProfileTest, AnswersBufferAndCount) {
  Put(kContent);
  const struct {
    const char *section, *key, *def;
    uint32_t size;
    std::string buffer;  // the first size + 2 chars afterwards
    uint32_t count;
  } cases[] = {
      // Found values, cut to size - 1 characters.
      {"section1", "name1", "def", 5, "val1\0#"s, 4},
      {"section1", "name1", "def", 1, "\0#"s, 0},
      {"section1", "name1", "def", 0, "##"s, 0},
      {"SECTION1", "NAME1", "def", 64, "val1\0"s, 4},
      {" section1\t", "  name1 ", "def", 64, "val1\0"s, 4},
      // Trimming and quotes.
      {"section2", "k1", "def", 64, "v one\0"s, 5},
      {"section2", "q", "def", 5, "val2\0#"s, 4},
      {"section2", "q", "def", 4, "val\0#"s, 3},
      {"section2", "e", "def", 64, "\0#"s, 0},
      {"section2", "b", "def", 64, " x \0"s, 3},
      {"section2", "h1", "def", 64, "\"a\0"s, 2},
      {"section2", "h3", "def", 64, "in\"side\"\0"s, 8},
      {"section2", "d", "def", 64, "\"x\"\0"s, 3},
      {"section2", "k", "def", 64, "a=b\0"s, 3},
      {"section2", "#h", "def", 64, "1\0"s, 1},
      // Not found: the default, trailing spaces dropped.
      {"section1", "name3", "def", 64, "def\0"s, 3},
      {"section2", "; c", "def", 64, "def\0"s, 3},
      {"section1", "none", "one two  ", 64, "one two\0"s, 7},
      {"section1", "none", "  x\t", 64, "  x\t\0"s, 4},
      {"section1", "none", "default", 4, "def\0#"s, 3},
      {"section1", "none", nullptr, 64, "\0#"s, 0},
      {"nosection", "name1", "def", 64, "def\0"s, 3},
      {"section1", "", "def", 64, "def\0"s, 3},
      // Lists: sections, then the keys of a section.
      {nullptr, "name1", "def", 64, "section1\0section2\0\0#"s, 18},
      {nullptr, nullptr, nullptr, 16, "section1\0secti\0\0##"s, 14},
      {"section1", nullptr, "def", 64, "name1\0name2\0name4\0\0#"s, 18},
      {"section1", nullptr, "def", 16, "name1\0name2\0na\0\0##"s, 14},
      {"section2", nullptr, "def", 64, "k1\0q\0s\0e\0b\0h1\0h2\0h3\0d\0k\0#h\0\0#"s, 27},
      {"nosection", nullptr, "def", 64, "def\0"s, 3},
  };
  for (const auto& c : cases) {
    uint32_t count = 0;
    const std::string buffer = Get(c.section, c.key, c.def, c.size, &count);
    EXPECT_EQ(buffer.substr(0, c.buffer.size()), c.buffer) << c.size;
    EXPECT_EQ(count, c.count) << (c.section ? c.section : "") << "/" << (c.key ? c.key : "");
  }
}

// The two-NUL rule: a list that does not fit with one character to spare
// (an exact fit included) is cut to size - 2 characters followed by two NULs,
// whichever function asks. Section names come trimmed.
TEST_F(ProfileTest, SectionListOverflowFollowsTheTwoNulRule) {
  Put("[ alpha ]\r\n[beta]\r\nk=v\r\n");
  const struct {
    uint32_t size;
    std::string buffer;
    uint32_t count;
  } rows[] = {{13, "alpha\0beta\0\0#"s, 11}, {12, "alpha\0beta\0\0#"s, 10},
              {9, "alpha\0b\0\0#"s, 7},     {8, "alpha\0\0\0#"s, 6},
              {2, "\0\0#"s, 0},              {1, "\0#"s, 0},
              {0, "##"s, 0}};
  for (const auto& row : rows) {
    uint32_t count = 0;
    EXPECT_EQ(Get(nullptr, nullptr, "def", row.size, &count).substr(0, row.buffer.size()),
              row.buffer) << row.size;
    EXPECT_EQ(count, row.count) << row.size;
    std::string names(row.size + 2, '#');
    EXPECT_EQ(profile_.GetSectionNames(names.data(), row.size, Path().c_str()), row.count);
    EXPECT_EQ(names.substr(0, row.buffer.size()), row.buffer) << row.size;
  }
}

TEST_F(ProfileTest, MissingFileOrFolderGivesDefaultsAndEmptyLists) {
  Put("k=v\r\n", "nosections.ini");
  for (const std::string name : {"missing.ini", "nofolder/x.ini", "nosections.ini"}) {
    const int32_t error = name == "missing.ini"      ? kErrorFileNotFound
                          : name == "nofolder/x.ini" ? kErrorPathNotFound
                                                     : kErrorSuccess;
    uint32_t count = 9;
    EXPECT_EQ(Get("A", "k", "def", 8, &count, name).substr(0, 4), "def\0"s) << name;
    EXPECT_EQ(profile_.last_error(), error) << name;
    EXPECT_EQ(Get(nullptr, nullptr, "def", 8, &count, name).substr(0, 2), "\0#"s) << name;
    EXPECT_EQ(count, 0u) << name;
    std::string names(8, '#');
    EXPECT_EQ(profile_.GetSectionNames(names.data(), 6, Path(name).c_str()), 0u) << name;
    EXPECT_EQ(names.substr(0, 2), "\0#"s) << name;
    EXPECT_EQ(profile_.GetInt("A", "k", -7, Path(name).c_str()), static_cast<uint32_t>(-7));
  }
}

// Lenient reading of files that no profile writer would produce.
TEST_F(ProfileTest, ReadsOddFilesLeniently) {
  struct Row {
    std::string content;
    const char* section;
    const char* key;
    std::string expected;  // "<default>" when not found
  };
  const std::vector<Row> rows = {
      {"[A]\nk=lf\n[B]\nk=2\n", "A", "k", "lf"},
      {"[A]\r\nk=last", "A", "k", "last"},
      {"  [ Sec One ]  \r\nk=1\r\n", "sec one", "k", "1"},
      {"[a]b]\r\nk=3\r\n", "a]b", "k", "3"},
      {"[A]\r\n[noclose\r\nk=4\r\n", "A", "k", "4"},
      {"[A]\r\n[noclose=5\r\n", "A", "[noclose", "5"},
      {"\t k\t=\t v \t\r\n[A]\r\n\t k\t=\t v \t\r\n", "A", "k", "v"},
      {"k0=v0\r\n[A]\r\nk=1\r\n", "", "k0", "<default>"},
      {"[]\r\nk=empty\r\n", "", "k", "empty"},
      {"\0\0\0[A]\r\nk=after nul\r\n"s, "A", "k", "after nul"},
      {"\xEF\xBB\xBF[A]\r\nk=bom\r\n", "A", "k", "<default>"},
      {"[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nm=4\r\n", "A", "k", "1"},
      {"[\xC4rger \x8A\xFF]\r\n\xE9t\xE9=1252\r\n", "\xE4RGER \x9A\x9F", "\xC9T\xC9", "1252"},
  };
  for (const Row& row : rows) {
    Put(row.content);
    EXPECT_EQ(Value(row.section, row.key), row.expected) << testing::PrintToString(row.content);
  }
}

TEST_F(ProfileTest, ListsShowDuplicatesAndEmptyNamesButNoComments) {
  Put("[A]\r\nk=1\r\n;c=2\r\nnoequals\r\nK=3\r\n[]\r\n[a]\r\nm=4\r\n[E]\r\n; c\r\n");
  EXPECT_EQ(Value(nullptr, nullptr), "A\0\0a\0E\0"s);
  EXPECT_EQ(Value("A", nullptr), "k\0K\0"s);
  EXPECT_EQ(Value("E", nullptr), "<default>");  // no keys: the default
}

TEST_F(ProfileTest, FileNameIsAWindows1252Path) {
  std::filesystem::create_directories(dir_ / "drive_c/Daten");
  Put("[A]\r\nk=v\r\n", "drive_c/Daten/M\xC3\xBCller.ini");
  char buffer[8];
  EXPECT_EQ(profile_.GetString("A", "k", "", buffer, 8, "c:\\daten\\M\xFCller.ini"), 1u);
  EXPECT_STREQ(buffer, "v");
}

TEST_F(ProfileTest, GetIntParsesLikeTheSystemStringToInteger) {
  struct Row {
    const char* value;  // null: key absent
    uint32_t expected;
  };
  const std::vector<Row> rows = {
      {nullptr, 77},
      {"12abc", 12},
      {"42A94967297", 42},
      {"-3", 4294967293u},
      {"0x10", 16},
      {"0X1F", 0},
      {"0b101", 5},
      {"010", 10},
      {"", 77},
      {"B4294967297", 0},
      {"4294967296", 0},
      {"4294967297", 1},
      {"-4294967297", 4294967295u},
      {"99999999999", 1215752191},
      {"\"42\"", 42},
      {"\" -8 \"", static_cast<uint32_t>(-8)},
      {"- 5", 0},
      {"0000000000000000000000000000000000000042", 42},
  };
  std::string content = "[A]\r\n";
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].value) content += "k" + std::to_string(i) + "=" + rows[i].value + "\r\n";
  }
  Put(content);
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string key = "k" + std::to_string(i);
    EXPECT_EQ(profile_.GetInt("A", key.c_str(), 77, Path().c_str()), rows[i].expected)
        << (rows[i].value ? rows[i].value : "(absent)");
  }
}

TEST(ParseProfileIntTest, StopsAtNulAndLooksAtNoMoreThanItIsGiven) {
  EXPECT_EQ(profile::ParseProfileInt("12\0"
                            "34"s),
            12u);
  EXPECT_EQ(profile::ParseProfileInt(std::string_view("1234", 2)), 12u);
}

}  // namespace
}  // namespace qmon::platform::posix
