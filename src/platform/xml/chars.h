// Character rules of XML shared by the loader: which characters and names are
// allowed, references, and UTF-8 output.
#pragma once

#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace qmon::platform::xml::detail {

// Raw character data with its references expanded: the five predefined
// entities and character references to allowed characters. False on any other
// "&" (an undeclared entity, a bare ampersand, a malformed reference).
bool ExpandReferences(std::string_view raw, std::string& out);

// An element, attribute or target name: XML name characters with at most one
// colon, which neither starts nor ends it. All characters beyond ASCII are
// taken as name characters.
bool IsQName(std::string_view name);

// The characters XML 1.0 allows in a document.
bool IsXmlChar(char32_t c);
// Space, tab, CR or LF: the blanks of the whitespace rules.
inline bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace qmon::platform::xml::detail
