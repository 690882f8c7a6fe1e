// The INI engine on the in-memory disk. The input is the file's bytes, then
// NUL-separated operations of three parts each: section, key, value (a key
// or value of one byte 0x01 stands for null: delete the section or the key).
// After every operation the engine that edited its cached text answers as an
// engine that reads the file afresh; a write whose names and value the text
// can hold reads back, and sections other than the one named keep their keys.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "harness.h"
#include "platform/memory/memory_env.h"
#include "platform/profile/profile_engine.h"
#include "platform/profile/profile_text.h"

namespace {

using qmon::platform::memory::MemoryFileSystem;
using qmon::platform::profile::ProfileEngine;
using qmon::platform::profile::ProfileText;
using qmon::platform::profile::TrimProfileBlanks;

constexpr const char* kFile = "C:\\f\\a.ini";

std::string Get(ProfileEngine& engine, const char* section, const char* key) {
  return ProfileGet(engine, section, key, kFile);
}

// Every section name, key list and value, as one text.
std::string Answers(ProfileEngine& engine) {
  std::string all;
  for (const std::string& section : Split(Get(engine, nullptr, nullptr), '\0')) {
    const std::string keys = Get(engine, section.c_str(), nullptr);
    all += "|" + section + "|" + keys;
    for (const std::string& key : Split(keys, '\0')) {
      all += "|" + Get(engine, section.c_str(), key.c_str());
    }
  }
  return all;
}

// Each section's key names, in file order.
std::vector<std::string> KeyLists(const ProfileText& text) {
  std::vector<std::string> lists;
  for (const ProfileText::Section& section : text.sections()) {
    std::string keys(text.Name(section));
    for (const ProfileText::Key& key : text.Keys(section)) keys.append("\n").append(text.Name(key));
    lists.push_back(std::move(keys));
  }
  return lists;
}

// Whether a write of these lands as one line the text reads back as written.
bool Storable(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view name = TrimProfileBlanks(key);
  const bool quoted =
      value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
  return (std::string(section) + std::string(key) + std::string(value)).find_first_of("\r\n") ==
             std::string::npos &&
         key.find('=') == std::string_view::npos && !name.starts_with('[') &&
         !name.starts_with(';') && TrimProfileBlanks(value) == value && !quoted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = Split(Bytes(data, size), '\0');
  MemoryFileSystem fs;
  fs.MakeFolders("C:\\f");
  fs.Write(kFile, parts[0]);
  auto engine = fs.MakeProfile();
  Get(*engine, nullptr, nullptr);  // the text is cached from here on

  for (size_t i = 1; i + 2 < parts.size(); i += 3) {
    const std::string before = fs.Find(kFile)->bytes;
    const std::string &section = parts[i], &key = parts[i + 1], &value = parts[i + 2];
    const char* k = key == "\x01" ? nullptr : key.c_str();
    const char* v = value == "\x01" ? nullptr : value.c_str();
    engine->WriteString(section.c_str(), k, v, kFile);
    engine->WriteString(nullptr, nullptr, nullptr, kFile);  // the step ends: to the disk
    const std::string& after = fs.Find(kFile)->bytes;
    Check(Answers(*engine) == Answers(*fs.MakeProfile()));

    if ((section + key).find_first_of("\r\n") != std::string::npos) continue;
    if (k && v && !Storable(section, key, value)) continue;
    const ProfileText old_text(before), new_text(after);
    const ProfileText::Section* found = old_text.FindSection(section);
    // A new header, or a new key of the last section, runs into an unended last line.
    const bool appended =
        !found || (!old_text.FindKey(*found, key) && found == &old_text.sections().back());
    if (k && v && appended && before.find_last_of("\r\n") + 1 != before.size()) continue;
    if (k && v) Check(Get(*engine, section.c_str(), k) == value);

    // The sections but the one named keep their keys; a new one comes last.
    std::vector<std::string> expected = KeyLists(old_text), got = KeyLists(new_text);
    const size_t index =
        found ? static_cast<size_t>(found - old_text.sections().data()) : expected.size();
    if (!k && found) expected.erase(expected.begin() + index);
    if (k && index < expected.size()) expected[index] = got.at(index);
    if (k && v && !found) expected.push_back(got.at(index));
    Check(expected == got);
  }
  return 0;
}
