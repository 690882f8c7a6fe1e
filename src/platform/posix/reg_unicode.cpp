#include "platform/posix/reg_unicode.h"

#include "platform/utf8.h"

#include <cstdint>

namespace qmon::platform::posix {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

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
