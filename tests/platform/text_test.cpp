#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/case_file.h"
#include "platform/cp1252.h"
#include "platform/temp_name.h"
#include "platform/web_post_charset.h"
#include "platform/web_post_rules.h"
#include "platform/vb_error.h"
#include "support/fake_clock.h"
#include "support/scoped_env.h"

namespace qmon::vb {
namespace {

platform::LocalTime At(const std::string& fields) {
  platform::LocalTime t;
  std::istringstream(fields) >> t.year >> t.month >> t.day >> t.hour >> t.minute >> t.second;
  return t;
}

// Marks what it decodes, to show which answers fall to the ANSI code page.
class MarkingCodePage final : public platform::CodePage {
 public:
  std::string ToAnsi(std::string_view, bool*) const override { return {}; }
  std::string FromAnsi(std::string_view ansi) const override { return "ansi:" + std::string(ansi); }
};

// What the named function answers for the arguments of a case line.
std::string Call(const test::CaseLine& c) {
  const std::string& f = c[0];
  if (f == "ResponseText") return platform::ResponseText(c[2], c[1], MarkingCodePage());
  if (f == "TempPathBeside") return platform::TempPathBeside(c[1]);
  if (f == "Timeouts") {  // both variables set to the argument ("\N": unset)
    const test::ScopedEnv connect("QMON_HTTP_CONNECT_TIMEOUT", c.fields[1]);
    const test::ScopedEnv total("QMON_HTTP_TIMEOUT", c.fields[1]);
    const platform::HttpTimeouts timeouts = platform::TimeoutsFromEnvironment();
    return std::to_string(timeouts.connect) + " " + std::to_string(timeouts.total);
  }
  if (f == "Val") {
    char number[32];
    std::snprintf(number, sizeof number, "%.15g", Val(c[1]));
    return number;
  }
  if (f == "CLng") return std::to_string(CLng(std::stod(c[1])));
  if (f == "Trim") return Trim(c[1]);
  if (f == "UCase") return UCase(c[1]);
  if (f == "LCase") return LCase(c[1]);
  if (f == "Len") return std::to_string(Len(c[1]));
  if (f == "Left") return Left(c[1], std::stoi(c[2]));
  if (f == "InStr") return std::to_string(InStr(std::stoi(c[3]), c[1], c[2]));
  if (f == "Replace") return Replace(c[1], c[2], c[3]);
  if (f == "Split") {
    std::string parts;
    for (const std::string& part : Split(c[1], c[2])) {
      parts += (parts.empty() ? "[" : "|[") + part + "]";
    }
    return parts;
  }
  if (f == "Ansi") {  // the code page's bytes, read back; "lossy" when a character had none
    bool lossy = false;
    const std::string ansi = platform::Cp1252FromUtf8(c[1], &lossy);
    return platform::Utf8FromCp1252(ansi) + (lossy ? " lossy" : "");
  }
  test::FakeClock clock;
  if (f == "GeneralDate") return GeneralDate(clock, At(c[1]));
  if (f == "UsShortDate") return UsShortDate(At(c[1]));
  if (f == "FormatYyyymmdd") return FormatYyyymmdd(At(c[1]));
  if (f == "FormatMmddyyyyhhnnss") return FormatMmddyyyyhhnnss(At(c[1]));
  ADD_FAILURE() << c.where << ": no function " << f;
  return {};
}

TEST(VbTextTest, FunctionsAnswerAsTheRuntimeDoes) {
  for (const char* file : {"vb_text", "web_post_charset"}) {
    for (const auto& c : test::LoadCases(file)) {
      std::string got;
      try {
        got = Call(c);
      } catch (const VbError& e) {
        got = "error " + std::to_string(e.number);
      }
      EXPECT_EQ(got, *c.fields.back()) << c.where;
    }
  }
}

}  // namespace
}  // namespace qmon::vb
