// UTF-8, the text of the shared web-post code, to and from the UTF-16 of COM
// and WinHTTP.
#pragma once

#include <string>
#include <string_view>

namespace qmon::qwbpost {

// An unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

// Each invalid sequence becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view text);

}  // namespace qmon::qwbpost
