#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/utf8.h"
#include "platform/vb_error.h"

namespace qmon::vb {
namespace {

// ---- UTF-8 walking -----------------------------------------------------------

// Bytes taken by the character that starts at `i`. A byte that does not begin
// a well-formed sequence counts as a character of its own, so that broken text
// still has a length and nothing is ever cut inside a sequence.
size_t CharLength(std::string_view s, size_t i) {
  size_t next = i;
  bool ok = false;
  platform::NextCodePoint(s, &next, &ok);
  return next - i;
}

// The byte offset `count` characters after the offset `from` (at most the end).
size_t Advance(std::string_view s, size_t from, int64_t count) {
  for (; count > 0 && from < s.size(); --count) from += CharLength(s, from);
  return from;
}

int64_t CountChars(std::string_view s) {
  int64_t n = 0;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) ++n;
  return n;
}

// The next occurrence of `find` at or after the character boundary `pos` that
// itself begins on a character boundary, or npos.
size_t FindAtBoundary(std::string_view text, std::string_view find, size_t pos) {
  for (;;) {
    const size_t hit = text.find(find, pos);
    if (hit == std::string_view::npos) return hit;
    while (pos < hit) pos += CharLength(text, pos);
    if (pos == hit) return hit;
  }
}

// ---- Val ---------------------------------------------------------------------

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "&H..." / "&O...": a value that fits 16 bits is an Integer and one that fits
// 32 bits a Long, both two's complement; a trailing "&" asks for a Long.
double RadixValue(std::string_view s) {
  const char prefix = s[1];
  const int radix = (prefix == 'H' || prefix == 'h') ? 16 : (prefix == 'O' || prefix == 'o') ? 8 : 0;
  if (radix == 0) return 0;
  size_t i = 2;
  double value = 0;
  for (; i < s.size(); ++i) {
    const int digit = HexDigit(s[i]);
    if (digit < 0 || digit >= radix) break;
    value = value * radix + digit;
  }
  const bool as_long = i < s.size() && s[i] == '&';
  if (!as_long && value <= 0xFFFF) {
    return static_cast<int16_t>(static_cast<uint16_t>(value));
  }
  if (value <= 0xFFFFFFFFu) return static_cast<int32_t>(static_cast<uint32_t>(value));
  return value;
}

// Decimal exponent of the leading significant digit of a mantissa with at
// least one non-zero digit ("120.5" -> 2, "0.03" -> -2).
int64_t LeadingMagnitude(std::string_view mantissa) {
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t first = mantissa.find_first_of("123456789");
  return first < point ? static_cast<int64_t>(point - first) - 1
                       : static_cast<int64_t>(point) - static_cast<int64_t>(first);
}

double DecimalValue(std::string_view s) {
  size_t i = 0;
  const bool negative = i < s.size() && s[i] == '-';
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;

  const size_t mantissa_begin = i;
  bool any_digit = false;
  for (; i < s.size() && IsDigit(s[i]); ++i) any_digit = true;
  const bool has_point = i < s.size() && s[i] == '.';
  if (has_point) {
    for (++i; i < s.size() && IsDigit(s[i]); ++i) any_digit = true;
  }
  if (!any_digit) return 0;
  const std::string_view mantissa = s.substr(mantissa_begin, i - mantissa_begin);

  // The exponent counts only when digits follow its letter and sign.
  std::string number(mantissa);
  int64_t exponent = 0;
  bool has_exponent = false;
  if (i < s.size() && std::string_view("EeDd").find(s[i]) != std::string_view::npos) {
    size_t j = i + 1;
    const bool exponent_negative = j < s.size() && s[j] == '-';
    if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
    const size_t digits_begin = j;
    for (; j < s.size() && IsDigit(s[j]); ++j) {
      exponent = std::min<int64_t>(exponent * 10 + (s[j] - '0'), 1'000'000);
    }
    if (j > digits_begin) {
      has_exponent = true;
      if (exponent_negative) exponent = -exponent;
      number += 'e';
      number += std::to_string(exponent);
      i = j;
    }
  }

  // An Integer or Long type suffix on a number with a fraction or exponent
  // does not convert ("50%" is 50, "50.5%" is an error).
  if (i < s.size() && (s[i] == '%' || s[i] == '&') && (has_point || has_exponent)) {
    throw VbError(vberr::kTypeMismatch);
  }

  // strtod (the C locale's) rather than from_chars, whose library code needs
  // libm, a library a run would otherwise map for nothing else. A value too
  // small to be normal still counts unless it is no value at all.
  errno = 0;
  const double value = std::strtod(number.c_str(), nullptr);
  if (errno == ERANGE && (value == 0 || std::isinf(value))) {
    if (LeadingMagnitude(mantissa) + exponent > 0) throw VbError(vberr::kOverflow);
    return 0;  // too small for a Double
  }
  if (value == 0) return 0;  // no negative zero
  return negative ? -value : value;
}

// ---- Casing ------------------------------------------------------------------

// Lower- and upper-case letters of the code page outside the Latin-1 pattern.
constexpr std::pair<char32_t, char32_t> kCasePairs[] = {
    {0x0161, 0x0160}, {0x0153, 0x0152}, {0x017E, 0x017D}, {0x00FF, 0x0178}};

char32_t ToUpper(char32_t c) {
  if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  for (const auto& [lower, upper] : kCasePairs) {
    if (c == lower) return upper;
  }
  return c;
}

char32_t ToLower(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  for (const auto& [lower, upper] : kCasePairs) {
    if (c == upper) return lower;
  }
  return c;
}

// Every letter that changes case is a one- or two-byte sequence, and so is its
// counterpart; longer sequences are copied as they stand.
std::string MapCase(std::string_view text, char32_t (*map)(char32_t)) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t start = i;
    bool ok = false;
    const char32_t c = platform::NextCodePoint(text, &i, &ok);
    if (ok && i - start <= 2) {
      platform::AppendUtf8(out, map(c));
    } else {
      out.append(text.substr(start, i - start));
    }
  }
  return out;
}

// To the nearest whole number, a half to the even one, as nearbyint does in
// the default rounding mode (without libm): adding 2^52 leaves no fraction
// bits, so the addition itself rounds.
double RoundHalfEven(double value) {
  constexpr double kTwoTo52 = 4503599627370496.0;
  const double magnitude = std::fabs(value);
  if (!(magnitude < kTwoTo52)) return value;  // whole already, or not a number
  return std::copysign((magnitude + kTwoTo52) - kTwoTo52, value);
}

}  // namespace

int32_t CLng(double value) {
  const double rounded = RoundHalfEven(value);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw VbError(vberr::kOverflow);
  return static_cast<int32_t>(rounded);
}

double Val(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (const char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') s += c;
  }
  if (s.size() >= 2 && s[0] == '&') return RadixValue(s);
  return DecimalValue(s);
}

std::string Trim(std::string_view text) { return LTrim(RTrim(text)); }

std::string LTrim(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string RTrim(std::string_view text) {
  const size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string UCase(std::string_view text) { return MapCase(text, ToUpper); }

std::string LCase(std::string_view text) { return MapCase(text, ToLower); }

int32_t Len(std::string_view text) { return static_cast<int32_t>(CountChars(text)); }

std::string Left(std::string_view text, int32_t length) {
  if (length < 0) throw VbError(vberr::kInvalidCall);
  return std::string(text.substr(0, Advance(text, 0, length)));
}

std::string Mid(std::string_view text, int32_t start) {
  if (start < 1) throw VbError(vberr::kInvalidCall);
  return std::string(text.substr(Advance(text, 0, int64_t{start} - 1)));
}

std::string Mid(std::string_view text, int32_t start, int32_t length) {
  if (start < 1 || length < 0) throw VbError(vberr::kInvalidCall);
  const size_t begin = Advance(text, 0, int64_t{start} - 1);
  return std::string(text.substr(begin, Advance(text, begin, length) - begin));
}

int32_t InStr(int32_t start, std::string_view text, std::string_view find) {
  if (start < 1) throw VbError(vberr::kInvalidCall);
  const size_t begin = Advance(text, 0, int64_t{start} - 1);
  if (begin >= text.size()) return 0;  // start lies past the last character
  if (find.empty()) return start;
  const size_t hit = FindAtBoundary(text, find, begin);
  if (hit == std::string_view::npos) return 0;
  return static_cast<int32_t>(start + CountChars(text.substr(begin, hit - begin)));
}

std::vector<std::string> Split(std::string_view text, std::string_view delimiter) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  if (delimiter.empty()) {
    parts.emplace_back(text);
    return parts;
  }
  size_t from = 0;
  for (size_t hit; (hit = FindAtBoundary(text, delimiter, from)) != std::string_view::npos;) {
    parts.emplace_back(text.substr(from, hit - from));
    from = hit + delimiter.size();
  }
  parts.emplace_back(text.substr(from));
  return parts;
}

std::string Replace(std::string_view text, std::string_view find, std::string_view with) {
  if (find.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t hit; (hit = FindAtBoundary(text, find, from)) != std::string_view::npos;) {
    out.append(text.substr(from, hit - from));
    out.append(with);
    from = hit + find.size();
  }
  out.append(text.substr(from));
  return out;
}

std::string GeneralDate(platform::Clock& clock, const platform::LocalTime& t) {
  const bool day_zero = t.year == 1899 && t.month == 12 && t.day == 30;
  const bool midnight = t.hour == 0 && t.minute == 0 && t.second == 0;
  if (day_zero) return clock.LongTime(t);
  if (midnight) return clock.ShortDate(t);
  return clock.ShortDate(t) + " " + clock.LongTime(t);
}

std::string UsLongTime(const platform::LocalTime& t) {
  const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d %s", hour12, t.minute, t.second,
                t.hour < 12 ? "AM" : "PM");
  return buffer;
}

std::string UsShortDate(const platform::LocalTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d/%d/%d", t.month, t.day, t.year);
  return buffer;
}

std::string FormatYyyymmdd(const platform::LocalTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", t.year, t.month, t.day);
  return buffer;
}

std::string FormatMmddyyyyhhnnss(const platform::LocalTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02d%02d%04d%02d%02d%02d", t.month, t.day, t.year,
                t.hour, t.minute, t.second);
  return buffer;
}

}  // namespace qmon::vb
