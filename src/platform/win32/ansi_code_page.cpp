#include "platform/win32/ansi_code_page.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace qmon::platform::win32 {

std::string AnsiCodePage::ToAnsi(std::string_view text, bool* lossy) const {
  if (lossy) *lossy = false;
  // Malformed UTF-8 arrives here as U+FFFD, which no ANSI code page holds.
  const std::wstring wide = Wide(text);
  if (wide.empty()) return {};
  // A UTF-8 system code page takes neither the flag nor a default character.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used = utf8 ? nullptr : &used_default;
  const int length = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, used);
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), length, ansi.data(), n, nullptr, used);
  if (lossy) *lossy = used_default != FALSE || (utf8 && wide.find(L'\xFFFD') != std::wstring::npos);
  return ansi;
}

std::string AnsiCodePage::FromAnsi(std::string_view ansi) const {
  if (ansi.empty()) return {};
  const int length = static_cast<int>(ansi.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), n);
  return Utf8(wide);
}

}  // namespace qmon::platform::win32
