// The parsed copy behind the profile functions: refreshed after outside
// changes, kept up to date by the engine's own writes, and written back with
// work proportional to what changed.
#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "platform/profile/profile_fixture.h"

namespace qmon::platform::posix {
namespace {

TEST_F(ProfileTest, OwnWritesNeverReadTheFileAgain) {
  for (int i = 0; i < 50; ++i) {
    const std::string section = "S" + std::to_string(i % 7);
    EXPECT_TRUE(Write(section.c_str(), "k", std::to_string(i).c_str()));
    EXPECT_EQ(Value(section.c_str(), "k"), std::to_string(i));
  }
  EXPECT_TRUE(Write("S1", nullptr, nullptr));
  EXPECT_EQ(Value("S1", "k"), "<default>");
  EXPECT_EQ(profile_.stats().loads, 0u);
}

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
  EXPECT_EQ(profile_.stats().loads, 2u);  // the unchanged file is not read again
  // A write edits the text as it now stands, even when the file went away.
  Put("[A]\r\nk=1\r\nouter=2\r\n");
  EXPECT_TRUE(Write("A", "k", "3"));
  EXPECT_EQ(Bytes(), "[A]\r\nk=3\r\nouter=2\r\n");
  std::remove(Path().c_str());
  EXPECT_TRUE(Write("A", "k", "4"));
  EXPECT_EQ(Bytes(), "[A]\r\nk=4\r\n");
}

// The monitor configuration pattern: for each function the first section's
// Tid, Tver and Count are written again (the same value, or one of the same
// length most of the time) and the function's keys go into a new section at
// the end, where an "ALL" drive turns NOSCount into "-1". Rewrites and full
// parses of the whole file may only come from Count growing a digit, so the
// work stays proportional to the file's size.
TEST_F(ProfileTest, MonitorConfigurationPatternKeepsTheWorkLinear) {
  constexpr int kFunctions = 5000;
  int writes = 0;
  auto write = [&](const std::string& section, const char* key, const std::string& value) {
    ASSERT_TRUE(Write(section.c_str(), key, value.c_str()));
    ++writes;
  };
  for (int n = 1; n <= kFunctions; ++n) {
    write("DCM", "Tid", "111");
    write("DCM", "Tver", "20141224212323");
    write("DCM", "Count", std::to_string(n));
    const std::string section = "DCM" + std::to_string(n);
    write(section, "Id", "1");
    write(section, "scriptid", std::to_string(1000 + n));
    write(section, "Name", "Function " + std::to_string(n));
    write(section, "OSthreshold", "90");
    write(section, "OScondition", ">");
    write(section, "NOSCount", "2");
    write(section, "Drv1", "D:");
    write(section, "NOSCount", "-1");
    write(section, "NOScondition", "<");
  }
  EXPECT_EQ(writes, 12 * kFunctions);

  const profile::ProfileStoreStats& stats = profile_.stats();
  const uint64_t size = Bytes().size();
  EXPECT_EQ(stats.loads, 0u);
  EXPECT_LE(stats.rewrites, 4u);  // the new file, then Count at 10, 100 and 1000
  EXPECT_LE(stats.reparses, 3u);
  EXPECT_LT(stats.bytes_written, 3 * size);
  EXPECT_EQ(stats.in_place, static_cast<uint64_t>(kFunctions - 4));
  // NOSCount in the last section, and Count while the file is still small.
  EXPECT_GE(stats.tails, static_cast<uint64_t>(kFunctions));
  EXPECT_LE(stats.tails, static_cast<uint64_t>(kFunctions + 3));

  const auto fresh = MakePosixProfile(map_);
  char buffer[32];
  EXPECT_EQ(fresh->GetString("DCM", "Count", "", buffer, sizeof buffer, Path().c_str()), 4u);
  EXPECT_STREQ(buffer, "5000");
  EXPECT_EQ(fresh->GetString("DCM4321", "scriptid", "", buffer, sizeof buffer, Path().c_str()), 4u);
  EXPECT_STREQ(buffer, "5321");
  EXPECT_EQ(Bytes().substr(0, 55),
            "[DCM]\r\nTid=111\r\nTver=20141224212323\r\nCount=5000\r\n[DCM1]");
}

}  // namespace
}  // namespace qmon::platform::posix
