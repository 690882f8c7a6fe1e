// The text of a private-profile file as the profile functions see it: the
// bytes exactly as on disk, plus an index of sections and keys that finds a
// name without scanning the file.
//
// Reading is lenient: CR LF, LF and CR all end a line; blanks (every control
// byte but CR and LF, and the space) around names and values are ignored; a
// section line is "[" name "]" with the name up to the last "]"; a key line
// is name "=" value with the name before the first "="; lines starting with
// ";" and lines without "=" are no keys; key lines before the first section
// belong to no section. Names match without regard to case (Windows casing
// of the ANSI code page); of duplicates, the first one counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmon::platform::profile {

// One change of the text: `erase` bytes at `offset` give way to `insert`.
struct TextEdit {
  size_t offset = 0;
  size_t erase = 0;
  std::string insert;
};

// Whether two bytes of the ANSI code page are one character but for case, as
// the system compares names. Each platform defines it for its code page.
bool AnsiBytesEqualNoCase(char a, char b);

inline bool IsProfileBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20 && c != '\r' && c != '\n';
}

inline std::string_view TrimProfileBlanks(std::string_view text) {
  while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
  return text;
}

class ProfileText {
 public:
  // The index holds offsets into the bytes, no copies: a key's name and
  // value are read from its line when asked.
  struct Key {
    size_t line_begin = 0;
  };
  struct Section {
    size_t header_begin = 0;
    size_t name_begin = 0, name_size = 0;  // trimmed, inside the header line
    size_t first_key = 0;                  // its keys run from here to the next section's first
  };

  ProfileText() : ProfileText(std::string()) {}
  explicit ProfileText(std::string bytes);

  const std::string& bytes() const { return bytes_; }
  const std::vector<Section>& sections() const { return sections_; }
  // In file order.
  std::span<const Key> Keys(const Section& section) const;

  // Trimmed, spelled as in the file.
  std::string_view Name(const Section& section) const;
  std::string_view Name(const Key& key) const;
  // The first byte of the next section's header line, or the end of the text:
  // blank lines and comments after the last key belong to the section.
  size_t End(const Section& section) const;
  // The first byte of the line after the key's.
  size_t NextLine(const Key& key) const;
  // The bytes between the "=" and the line end, untrimmed.
  std::string_view RawValue(const Key& key) const;

  // The first section / key of that name (blanks around `name` ignored), or
  // null.
  const Section* FindSection(std::string_view name) const;
  const Key* FindKey(const Section& section, std::string_view name) const;

  // Changes the text and brings the index up to date. A change inside one
  // value (of any length) that adds no line break, and an addition after the last
  // complete line, are indexed without parsing the rest of the text again.
  void Apply(const TextEdit& edit);

 private:
  void Reindex();
  void IndexFrom(size_t offset);
  void HashFrom(size_t first_section, size_t first_key);
  size_t SectionSlot(std::string_view name) const;
  size_t KeySlot(const Section& section, std::string_view name) const;
  void ShiftAfter(size_t offset, size_t erased, size_t inserted);
  bool WithinOneValue(size_t offset, size_t length) const;

  std::string bytes_;
  std::vector<Section> sections_;
  std::vector<Key> keys_;
  // Hash tables of the first section of each name and the first key of each
  // name in its section: index + 1, or 0 for a free slot; less than half full.
  // 32 bits are plenty: a text of 2^32 lines would not fit in memory anyway.
  std::vector<uint32_t> section_slots_, key_slots_;
};

}  // namespace qmon::platform::profile
