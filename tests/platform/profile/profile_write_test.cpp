// WritePrivateProfileStringA: the bytes it leaves in the file and its answers.
#include <fcntl.h>
#include <sys/stat.h>

#include <iterator>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/profile/profile_fixture.h"

namespace qmon::platform::posix {
namespace {

using namespace std::string_literals;

const std::string kNoFile = "<no file>";

struct EditCase {
  const char* name;
  std::string before;  // kNoFile: the file does not exist
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

class ProfileEditTest : public ProfileTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(ProfileEditTest, LeavesExactlyTheseBytes) {
  const EditCase& c = GetParam();
  if (c.before != kNoFile) Put(c.before);
  EXPECT_TRUE(Write(c.section, c.key, c.value));
  EXPECT_EQ(profile_.last_error(), kErrorSuccess);
  EXPECT_EQ(Bytes(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ProfileEditTest,
    ::testing::Values(
        EditCase{"NewFile", kNoFile, "App", "key", "value", "[App]\r\nkey=value\r\n"},
        EditCase{"BlanksAsGiven", kNoFile, "  S  ", "  k  ", "  v  ", "[  S  ]\r\n  k  =  v  \r\n"},
        EditCase{"ReplaceKeepsFileSpelling", "[MySection]\r\nMyKey=old\r\n", "MYSECTION", "mykey",
                 "new", "[MySection]\r\nMyKey=new\r\n"},
        EditCase{"NewKeyTakesCallerSpelling", "[MySection]\r\nMyKey=old\r\n", "MYSECTION", "Other",
                 "1", "[MySection]\r\nMyKey=old\r\nOther=1\r\n"},
        EditCase{"ReplaceKeepsKeyPartAndLineEnd", "[A]\n  key1 = v1   \nx=1\n", "A", " KEY1",
                 "changed", "[A]\n  key1 =changed\nx=1\n"},
        EditCase{"ReplaceDropsQuotes", "[A]\r\nq=\"old\"\r\n", "A", "q", "new", "[A]\r\nq=new\r\n"},
        EditCase{"NewKeyBeforeNextHeader", "[A]\r\nx=1\r\n\r\n; c\r\n[B]\r\nz=3\r\n", "a", "y", "2",
                 "[A]\r\nx=1\r\n\r\n; c\r\ny=2\r\n[B]\r\nz=3\r\n"},
        EditCase{"NewKeyAtEndOfLastSection", "[A]\nx=1\n\n", "A", "y", "2", "[A]\nx=1\n\ny=2\r\n"},
        EditCase{"NewSectionAtEnd", "; top\r\n[A]\r\nx=1\r\n", "B", "y", "2",
                 "; top\r\n[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        EditCase{"NewSectionAfterMissingLineEnd", "[A]\r\nx=1", "B", "y", "2",
                 "[A]\r\nx=1[B]\r\ny=2\r\n"},
        EditCase{"CrLfInsideValue", "[1]\r\na=x\r\n", "1", "w", "0,1\r\n",
                 "[1]\r\na=x\r\nw=0,1\r\n\r\n"},
        EditCase{"OddBytesKept", "\0\0k0=v0\r\n[A]\r\n#x=1\r\nplain\r\n"s, "A", "#x", "2",
                 "\0\0k0=v0\r\n[A]\r\n#x=2\r\nplain\r\n"s},
        EditCase{"FirstDuplicateChanges", "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\n", "A", "k", "9",
                 "[A]\r\nk=9\r\nk=2\r\n[a]\r\nk=3\r\n"},
        EditCase{"KeyBeforeFirstSectionIsNotTheSection", "k=0\r\n[A]\r\n", "A", "k", "1",
                 "k=0\r\n[A]\r\nk=1\r\n"},
        EditCase{"DeleteKey", "[App3]\r\nkey5=string5\r\n", "APP3", "KEY5", nullptr, "[App3]\r\n"},
        EditCase{"DeleteMissingKey", "[A]\r\nx=1\r\n", "A", "y", nullptr, "[A]\r\nx=1\r\n"},
        EditCase{"DeleteFirstDuplicateKey", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", nullptr,
                 "[A]\r\nk=2\r\n"},
        EditCase{"DeleteSectionUpToNextHeader", "; top\r\n[A]\r\nx=1\r\n\r\n; c\r\n[B]\r\nz=3\r\n",
                 "a", nullptr, "ignored", "; top\r\n[B]\r\nz=3\r\n"},
        EditCase{"DeleteFirstDuplicateSection", "[A]\r\nk=1\r\n[a]\r\nk=2\r\n", "A", nullptr,
                 nullptr, "[a]\r\nk=2\r\n"},
        EditCase{"DeleteOnlySection", "[A]\r\nk=1\r\n", "A", nullptr, nullptr, ""},
        EditCase{"DeleteKeyFromMissingFile", kNoFile, "A", "k", nullptr, ""}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return info.param.name; });

// A request file: every section's last value carries CR LF, which leaves an
// empty line after the section; reading gives the value without it.
TEST_F(ProfileTest, ValueWithCrLfLeavesAnEmptyLineAfterTheSection) {
  for (const char* section : {"1", "2"}) {
    EXPECT_TRUE(Write(section, "ExecutableName", "QSCC\\QPERFMON.EXE"));
    EXPECT_TRUE(Write(section, "Weekdays", "0,1,2,3,4,5,6\r\n"));
  }
  EXPECT_EQ(Bytes(),
            "[1]\r\nExecutableName=QSCC\\QPERFMON.EXE\r\nWeekdays=0,1,2,3,4,5,6\r\n\r\n"
            "[2]\r\nExecutableName=QSCC\\QPERFMON.EXE\r\nWeekdays=0,1,2,3,4,5,6\r\n\r\n");
  EXPECT_EQ(Value("1", "Weekdays"), "0,1,2,3,4,5,6");

  EXPECT_TRUE(Write("1", "x", "a\r\nb=c"));
  EXPECT_EQ(Value("1", "b"), "c");
}

TEST_F(ProfileTest, NullSectionFailsWithoutTouchingTheFile) {
  EXPECT_FALSE(Write(nullptr, "key", "string"));
  EXPECT_EQ(profile_.last_error(), kErrorFileNotFound);
  EXPECT_FALSE(std::filesystem::exists(Path()));
  Put("[A]\r\nk=v\r\n");
  EXPECT_FALSE(Write(nullptr, "key", "string"));
  EXPECT_EQ(Bytes(), "[A]\r\nk=v\r\n");
}

TEST_F(ProfileTest, ReadOnlyFileRefusesEveryWrite) {
  Put("[A]\r\nk=v\r\n");
  ASSERT_EQ(chmod(Path().c_str(), 0444), 0);
  const char* const calls[][3] = {
      {"A", "k", "w"}, {"A", "k", "v"}, {"A", "k", nullptr}, {"Z", nullptr, nullptr}};
  for (const auto& call : calls) {
    EXPECT_FALSE(Write(call[0], call[1], call[2])) << call[0];
    EXPECT_EQ(profile_.last_error(), kErrorAccessDenied);
  }
  EXPECT_EQ(Bytes(), "[A]\r\nk=v\r\n");
  EXPECT_EQ(Value("A", "k"), "v");
}

TEST_F(ProfileTest, MissingFolderFailsEveryWrite) {
  EXPECT_FALSE(Write("A", "k", "v", "nofolder/x.ini"));
  EXPECT_EQ(profile_.last_error(), kErrorPathNotFound);
  EXPECT_FALSE(Write("A", nullptr, nullptr, "nofolder/x.ini"));
  EXPECT_EQ(profile_.last_error(), kErrorPathNotFound);
  EXPECT_FALSE(std::filesystem::exists(Path("nofolder")));
}

TEST_F(ProfileTest, RewriteKeepsPermissionsAndLeavesNoTemporaryFile) {
  Put("[A]\r\nk=1\r\n[B]\r\nm=2\r\n");
  ASSERT_EQ(chmod(Path().c_str(), 0640), 0);
  EXPECT_TRUE(Write("A", "k", "longer"));
  EXPECT_EQ(Bytes(), "[A]\r\nk=longer\r\n[B]\r\nm=2\r\n");
  struct stat st;
  ASSERT_EQ(stat(Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2);
}

TEST_F(ProfileTest, WriteThatChangesNothingLeavesTheFileAlone) {
  Put("[A]\r\nk=v\r\n");
  const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Path().c_str(), old_times, 0), 0);
  EXPECT_TRUE(Write("a", "K", "v"));
  EXPECT_TRUE(Write("A", "missing", nullptr));
  EXPECT_TRUE(Write("Missing", nullptr, nullptr));
  struct stat st;
  ASSERT_EQ(stat(Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
}

}  // namespace
}  // namespace qmon::platform::posix
