// The text of a server's answer: its bytes decoded into UTF-8, by what its
// Content-Type or its own XML declaration names.
#pragma once

#include <string>
#include <string_view>

namespace qmon::platform {

class CodePage;

// The charset parameter of a Content-Type value, lower-cased and unquoted;
// empty when there is none.
std::string CharsetOf(std::string_view contentType);

// Decodes an answer's body into UTF-8 as a browser's XML loader does. Labels
// are read as browsers read them (the WHATWG encoding labels), since servers
// often name iso-8859-1 or us-ascii while sending Windows-1252:
//  1. a body that starts with the UTF-8 byte order mark is UTF-8 whatever the
//     label says, and the mark is dropped;
//  2. else the Content-Type's charset;
//  3. else the encoding its XML declaration names;
//  4. else UTF-8 when the bytes are valid UTF-8;
//  5. else `ansi`, the machine's ANSI code page, which keeps every byte it
//     has a character for.
// The windows-1252, iso-8859-1, us-ascii family decodes as Windows-1252,
// where every byte has a character (the five the code page leaves undefined
// become the C1 controls of the same value, as Windows maps them). A utf-8
// label decodes as UTF-8, each invalid sequence (its longest valid-looking
// start) becoming U+FFFD. A label not known here (utf-16 among them: the
// answer goes on as 8-bit text) counts as none, as a browser ignores a label
// it cannot use: the next step decides.
// A body that is UTF-8 already is handed back as it came, not copied.
std::string ResponseText(std::string body, std::string_view contentType, const CodePage& ansi);

}  // namespace qmon::platform
