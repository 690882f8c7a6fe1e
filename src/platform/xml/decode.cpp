#include "platform/xml/decode.h"

#include <cstdint>
#include <utility>

#include "platform/cp1252.h"
#include "platform/xml/chars.h"
#include "platform/xml/declaration.h"

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
    // Printable ASCII, tab and the line ends: nearly every byte of a template.
    const auto b = static_cast<uint8_t>(s[pos]);
    if ((b >= 0x20 && b < 0x80) || b == '\t' || b == '\n' || b == '\r') {
      ++pos;
      continue;
    }
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

void NormalizeLineEnds(std::string& text) {
  size_t out = text.find('\r');
  if (out == std::string::npos) return;
  for (size_t i = out; i < text.size(); ++i) {
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

std::optional<DecodedText> DecodeDocument(std::string bytes) {
  Bom bom = Bom::kNone;
  std::string text;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bom = Bom::kUtf8;
    text = std::move(bytes.erase(0, 3));
  } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    bom = Bom::kUtf16;
    auto decoded = FromUtf16(std::string_view(bytes).substr(2), bytes[0] == '\xFE');
    if (!decoded) return std::nullopt;
    text = std::move(*decoded);
  } else {
    text = std::move(bytes);
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
