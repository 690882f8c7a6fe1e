#include "platform/web_post_charset.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/env.h"

namespace qmon::platform {
namespace {

TEST(WebPostCharsetTest, FindsTheCharsetParameter) {
  const struct {
    const char* contentType;
    const char* charset;
  } cases[] = {
      {"text/xml; charset=utf-8", "utf-8"},
      {"text/xml; Charset=\"Windows-1252\"", "windows-1252"},
      {"text/xml; format=flowed; charset = us-ascii ", "us-ascii"},
      {"text/xml", ""},
      {"text/xml; charsetx=utf-8", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CharsetOf(c.contentType), c.charset) << c.contentType;
  }
}

// Marks what it decodes, to show which answers fall to the ANSI code page.
class MarkingCodePage final : public CodePage {
 public:
  std::string ToAnsi(std::string_view, bool*) const override { return {}; }
  std::string FromAnsi(std::string_view ansi) const override { return "ansi:" + std::string(ansi); }
};

TEST(WebPostCharsetTest, DecodesByLabelThenDeclarationThenUtf8ThenTheAnsiCodePage) {
  // All five bytes Windows-1252 leaves undefined stay, as C1 controls.
  const std::string latin = "caf\xE9 \x80 \x81\x8D\x8F\x90\x9D \xFF";
  const std::string asWindows1252 =
      "caf\xC3\xA9 \xE2\x82\xAC \xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D \xC3\xBF";
  const std::string r = "\xEF\xBF\xBD";
  const std::string declared1252 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
  const std::string declaredUtf8 = "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>";
  const struct {
    const char* contentType;
    std::string body;
    std::string text;
  } cases[] = {
      // The Latin family all reads as Windows-1252, as browsers read it.
      {"text/xml; charset=windows-1252", latin, asWindows1252},
      {"text/xml; charset=latin1", latin, asWindows1252},
      {"text/xml; charset=us-ascii", latin, asWindows1252},
      // A label wins over the declaration.
      {"text/xml; charset=windows-1252", declaredUtf8 + latin, declaredUtf8 + asWindows1252},
      {"text/xml; charset=utf8", declared1252 + "\xE9", declared1252 + r},
      // Without a label the declaration decides; an unknown label is none.
      {"text/xml", declared1252 + latin, declared1252 + asWindows1252},
      {"text/xml; charset=x-unknown", declared1252 + latin, declared1252 + asWindows1252},
      {"text/xml", declaredUtf8 + "\xE9", declaredUtf8 + r},
      // Without either, valid UTF-8 is UTF-8, anything else ANSI.
      {"text/xml", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"text/xml; charset=x-unknown", "caf\xC3\xA9", "caf\xC3\xA9"},
      {"text/xml", latin, "ansi:" + latin},
      {"text/xml; charset=utf-16", latin, "ansi:" + latin},
      {"", "<?xml version=\"1.0\" encoding=\"iso-8859-15\"?>\xA4",
       "ansi:<?xml version=\"1.0\" encoding=\"iso-8859-15\"?>\xA4"},
      {"", "<?xml encoding=\"windows-1252\"?>\xE9", "ansi:<?xml encoding=\"windows-1252\"?>\xE9"},
      {"", " " + declared1252 + "\xE9", "ansi: " + declared1252 + "\xE9"},
      // A UTF-8 byte order mark wins over label and declaration, and is dropped.
      {"text/xml; charset=windows-1252",
       "\xEF\xBB\xBF"
       "caf\xC3\xA9",
       "caf\xC3\xA9"},
      {"text/xml", "\xEF\xBB\xBF" + declared1252 + "\xE9", declared1252 + r},
      {"text/xml", "\xEF\xBB\xBF", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResponseText(c.body, c.contentType, MarkingCodePage()), c.text)
        << c.contentType << " " << c.body;
  }
}

TEST(WebPostCharsetTest, ReplacesEachInvalidUtf8SequenceByOneReplacementCharacter) {
  const std::string r = "\xEF\xBF\xBD";
  const struct {
    std::string body;
    std::string text;
  } cases[] = {
      {"caf\xE9!", "caf" + r + "!"},        // Latin-1 byte in UTF-8
      {"\x80\xBF", r + r},                  // lone continuation bytes
      {"\xE0\x80\xAF", r + r + r},          // overlong three-byte form
      {"\xED\xA0\x80", r + r + r},          // a surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},  // beyond U+10FFFF
      {"\xE2\x82"
       "a",
       r + "a"},            // truncated, then ASCII
      {"\xF0\x9F\x98", r},  // truncated at the end
      {"a\xE2\x82\xAC\xFFz", "a\xE2\x82\xAC" + r + "z"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResponseText(c.body, "text/xml; charset=utf-8", MarkingCodePage()), c.text);
  }
}

}  // namespace
}  // namespace qmon::platform
