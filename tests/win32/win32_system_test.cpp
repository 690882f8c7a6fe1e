#include "platform/win32/win32_system.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/win32/ansi_code_page.h"
#include "platform/win32/com_error.h"
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

TEST(Win32SystemTest, OneInstanceAtATimeStartingProcessesFromItsFolder) {
  auto first = std::make_unique<Win32System>();
  EXPECT_TRUE(first->ClaimSingleInstance());
  EXPECT_FALSE(Win32System().ClaimSingleInstance());
  first.reset();
  Win32System system;
  EXPECT_TRUE(system.ClaimSingleInstance());

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
  const std::tuple<LocalTime, const char*, const char*> cases[] = {
      {{2026, 12, 6, 0, 46, 25}, "12/6/2026", "12:46:25 AM"},
      {{2003, 1, 2, 15, 4, 5}, "1/2/2003", "3:04:05 PM"},
      {{1899, 12, 30, 12, 0, 0}, "12/30/1899", "12:00:00 PM"}};
  for (const auto& [t, date, time] : cases) {
    EXPECT_EQ(clock.ShortDate(t), date);
    EXPECT_EQ(clock.LongTime(t), time);
  }
}

TEST(AnsiCodePageTest, LossyCharactersBecomeQuestionMarks) {
  AnsiCodePage codepage;
  const std::pair<const char*, bool> cases[] = {
      {"plain", false}, {"", false}, {"caf\u00e9", false}, {"a\u2603b", true}, {"x\xff", true}};
  for (const auto& [utf8, lossy] : cases) {
    bool lost = !lossy;
    const std::string ansi = codepage.ToAnsi(utf8, &lost);
    EXPECT_EQ(lost, lossy) << utf8;
    EXPECT_EQ(codepage.FromAnsi(ansi) == utf8, !lossy) << utf8;
  }
  EXPECT_EQ(codepage.ToAnsi("a\u2603b"), "a?b");
}

TEST(ComErrorTest, HresultsMapAsTheRuntimeRaisesThem) {
  const std::tuple<uint32_t, ComStep, int32_t, const char*> cases[] = {
      {0x80040154, ComStep::kCreate, 429, "ActiveX component can't create object"},
      {0x80040154, ComStep::kCall, -2147221164, "Automation error"},
      {0x8007007E, ComStep::kCreate, 429, "ActiveX component can't create object"},
      {0x8002801D, ComStep::kCreate, -2147319779, "Library not registered."},
      {0x80020006, ComStep::kCall, 438, "Object doesn't support this property or method"},
      {0x800A0035, ComStep::kCall, 53, "File not found"},
  };
  for (const auto& [hr, step, number, description] : cases) {
    const VbError e = VbErrorFromHresult(static_cast<int32_t>(hr), step);
    EXPECT_EQ(e.number, number) << std::hex << hr;
    EXPECT_EQ(e.description, description) << std::hex << hr;
  }
}

}  // namespace
}  // namespace qmon::platform::win32
