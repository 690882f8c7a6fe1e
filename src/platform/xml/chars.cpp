#include "platform/xml/chars.h"

#include <array>
#include <cstdint>

namespace qmon::platform::xml::detail {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Per byte: may it start a name, may it be in one. Every name of a document
// is checked, so one look-up rather than a chain of ranges.
constexpr uint8_t kStart = 1, kInName = 2;
constexpr std::array<uint8_t, 256> kNameBytes = [] {
  std::array<uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const bool start =
        c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
    const bool in_name = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
    table[c] = (start ? kStart : 0) | (in_name ? kInName : 0);
  }
  return table;
}();

bool IsNameStart(char c) { return kNameBytes[static_cast<unsigned char>(c)] & kStart; }
bool IsNameChar(char c) { return kNameBytes[static_cast<unsigned char>(c)] & kInName; }

}  // namespace

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsQName(std::string_view name) {
  if (name.empty() || !IsNameStart(name.front()) || name.front() == ':' || name.back() == ':') {
    return false;
  }
  size_t colons = 0;
  for (char c : name) {
    if (!IsNameChar(c)) return false;
    colons += c == ':';
  }
  return colons <= 1;
}

bool ExpandReferences(std::string_view raw, std::string& out) {
  out.clear();
  out.reserve(raw.size());
  size_t pos = 0;
  for (;;) {
    const size_t amp = raw.find('&', pos);
    out.append(raw.substr(pos, amp - pos));
    if (amp == std::string_view::npos) return true;
    const size_t semi = raw.find(';', amp + 1);
    if (semi == std::string_view::npos) return false;
    const std::string_view ref = raw.substr(amp + 1, semi - amp - 1);
    pos = semi + 1;
    if (ref == "lt") {
      out += '<';
    } else if (ref == "gt") {
      out += '>';
    } else if (ref == "amp") {
      out += '&';
    } else if (ref == "apos") {
      out += '\'';
    } else if (ref == "quot") {
      out += '"';
    } else if (ref.starts_with('#')) {
      const bool hex = ref.starts_with("#x");
      const std::string_view digits = ref.substr(hex ? 2 : 1);
      if (digits.empty()) return false;
      char32_t c = 0;
      for (char d : digits) {
        int value = -1;
        if (IsDigit(d)) {
          value = d - '0';
        } else if (hex && d >= 'a' && d <= 'f') {
          value = d - 'a' + 10;
        } else if (hex && d >= 'A' && d <= 'F') {
          value = d - 'A' + 10;
        }
        if (value < 0) return false;
        c = c * (hex ? 16 : 10) + static_cast<char32_t>(value);
        if (c > 0x10FFFF) return false;
      }
      if (!IsXmlChar(c)) return false;
      AppendUtf8(out, c);
    } else {
      return false;
    }
  }
}

}  // namespace qmon::platform::xml::detail
