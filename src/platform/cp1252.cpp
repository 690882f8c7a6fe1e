#include "platform/cp1252.h"

#include "platform/utf8.h"

#include <cstdint>

namespace qmon::platform {
namespace {

// Code points of bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int ByteFor(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == cp) return 0x80 + i;
  }
  return -1;
}

}  // namespace

std::string Cp1252FromUtf8(std::string_view in, bool* lossy) {
  std::string out;
  out.reserve(in.size());
  bool lost = false;
  // A run of ASCII is the same bytes in both.
  for (size_t i = CopyAsciiRun(in, 0, &out); i < in.size(); i = CopyAsciiRun(in, i, &out)) {
    bool ok = false;
    const int byte = ByteFor(NextCodePoint(in, &i, &ok));
    if (!ok || byte < 0) {
      out += '?';
      lost = true;
    } else {
      out += static_cast<char>(byte);
    }
  }
  if (lossy) *lossy = lost;
  return out;
}

std::string Utf8FromCp1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x80) {
      out += c;
    } else {
      AppendUtf8(out, b < 0xA0 ? kHigh[b - 0x80] : static_cast<char32_t>(b));
    }
  }
  return out;
}

}  // namespace qmon::platform
