// A registry export file (the emulated machine's system.reg) as a model: the
// keys of HKEY_LOCAL_MACHINE to read and change, everything else kept as read.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/posix/reg_value.h"

namespace qmon::platform::posix {

// A key path below HKEY_LOCAL_MACHINE, one name per level.
using RegPath = std::vector<std::string>;

// One line of a key block, or a value with its continuation lines.
struct RegEntry {
  // nullopt for a blank or comment line.
  std::optional<RegValue> value;
  // The line(s) as read, CR LF between them; empty once the value changes,
  // so it is written afresh.
  std::string_view text;
};

// One [key] block. A key exists when it has a block or lies above one.
struct RegKey {
  std::string_view text;          // the [..] line, hive first
  std::vector<RegEntry> entries;  // values, comments and blank lines in file order
};

class RegFile {
 public:
  // Reads a file's bytes: UTF-8 (with or without a byte-order mark) or
  // UTF-16LE behind its mark; a REGEDIT4 file that is not UTF-8 is taken as
  // Windows-1252. What cannot be read is skipped and described in *problems
  // (one text per fault, with its line number); an empty list means the file
  // parsed cleanly.
  static RegFile Parse(std::string_view bytes, std::vector<std::string>* problems);

  // The file: UTF-8, CR LF, the "Windows Registry Editor Version 5.00"
  // header; lines that did not change are written as they were read.
  std::string Serialize() const;

  // Names compare without regard to case. The key's path as spelled in the
  // file (each level as first met), or nullopt when it does not exist.
  std::optional<RegPath> FindKey(const RegPath& path) const;
  const RegValue* FindValue(const RegPath& key, std::string_view name) const;

  // Adds the key unless it exists; answers its path as spelled. A new block
  // goes after the last block below its nearest existing ancestor (before
  // its own first subkey's block, when it has subkeys), else at the end.
  RegPath AddKey(const RegPath& path);
  // Sets the value of an existing key: a value of that name keeps its
  // spelling and place, a new one goes after the key's last value.
  void SetValue(const RegPath& key, RegValue value);
  // False when the key has no such value.
  bool RemoveValue(const RegPath& key, std::string_view name);

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);
  // A key path with a block at or below it: one level of the tree of paths.
  struct Node {
    size_t parent;       // kNone for a hive
    size_t level;        // names above it, the hive being level 0
    size_t first, last;  // the first and the last block at or below it, in file order
    size_t own = kNone;  // the path's own block
    size_t next = kNone;  // the next node of the same hash
  };

  // The node of `name` below `parent` (kNone: a hive), or kNone.
  size_t Child(size_t parent, std::string_view name) const;
  // The node of the path's names below HKEY_LOCAL_MACHINE, stopping after
  // `levels` of them; kNone when no block lies at or below them.
  size_t NodeOf(const RegPath& path, size_t levels) const;
  // Enters the block keys_[at] under its names, all other blocks already entered.
  void Index(size_t at, const std::vector<std::string_view>& names);
  // Text that outlives its source: a new key's line, a re-joined value.
  std::string_view Keep(std::string text);
  // The path with each existing level as spelled in the file and the rest as
  // given; *known counts the existing levels.
  RegPath Spell(const RegPath& path, size_t* known) const;
  // The index of the key's own block.
  std::optional<size_t> BlockIndex(const RegPath& key) const;
  // The key's own block, added where AddKey places a new one when missing.
  std::vector<RegEntry>& EnsureBlock(const RegPath& spelled);
  size_t PlaceFor(const RegPath& path) const;

  // The file's text and every line made since: entries and keys view them,
  // and their addresses survive a move of the model.
  std::vector<std::unique_ptr<std::string>> texts_;
  std::vector<RegEntry> preamble_;  // lines between the header and the first key
  std::vector<RegKey> keys_;
  std::vector<Node> nodes_;
  // The first node of each hash of (parent, folded name).
  std::unordered_map<uint64_t, size_t> chains_;
};

}  // namespace qmon::platform::posix
