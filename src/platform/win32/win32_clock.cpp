#include "platform/win32/win32_clock.h"

#include <windows.h>

#include <iterator>

#include "platform/text.h"
#include "platform/win32/wide.h"

namespace qmon::platform::win32 {
namespace {

SYSTEMTIME SystemTimeOf(const LocalTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  return st;
}

// The text of one Get...FormatW call, empty when it fails.
template <typename Format>
std::string Formatted(Format format) {
  wchar_t text[128];
  const int n = format(text, static_cast<int>(std::size(text)));
  return n > 1 ? Utf8(std::wstring_view(text, static_cast<size_t>(n - 1))) : std::string();
}

}  // namespace

LocalTime Win32Clock::Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::string Win32Clock::ShortDate(const LocalTime& t) {
  const SYSTEMTIME st = SystemTimeOf(t);
  std::string text = Formatted([&](wchar_t* out, int size) {
    return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, out, size);
  });
  return text.empty() ? vb::UsShortDate(t) : text;
}

std::string Win32Clock::LongTime(const LocalTime& t) {
  const SYSTEMTIME st = SystemTimeOf(t);
  std::string text = Formatted([&](wchar_t* out, int size) {
    return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, out, size);
  });
  return text.empty() ? vb::UsLongTime(t) : text;
}

}  // namespace qmon::platform::win32
