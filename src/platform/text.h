// The runtime's text functions as the program uses them, over UTF-8 text.
// Positions and lengths count characters (code points), not bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"

namespace qmon::vb {

// Val: blanks, tabs and line feeds are skipped wherever they stand (a carriage
// return ends the number like any other character); the longest leading
// decimal number (sign, digits, point, exponent E/e/D/d) gives the value;
// &H / &O read hex / octal (a value that fits 16 bits is a two's-complement
// Integer, one that fits 32 bits a Long, a trailing & forces a Long, larger
// values stay unsigned); no number gives 0. Raises VbError 6 beyond the
// Double range ("1e400") and 13 for a % or & suffix after a fraction or
// exponent ("50.5%").
double Val(std::string_view text);

// CLng of a number: rounded half to even; past the 32-bit range raises
// VbError 6.
int32_t CLng(double value);

// Trim, LTrim, RTrim remove the space character only.
std::string Trim(std::string_view text);
std::string LTrim(std::string_view text);
std::string RTrim(std::string_view text);

// UCase / LCase with the Windows casing of the Windows-1252 letters (a-z,
// à-þ but ÷, š œ ž ÿ and their capitals); ß, µ and all other text unchanged.
std::string UCase(std::string_view text);
std::string LCase(std::string_view text);

// Len, Left, Mid (1-based start; VbError 5 on start < 1 or a negative length).
int32_t Len(std::string_view text);
std::string Left(std::string_view text, int32_t length);
std::string Mid(std::string_view text, int32_t start);
std::string Mid(std::string_view text, int32_t start, int32_t length);

// InStr with binary comparison: the 1-based position of `find` in `text`
// from `start`, 0 when absent or when start > Len(text); an empty `find`
// answers `start`. VbError 5 when start < 1.
int32_t InStr(int32_t start, std::string_view text, std::string_view find);
inline int32_t InStr(std::string_view text, std::string_view find) {
  return InStr(1, text, find);
}

// Split with no limit and binary comparison: Split("") is an empty array;
// an empty delimiter gives the whole text as one element.
std::vector<std::string> Split(std::string_view text, std::string_view delimiter);

// Replace from the start with no count limit, binary comparison.
std::string Replace(std::string_view text, std::string_view find, std::string_view with);

// General date in the clock's regional formats: short date and long time;
// only the date when the time is midnight, only the time on day 0 (12/30/1899).
std::string GeneralDate(platform::Clock& clock, const platform::LocalTime& t);
// US English regional formats, short date "M/D/YYYY" and long time "h:mm:ss AM".
std::string UsShortDate(const platform::LocalTime& t);
std::string UsLongTime(const platform::LocalTime& t);
// Format(t, "yyyymmdd").
std::string FormatYyyymmdd(const platform::LocalTime& t);
// Format(t, "mmddyyyyhhnnss"): 14 digits, 24-hour clock.
std::string FormatMmddyyyyhhnnss(const platform::LocalTime& t);

}  // namespace qmon::vb
