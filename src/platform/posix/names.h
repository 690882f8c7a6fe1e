// File names compared as NTFS compares them: upper-cased UTF-16 code units,
// ordinal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qmon::platform::posix {

// The name's UTF-16 code units upper-cased: equal keys for names equal
// without regard to case, so a key to index names by.
std::u16string WinNameKey(std::string_view name);
// A hash of the name's key.
uint64_t WinNameHash(std::string_view name);

// Equal without regard to case.
bool WinNameEquals(std::string_view a, std::string_view b);

// The order in which NTFS lists a folder.
bool WinNameLess(std::string_view a, std::string_view b);

}  // namespace qmon::platform::posix
