#include "platform/win32/win32_system.h"

#include <gtest/gtest.h>

#include "platform/win32/ansi_code_page.h"
#include "platform/win32/command_line.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_file_system.h"
#include "support.h"

namespace qmon::platform::win32 {
namespace {

TEST(CommandLineTest, ArgumentsFollowTheProgramNameAndItsBlanks) {
  const std::pair<const char*, const char*> cases[] = {
      {R"("C:\Program Files\Agent\q.exe" 12,40)", "12,40"},
      {R"("C:\Program Files\Agent\q.exe")", ""},
      {R"(C:\Agent\q.exe -s  x  )", "-s  x  "},
      {"C:\\Agent\\q.exe  \t  a\t\"b c\"", "a\t\"b c\""},
      {"q.exe\targ", "arg"},
      {"q.exe", ""},
      {R"("C:\A b\q.exe"x y)", "x y"},
  };
  for (const auto& [line, arguments] : cases) EXPECT_EQ(ArgumentsOf(line), arguments) << line;
}

TEST(Win32SystemTest, OneInstanceAtATime) {
  auto first = std::make_unique<Win32System>();
  EXPECT_TRUE(first->ClaimSingleInstance());
  EXPECT_FALSE(Win32System().ClaimSingleInstance());
  first.reset();
  EXPECT_TRUE(Win32System().ClaimSingleInstance());
}

TEST(Win32SystemTest, FolderAndProcesses) {
  Win32System system;
  AnsiCodePage codepage;
  Win32FileSystem fs(codepage);
  const std::string folder = system.ProgramFolder();
  EXPECT_TRUE(fs.FolderExists(folder) && folder.back() != '\\') << folder;

  test::ScratchFolder dir;
  system.StartProcess("cmd /c echo started> \"" + (dir / "out.txt") + "\"");
  for (int i = 0; i < 100 && !fs.FileExists(dir / "out.txt"); ++i) Sleep(50);
  EXPECT_TRUE(fs.FileExists(dir / "out.txt"));
  EXPECT_EQ(test::RaisedBy([&] { system.StartProcess(dir / "missing.exe"); }), 53);
}

TEST(Win32ClockTest, RegionalFormatsOfEnglishUs) {
  Win32Clock clock;
  const struct {
    LocalTime t;
    const char* date;
    const char* time;
  } cases[] = {{{2026, 12, 6, 0, 46, 25}, "12/6/2026", "12:46:25 AM"},
               {{2003, 1, 2, 15, 4, 5}, "1/2/2003", "3:04:05 PM"},
               {{1899, 12, 30, 12, 0, 0}, "12/30/1899", "12:00:00 PM"}};
  for (const auto& c : cases) {
    EXPECT_EQ(clock.ShortDate(c.t), c.date);
    EXPECT_EQ(clock.LongTime(c.t), c.time);
  }
}

TEST(AnsiCodePageTest, LossyCharactersBecomeQuestionMarks) {
  AnsiCodePage codepage;
  const std::pair<const char*, bool> cases[] = {
      {"plain", false}, {"", false}, {"caf\u00e9", false}, {"a\u2603b", true}, {"x\xff", true}};
  for (const auto& [utf8, expected] : cases) {
    bool lossy = !expected;
    const std::string ansi = codepage.ToAnsi(utf8, &lossy);
    EXPECT_EQ(lossy, expected) << utf8;
    EXPECT_EQ(codepage.FromAnsi(ansi) == utf8, !expected) << utf8;
  }
  EXPECT_EQ(codepage.ToAnsi("a\u2603b"), "a?b");
}

}  // namespace
}  // namespace qmon::platform::win32
