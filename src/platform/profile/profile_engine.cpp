#include "platform/profile/profile_engine.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/profile/profile_answer.h"

namespace qmon::platform::profile {
namespace {

// GetPrivateProfileIntA looks at no more of a value than this buffer holds.
constexpr uint32_t kIntBuffer = 256;

}  // namespace

uint32_t ProfileEngine::SectionNames(const ProfileText* text, char* buffer, uint32_t size) const {
  std::vector<std::string_view> names;
  if (text) {
    for (const ProfileText::Section& section : text->sections()) {
      names.push_back(text->Name(section));
    }
  }
  return CopyList(names, buffer, size);
}

uint32_t ProfileEngine::GetString(const char* section, const char* key, const char* def,
                                  char* buffer, uint32_t size, const char* file) {
  last_error_ = 0;
  const ProfileText* text = store_.Load(DiskPath(file), &last_error_);
  if (section == nullptr) return SectionNames(text, buffer, size);

  const ProfileText::Section* found = text ? text->FindSection(section) : nullptr;
  if (found && key == nullptr && !text->Keys(*found).empty()) {
    std::vector<std::string_view> names;
    for (const ProfileText::Key& entry : text->Keys(*found)) names.push_back(text->Name(entry));
    return CopyList(names, buffer, size);
  }
  const ProfileText::Key* entry = found && key ? text->FindKey(*found, key) : nullptr;
  if (entry) return CopyValue(ReadableValue(text->RawValue(*entry)), buffer, size);
  return CopyValue(DefaultText(def), buffer, size);
}

uint32_t ProfileEngine::GetInt(const char* section, const char* key, int32_t def,
                               const char* file) {
  char value[kIntBuffer];
  const uint32_t count = GetString(section, key, "", value, kIntBuffer, file);
  if (count == 0) return static_cast<uint32_t>(def);
  return ParseProfileInt(std::string_view(value, count));
}

uint32_t ProfileEngine::GetSectionNames(char* buffer, uint32_t size, const char* file) {
  last_error_ = 0;
  return SectionNames(store_.Load(DiskPath(file), &last_error_), buffer, size);
}

const std::string& ProfileEngine::WritePath(const char* file) {
  const char* name = file ? file : "";
  if (write_file_ != name || !store_.Pending(write_path_)) {
    write_file_ = name;
    write_path_ = DiskPath(file);
  }
  return write_path_;
}

bool ProfileEngine::WriteString(const char* section, const char* key, const char* value,
                                const char* file) {
  if (section == nullptr) {
    // All three null flush the writes kept for the file, or for every file.
    if (key != nullptr || value != nullptr) {
      last_error_ = kErrorFileNotFound;
    } else {
      last_error_ = file ? store_.Flush(DiskPath(file)) : store_.FlushAll();
    }
    return false;
  }
  last_error_ = store_.Update(WritePath(file), section, key, value);
  return last_error_ == kErrorSuccess;
}

}  // namespace qmon::platform::profile
