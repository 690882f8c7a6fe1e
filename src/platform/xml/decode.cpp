#include "platform/xml/decode.h"

#include <cstdint>

#include "platform/cp1252.h"
#include "platform/xml/chars.h"

namespace qmon::platform::xml::detail {
namespace {

// One character of strict UTF-8 at pos (no overlong forms, no surrogates,
// nothing above U+10FFFF); false on anything else.
bool NextUtf8(std::string_view s, size_t& pos, char32_t& out) {
  bool ok = false;
  size_t next = pos;
  out = NextCodePoint(s, &next, &ok);
  if (ok) pos = next;
  return ok;
}

// Valid UTF-8 made only of characters XML allows.
bool IsXmlText(std::string_view s) {
  size_t pos = 0;
  char32_t c = 0;
  while (pos < s.size()) {
    if (!NextUtf8(s, pos, c) || !IsXmlChar(c)) return false;
  }
  return true;
}

std::optional<std::string> FromUtf16(std::string_view bytes, bool big_endian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  const auto unit = [&](size_t i) -> char32_t {
    const auto hi = static_cast<uint8_t>(bytes[big_endian ? i : i + 1]);
    const auto lo = static_cast<uint8_t>(bytes[big_endian ? i + 1 : i]);
    return static_cast<char32_t>((hi << 8) | lo);
  };
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 2 >= bytes.size()) return std::nullopt;
      const char32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string FromLatin1(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) AppendUtf8(out, static_cast<uint8_t>(b));
  return out;
}

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

struct Declaration {
  std::string data;      // empty when there is no declaration
  std::string encoding;  // lower case, empty when not declared
};

size_t SkipSpaces(std::string_view s, size_t& pos) {
  const size_t start = pos;
  while (pos < s.size() && IsXmlSpace(s[pos])) ++pos;
  return pos - start;
}

// The XML declaration at the very start of the text, if any: version first,
// then optional encoding and standalone, nothing else. Nullopt when it is
// malformed. Its pseudo-attributes are ASCII, so this reads raw bytes of any
// single-byte encoding as well as decoded text.
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

void NormalizeLineEnds(std::string& text) {
  size_t out = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      text[out++] = '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      text[out++] = text[i];
    }
  }
  text.resize(out);
}

enum class Bom { kNone, kUtf8, kUtf16 };

}  // namespace

std::optional<DecodedText> DecodeDocument(std::string_view bytes) {
  Bom bom = Bom::kNone;
  std::string text;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bom = Bom::kUtf8;
    text = bytes.substr(3);
  } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    bom = Bom::kUtf16;
    auto decoded = FromUtf16(bytes.substr(2), bytes[0] == '\xFE');
    if (!decoded) return std::nullopt;
    text = std::move(*decoded);
  } else {
    text = bytes;
  }

  const std::optional<Declaration> decl = ParseDeclaration(text);
  if (!decl) return std::nullopt;
  const std::string& encoding = decl->encoding;
  if (bom == Bom::kUtf8) {
    if (!encoding.empty() && encoding != "utf-8") return std::nullopt;
  } else if (bom == Bom::kUtf16) {
    if (!encoding.empty() && encoding != "utf-16") return std::nullopt;
  } else if (encoding == "windows-1252") {
    text = Utf8FromCp1252(text);
  } else if (encoding == "iso-8859-1") {
    text = FromLatin1(text);
  } else if (encoding == "us-ascii") {
    for (char c : text) {
      if (static_cast<uint8_t>(c) >= 0x80) return std::nullopt;
    }
  } else if (!encoding.empty() && encoding != "utf-8") {
    // UTF-16 without a BOM, or a code page this layer does not carry.
    return std::nullopt;
  }
  if (!IsXmlText(text)) return std::nullopt;
  NormalizeLineEnds(text);
  return DecodedText{std::move(text), decl->data};
}

}  // namespace qmon::platform::xml::detail
