#include "platform/web_post_charset.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/case_file.h"
#include "platform/env.h"

namespace qmon::platform {
namespace {

// Marks what it decodes, to show which answers fall to the ANSI code page.
class MarkingCodePage final : public CodePage {
 public:
  std::string ToAnsi(std::string_view, bool*) const override { return {}; }
  std::string FromAnsi(std::string_view ansi) const override { return "ansi:" + std::string(ansi); }
};

// By the byte order mark, then the label, then the declaration, then as
// UTF-8 when valid, else the ANSI code page; each invalid UTF-8 sequence
// becomes one replacement character.
TEST(WebPostCharsetTest, DecodesTheAnswerByItsCharset) {
  for (const auto& c : test::LoadCases("web_post_charset")) {
    EXPECT_EQ(ResponseText(c[1], c[0], MarkingCodePage()), c[2]) << c.where;
  }
}

}  // namespace
}  // namespace qmon::platform
