#include "platform/profile/profile_edit.h"

#include <string>

namespace qmon::platform::profile {
namespace {

std::string KeyLine(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + value.size() + 3);
  line.append(key).append("=").append(value).append("\r\n");
  return line;
}

}  // namespace

std::optional<TextEdit> PlanProfileWrite(const ProfileText& text, std::string_view section,
                                         const char* key, const char* value) {
  const ProfileText::Section* found = text.FindSection(section);
  if (key == nullptr) {
    // The header, the keys and whatever else stands up to the next header.
    if (found == nullptr) return std::nullopt;
    return TextEdit{found->header_begin, found->end - found->header_begin, ""};
  }
  const ProfileText::Key* entry = found ? ProfileText::FindKey(*found, key) : nullptr;
  if (value == nullptr) {
    if (entry == nullptr) return std::nullopt;
    return TextEdit{entry->line_begin, entry->line_next - entry->line_begin, ""};
  }
  if (found == nullptr) {
    // Appended as is: a last line without a line end runs into the header.
    std::string insert = "[";
    insert.append(section).append("]\r\n").append(KeyLine(key, value));
    return TextEdit{text.bytes().size(), 0, std::move(insert)};
  }
  if (entry == nullptr) return TextEdit{found->end, 0, KeyLine(key, value)};
  // The key's spelling, the blanks before "=" and the line end stay.
  if (text.RawValue(*entry) == value) return std::nullopt;
  return TextEdit{entry->value_begin, entry->value_end - entry->value_begin, value};
}

}  // namespace qmon::platform::profile
