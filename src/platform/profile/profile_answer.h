// How the profile read functions fill the caller's buffer and what they make
// of a value: the copying and truncation rules, quote removal, the default's
// trailing blanks and the integer reading.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qmon::platform::profile {

// A value as read: blanks trimmed, then one pair of equal quotes (" or ')
// around two or more characters removed.
std::string_view ReadableValue(std::string_view raw);

// The default as answered: null is "", trailing spaces (not tabs) dropped.
std::string_view DefaultText(const char* def);

// Copies at most size - 1 characters and a NUL; answers the count copied.
// A zero size leaves the buffer alone.
uint32_t CopyValue(std::string_view value, char* buffer, uint32_t size);

// Copies names as a list, each followed by a NUL and the whole by one more;
// answers the count without the final NUL. When the list does not fit with
// a character to spare, the first size - 2 characters are followed by two
// NULs and size - 2 is answered. An empty list sets only buffer[0].
uint32_t CopyList(const std::vector<std::string_view>& names, char* buffer, uint32_t size);

// GetPrivateProfileIntA's reading of a value: leading control characters
// and blanks skipped, an optional sign, then base 10, or 16 / 8 / 2 after
// "0x" / "0o" / "0b" (lower case only), digits up to the first non-digit or
// NUL, modulo 2^32.
uint32_t ParseProfileInt(std::string_view text);

}  // namespace qmon::platform::profile
