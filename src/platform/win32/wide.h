// UTF-8, the program's text, to and from UTF-16, the text of the wide Win32
// functions and of COM.
#pragma once

#include <string>
#include <string_view>

namespace qmon::platform::win32 {

// A malformed UTF-8 sequence becomes U+FFFD.
std::wstring Wide(std::string_view utf8);
// An unpaired surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view wide);

}  // namespace qmon::platform::win32
