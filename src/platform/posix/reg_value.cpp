#include "platform/posix/reg_value.h"

#include "platform/cp1252.h"
#include "platform/env.h"
#include "platform/posix/reg_unicode.h"

namespace qmon::platform::posix {
namespace {

// regedit breaks a hex list once a line has reached this width.
constexpr size_t kHexLineWidth = 77;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A number of 1 to `max_digits` hex digits.
std::optional<uint32_t> ParseHexNumber(std::string_view s, size_t max_digits) {
  if (s.empty() || s.size() > max_digits) return std::nullopt;
  uint32_t n = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    n = (n << 4) | static_cast<uint32_t>(d);
  }
  return n;
}

std::string LowerHex(uint32_t n, int min_digits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  while (n != 0 || static_cast<int>(out.size()) < min_digits) {
    out.insert(out.begin(), kDigits[n & 0xF]);
    n >>= 4;
  }
  return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] + 32) : s[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

// Reads the quoted text that starts at s[*i] and moves past its closing quote.
bool ReadQuoted(std::string_view s, size_t* i, std::string* out, std::string* error) {
  out->clear();
  for (size_t k = *i + 1; k < s.size(); ++k) {
    if (s[k] == '"') {
      *i = k + 1;
      return true;
    }
    if (s[k] == '\\') {
      if (k + 1 == s.size() || (s[k + 1] != '\\' && s[k + 1] != '"')) {
        *error = "bad escape";
        return false;
      }
      ++k;
    }
    *out += s[k];
  }
  *error = "unterminated text";
  return false;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// "aa,bb,..." (possibly empty) to bytes.
bool ReadHexList(std::string_view list, std::string* bytes, std::string* error) {
  list = TrimBlanks(list);
  bytes->clear();
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const auto byte = ParseHexNumber(TrimBlanks(list.substr(0, comma)), 2);
    if (!byte || (comma != std::string_view::npos && comma + 1 == list.size())) {
      *error = "bad hex list";
      return false;
    }
    *bytes += static_cast<char>(*byte);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
  return true;
}

// hex:.. or hex(N):.. into the value's type and stored bytes.
bool ReadHexData(std::string_view data, bool regedit4, RegValue* value, std::string* error) {
  size_t colon = 3;
  value->type = kRegBinary;
  if (data.size() > 3 && data[3] == '(') {
    const size_t close = data.find(')');
    const auto type = close == std::string_view::npos
                          ? std::nullopt
                          : ParseHexNumber(data.substr(4, close - 4), 8);
    if (!type) {
      *error = "bad hex type";
      return false;
    }
    value->type = *type;
    colon = close + 1;
  }
  if (colon >= data.size() || data[colon] != ':') {
    *error = "unknown data";
    return false;
  }
  if (!ReadHexList(data.substr(colon + 1), &value->data, error)) return false;
  const bool string_type =
      value->type == kRegSz || value->type == kRegExpandSz || value->type == kRegMultiSz;
  if (regedit4 && string_type) {
    value->data = Utf8FromCp1252(value->data);
    if (value->type != kRegSz) value->data = Utf16LeFromUtf8(value->data);
  } else if (value->type == kRegSz) {
    value->data = Utf8FromUtf16Le(value->data);
  }
  return true;
}

}  // namespace

std::optional<RegValue> ParseValueEntry(std::string_view entry, bool regedit4, std::string* error) {
  error->clear();
  RegValue value;
  size_t i = 0;
  while (i < entry.size() && IsBlank(entry[i])) ++i;
  if (i < entry.size() && entry[i] == '@') {
    ++i;
  } else if (i == entry.size() || entry[i] != '"' || !ReadQuoted(entry, &i, &value.name, error)) {
    if (error->empty()) *error = "not a value entry";
    return std::nullopt;
  }
  while (i < entry.size() && IsBlank(entry[i])) ++i;
  if (i == entry.size() || entry[i] != '=') {
    *error = "missing =";
    return std::nullopt;
  }
  const std::string_view data = TrimBlanks(entry.substr(i + 1));
  if (!data.empty() && data.front() == '"') {
    size_t end = 0;
    if (!ReadQuoted(data, &end, &value.data, error)) return std::nullopt;
    if (end != data.size()) {
      *error = "text after the closing quote";
      return std::nullopt;
    }
    value.type = kRegSz;
  } else if (StartsWithNoCase(data, "dword:")) {
    const auto n = ParseHexNumber(data.substr(6), 8);
    if (!n) {
      *error = "bad dword";
      return std::nullopt;
    }
    value.type = kRegDword;
    for (int k = 0; k < 4; ++k) value.data += static_cast<char>((*n >> (8 * k)) & 0xFF);
  } else if (!StartsWithNoCase(data, "hex") || !ReadHexData(data, regedit4, &value, error)) {
    if (error->empty()) *error = "unknown data";
    return std::nullopt;
  }
  // However spelled (hex lists or NULs inside the quotes), a text keeps no
  // terminating NUL, so it reads back alike once written afresh.
  if (value.type == kRegSz) {
    while (!value.data.empty() && value.data.back() == '\0') value.data.pop_back();
  }
  return value;
}

std::string FormatValueEntry(const RegValue& value) {
  std::string out = value.name.empty() ? "@=" : Quote(value.name) + "=";
  if (value.type == kRegSz &&
      value.data.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos) {
    return out + Quote(value.data);
  }
  if (value.type == kRegDword && value.data.size() == 4) {
    uint32_t n = 0;
    for (int k = 3; k >= 0; --k) n = (n << 8) | static_cast<uint8_t>(value.data[k]);
    return out + "dword:" + LowerHex(n, 8);
  }
  // A REG_SZ that the quoted form cannot hold goes as its stored UTF-16LE.
  const std::string bytes =
      value.type == kRegSz ? Utf16LeFromUtf8(value.data) + std::string(2, '\0') : value.data;
  out += value.type == kRegBinary ? "hex:" : "hex(" + LowerHex(value.type, 1) + "):";
  size_t width = Utf16Length(out);
  for (size_t i = 0; i < bytes.size(); ++i) {
    out += LowerHex(static_cast<uint8_t>(bytes[i]), 2);
    if (i + 1 == bytes.size()) break;
    out += ',';
    width += 3;
    if (width >= kHexLineWidth) {
      out += "\\\r\n  ";
      width = 2;
    }
  }
  return out;
}

}  // namespace qmon::platform::posix
