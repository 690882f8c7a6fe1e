#include "platform/profile/profile_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
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

const FoldTable& Folds() {
  static const FoldTable table = BuildFoldTable();
  return table;
}

bool SameName(const FoldTable& fold, std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return fold[static_cast<unsigned char>(x)] == fold[static_cast<unsigned char>(y)];
         });
}

// FNV-1a of the folded bytes; `seed` tells the sections' keys apart.
uint64_t FoldedHash(const FoldTable& fold, std::string_view name, uint64_t seed) {
  uint64_t hash = 0xcbf29ce484222325 ^ seed * 0x9e3779b97f4a7c15;
  for (const char c : name) {
    hash = (hash ^ static_cast<unsigned char>(fold[static_cast<unsigned char>(c)])) * 0x100000001b3;
  }
  return hash ^ hash >> 32;  // the high bits into those the table masks
}

// Linear probing from `hash`: the slot of the first entry `is_it` accepts, or
// the free slot the search ends at.
template <typename IsIt>
size_t Probe(const std::vector<uint32_t>& slots, uint64_t hash, IsIt is_it) {
  const size_t mask = slots.size() - 1;
  size_t at = static_cast<size_t>(hash) & mask;
  while (slots[at] != 0 && !is_it(slots[at] - 1)) at = (at + 1) & mask;
  return at;
}

// One line as the index reads it.
struct Line {
  enum class Kind { kOther, kSection, kKey } kind = Kind::kOther;
  std::string_view name;   // trimmed
  std::string_view value;  // a key's: from after the first "=" to the line end
  size_t next = 0;         // the first byte of the next line
};

Line ReadLine(std::string_view text, size_t begin) {
  size_t end = begin;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  Line line;
  line.next = end;
  if (line.next < text.size() && text[line.next] == '\r') ++line.next;
  if (line.next < text.size() && text[line.next] == '\n') ++line.next;

  const std::string_view content = TrimProfileBlanks(text.substr(begin, end - begin));
  if (content.empty()) return line;
  if (content.front() == '[') {
    if (const size_t close = content.rfind(']'); close != std::string_view::npos) {
      line.kind = Line::Kind::kSection;
      line.name = TrimProfileBlanks(content.substr(1, close - 1));
      return line;
    }
  }
  const size_t equals = content.find('=');
  if (content.front() == ';' || equals == std::string_view::npos) return line;
  line.kind = Line::Kind::kKey;
  line.name = TrimProfileBlanks(content.substr(0, equals));
  const size_t value_begin = static_cast<size_t>(content.data() - text.data()) + equals + 1;
  line.value = text.substr(value_begin, end - value_begin);
  return line;
}

}  // namespace

ProfileText::ProfileText(std::string bytes) : bytes_(std::move(bytes)) { Reindex(); }

std::span<const ProfileText::Key> ProfileText::Keys(const Section& section) const {
  const auto next = static_cast<size_t>(&section - sections_.data()) + 1;
  const size_t end = next < sections_.size() ? sections_[next].first_key : keys_.size();
  return std::span<const Key>(keys_).subspan(section.first_key, end - section.first_key);
}

std::string_view ProfileText::Name(const Section& section) const {
  return std::string_view(bytes_).substr(section.name_begin, section.name_size);
}

std::string_view ProfileText::Name(const Key& key) const {
  // A key line's first "=" ends its name; no need to find the line end.
  const std::string_view line = std::string_view(bytes_).substr(key.line_begin);
  return TrimProfileBlanks(line.substr(0, line.find('=')));
}

size_t ProfileText::End(const Section& section) const {
  const auto next = static_cast<size_t>(&section - sections_.data()) + 1;
  return next < sections_.size() ? sections_[next].header_begin : bytes_.size();
}

size_t ProfileText::NextLine(const Key& key) const { return ReadLine(bytes_, key.line_begin).next; }

std::string_view ProfileText::RawValue(const Key& key) const {
  return ReadLine(bytes_, key.line_begin).value;
}

size_t ProfileText::SectionSlot(std::string_view name) const {
  const FoldTable& fold = Folds();
  return Probe(section_slots_, FoldedHash(fold, name, 0),
               [&](size_t other) { return SameName(fold, Name(sections_[other]), name); });
}

size_t ProfileText::KeySlot(const Section& section, std::string_view name) const {
  const std::span<const Key> keys = Keys(section);
  const FoldTable& fold = Folds();
  const auto seed = static_cast<uint64_t>(&section - sections_.data());
  return Probe(key_slots_, FoldedHash(fold, name, seed), [&](size_t other) {
    return other - section.first_key < keys.size() && SameName(fold, Name(keys_[other]), name);
  });
}

const ProfileText::Section* ProfileText::FindSection(std::string_view name) const {
  const size_t slot = section_slots_[SectionSlot(TrimProfileBlanks(name))];
  return slot == 0 ? nullptr : &sections_[slot - 1];
}

const ProfileText::Key* ProfileText::FindKey(const Section& section, std::string_view name) const {
  const size_t slot = key_slots_[KeySlot(section, TrimProfileBlanks(name))];
  return slot == 0 ? nullptr : &keys_[slot - 1];
}

void ProfileText::Apply(const TextEdit& edit) {
  const size_t old_size = bytes_.size();
  const bool keeps_lines = edit.insert.find_first_of("\r\n") == std::string::npos;
  const bool in_value = keeps_lines && WithinOneValue(edit.offset, edit.erase);
  const bool after_last_line = edit.erase == 0 && edit.offset == old_size && !edit.insert.empty() &&
                               (old_size == 0 || bytes_.back() == '\n' ||
                                (bytes_.back() == '\r' && edit.insert.front() != '\n'));

  bytes_.replace(edit.offset, edit.erase, edit.insert);
  if (in_value) {  // no name changed; only the lines that follow moved
    ShiftAfter(edit.offset, edit.erase, edit.insert.size());
  } else if (after_last_line) {
    IndexFrom(old_size);
  } else {
    Reindex();
  }
}

// Moves the lines behind a change inside one value. Starts from the end, so
// a change near the end costs only what follows it.
void ProfileText::ShiftAfter(size_t offset, size_t erased, size_t inserted) {
  if (erased == inserted) return;
  auto move = [&](size_t& at) { at = at - erased + inserted; };
  for (auto key = keys_.rbegin(); key != keys_.rend() && key->line_begin > offset; ++key) {
    move(key->line_begin);
  }
  for (auto section = sections_.rbegin();
       section != sections_.rend() && section->header_begin > offset; ++section) {
    move(section->header_begin);
    move(section->name_begin);
  }
}

void ProfileText::Reindex() {
  sections_.clear();
  keys_.clear();
  section_slots_.clear();
  key_slots_.clear();
  IndexFrom(0);
}

// Indexes the lines from `offset` on, continuing the last section.
void ProfileText::IndexFrom(size_t offset) {
  const size_t first_section = sections_.size(), first_key = keys_.size();
  for (size_t pos = offset; pos < bytes_.size();) {
    const Line line = ReadLine(bytes_, pos);
    if (line.kind == Line::Kind::kSection) {
      const auto name_begin = static_cast<size_t>(line.name.data() - bytes_.data());
      sections_.push_back({pos, name_begin, line.name.size(), keys_.size()});
    } else if (line.kind == Line::Kind::kKey && !sections_.empty()) {
      keys_.push_back({pos});
    }
    pos = line.next;
  }
  HashFrom(first_section, first_key);
}

// Enters the sections and keys from these on into the hash tables; all of
// them into larger tables when these would be half full or more.
void ProfileText::HashFrom(size_t first_section, size_t first_key) {
  if (2 * sections_.size() >= section_slots_.size() || 2 * keys_.size() >= key_slots_.size()) {
    section_slots_.assign(std::bit_ceil(2 * sections_.size() + 1), 0);
    key_slots_.assign(std::bit_ceil(2 * keys_.size() + 1), 0);
    first_section = first_key = 0;
  }
  // Of duplicates, the first counts.
  for (size_t s = first_section; s < sections_.size(); ++s) {
    uint32_t& slot = section_slots_[SectionSlot(Name(sections_[s]))];
    if (slot == 0) slot = static_cast<uint32_t>(s + 1);
  }
  // The keys from `first_key` on may continue the section before `first_section`.
  for (size_t s = std::max<size_t>(first_section, 1) - 1; s < sections_.size(); ++s) {
    for (const Key& key : Keys(sections_[s])) {
      const auto k = static_cast<size_t>(&key - keys_.data());
      if (k < first_key) continue;
      uint32_t& slot = key_slots_[KeySlot(sections_[s], Name(key))];
      if (slot == 0) slot = static_cast<uint32_t>(k + 1);
    }
  }
}

bool ProfileText::WithinOneValue(size_t offset, size_t length) const {
  // The last key line that starts at or before `offset`; should a header or
  // another line stand between them, the key's value ends before `offset`.
  auto key = std::upper_bound(keys_.begin(), keys_.end(), offset,
                              [](size_t at, const Key& k) { return at < k.line_begin; });
  if (key == keys_.begin()) return false;
  const std::string_view value = RawValue(*--key);
  const auto begin = static_cast<size_t>(value.data() - bytes_.data());
  return offset >= begin && offset + length <= begin + value.size();
}

}  // namespace qmon::platform::profile
