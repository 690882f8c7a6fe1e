#include "platform/profile/profile_store.h"

#include <string_view>
#include <utility>

#include "platform/env.h"

namespace qmon::platform::profile {
namespace {

// A change this close to the end rewrites only the rest of the file, in place,
// as Windows writes: the conversion keeps changing the length of a key in the
// last section, and a whole-file rewrite each time would make its work grow
// with the square of the file's size. Changes further in replace the file.
constexpr size_t kTailLimit = 64 * 1024;

}  // namespace

ProfileStore::Cached* ProfileStore::Fresh(const std::string& path, const FileStamp& stamp,
                                          int32_t* error) {
  const auto cached = files_.find(path);
  if (cached != files_.end() && cached->second.stamp == stamp) return &cached->second;

  Cached entry;
  std::string bytes;
  if (const int32_t err = disk_.ReadWhole(path, &bytes, &entry.stamp)) {
    *error = err;
    files_.erase(path);
    return nullptr;
  }
  ++stats_.loads;
  entry.text = ProfileText(std::move(bytes));
  return &files_.insert_or_assign(path, std::move(entry)).first->second;
}

const ProfileText* ProfileStore::Load(const std::string& path, int32_t* error) {
  FileStamp stamp;
  bool read_only = false;
  if (const int32_t err = disk_.Stat(path, &stamp, &read_only)) {
    *error = err;
    files_.erase(path);
    return nullptr;
  }
  const Cached* cached = Fresh(path, stamp, error);
  return cached ? &cached->text : nullptr;
}

int32_t ProfileStore::Update(const std::string& path, const Plan& plan) {
  FileStamp stamp;
  bool read_only = false;
  if (const int32_t err = disk_.Stat(path, &stamp, &read_only)) {
    if (err != kErrorFileNotFound) return err;
    files_.erase(path);
    Cached created;
    if (const std::optional<TextEdit> edit = plan(ProfileText())) created.text.Apply(*edit);
    const std::string& bytes = created.text.bytes();
    if (const int32_t failed = disk_.CreateNew(path, bytes, &created.stamp)) return failed;
    ++stats_.rewrites;
    stats_.bytes_written += bytes.size();
    files_.insert_or_assign(path, std::move(created));
    return 0;
  }
  if (read_only) return kErrorAccessDenied;

  int32_t error = 0;
  Cached* cached = Fresh(path, stamp, &error);
  if (cached == nullptr) return error;
  const std::optional<TextEdit> edit = plan(cached->text);
  if (!edit) return 0;
  error = Write(path, *cached, *edit);
  if (error != 0) files_.erase(path);  // the disk may hold either version
  return error;
}

int32_t ProfileStore::Write(const std::string& path, Cached& cached, const TextEdit& edit) {
  const size_t old_size = cached.text.bytes().size();
  const bool in_place = edit.erase == edit.insert.size();
  const bool at_end = edit.erase == 0 && edit.offset == old_size;
  const bool near_end = old_size - edit.offset <= kTailLimit;
  if (cached.text.Apply(edit)) ++stats_.reparses;
  const std::string_view bytes = cached.text.bytes();

  std::string_view written = edit.insert;
  int32_t error = 0;
  if (in_place || at_end) {
    error = disk_.WriteAt(path, written, edit.offset, std::nullopt, &cached.stamp);
    if (error == 0) ++(at_end ? stats_.appends : stats_.in_place);
  } else if (near_end) {
    written = bytes.substr(edit.offset);
    error = disk_.WriteAt(path, written, edit.offset, bytes.size(), &cached.stamp);
    if (error == 0) ++stats_.tails;
  } else {
    written = bytes;
    error = disk_.ReplaceWhole(path, written, &cached.stamp);
    if (error == 0) ++stats_.rewrites;
  }
  if (error == 0) stats_.bytes_written += written.size();
  return error;
}

}  // namespace qmon::platform::profile
