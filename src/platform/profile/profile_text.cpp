#include "platform/profile/profile_text.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace qmon::platform::profile {
namespace {

using FoldTable = std::array<char, 256>;

// Each ANSI byte maps to the smallest byte that equals it without regard to
// case, judged by the system's casing of the two characters.
FoldTable BuildFoldTable() {
  FoldTable table{};
  for (int b = 0; b < 256; ++b) {
    int canonical = b;
    for (int other = 0; other < b; ++other) {
      if (AnsiBytesEqualNoCase(static_cast<char>(other), static_cast<char>(b))) {
        canonical = other;
        break;
      }
    }
    table[b] = static_cast<char>(canonical);
  }
  return table;
}

// The index key of a name: trimmed, every byte folded.
std::string Fold(std::string_view name) {
  static const FoldTable table = BuildFoldTable();
  name = TrimProfileBlanks(name);
  std::string out(name.size(), '\0');
  std::transform(name.begin(), name.end(), out.begin(),
                 [](char c) { return table[static_cast<unsigned char>(c)]; });
  return out;
}

struct LineSpan {
  size_t begin, end, next;  // [begin, end) is the text, next follows the line end
};

LineSpan LineAt(const std::string& text, size_t begin) {
  size_t end = begin;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  size_t next = end;
  if (next < text.size() && text[next] == '\r') ++next;
  if (next < text.size() && text[next] == '\n') ++next;
  return {begin, end, next};
}

}  // namespace

bool IsProfileBlank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u <= 0x20 && c != '\r' && c != '\n';
}

std::string_view TrimProfileBlanks(std::string_view text) {
  while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
  return text;
}

ProfileText::ProfileText(std::string bytes) : bytes_(std::move(bytes)) { Reindex(); }

const ProfileText::Section* ProfileText::FindSection(std::string_view name) const {
  const auto it = first_section_at_.find(Fold(name));
  return it == first_section_at_.end() ? nullptr : &sections_[it->second];
}

const ProfileText::Key* ProfileText::FindKey(const Section& section, std::string_view name) {
  const auto it = section.first_key_at.find(Fold(name));
  return it == section.first_key_at.end() ? nullptr : &section.keys[it->second];
}

std::string_view ProfileText::RawValue(const Key& key) const {
  return std::string_view(bytes_).substr(key.value_begin, key.value_end - key.value_begin);
}

void ProfileText::Apply(const TextEdit& edit) {
  const size_t old_size = bytes_.size();
  const bool keeps_lines = edit.insert.find_first_of("\r\n") == std::string::npos;
  const bool in_value = keeps_lines && WithinOneValue(edit.offset, edit.erase);
  const bool after_last_line = edit.erase == 0 && edit.offset == old_size && !edit.insert.empty() &&
                               (old_size == 0 || bytes_.back() == '\n' ||
                                (bytes_.back() == '\r' && edit.insert.front() != '\n'));

  bytes_.replace(edit.offset, edit.erase, edit.insert);
  if (in_value) {  // no name changed; only what follows the value moved
    ShiftAfter(edit.offset, edit.erase, edit.insert.size());
  } else if (after_last_line) {
    IndexFrom(old_size);
  } else {
    Reindex();
  }
}

// Moves the indexed offsets behind a change inside one value. Starts from the
// end, so a change in the last section costs only what follows it there.
void ProfileText::ShiftAfter(size_t offset, size_t erased, size_t inserted) {
  if (erased == inserted) return;
  const size_t end = offset + erased;
  auto moveBegin = [&](size_t& at) {
    if (at > offset) at = at - erased + inserted;
  };
  auto moveEnd = [&](size_t& at) {
    if (at >= end) at = at - erased + inserted;
  };
  for (auto section = sections_.rbegin(); section != sections_.rend(); ++section) {
    moveEnd(section->end);
    for (auto key = section->keys.rbegin(); key != section->keys.rend(); ++key) {
      if (key->value_end < end) break;
      moveBegin(key->line_begin);
      moveBegin(key->value_begin);
      moveEnd(key->value_end);
      moveEnd(key->line_next);
    }
    if (section->header_begin <= offset) break;
    moveBegin(section->header_begin);
  }
}

void ProfileText::Reindex() {
  sections_.clear();
  first_section_at_.clear();
  IndexFrom(0);
}

// Indexes the lines from `offset` on, continuing the last section.
void ProfileText::IndexFrom(size_t offset) {
  const std::string_view text = bytes_;
  size_t pos = offset;
  while (pos < text.size()) {
    const LineSpan line = LineAt(bytes_, pos);
    pos = line.next;
    const std::string_view content =
        TrimProfileBlanks(text.substr(line.begin, line.end - line.begin));
    if (content.empty()) continue;

    if (content.front() == '[') {
      const size_t close = content.rfind(']');
      if (close != std::string_view::npos) {
        if (!sections_.empty()) sections_.back().end = line.begin;
        Section section;
        section.name = std::string(TrimProfileBlanks(content.substr(1, close - 1)));
        section.header_begin = line.begin;
        first_section_at_.try_emplace(Fold(section.name), sections_.size());
        sections_.push_back(std::move(section));
        continue;
      }
    }
    if (content.front() == ';' || sections_.empty()) continue;
    const size_t equals = content.find('=');
    if (equals == std::string_view::npos) continue;

    Section& section = sections_.back();
    Key key;
    key.name = std::string(TrimProfileBlanks(content.substr(0, equals)));
    key.line_begin = line.begin;
    key.value_begin = static_cast<size_t>(content.data() - text.data()) + equals + 1;
    key.value_end = line.end;
    key.line_next = line.next;
    section.first_key_at.try_emplace(Fold(key.name), section.keys.size());
    section.keys.push_back(std::move(key));
  }
  if (!sections_.empty()) sections_.back().end = text.size();
}

bool ProfileText::WithinOneValue(size_t offset, size_t length) const {
  // The last section that starts at or before `offset`, then its last key
  // line that does.
  auto section = std::upper_bound(sections_.begin(), sections_.end(), offset,
                                  [](size_t at, const Section& s) { return at < s.header_begin; });
  if (section == sections_.begin()) return false;
  --section;
  auto key = std::upper_bound(section->keys.begin(), section->keys.end(), offset,
                              [](size_t at, const Key& k) { return at < k.line_begin; });
  if (key == section->keys.begin()) return false;
  --key;
  return offset >= key->value_begin && offset + length <= key->value_end;
}

}  // namespace qmon::platform::profile
