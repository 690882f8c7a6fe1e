// The text of a server's answer: its bytes decoded, by the charset its
// Content-Type names, into UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace qmon::platform {

// The charset parameter of a Content-Type value, lower-cased and unquoted;
// empty when there is none.
std::string CharsetOf(std::string_view contentType);

// Decodes an answer's body into UTF-8. Charset labels are read as browsers
// read them (the WHATWG encoding labels), since servers often name
// iso-8859-1 or us-ascii while sending Windows-1252:
//  - a body that starts with the UTF-8 byte order mark is UTF-8 whatever the
//    label says, and the mark is dropped;
//  - windows-1252, iso-8859-1, us-ascii and their aliases decode as
//    Windows-1252, where every byte has a character;
//  - utf-8, no charset and any label not known here decode as UTF-8; each
//    invalid sequence (its longest valid-looking start) becomes U+FFFD.
std::string ResponseText(std::string_view body, std::string_view contentType);

}  // namespace qmon::platform
