#include "platform/win32/win32_system.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/case_file.h"
#include "platform/win32/ansi_code_page.h"
#include "platform/win32/com_error.h"
#include "platform/win32/command_line.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_file_system.h"
#include "support.h"

namespace qmon::platform::win32 {
namespace {

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

// What a case line's call answers (see the case file's head).
std::string Call(const test::CaseLine& c) {
  if (c[0] == "ArgumentsOf") return ArgumentsOf(c[1]);
  if (c[0] == "Dates") {
    LocalTime t;
    std::istringstream(c[1]) >> t.year >> t.month >> t.day >> t.hour >> t.minute >> t.second;
    Win32Clock clock;
    return clock.ShortDate(t) + " " + clock.LongTime(t);
  }
  if (c[0] == "Hresult") {
    const VbError e = VbErrorFromHresult(static_cast<int32_t>(std::stoul(c[1], nullptr, 16)),
                                         c[2] == "create" ? ComStep::kCreate : ComStep::kCall);
    return std::to_string(e.number) + " " + e.description;
  }
  AnsiCodePage codepage;
  bool lost = true, kept = false;  // each must be set, whichever way
  const std::string ansi = codepage.ToAnsi(c[1], &lost);
  codepage.ToAnsi(c[1], &kept);
  return ansi + (lost != kept ? " unset" : lost ? " lossy" : "") +
         (codepage.FromAnsi(ansi) == c[1] ? " back" : "");
}

TEST(Win32TablesTest, CallsAnswerAsWindowsDoes) {
  for (const auto& c : test::LoadCases("win32_calls")) {
    EXPECT_EQ(Call(c), c.fields.back()) << c.where;
  }
}

}  // namespace
}  // namespace qmon::platform::win32
