#include "platform/command_line_args.h"

#include <gtest/gtest.h>

#include "platform/case_file.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"
#endif

namespace qmon::platform {
namespace {

TEST(SplitCommandLine, SplitsAsWindowsDoes) {
  for (const auto& c : test::LoadCases("command_lines")) {
    std::vector<std::string> args;
    for (size_t i = 1; i < c.fields.size(); ++i) args.push_back(c[i]);
    EXPECT_EQ(SplitCommandLine(c[0]), args) << c.where;
#ifdef _WIN32
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(win32::Wide(c[0]).c_str(), &count);
    ASSERT_NE(wide, nullptr);
    std::vector<std::string> system;
    for (int i = 0; i < count; ++i) system.push_back(win32::Utf8(wide[i]));
    LocalFree(wide);
    EXPECT_EQ(system, args) << "CommandLineToArgvW: " << c.where;
#endif
  }
}

}  // namespace
}  // namespace qmon::platform
