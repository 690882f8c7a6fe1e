// The XML declaration at the start of a text, read before the text is decoded:
// the DOM layer and the web-post answer both take their encoding from it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmon::platform::xml {

struct Declaration {
  std::string data;      // empty when there is no declaration
  std::string encoding;  // lower case, empty when not declared
};

// The XML declaration at the very start of the text, if any: version first,
// then optional encoding and standalone, nothing else. Nullopt when it is
// malformed. Its pseudo-attributes are ASCII, so this reads raw bytes of any
// single-byte encoding as well as decoded text.
std::optional<Declaration> ParseDeclaration(std::string_view s);

}  // namespace qmon::platform::xml
