#include "platform/command_line_args.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"
#endif

namespace qmon::platform {
namespace {

using Args = std::vector<std::string>;

struct Case {
  const char* line;
  Args args;
};

// Lines a shell would take apart differently: the registration command with
// an installation path that holds shell syntax, and the quoting rules.
const Case kCases[] = {
    {R"(regsvr32 C:\Agent\QSCC\qWbPost.dll -s)", {"regsvr32", R"(C:\Agent\QSCC\qWbPost.dll)", "-s"}},
    {"regsvr32 C:\\a;b$(id)`x`\\q.dll -s", {"regsvr32", "C:\\a;b$(id)`x`\\q.dll", "-s"}},
    {R"("C:\Program Files\x.exe" -s)", {R"(C:\Program Files\x.exe)", "-s"}},
    {R"("a\"b c)", {R"(a\)", "b", "c"}},
    {R"(p "abc" d e)", {"p", "abc", "d", "e"}},
    {R"(p a\\\b d"e f"g h)", {"p", R"(a\\\b)", "de fg", "h"}},
    {R"(p a\\\"b c d)", {"p", R"(a\"b)", "c", "d"}},
    {R"(p a\\\\"b c" d e)", {"p", R"(a\\b c)", "d", "e"}},
    {R"(p a"b"" c d)", {"p", R"(ab")", "c", "d"}},
    {R"(p "a""b" c)", {"p", R"(a"b c)"}},
    {"p\t a \t", {"p", "a"}},
    {R"(p "" x)", {"p", "", "x"}},
    {R"(p """" """""")", {"p", R"(" "")"}},
    {"p", {"p"}},
};

TEST(SplitCommandLine, SplitsAsWindowsDoes) {
  for (const Case& c : kCases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
#ifdef _WIN32
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(win32::Wide(c.line).c_str(), &count);
    ASSERT_NE(wide, nullptr);
    Args system;
    for (int i = 0; i < count; ++i) system.push_back(win32::Utf8(wide[i]));
    LocalFree(wide);
    EXPECT_EQ(system, c.args) << "CommandLineToArgvW: " << c.line;
#endif
  }
}

}  // namespace
}  // namespace qmon::platform
