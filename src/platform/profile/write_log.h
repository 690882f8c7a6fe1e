// The profile writes a file has waiting for its flush, in order, so they can
// be made again over the file should it change on disk meanwhile. A step may
// keep tens of thousands of them: each is packed into one buffer as a flags
// byte and its NUL-ended strings (a C string holds no NUL), the section's
// name only where it differs from the write before.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace qmon::platform::profile {

class WriteLog {
 public:
  bool empty() const { return bytes_.empty(); }
  void clear() {  // a flushed step gives its memory back
    std::string().swap(bytes_);
    last_section_ = kNone;
  }

  // A null key stands for the whole section, a null value for the key.
  void Add(const char* section, const char* key, const char* value) {
    const bool same =
        last_section_ != kNone && std::strcmp(bytes_.data() + last_section_, section) == 0;
    bytes_ += static_cast<char>((same ? kSameSection : 0) | (key ? kKey : 0) | (value ? kValue : 0));
    if (!same) last_section_ = bytes_.size();
    for (const char* text : {same ? nullptr : section, key, value}) {
      if (text) bytes_.append(text, std::strlen(text) + 1);
    }
  }

  // Calls f(section, key, value) for each write, in order.
  template <typename F>
  void ForEach(F&& f) const {
    const char* at = bytes_.data();
    const char* const end = at + bytes_.size();
    auto next = [&at](bool present) -> const char* {
      if (!present) return nullptr;
      const char* text = at;
      at += std::strlen(text) + 1;
      return text;
    };
    const char* section = nullptr;
    while (at < end) {
      const char flags = *at++;
      if (!(flags & kSameSection)) section = next(true);
      const char* key = next(flags & kKey);
      const char* value = next(flags & kValue);
      f(section, key, value);
    }
  }

 private:
  static constexpr char kKey = 1, kValue = 2, kSameSection = 4;
  static constexpr size_t kNone = static_cast<size_t>(-1);
  std::string bytes_;
  size_t last_section_ = kNone;  // where the last write's section name lies
};

}  // namespace qmon::platform::profile
