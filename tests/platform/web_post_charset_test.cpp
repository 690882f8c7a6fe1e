#include "platform/web_post_charset.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(WebPostCharsetTest, DecodesTheLabelledCharsetIntoUtf8) {
  const std::string latin = "caf\xE9 \x80 \x81 \xFF";
  const std::string asWindows1252 = "caf\xC3\xA9 \xE2\x82\xAC \xC2\x81 \xC3\xBF";
  const struct {
    const char* contentType;
    std::string body;
    std::string text;
  } cases[] = {
      // The Latin family all reads as Windows-1252, as browsers read it.
      {"text/xml; charset=windows-1252", latin, asWindows1252},
      {"text/xml; charset=latin1", latin, asWindows1252},
      {"text/xml; charset=us-ascii", latin, asWindows1252},
      // UTF-8, by label, by default and for labels not known here.
      {"text/xml", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"text/xml; charset=x-unknown", "caf\xC3\xA9", "caf\xC3\xA9"},
      // A UTF-8 byte order mark wins over the label and is dropped.
      {"text/xml; charset=windows-1252",
       "\xEF\xBB\xBF"
       "caf\xC3\xA9",
       "caf\xC3\xA9"},
      {"text/xml", "\xEF\xBB\xBF", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResponseText(c.body, c.contentType), c.text) << c.contentType << " " << c.body;
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
    EXPECT_EQ(ResponseText(c.body, "text/xml; charset=utf-8"), c.text);
  }
}

}  // namespace
}  // namespace qmon::platform
