// From a file's bytes to the document text the parser sees.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmon::platform::xml::detail {

struct DecodedText {
  std::string text;  // UTF-8, every line end a single LF
  // The XML declaration's data as the DOM shows it (version="1.0" ...), or
  // empty when the document has none.
  std::string declaration;
};

// Honours UTF-8 and UTF-16 byte-order marks, else reads the declared encoding
// (UTF-8 when none is declared). Nullopt on a malformed declaration, an
// encoding this layer does not know, a BOM that contradicts the declaration,
// bytes that are invalid in the encoding, or a character XML does not allow.
// Takes the bytes, so a document that needs no conversion is not copied.
std::optional<DecodedText> DecodeDocument(std::string bytes);

}  // namespace qmon::platform::xml::detail
