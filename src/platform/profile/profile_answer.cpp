#include "platform/profile/profile_answer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/profile/profile_text.h"

namespace qmon::platform::profile {

std::string_view ReadableValue(std::string_view raw) {
  std::string_view value = TrimProfileBlanks(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view DefaultText(const char* def) {
  std::string_view text = def ? def : "";
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

uint32_t CopyValue(std::string_view value, char* buffer, uint32_t size) {
  if (size == 0) return 0;
  const size_t count = std::min<size_t>(value.size(), size - 1);
  std::memcpy(buffer, value.data(), count);
  buffer[count] = '\0';
  return static_cast<uint32_t>(count);
}

uint32_t CopyList(const std::vector<std::string_view>& names, char* buffer, uint32_t size) {
  if (size == 0) return 0;
  if (names.empty()) {
    buffer[0] = '\0';
    return 0;
  }
  std::string list;
  for (const std::string_view name : names) list.append(name).push_back('\0');
  if (list.size() + 1 < size) {  // the final NUL and one character to spare
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return static_cast<uint32_t>(list.size());
  }
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  std::memcpy(buffer, list.data(), size - 2);
  buffer[size - 2] = '\0';
  buffer[size - 1] = '\0';
  return size - 2;
}

uint32_t ParseProfileInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] != '\0' && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    const char prefix = text[i + 1];
    base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  uint32_t total = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    const uint32_t digit = c >= '0' && c <= '9'   ? static_cast<uint32_t>(c - '0')
                           : c >= 'a' && c <= 'z' ? static_cast<uint32_t>(c - 'a' + 10)
                           : c >= 'A' && c <= 'Z' ? static_cast<uint32_t>(c - 'A' + 10)
                                                  : 99;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return negative ? 0u - total : total;
}

}  // namespace qmon::platform::profile
