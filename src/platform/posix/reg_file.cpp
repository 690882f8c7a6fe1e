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
  lines.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
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

// The names of a "[a\b\c]" line (blanks around it allowed); false when it is
// malformed.
bool KeyLineNames(std::string_view line, std::vector<std::string_view>* names) {
  line = Trim(line);
  names->clear();
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
  std::string_view rest = line.substr(1, line.size() - 2);
  while (true) {
    const size_t slash = rest.find('\\');
    names->push_back(rest.substr(0, slash));
    if (names->back().empty()) return false;
    if (slash == std::string_view::npos) return true;
    rest.remove_prefix(slash + 1);
  }
}

// The name at `level` (the hive being 0) of a key's line.
std::string_view NameAt(const RegKey& key, size_t level) {
  std::string_view rest = Trim(key.text);
  rest = rest.substr(1, rest.size() - 2);
  for (; level > 0; --level) rest.remove_prefix(rest.find('\\') + 1);
  return rest.substr(0, rest.find('\\'));
}

uint64_t ChainHash(size_t parent, std::string_view name) {
  return WinNameHash(name) ^ (static_cast<uint64_t>(parent) * 0x9E3779B97F4A7C15);
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
  const std::string_view text = file.Keep(DecodeText(bytes, problems));
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
  std::vector<std::string_view> names;
  // The current block's values by the hash of their names: entry indexes.
  std::unordered_multimap<uint64_t, size_t> values;
  auto same_value = [&](const std::vector<RegEntry>& entries, std::string_view name) {
    const auto [from, to] = values.equal_range(WinNameHash(name));
    for (auto it = from; it != to; ++it) {
      if (WinNameEquals(entries[it->second].value->name, name)) return it->second;
    }
    return kNone;
  };
  for (size_t n = has_header ? 1 : 0; n < lines.size(); ++n) {
    const std::string_view body = Trim(lines[n]);
    if (body.empty() || body.front() == ';') {
      (current != kPreamble ? file.keys_[current].entries : file.preamble_)
          .push_back({std::nullopt, lines[n]});
      continue;
    }
    if (body.front() == '[') {
      current = kPreamble;
      values.clear();
      if (!KeyLineNames(body, &names)) {
        problem(n, "bad key line");
        continue;
      }
      size_t node = kNone;
      for (const std::string_view name : names) {
        node = file.Child(node, name);
        if (node == kNone) break;
      }
      if (node != kNone && file.nodes_[node].own != kNone) {
        problem(n, "key listed twice");
        current = file.nodes_[node].own;
        const auto& entries = file.keys_[current].entries;
        for (size_t i = 0; i < entries.size(); ++i) {
          if (entries[i].value) values.emplace(WinNameHash(entries[i].value->name), i);
        }
      } else {
        current = file.keys_.size();
        file.keys_.push_back({lines[n], {}});
        file.Index(current, names);
      }
      continue;
    }
    if (body.front() != '"' && body.front() != '@') {
      problem(n, "unknown line");
      continue;
    }
    const size_t first = n;
    std::string entry(body);
    while (entry.ends_with('\\') && n + 1 < lines.size()) {
      entry.pop_back();
      ++n;
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
    if (const size_t same = same_value(entries, value->name); same != kNone) {
      problem(first, "value listed twice");
      entries[same].value = std::move(value);
      continue;
    }
    values.emplace(WinNameHash(value->name), entries.size());
    // The lines as read, CR LF between them; a REGEDIT4 value is written
    // afresh in the version 5 form.
    std::string_view source;
    if (!regedit4) {
      source = {lines[first].data(), static_cast<size_t>(lines[n].data() + lines[n].size() -
                                                         lines[first].data())};
      bool crlf = true;
      for (size_t k = source.find('\n'); crlf && k != std::string_view::npos;
           k = source.find('\n', k + 1)) {
        crlf = source[k - 1] == '\r';
      }
      if (!crlf) {
        std::string joined(lines[first]);
        for (size_t k = first + 1; k <= n; ++k) joined.append("\r\n").append(lines[k]);
        source = file.Keep(std::move(joined));
      }
    }
    entries.push_back({std::move(value), source});
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
    out.append(key.text).append("\r\n");
    put(key.entries);
  }
  return out;
}

std::string_view RegFile::Keep(std::string text) {
  texts_.push_back(std::make_unique<std::string>(std::move(text)));
  return *texts_.back();
}

size_t RegFile::Child(size_t parent, std::string_view name) const {
  const auto it = chains_.find(ChainHash(parent, name));
  for (size_t i = it == chains_.end() ? kNone : it->second; i != kNone; i = nodes_[i].next) {
    const Node& node = nodes_[i];
    if (node.parent == parent && WinNameEquals(NameAt(keys_[node.first], node.level), name)) {
      return i;
    }
  }
  return kNone;
}

size_t RegFile::NodeOf(const RegPath& path, size_t levels) const {
  size_t node = Child(kNone, kMachine);
  for (size_t level = 0; level < levels && node != kNone; ++level) {
    node = Child(node, path[level]);
  }
  return node;
}

void RegFile::Index(size_t at, const std::vector<std::string_view>& names) {
  size_t node = kNone;
  for (size_t level = 0; level < names.size(); ++level) {
    size_t child = Child(node, names[level]);
    if (child == kNone) {
      child = nodes_.size();
      auto [chain, added] = chains_.try_emplace(ChainHash(node, names[level]), child);
      nodes_.push_back({node, level, at, at, kNone, added ? kNone : chain->second});
      chain->second = child;
    }
    Node& entered = nodes_[child];
    entered.first = std::min(entered.first, at);
    entered.last = std::max(entered.last, at);
    node = child;
  }
  nodes_[node].own = at;
}

// Each level is spelled as in the first block (in file order) at or below
// it. A new block takes those spellings, so inserting one never changes them.
RegPath RegFile::Spell(const RegPath& path, size_t* known) const {
  RegPath spelled = path;
  *known = 0;
  size_t node = Child(kNone, kMachine);
  for (size_t level = 0; level < path.size() && node != kNone; ++level) {
    node = Child(node, path[level]);
    if (node == kNone) break;
    spelled[level] = NameAt(keys_[nodes_[node].first], level + 1);
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
  const size_t node = NodeOf(key, key.size());
  if (node == kNone || nodes_[node].own == kNone) return std::nullopt;
  return nodes_[node].own;
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
  // A key that exists through its subkeys goes before the first of them.
  if (const size_t node = NodeOf(path, path.size()); node != kNone) return nodes_[node].first;
  for (size_t levels = path.size(); levels-- > 0;) {
    if (const size_t node = NodeOf(path, levels); node != kNone) return nodes_[node].last + 1;
  }
  return keys_.size();
}

std::vector<RegEntry>& RegFile::EnsureBlock(const RegPath& spelled) {
  if (const auto index = BlockIndex(spelled)) return keys_[*index].entries;
  const size_t at = PlaceFor(spelled);
  // Blocks are parted by a blank line, as regedit writes them.
  std::vector<RegEntry>& before = at == 0 ? preamble_ : keys_[at - 1].entries;
  if (before.empty() || !IsBlankLine(before.back())) before.push_back({});
  std::string line = "[" + std::string(kMachine);
  for (const std::string& name : spelled) line += "\\" + name;
  RegKey key{Keep(line + "]"), {}};
  key.entries.push_back({});
  keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(at), std::move(key));
  for (Node& node : nodes_) {
    for (size_t* index : {&node.first, &node.last, &node.own}) {
      if (*index != kNone && *index >= at) ++*index;
    }
  }
  std::vector<std::string_view> names{kMachine};
  names.insert(names.end(), spelled.begin(), spelled.end());
  Index(at, names);
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
