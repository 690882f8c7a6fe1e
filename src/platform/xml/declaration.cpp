#include "platform/xml/declaration.h"

#include "platform/xml/chars.h"

namespace qmon::platform::xml {
namespace {

using detail::IsXmlSpace;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsVersionNum(std::string_view v) {
  if (v.size() < 3 || v.substr(0, 2) != "1.") return false;
  for (char c : v.substr(2)) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

bool IsEncName(std::string_view v) {
  if (v.empty() || !IsAsciiLetter(v[0])) return false;
  for (char c : v) {
    if (!IsAsciiLetter(c) && !IsDigit(c) && c != '.' && c != '_' && c != '-') return false;
  }
  return true;
}

size_t SkipSpaces(std::string_view s, size_t& pos) {
  const size_t start = pos;
  while (pos < s.size() && IsXmlSpace(s[pos])) ++pos;
  return pos - start;
}

}  // namespace

std::optional<Declaration> ParseDeclaration(std::string_view s) {
  Declaration decl;
  if (s.substr(0, 5) != "<?xml" || s.size() < 6 || (!IsXmlSpace(s[5]) && s[5] != '?')) {
    return decl;
  }
  static constexpr std::string_view kNames[] = {"version", "encoding", "standalone"};
  size_t pos = 5;
  size_t next = 0;  // index in kNames of the earliest name still allowed
  for (;;) {
    const size_t spaces = SkipSpaces(s, pos);
    if (s.substr(pos, 2) == "?>") break;
    if (spaces == 0) return std::nullopt;
    const size_t name_start = pos;
    while (pos < s.size() && IsAsciiLetter(s[pos])) ++pos;
    const std::string_view name = s.substr(name_start, pos - name_start);
    size_t which = next;
    while (which < 3 && name != kNames[which]) ++which;
    if (which == 3 || (next == 0 && which != 0)) return std::nullopt;
    next = which + 1;
    SkipSpaces(s, pos);
    if (pos >= s.size() || s[pos] != '=') return std::nullopt;
    ++pos;
    SkipSpaces(s, pos);
    if (pos >= s.size() || (s[pos] != '"' && s[pos] != '\'')) return std::nullopt;
    const size_t close = s.find(s[pos], pos + 1);
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view value = s.substr(pos + 1, close - pos - 1);
    pos = close + 1;
    const bool valid = which == 0   ? IsVersionNum(value)
                       : which == 1 ? IsEncName(value)
                                    : value == "yes" || value == "no";
    if (!valid) return std::nullopt;
    if (which == 1) decl.encoding = Lower(value);
    if (!decl.data.empty()) decl.data += ' ';
    decl.data.append(name).append("=\"").append(value).append("\"");
  }
  if (next == 0) return std::nullopt;
  return decl;
}

}  // namespace qmon::platform::xml
