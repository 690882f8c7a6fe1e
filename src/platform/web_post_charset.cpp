#include "platform/web_post_charset.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

#include "platform/cp1252.h"
#include "platform/env.h"
#include "platform/utf8.h"
#include "platform/xml/declaration.h"

namespace qmon::platform {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Every label the WHATWG encoding standard maps to windows-1252.
constexpr std::array<std::string_view, 17> kWindows1252Labels = {
    "ansi_x3.4-1968", "ascii",           "cp1252",     "cp819",     "csisolatin1",
    "ibm819",         "iso-8859-1",      "iso-ir-100", "iso8859-1", "iso88591",
    "iso_8859-1",     "iso_8859-1:1987", "l1",         "latin1",    "us-ascii",
    "windows-1252",   "x-cp1252"};
constexpr std::array<std::string_view, 6> kUtf8Labels = {
    "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "utf-8", "utf8", "x-unicode20utf8"};

enum class Decoding { kUnknown, kUtf8, kWindows1252 };

Decoding DecodingOf(std::string_view label) {
  const auto known = [label](const auto& labels) {
    return std::find(labels.begin(), labels.end(), label) != labels.end();
  };
  if (known(kUtf8Labels)) return Decoding::kUtf8;
  if (known(kWindows1252Labels)) return Decoding::kWindows1252;
  return Decoding::kUnknown;
}

bool IsUtf8(std::string_view text) {
  bool ok = true;
  for (size_t i = AsciiRun(text); ok && i < text.size(); i += AsciiRun(text.substr(i))) {
    NextCodePoint(text, &i, &ok);
  }
  return ok;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// UTF-8 with each maximal ill-formed subpart replaced by one U+FFFD (the
// Unicode recommendation, which the WHATWG decoder follows).
std::string RepairUtf8(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = CopyAsciiRun(in, 0, &out); i < in.size(); i = CopyAsciiRun(in, i, &out)) {
    const auto lead = static_cast<uint8_t>(in[i]);
    int needed = 0;
    uint8_t lower = 0x80, upper = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      needed = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      needed = 2;
      if (lead == 0xE0) lower = 0xA0;  // overlong
      if (lead == 0xED) upper = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      needed = 3;
      if (lead == 0xF0) lower = 0x90;  // overlong
      if (lead == 0xF4) upper = 0x8F;  // beyond U+10FFFF
    }
    size_t end = i + 1;  // past the bytes this sequence has taken
    bool valid = needed > 0;
    for (int k = 0; valid && k < needed; ++k) {
      // Past the end reads as 0, which no continuation range holds.
      const auto next = end < in.size() ? static_cast<uint8_t>(in[end]) : uint8_t{0};
      valid = next >= lower && next <= upper;
      if (valid) ++end;
      lower = 0x80;
      upper = 0xBF;
    }
    if (valid) {
      out.append(in.substr(i, end - i));
    } else {
      out.append(kReplacement);
    }
    i = end;
  }
  return out;
}

}  // namespace

std::string CharsetOf(std::string_view contentType) {
  size_t start = contentType.find(';');
  while (start != std::string_view::npos) {
    const size_t end = contentType.find(';', start + 1);
    const std::string_view param = TrimBlanks(contentType.substr(start + 1, end - start - 1));
    const size_t equals = param.find('=');
    if (equals != std::string_view::npos &&
        Lower(TrimBlanks(param.substr(0, equals))) == "charset") {
      std::string_view value = TrimBlanks(param.substr(equals + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
      }
      return Lower(value);
    }
    start = end;
  }
  return {};
}

std::string ResponseText(std::string body, std::string_view contentType, const CodePage& ansi) {
  // Valid UTF-8 needs no repair: the usual answer keeps its buffer.
  auto utf8 = [&body](size_t skip) {
    const std::string_view text = std::string_view(body).substr(skip);
    if (!IsUtf8(text)) return RepairUtf8(text);
    body.erase(0, skip);
    return std::move(body);
  };
  if (std::string_view(body).substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    return utf8(kByteOrderMark.size());
  }
  Decoding decoding = DecodingOf(CharsetOf(contentType));
  if (decoding == Decoding::kUnknown) {
    const auto declaration = xml::ParseDeclaration(body);
    if (declaration) decoding = DecodingOf(declaration->encoding);
  }
  switch (decoding) {
    case Decoding::kUtf8:
      return utf8(0);
    case Decoding::kWindows1252:
      return Utf8FromCp1252(body);
    case Decoding::kUnknown:
      break;
  }
  return IsUtf8(body) ? std::move(body) : ansi.FromAnsi(body);
}

}  // namespace qmon::platform
