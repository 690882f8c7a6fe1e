// One value entry of a registry export ("Name"=data) and the registry value it
// stands for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qmon::platform::posix {

inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegMultiSz = 7;

struct RegValue {
  // As spelled; empty for the key's default value (written @).
  std::string name;
  uint32_t type = 1;
  // REG_SZ: the text (UTF-8) without a terminating NUL. Any other type: the
  // bytes the registry stores, so REG_EXPAND_SZ and REG_MULTI_SZ hold UTF-16LE.
  std::string data;
};

// Parses one value entry, its continuation lines already joined (each
// trailing backslash and the next line's indent removed). `regedit4`: the
// file is a REGEDIT4 export, whose hex(1), hex(2) and hex(7) data are
// Windows-1252 bytes rather than UTF-16LE. Answers nullopt with *error set
// when the entry is malformed.
std::optional<RegValue> ParseValueEntry(std::string_view entry, bool regedit4, std::string* error);

// The entry as regedit writes it: "text" with \\ and \" escapes for a REG_SZ
// that holds no NUL, CR or LF, dword:xxxxxxxx for a 4-byte REG_DWORD, hex(..)
// lists otherwise, wrapped after column 77 with "\" CR LF and a two-blank
// indent. No line end after the last line.
std::string FormatValueEntry(const RegValue& value);

}  // namespace qmon::platform::posix
