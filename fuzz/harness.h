// What the fuzz targets share: an invariant's violation aborts (libFuzzer
// keeps the input), the input as bytes, and a profile's answer read whole.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"

inline void Check(bool ok) {
  if (!ok) std::abort();
}

inline std::string Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The pieces between separators, empty ones kept.
inline std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) c == separator ? parts.emplace_back() : parts.back() += c;
  return parts;
}

inline bool Ascii(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// GetString's whole answer (a value, or a NUL-separated list) from a large buffer.
inline std::string ProfileGet(qmon::platform::Profile& profile, const char* section,
                              const char* key, const std::string& file) {
  static std::vector<char> buffer(1 << 17);
  const uint32_t n = profile.GetString(section, key, "", buffer.data(),
                                       static_cast<uint32_t>(buffer.size()), file.c_str());
  return std::string(buffer.data(), n);
}
