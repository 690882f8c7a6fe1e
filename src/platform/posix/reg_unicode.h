// The Unicode forms a registry file meets: its text (UTF-8, or UTF-16LE behind
// a byte-order mark) and the registry's own string data (UTF-16LE).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qmon::platform::posix {

// True when `text` is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// UTF-16LE bytes to UTF-8. An unpaired surrogate becomes U+FFFD and an odd
// last byte is dropped; either sets *damaged.
std::string Utf8FromUtf16Le(std::string_view bytes, bool* damaged = nullptr);

// UTF-8 to UTF-16LE bytes; a byte that is not well-formed UTF-8 becomes U+FFFD.
std::string Utf16LeFromUtf8(std::string_view text);

// The number of UTF-16 code units of a UTF-8 text (how wide it is on a line
// of a registry export).
size_t Utf16Length(std::string_view text);

}  // namespace qmon::platform::posix
