// The emulated machine's system.reg. A file that parses cleanly serialises to
// a file that parses cleanly to the same text; every key and value found
// answers lookups; values written afresh read back as they were.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "harness.h"
#include "platform/posix/reg_file.h"

namespace {

using qmon::platform::posix::RegFile;
using qmon::platform::posix::RegPath;
using qmon::platform::posix::RegValue;

// The paths below HKEY_LOCAL_MACHINE of the [..] lines, and the names of the
// "name"= and @= lines (escapes kept: a name with one just finds nothing).
struct Listed {
  std::vector<RegPath> keys;
  std::vector<std::string> names;
};

Listed List(const std::string& text) {
  constexpr std::string_view kMachine = "[HKEY_LOCAL_MACHINE\\";
  Listed listed;
  for (std::string_view line : Split(text, '\n')) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.starts_with(kMachine) && line.ends_with(']')) {
      line.remove_prefix(kMachine.size());
      listed.keys.push_back(Split(line.substr(0, line.size() - 1), '\\'));
    } else if (line.starts_with("@=")) {
      listed.names.emplace_back();
    } else if (const size_t close = line.find("\"=", 1); line.starts_with('"') && close != line.npos) {
      listed.names.emplace_back(line.substr(1, close - 1));
    }
  }
  return listed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> problems;
  RegFile file = RegFile::Parse(Bytes(data, size), &problems);
  const std::string text = file.Serialize();
  if (!problems.empty()) return 0;

  RegFile rewritten = RegFile::Parse(text, &problems);
  Check(problems.empty() && rewritten.Serialize() == text);

  // Every value rewritten in regedit's own format reads back alike.
  const Listed listed = List(text);
  for (const RegPath& key : listed.keys) {
    Check(file.FindKey(key).has_value());
    for (const std::string& name : listed.names) {
      if (const RegValue* value = file.FindValue(key, name)) rewritten.SetValue(key, *value);
    }
  }
  const RegFile reread = RegFile::Parse(rewritten.Serialize(), &problems);
  Check(problems.empty());
  for (const RegPath& key : listed.keys) {
    for (const std::string& name : listed.names) {
      const RegValue* value = file.FindValue(key, name);
      const RegValue* again = reread.FindValue(key, name);
      Check(!value || (again && value->type == again->type && value->data == again->data));
    }
  }
  return 0;
}
