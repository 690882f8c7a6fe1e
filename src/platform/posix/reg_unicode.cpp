#include "platform/posix/reg_unicode.h"

#include <cstdint>

namespace qmon::platform::posix {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the character at text[*i] and moves past it. A malformed sequence
// answers U+FFFD with *ok false and moves one byte on.
char32_t NextCodePoint(std::string_view text, size_t* i, bool* ok) {
  const auto b = static_cast<uint8_t>(text[*i]);
  const int len = b < 0x80 ? 1 : b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
  char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
  bool valid = len != 0 && *i + len <= text.size();
  for (int k = 1; valid && k < len; ++k) {
    const auto c = static_cast<uint8_t>(text[*i + k]);
    valid = (c & 0xC0) == 0x80;
    cp = (cp << 6) | (c & 0x3F);
  }
  // Overlong forms, encoded surrogates and values beyond Unicode are malformed.
  valid = valid && !(len == 3 && cp < 0x800) && !(len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
          !(cp >= 0xD800 && cp <= 0xDFFF);
  *ok = valid;
  *i += valid ? len : 1;
  return valid ? cp : kReplacement;
}

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

void AppendUnit(std::string& out, char32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

bool IsUtf8(std::string_view text) {
  size_t i = 0;
  bool ok = true;
  while (ok && i < text.size()) NextCodePoint(text, &i, &ok);
  return ok;
}

std::string Utf8FromUtf16Le(std::string_view bytes, bool* damaged) {
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t k) -> char32_t {
    return static_cast<uint8_t>(bytes[2 * k]) | (static_cast<uint8_t>(bytes[2 * k + 1]) << 8);
  };
  std::string out;
  out.reserve(bytes.size());
  bool bad = bytes.size() % 2 != 0;
  for (size_t k = 0; k < units; ++k) {
    char32_t cp = unit(k);
    if (IsHighSurrogate(cp) && k + 1 < units && IsLowSurrogate(unit(k + 1))) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
      ++k;
    } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
      cp = kReplacement;
      bad = true;
    }
    AppendUtf8(out, cp);
  }
  if (damaged) *damaged = bad;
  return out;
}

std::string Utf16LeFromUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  size_t i = 0;
  bool ok = true;
  while (i < text.size()) {
    const char32_t cp = NextCodePoint(text, &i, &ok);
    if (cp < 0x10000) {
      AppendUnit(out, cp);
    } else {
      AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
      AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return out;
}

size_t Utf16Length(std::string_view text) { return Utf16LeFromUtf8(text).size() / 2; }

}  // namespace qmon::platform::posix
