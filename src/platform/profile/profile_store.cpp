#include "platform/profile/profile_store.h"

#include <utility>
#include <vector>

#include "platform/env.h"
#include "platform/profile/profile_edit.h"

namespace qmon::platform::profile {

void ProfileStore::Replay(Cached& cached) {
  cached.pending.ForEach([&cached](const char* section, const char* key, const char* value) {
    if (const std::optional<TextEdit> edit = PlanProfileWrite(cached.text, section, key, value)) {
      cached.text.Apply(*edit);
    }
  });
}

ProfileStore::Cached* ProfileStore::Fresh(const std::string& path, int32_t stat_error,
                                          const FileStamp& stamp, int32_t* error) {
  const auto found = files_.find(path);
  Cached* cached = found == files_.end() ? nullptr : &found->second;
  if (stat_error == kErrorFileNotFound && cached && cached->dirty()) {
    // Gone from disk before the flush: the pending writes make it anew.
    if (cached->on_disk) {
      cached->on_disk = false;
      cached->text = ProfileText();
      Replay(*cached);
    }
    return cached;
  }
  if (stat_error == 0 && cached && cached->on_disk && cached->stamp == stamp) return cached;

  std::string bytes;
  FileStamp read_stamp;
  if (const int32_t err = stat_error ? stat_error : disk_.ReadWhole(path, &bytes, &read_stamp)) {
    *error = err;
    if (cached && !cached->dirty()) files_.erase(found);
    return nullptr;
  }
  Cached& entry = cached ? *cached : files_[path];
  entry.stamp = read_stamp;
  entry.on_disk = true;
  entry.text = ProfileText(std::move(bytes));
  Replay(entry);
  return &entry;
}

const ProfileText* ProfileStore::Load(const std::string& path, int32_t* error) {
  FileStamp stamp;
  bool read_only = false;
  const Cached* cached = Fresh(path, disk_.Stat(path, &stamp, &read_only), stamp, error);
  return cached ? &cached->text : nullptr;
}

void ProfileStore::Keep(Cached& cached, const char* section, const char* key, const char* value,
                        bool always) {
  const std::optional<TextEdit> edit = PlanProfileWrite(cached.text, section, key, value);
  if (!edit && !always) return;
  if (edit) cached.text.Apply(*edit);
  cached.pending.Add(section, key, value);
}

int32_t ProfileStore::Update(const std::string& path, const char* section, const char* key,
                             const char* value) {
  if (const auto failed = failed_.find(path); failed != failed_.end()) return failed->second;
  if (const auto found = files_.find(path); found != files_.end() && found->second.dirty()) {
    Keep(found->second, section, key, value, true);
    return 0;
  }
  FileStamp stamp;
  bool read_only = false;
  const int32_t stat_error = disk_.Stat(path, &stamp, &read_only);
  if (stat_error != 0 && stat_error != kErrorFileNotFound) return failed_[path] = stat_error;
  if (read_only) return kErrorAccessDenied;

  int32_t error = 0;
  Cached* cached = Fresh(path, stat_error, stamp, &error);
  if (cached == nullptr) {
    if (error != kErrorFileNotFound) return failed_[path] = error;
    cached = &files_[path];  // a new file, made by the flush
  }
  Keep(*cached, section, key, value, false);
  return 0;
}

int32_t ProfileStore::Flush(const std::string& path) {
  if (const auto failed = failed_.extract(path)) {
    files_.erase(path);
    return failed.mapped();
  }
  const auto found = files_.find(path);
  if (found == files_.end() || !found->second.dirty()) return 0;

  FileStamp stamp;
  bool read_only = false;
  int32_t error = disk_.Stat(path, &stamp, &read_only);
  if (error == 0 && read_only) error = kErrorAccessDenied;
  if (error == 0 || error == kErrorFileNotFound) {
    if (Cached* cached = Fresh(path, error, stamp, &error)) {
      const std::string& bytes = cached->text.bytes();
      error = cached->on_disk ? disk_.ReplaceWhole(path, bytes, &cached->stamp)
                              : disk_.CreateNew(path, bytes, &cached->stamp);
      if (error == 0) {
        cached->on_disk = true;
        cached->pending.clear();
        return 0;
      }
    }
  }
  files_.erase(path);  // the file on disk counts again
  return error;
}

int32_t ProfileStore::FlushAll() {
  std::vector<std::string> dirty;
  for (const auto& [path, cached] : files_) {
    if (cached.dirty() && !failed_.count(path)) dirty.push_back(path);
  }
  for (const auto& [path, error] : failed_) dirty.push_back(path);
  int32_t first_error = 0;
  for (const std::string& path : dirty) {
    const int32_t error = Flush(path);
    if (first_error == 0) first_error = error;
  }
  return first_error;
}

}  // namespace qmon::platform::profile
