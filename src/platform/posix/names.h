// File names compared as NTFS compares them: upper-cased UTF-16 code units,
// ordinal.
#pragma once

#include <string>
#include <string_view>

namespace qmon::platform::posix {

// The Windows upper case of one character (the file system's casing table).
char32_t WinUpper(char32_t c);

// Equal without regard to case.
bool WinNameEquals(std::string_view a, std::string_view b);

// The order in which NTFS lists a folder.
bool WinNameLess(std::string_view a, std::string_view b);

}  // namespace qmon::platform::posix
