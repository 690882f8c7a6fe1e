#include "platform/utf8.h"

#include <cstdint>
#include <cstring>

namespace qmon::platform {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t NextCodePoint(std::string_view text, size_t* i, bool* ok) {
  const auto b = static_cast<uint8_t>(text[*i]);
  const int len = b < 0x80                ? 1
                  : b >= 0xC2 && b <= 0xDF ? 2
                  : b >= 0xE0 && b <= 0xEF ? 3
                  : b >= 0xF0 && b <= 0xF4 ? 4
                                           : 0;
  char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
  bool valid = len != 0 && *i + len <= text.size();
  for (int k = 1; valid && k < len; ++k) {
    const auto c = static_cast<uint8_t>(text[*i + k]);
    valid = (c & 0xC0) == 0x80;
    cp = (cp << 6) | (c & 0x3F);
  }
  valid = valid && !(len == 3 && cp < 0x800) && !(len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
          !(cp >= 0xD800 && cp <= 0xDFFF);
  *ok = valid;
  *i += valid ? len : 1;
  return valid ? cp : 0xFFFD;
}

size_t AsciiRun(std::string_view text) {
  // Eight bytes at a time: templates and log lines are nearly all ASCII.
  size_t n = 0;
  for (uint64_t word = 0; n + 8 <= text.size(); n += 8) {
    std::memcpy(&word, text.data() + n, 8);
    if (word & 0x8080808080808080ull) break;
  }
  while (n < text.size() && static_cast<uint8_t>(text[n]) < 0x80) ++n;
  return n;
}

size_t CopyAsciiRun(std::string_view text, size_t i, std::string* out) {
  const size_t n = AsciiRun(text.substr(i));
  out->append(text.substr(i, n));
  return i + n;
}

}  // namespace qmon::platform
