#include "support/fault_env.h"

#include <set>
#include <utility>

#include "platform/cp1252.h"
#include "platform/md5_builtin.h"
#include "platform/vb_error.h"
#include "support/forwarding_fs.h"

namespace qmon::test {
namespace {

using platform::Hkey;
using platform::memory::NameKey;
using Stream = std::unique_ptr<platform::TextStream>;
using Entry = platform::memory::MemoryFileSystem::Entry;
using platform::kErrorDiskFull;
using platform::kErrorSharingViolation;
constexpr int32_t kDiskFull = 61;  // the runtime's "Disk full"

// A failed query answers "not there", a failed change raises.
class FaultFs final : public ForwardingFileSystem {
 public:
  FaultFs(FaultEnv& f, platform::FileSystem& inner) : ForwardingFileSystem(inner), f_(f) {}
  bool FileExists(const std::string& p) override {
    return !f_.Fails("FileExists", p) && inner_.FileExists(p);
  }
  bool FolderExists(const std::string& p) override {
    return !f_.Fails("FolderExists", p) && inner_.FolderExists(p);
  }
  void CreateFolder(const std::string& p) override {
    Inner("CreateFolder", p, vberr::kPathFileAccess).CreateFolder(p);
  }
  std::vector<std::string> ListFiles(const std::string& p) override {
    return Inner("ListFiles", p, vberr::kPermissionDenied).ListFiles(p);
  }
  void CopyOver(const std::string& from, const std::string& to) override {
    Inner("CopyOver", to, kDiskFull).CopyOver(from, to);
  }
  void RemoveFile(const std::string& p, bool force) override {
    Inner("RemoveFile", p, vberr::kPermissionDenied).RemoveFile(p, force);
  }
  Stream CreateText(const std::string& p) override {
    return Inner("CreateText", p, kDiskFull).CreateText(p);
  }
  Stream OpenTextForAppend(const std::string& p) override {
    return Inner("OpenTextForAppend", p, kDiskFull).OpenTextForAppend(p);
  }
  std::optional<std::string> ReadBytes(const std::string& p) override {
    return f_.Fails("ReadBytes", p) ? std::nullopt : inner_.ReadBytes(p);
  }
  uint32_t ShortPathName(const char* p, char* b, uint32_t n) override {
    return f_.Fails("ShortPathName", p) ? 0 : inner_.ShortPathName(p, b, n);
  }

 private:
  platform::FileSystem& Inner(const char* what, const std::string& path, int32_t number) {
    if (f_.Fails(what, path)) throw VbError(number);
    return inner_;
  }
  FaultEnv& f_;
};

// Reads find the file shared away, writes the disk full.
class FaultDisk final : public platform::profile::ProfileDisk {
 public:
  FaultDisk(FaultEnv& f, std::unique_ptr<ProfileDisk> inner) : f_(f), inner_(std::move(inner)) {}
  int32_t Stat(const std::string& p, platform::FileStamp* s, bool* ro) override {
    return f_.Fails("Stat", p) ? kErrorSharingViolation : inner_->Stat(p, s, ro);
  }
  int32_t ReadWhole(const std::string& p, std::string* b, platform::FileStamp* s) override {
    return f_.Fails("ReadWhole", p) ? kErrorSharingViolation : inner_->ReadWhole(p, b, s);
  }
  int32_t CreateNew(const std::string& p, std::string_view b, platform::FileStamp* s) override {
    return f_.Fails("CreateNew", p) ? kErrorDiskFull : inner_->CreateNew(p, b, s);
  }
  int32_t ReplaceWhole(const std::string& p, std::string_view b, platform::FileStamp* s) override {
    return f_.Fails("ReplaceWhole", p) ? kErrorDiskFull : inner_->ReplaceWhole(p, b, s);
  }

 private:
  FaultEnv& f_;
  std::unique_ptr<ProfileDisk> inner_;
};

// Reads answer an I/O failure, changes a full disk.
class FaultRegistry final : public platform::Registry {
 public:
  FaultRegistry(FaultEnv& f, platform::Registry& inner) : f_(f), inner_(inner) {}
  int32_t OpenKeyEx(Hkey root, const std::string& sub, uint32_t o, uint32_t a, Hkey* r) override {
    return Fails() ? platform::kErrorRegistryIoFailed : inner_.OpenKeyEx(root, sub, o, a, r);
  }
  int32_t CreateKey(Hkey root, const std::string& sub, Hkey* r) override {
    return Fails() ? kErrorDiskFull : inner_.CreateKey(root, sub, r);
  }
  int32_t QueryValueEx(Hkey k, const std::string& n, uint32_t* t, uint8_t* d,
                       uint32_t* s) override {
    return Fails() ? platform::kErrorRegistryIoFailed : inner_.QueryValueEx(k, n, t, d, s);
  }
  int32_t SetValueEx(Hkey k, const std::string& n, uint32_t t, const uint8_t* d,
                     uint32_t s) override {
    return Fails() ? kErrorDiskFull : inner_.SetValueEx(k, n, t, d, s);
  }
  int32_t DeleteValue(Hkey k, const std::string& n) override {
    return Fails() ? kErrorDiskFull : inner_.DeleteValue(k, n);
  }
  int32_t CloseKey(Hkey k) override { return inner_.CloseKey(k); }

 private:
  bool Fails() { return f_.Fails("registry", "registry"); }
  FaultEnv& f_;
  platform::Registry& inner_;
};

// A field of every file of the machine but the run log's.
template <class T>
std::map<std::string, T> Each(const TestMachine& m, T Entry::* field) {
  std::map<std::string, T> each;
  for (const auto& [path, entry] : m.Files()) each[path] = entry->*field;
  return each;
}

}  // namespace

Files Snapshot(const TestMachine& m) { return Each(m, &Entry::bytes); }

struct FaultEnv::Parts {
  Parts(FaultEnv& f, TestMachine& m)
      : fs(f, m.fs),
        registry(f, m.registry),
        profile(std::make_unique<FaultDisk>(f, m.fs.MakeDisk()),
                [](const char* ansi) { return platform::Utf8FromCp1252(ansi); }) {}
  FaultFs fs;
  FaultRegistry registry;
  platform::profile::ProfileEngine profile;
  platform::BuiltinMd5 md5{fs};
};

FaultEnv::FaultEnv(TestMachine& m, int64_t fail_at, int64_t record_from)
    : m_(m),
      fail_at_(fail_at),
      record_from_(record_from),
      parts_(std::make_unique<Parts>(*this, m)) {
  versions_ = Each(m, &Entry::version);
  seen_ = m.fs.changes();
  history.before = Snapshot(m);
}

FaultEnv::~FaultEnv() = default;

platform::Env FaultEnv::env() {
  platform::Env env = m_.env();
  env.registry = &parts_->registry;
  env.profile = &parts_->profile;
  env.fs = &parts_->fs;
  env.md5 = &parts_->md5;
  return env;
}

bool FaultEnv::Fails(const char* what, const std::string& target) {
  Record();
  last_target_ = target;
  if (++calls != fail_at_) return false;
  faulted = std::string(what) + " " + target;
  return true;
}

void FaultEnv::Record() {
  if (calls == 0) return;
  std::map<std::string, Version> changes;
  if (m_.fs.changes() != seen_) {  // what the last call changed
    seen_ = m_.fs.changes();
    std::map<std::string, uint64_t> now = Each(m_, &Entry::version);
    for (const auto& [path, version] : now) {
      if (!versions_.count(path) || versions_[path] != version) changes[path] = m_.Get(path);
    }
    for (const auto& [path, version] : versions_) {
      if (!now.count(path)) changes[path] = std::nullopt;
    }
    versions_ = std::move(now);
  }
  if (calls < record_from_) changes.clear();
  history.calls.push_back({NameKey(last_target_), std::move(changes)});
}

// ---- The allowed-state rule -------------------------------------------------

namespace {

// Whether a call addressed something other than `file` and the run log.
bool MovesOn(const std::string& target, const std::string& file) {
  return !target.empty() && target != file && target.find("APPLICATIONLOG") == std::string::npos;
}

Version At(const Files& files, const std::string& file) {
  const auto it = files.find(file);
  return it == files.end() ? Version() : Version(it->second);
}

std::set<Version> Settled(const History& h, const std::string& file) {
  Version now = At(h.before, file);
  std::set<Version> settled = {now};
  bool left = true;
  for (const auto& call : h.calls) {
    if (const auto it = call.changes.find(file); it != call.changes.end()) {
      now = it->second;
      left = false;
      if (!now) settled.insert(now);  // a file the program deletes may stay deleted
    } else if (!left && MovesOn(call.target, file)) {
      settled.insert(now);
      left = true;
    }
  }
  settled.insert(now);
  return settled;
}

// Whether `file` ends a run that failed its call `fault` whole. From the
// fault on, its writes come in bursts that no other work separates; a burst
// that began after the program had gone on to other work is undisturbed, and
// over a whole version (or none, or an empty one) it leaves a whole one.
bool EndsWhole(const History& reference, const History& run, size_t fault, const std::string& file,
               const std::set<Version>& settled) {
  Version now = At(reference.before, file);
  for (size_t i = 0; i < fault && i < reference.calls.size(); ++i) {
    if (const auto it = reference.calls[i].changes.find(file);
        it != reference.calls[i].changes.end()) {
      now = it->second;
    }
  }
  bool whole = settled.count(now) > 0, wentOn = false, left = true, undisturbed = false;
  bool baseWhole = whole;
  for (size_t i = fault; i < run.calls.size(); ++i) {
    if (const auto it = run.calls[i].changes.find(file); it != run.calls[i].changes.end()) {
      if (left) {
        undisturbed = wentOn;
        baseWhole = whole || !now || now->empty();
        left = false;
      }
      now = it->second;
      whole = settled.count(now) > 0 || (undisturbed && baseWhole);
    } else if (MovesOn(run.calls[i].target, file)) {
      left = wentOn = true;
    }
  }
  return whole;
}

}  // namespace

void Violations(std::vector<std::string>& violations, const std::string& at,
                const History& reference, const Files& expected, Files end, const Files& restored,
                const History& run, size_t fault) {
  std::erase_if(end, [&](const auto& file) {
    return !reference.before.count(file.first) && !restored.count(file.first);
  });
  std::set<std::string> files;
  for (const auto& [path, bytes] : end) files.insert(path);
  for (const auto& [path, bytes] : reference.before) files.insert(path);
  for (const auto& call : reference.calls) {
    for (const auto& [path, version] : call.changes) files.insert(path);
  }
  for (const auto& file : files) {
    const Version held = At(end, file);
    const std::set<Version> settled = Settled(reference, file);
    if (settled.count(held) || EndsWhole(reference, run, fault, file, settled)) continue;
    violations.push_back(at + ": torn " + file + ", " +
                         (held ? std::to_string(held->size()) + " bytes never left by a step"
                               : std::string("missing")));
  }
  for (const auto& [file, bytes] : expected) {
    if (At(restored, file) != bytes) violations.push_back(at + ": not restored " + file);
  }
}

}  // namespace qmon::test
