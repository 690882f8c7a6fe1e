// UTF-8, the program's own text encoding: one encoder and one strict decoder
// for every part that converts text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qmon::platform {

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t cp);

// Decodes the character at text[*i] and moves past it. A malformed sequence
// (bad lead or continuation byte, cut short, overlong, a surrogate, beyond
// U+10FFFF) answers U+FFFD with *ok false and moves one byte on.
char32_t NextCodePoint(std::string_view text, size_t* i, bool* ok);

// The length of the ASCII run that `text` starts with: such bytes stand for
// themselves in UTF-8 and in the ANSI code page alike.
size_t AsciiRun(std::string_view text);
// Appends the ASCII run that starts at text[i] to *out; answers where it ends.
size_t CopyAsciiRun(std::string_view text, size_t i, std::string* out);

}  // namespace qmon::platform
