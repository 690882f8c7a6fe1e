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
#include <string>
#include <string_view>
#include <unordered_map>
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

bool IsProfileBlank(char c);
std::string_view TrimProfileBlanks(std::string_view text);

class ProfileText {
 public:
  struct Key {
    std::string name;        // trimmed, spelled as in the file
    size_t line_begin = 0;   // first byte of its line
    size_t value_begin = 0;  // just after the first "="
    size_t value_end = 0;    // where the line end (or the text) begins
    size_t line_next = 0;    // first byte of the next line
  };
  struct Section {
    std::string name;  // trimmed, spelled as in the file
    size_t header_begin = 0;
    // First byte of the next section's header line, or the end of the text:
    // blank lines and comments after the last key belong to the section.
    size_t end = 0;
    std::vector<Key> keys;                                 // in file order
    std::unordered_map<std::string, size_t> first_key_at;  // folded name -> index
  };

  ProfileText() = default;
  explicit ProfileText(std::string bytes);

  const std::string& bytes() const { return bytes_; }
  const std::vector<Section>& sections() const { return sections_; }

  // The first section / key of that name (blanks around `name` ignored), or
  // null.
  const Section* FindSection(std::string_view name) const;
  static const Key* FindKey(const Section& section, std::string_view name);

  // The bytes between the "=" and the line end, untrimmed.
  std::string_view RawValue(const Key& key) const;

  // Changes the text and brings the index up to date. A change inside one
  // value (of any length) that adds no line break, and an addition after the last
  // complete line, are indexed without parsing the rest of the text again.
  void Apply(const TextEdit& edit);

 private:
  void Reindex();
  void IndexFrom(size_t offset);
  void ShiftAfter(size_t offset, size_t erased, size_t inserted);
  bool WithinOneValue(size_t offset, size_t length) const;

  std::string bytes_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> first_section_at_;  // folded name -> index
};

}  // namespace qmon::platform::profile
