#include "platform/posix/reg_file.h"

#include <algorithm>
#include <utility>

#include "platform/cp1252.h"
#include "platform/posix/names.h"
#include "platform/posix/reg_unicode.h"

namespace qmon::platform::posix {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kMachine = "HKEY_LOCAL_MACHINE";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The file's text as UTF-8.
std::string DecodeText(std::string_view bytes, std::vector<std::string>* problems) {
  if (bytes.starts_with("\xFF\xFE")) {
    bool damaged = false;
    std::string text = Utf8FromUtf16Le(bytes.substr(2), &damaged);
    if (damaged) problems->push_back("not well-formed UTF-16LE");
    return text;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (IsUtf8(bytes)) return std::string(bytes);
  // regedit writes REGEDIT4 exports in the ANSI code page.
  if (bytes.starts_with(kHeader4)) return Utf8FromCp1252(bytes);
  problems->push_back("not well-formed UTF-8");
  return std::string(bytes);
}

// Lines without their CR LF or LF.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The names of a trimmed "[a\b\c]" line, or nullopt when it is malformed.
std::optional<std::vector<std::string>> KeyLinePath(std::string_view line) {
  if (line.size() < 2 || line.back() != ']') return std::nullopt;
  std::vector<std::string> path;
  std::string_view rest = line.substr(1, line.size() - 2);
  while (true) {
    const size_t slash = rest.find('\\');
    path.emplace_back(rest.substr(0, slash));
    if (path.back().empty()) return std::nullopt;
    if (slash == std::string_view::npos) return path;
    rest.remove_prefix(slash + 1);
  }
}

// A path's index key: its names as WinNameKey folds them, parted by
// backslashes, which no key name holds. (*ends)[n] is where the key of the
// first n names ends.
std::u16string IndexKey(const std::vector<std::string>& path, std::vector<size_t>* ends) {
  std::u16string key;
  ends->assign(1, 0);
  for (const std::string& name : path) {
    if (ends->size() > 1) key += u'\\';
    key += WinNameKey(name);
    ends->push_back(key.size());
  }
  return key;
}

// The index key of a path below HKEY_LOCAL_MACHINE.
std::u16string MachineKey(const RegPath& path, std::vector<size_t>* ends) {
  std::vector<std::string> full{std::string(kMachine)};
  full.insert(full.end(), path.begin(), path.end());
  return IndexKey(full, ends);
}

bool IsBlankLine(const RegEntry& entry) { return !entry.value && Trim(entry.text).empty(); }

std::vector<RegEntry>::iterator FindEntry(std::vector<RegEntry>& entries, std::string_view name) {
  return std::find_if(entries.begin(), entries.end(), [&](const RegEntry& e) {
    return e.value && WinNameEquals(e.value->name, name);
  });
}

}  // namespace

RegFile RegFile::Parse(std::string_view bytes, std::vector<std::string>* problems) {
  problems->clear();
  RegFile file;
  const std::string text = DecodeText(bytes, problems);
  const std::vector<std::string_view> lines = SplitLines(text);
  if (lines.empty()) return file;
  auto problem = [&](size_t index, const std::string& what) {
    problems->push_back("line " + std::to_string(index + 1) + ": " + what);
  };
  const std::string_view header = Trim(lines[0]);
  const bool regedit4 = header == kHeader4;
  const bool has_header = regedit4 || header == kHeader;
  if (!has_header) problem(0, "not a registry file header");

  // The block that takes the lines that follow; kPreamble before any key.
  constexpr size_t kPreamble = kNone;
  size_t current = kPreamble;
  // The entries of the current block's values, by folded name.
  std::unordered_map<std::u16string, size_t> values;
  for (size_t n = has_header ? 1 : 0; n < lines.size(); ++n) {
    const std::string_view body = Trim(lines[n]);
    if (body.empty() || body.front() == ';') {
      (current != kPreamble ? file.keys_[current].entries : file.preamble_)
          .push_back({std::nullopt, std::string(lines[n])});
      continue;
    }
    if (body.front() == '[') {
      current = kPreamble;
      values.clear();
      auto path = KeyLinePath(body);
      if (!path) {
        problem(n, "bad key line");
        continue;
      }
      std::vector<size_t> ends;
      const std::u16string key = IndexKey(*path, &ends);
      const Node* same = file.NodeOf(key, ends, path->size());
      if (same && same->own != kNone) {
        problem(n, "key listed twice");
        current = same->own;
        const auto& entries = file.keys_[current].entries;
        for (size_t i = 0; i < entries.size(); ++i) {
          if (entries[i].value) values.emplace(WinNameKey(entries[i].value->name), i);
        }
      } else {
        current = file.keys_.size();
        file.keys_.push_back({std::move(*path), std::string(lines[n]), {}});
        file.Index(current, key, ends);
      }
      continue;
    }
    if (body.front() != '"' && body.front() != '@') {
      problem(n, "unknown line");
      continue;
    }
    const size_t first = n;
    std::string source(lines[n]);
    std::string entry(body);
    while (entry.ends_with('\\') && n + 1 < lines.size()) {
      entry.pop_back();
      ++n;
      source += "\r\n";
      source += lines[n];
      entry += Trim(lines[n]);
    }
    std::string error;
    auto value = ParseValueEntry(entry, regedit4, &error);
    if (!value) {
      problem(first, error);
      continue;
    }
    if (current == kPreamble) {
      problem(first, "value outside a key");
      continue;
    }
    auto& entries = file.keys_[current].entries;
    const auto [same, added] = values.try_emplace(WinNameKey(value->name), entries.size());
    if (!added) {
      problem(first, "value listed twice");
      entries[same->second].value = std::move(value);
      continue;
    }
    // A REGEDIT4 value is written afresh in the version 5 form.
    entries.push_back({std::move(value), regedit4 ? std::string() : source});
  }
  return file;
}

std::string RegFile::Serialize() const {
  // Sized first: a large file grown step by step is copied many times over.
  size_t size = kHeader.size() + 2;
  for (const RegKey& key : keys_) {
    size += key.text.size() + 2;
    for (const RegEntry& e : key.entries) size += e.text.size() + 2;
  }
  std::string out;
  out.reserve(size);
  out.append(kHeader).append("\r\n");
  auto put = [&out](const std::vector<RegEntry>& entries) {
    for (const RegEntry& e : entries) {
      if (e.value && e.text.empty()) {
        out += FormatValueEntry(*e.value);
      } else {
        out += e.text;
      }
      out += "\r\n";
    }
  };
  put(preamble_);
  for (const RegKey& key : keys_) {
    if (key.text.empty()) {
      out += '[';
      for (size_t i = 0; i < key.path.size(); ++i) out += (i ? "\\" : "") + key.path[i];
      out += ']';
    } else {
      out += key.text;
    }
    out += "\r\n";
    put(key.entries);
  }
  return out;
}

const RegFile::Node* RegFile::NodeOf(const std::u16string& key, const std::vector<size_t>& ends,
                                     size_t levels) const {
  const auto it = nodes_.find(std::u16string_view(key).substr(0, ends[levels]));
  return it == nodes_.end() ? nullptr : &it->second;
}

void RegFile::Index(size_t at, const std::u16string& key, const std::vector<size_t>& ends) {
  for (size_t levels = 1; levels < ends.size(); ++levels) {
    const std::u16string_view prefix = std::u16string_view(key).substr(0, ends[levels]);
    auto it = nodes_.find(prefix);
    if (it == nodes_.end()) it = nodes_.emplace(prefix, Node{at, at}).first;
    it->second.first = std::min(it->second.first, at);
    it->second.last = std::max(it->second.last, at);
  }
  nodes_.find(key)->second.own = at;
}

// Each level is spelled as in the first block (in file order) at or below
// it. A new block takes those spellings, so inserting one never changes them.
RegPath RegFile::Spell(const RegPath& path, size_t* known) const {
  std::vector<size_t> ends;
  const std::u16string key = MachineKey(path, &ends);
  RegPath spelled = path;
  *known = 0;
  for (size_t level = 0; level < path.size(); ++level) {
    const Node* node = NodeOf(key, ends, level + 2);  // the hive and level + 1 names
    if (!node) break;
    spelled[level] = keys_[node->first].path[level + 1];
    *known = level + 1;
  }
  return spelled;
}

std::optional<RegPath> RegFile::FindKey(const RegPath& path) const {
  size_t known = 0;
  RegPath spelled = Spell(path, &known);
  if (known < path.size()) return std::nullopt;
  return spelled;
}

std::optional<size_t> RegFile::BlockIndex(const RegPath& key) const {
  std::vector<size_t> ends;
  const std::u16string folded = MachineKey(key, &ends);
  const Node* node = NodeOf(folded, ends, ends.size() - 1);
  if (!node || node->own == kNone) return std::nullopt;
  return node->own;
}

const RegValue* RegFile::FindValue(const RegPath& key, std::string_view name) const {
  const auto index = BlockIndex(key);
  if (!index) return nullptr;
  for (const RegEntry& e : keys_[*index].entries) {
    if (e.value && WinNameEquals(e.value->name, name)) return &*e.value;
  }
  return nullptr;
}

size_t RegFile::PlaceFor(const RegPath& path) const {
  std::vector<size_t> ends;
  const std::u16string key = MachineKey(path, &ends);
  // A key that exists through its subkeys goes before the first of them.
  if (const Node* node = NodeOf(key, ends, ends.size() - 1)) return node->first;
  for (size_t levels = ends.size() - 1; levels-- > 1;) {
    if (const Node* node = NodeOf(key, ends, levels)) return node->last + 1;
  }
  return keys_.size();
}

std::vector<RegEntry>& RegFile::EnsureBlock(const RegPath& spelled) {
  if (const auto index = BlockIndex(spelled)) return keys_[*index].entries;
  const size_t at = PlaceFor(spelled);
  // Blocks are parted by a blank line, as regedit writes them.
  std::vector<RegEntry>& before = at == 0 ? preamble_ : keys_[at - 1].entries;
  if (before.empty() || !IsBlankLine(before.back())) before.push_back({});
  RegKey key;
  key.path.emplace_back(kMachine);
  key.path.insert(key.path.end(), spelled.begin(), spelled.end());
  key.entries.push_back({});
  keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(at), std::move(key));
  for (auto& [name, node] : nodes_) {
    for (size_t* index : {&node.first, &node.last, &node.own}) {
      if (*index != kNone && *index >= at) ++*index;
    }
  }
  std::vector<size_t> ends;
  Index(at, IndexKey(keys_[at].path, &ends), ends);
  return keys_[at].entries;
}

RegPath RegFile::AddKey(const RegPath& path) {
  size_t known = 0;
  RegPath spelled = Spell(path, &known);
  if (known < path.size()) EnsureBlock(spelled);
  return spelled;
}

void RegFile::SetValue(const RegPath& key, RegValue value) {
  size_t known = 0;
  std::vector<RegEntry>& entries = EnsureBlock(Spell(key, &known));
  const auto same = FindEntry(entries, value.name);
  if (same != entries.end()) {
    value.name = same->value->name;
    *same = {std::move(value), {}};
    return;
  }
  auto after_last = entries.begin();
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->value) after_last = it + 1;
  }
  entries.insert(after_last, {std::move(value), {}});
}

bool RegFile::RemoveValue(const RegPath& key, std::string_view name) {
  const auto index = BlockIndex(key);
  if (!index) return false;
  auto& entries = keys_[*index].entries;
  const auto it = FindEntry(entries, name);
  if (it == entries.end()) return false;
  entries.erase(it);
  return true;
}

}  // namespace qmon::platform::posix
