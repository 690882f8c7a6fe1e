// The parsed copy behind the profile functions: refreshed after outside
// changes, kept up to date by the engine's own writes, which reach the file
// whole when it is flushed.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "platform/env.h"
#include "platform/profile/profile_fixture.h"
#include "platform/temp_name.h"

namespace qmon::platform::posix {
namespace {

TEST_F(ProfileTest, OutsideChangeIsSeenEvenAtTheSameSize) {
  Put("[A]\r\nk=1\r\n");
  EXPECT_EQ(Value("A", "k"), "1");
  // Same size, one byte changed in place, a different modification time.
  {
    std::fstream file(Path(), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(7);
    file.put('9');
  }
  const timespec times[2] = {{1000000000, 1}, {1000000000, 1}};
  ASSERT_EQ(utimensat(AT_FDCWD, Path().c_str(), times, 0), 0);
  EXPECT_EQ(Value("A", "k"), "9");
  EXPECT_EQ(Value("A", "k"), "9");
  // A write edits the text as it now stands, even when the file went away.
  Put("[A]\r\nk=1\r\nouter=2\r\n");
  EXPECT_TRUE(Write("A", "k", "3"));
  EXPECT_EQ(Bytes(), "[A]\r\nk=3\r\nouter=2\r\n");
  std::remove(Path().c_str());
  EXPECT_TRUE(Write("A", "k", "4"));
  EXPECT_EQ(Bytes(), "[A]\r\nk=4\r\n");
}

// Kept writes are made again over a file changed on disk before the flush;
// a flush that fails drops them and leaves the file as it was.
TEST_F(ProfileTest, FlushKeepsOutsideChangesAndFailsWithoutHarm) {
  Put("[A]\r\nk=1\r\n");
  EXPECT_TRUE(Write("A", "k", "2"));
  Put("[A]\r\nk=1\r\n[B]\r\nx=1\r\n");
  EXPECT_EQ(Value("B", "x"), "1");
  EXPECT_EQ(Bytes(), "[A]\r\nk=2\r\n[B]\r\nx=1\r\n");

  EXPECT_TRUE(Write("A", "k", "3"));
  // A folder where the temporary file goes: it cannot be made.
  std::filesystem::create_directories(TempPathBeside(Path()) + "/in");
  EXPECT_FALSE(profile_.WriteString(nullptr, nullptr, nullptr, Path().c_str()));
  EXPECT_EQ(profile_.last_error(), kErrorAccessDenied);
  EXPECT_EQ(Value("A", "k"), "2");
  EXPECT_EQ(Bytes(), "[A]\r\nk=2\r\n[B]\r\nx=1\r\n");
}

// The monitor configuration pattern: for each function the first section's
// Tid, Tver and Count are written again and the function's keys go into a
// new section at the end. The file stays as it was (here: missing) through
// all the writes, which its reads see, and the flush writes it once, whole.
TEST_F(ProfileTest, MonitorConfigurationIsWrittenOnceWholeAtTheFlush) {
  constexpr int kFunctions = 1000;
  for (int n = 1; n <= kFunctions; ++n) {
    const std::string section = "DCM" + std::to_string(n);
    for (const auto& [name, key, value] :
         {std::tuple<std::string, const char*, std::string>{"DCM", "Tid", "111"},
          {"DCM", "Tver", "20141224212323"}, {"DCM", "Count", std::to_string(n)},
          {section, "Id", "1"}, {section, "scriptid", std::to_string(1000 + n)},
          {section, "NOSCount", "2"}, {section, "Drv1", "D:"}, {section, "NOSCount", "-1"}}) {
      ASSERT_TRUE(Write(name.c_str(), key, value.c_str()));
    }
  }
  EXPECT_FALSE(std::filesystem::exists(Path()));
  EXPECT_EQ(Value("DCM432", "scriptid"), "1432");

  EXPECT_FALSE(profile_.WriteString(nullptr, nullptr, nullptr, Path().c_str()));
  EXPECT_EQ(profile_.last_error(), kErrorSuccess);
  EXPECT_EQ(profile_.stats().rewrites, 1u);
  const std::string bytes = Bytes();
  EXPECT_EQ(bytes.substr(0, 55), "[DCM]\r\nTid=111\r\nTver=20141224212323\r\nCount=1000\r\n[DCM1]");
  const auto fresh = MakePosixProfile(map_);
  char buffer[32];
  EXPECT_EQ(fresh->GetString("DCM432", "NOSCount", "", buffer, sizeof buffer, Path().c_str()), 2u);
  EXPECT_STREQ(buffer, "-1");
}

}  // namespace
}  // namespace qmon::platform::posix
