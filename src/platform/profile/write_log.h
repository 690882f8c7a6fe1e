// The profile writes a file has waiting for its flush, in order, so they can
// be made again over the file should it change on disk meanwhile. A step may
// keep tens of thousands of them: each is packed into one buffer as a flags
// byte and its NUL-ended strings (a C string holds no NUL).
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace qmon::platform::profile {

class WriteLog {
 public:
  bool empty() const { return bytes_.empty(); }
  void clear() { std::string().swap(bytes_); }  // a flushed step gives its memory back

  // A null key stands for the whole section, a null value for the key.
  void Add(const char* section, const char* key, const char* value) {
    bytes_ += static_cast<char>((key ? kKey : 0) | (value ? kValue : 0));
    for (const char* text : {section, key, value}) {
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
    while (at < end) {
      const char flags = *at++;
      const char* section = next(true);
      const char* key = next(flags & kKey);
      const char* value = next(flags & kValue);
      f(section, key, value);
    }
  }

 private:
  static constexpr char kKey = 1, kValue = 2;
  std::string bytes_;
};

}  // namespace qmon::platform::profile
