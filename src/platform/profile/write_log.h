// The profile writes a file has waiting for its flush, in order, so they can
// be made again over the file should it change on disk meanwhile. A step may
// keep tens of thousands of them: each is packed into 64 KB blocks as a flags
// byte and its NUL-ended strings (a C string holds no NUL), the section's
// name only where it differs from the write before.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace qmon::platform::profile {

class WriteLog {
 public:
  bool empty() const { return blocks_.empty(); }
  void clear() {  // a flushed step gives its memory back
    std::vector<std::string>().swap(blocks_);
    last_section_ = nullptr;
  }

  // A null key stands for the whole section, a null value for the key.
  void Add(const char* section, const char* key, const char* value) {
    const bool same = last_section_ != nullptr && std::strcmp(last_section_, section) == 0;
    const char* const texts[] = {same ? nullptr : section, key, value};
    size_t need = 1;
    for (const char* text : texts) need += text ? std::strlen(text) + 1 : 0;
    // Blocks are filled, never grown: a kept write never moves, and a long
    // step holds at most one block's spare room, with no second copy while
    // a buffer doubles.
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < need) {
      blocks_.emplace_back().reserve(std::max(kBlockBytes, need));
    }
    std::string& block = blocks_.back();
    block += static_cast<char>((same ? kSameSection : 0) | (key ? kKey : 0) | (value ? kValue : 0));
    if (!same) last_section_ = block.data() + block.size();
    for (const char* text : texts) {
      if (text) block.append(text, std::strlen(text) + 1);
    }
  }

  // Calls f(section, key, value) for each write, in order.
  template <typename F>
  void ForEach(F&& f) const {
    const char* section = nullptr;
    for (const std::string& block : blocks_) {
      const char* at = block.data();
      const char* const end = at + block.size();
      auto next = [&at](bool present) -> const char* {
        if (!present) return nullptr;
        const char* text = at;
        at += std::strlen(text) + 1;
        return text;
      };
      while (at < end) {
        const char flags = *at++;
        if (!(flags & kSameSection)) section = next(true);
        const char* key = next(flags & kKey);
        const char* value = next(flags & kValue);
        f(section, key, value);
      }
    }
  }

 private:
  static constexpr char kKey = 1, kValue = 2, kSameSection = 4;
  static constexpr size_t kBlockBytes = 64 * 1024;
  std::vector<std::string> blocks_;
  const char* last_section_ = nullptr;  // the last write's section name, in its block
};

}  // namespace qmon::platform::profile
