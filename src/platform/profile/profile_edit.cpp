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
    return TextEdit{found->header_begin, text.End(*found) - found->header_begin, ""};
  }
  const ProfileText::Key* entry = found ? text.FindKey(*found, key) : nullptr;
  if (value == nullptr) {
    if (entry == nullptr) return std::nullopt;
    return TextEdit{entry->line_begin, text.NextLine(*entry) - entry->line_begin, ""};
  }
  if (found == nullptr) {
    // Appended as is: a last line without a line end runs into the header.
    std::string insert = "[";
    insert.append(section).append("]\r\n").append(KeyLine(key, value));
    return TextEdit{text.bytes().size(), 0, std::move(insert)};
  }
  if (entry == nullptr) return TextEdit{text.End(*found), 0, KeyLine(key, value)};
  // The key's spelling, the blanks before "=" and the line end stay.
  const std::string_view old_value = text.RawValue(*entry);
  if (old_value == value) return std::nullopt;
  return TextEdit{static_cast<size_t>(old_value.data() - text.bytes().data()), old_value.size(),
                  value};
}

}  // namespace qmon::platform::profile
