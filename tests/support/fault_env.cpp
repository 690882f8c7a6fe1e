#include "support/fault_env.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "platform/memory/memory_env.h"
#include "platform/vb_error.h"
#include "support/forwarding_fs.h"

namespace qmon::test {
namespace {

using platform::Hkey;
constexpr int32_t kErrorDiskFull = 112;
constexpr int32_t kDiskFull = 61;  // the runtime's "Disk full"
const std::string kRegistry = "registry";
const std::string kPost = "post";

// The failure of a call that raises.
template <typename T>
auto Raise(int32_t number) {
  return [number]() -> T { throw VbError(number); };
}
template <typename T>
auto Answer(T value) {
  return [value] { return value; };
}

class FaultStream final : public platform::TextStream {
 public:
  FaultStream(FaultEnv& env, std::unique_ptr<platform::TextStream> inner, std::string path)
      : env_(env), inner_(std::move(inner)), path_(std::move(path)) {}
  void Write(std::string_view text) override {
    env_.Call("Write", path_, [&] { inner_->Write(text); }, Raise<void>(kDiskFull));
  }
  void WriteLine(std::string_view text) override {
    env_.Call("WriteLine", path_, [&] { inner_->WriteLine(text); }, Raise<void>(kDiskFull));
  }
  void Close() override {
    env_.Call("Close", path_, [&] { inner_->Close(); }, Raise<void>(kDiskFull));
  }

 private:
  FaultEnv& env_;
  std::unique_ptr<platform::TextStream> inner_;
  std::string path_;
};

class FaultFileSystem final : public ForwardingFileSystem {
 public:
  FaultFileSystem(FaultEnv& env, platform::FileSystem& inner)
      : ForwardingFileSystem(inner), env_(env) {}
  using Stream = std::unique_ptr<platform::TextStream>;

  // An unreadable path is not there, as the runtime answers.
  bool FileExists(const std::string& p) override {
    return env_.Call("FileExists", p, [&] { return inner_.FileExists(p); }, Answer(false));
  }
  bool FolderExists(const std::string& p) override {
    return env_.Call("FolderExists", p, [&] { return inner_.FolderExists(p); }, Answer(false));
  }
  void CreateFolder(const std::string& p) override {
    env_.Call("CreateFolder", p, [&] { inner_.CreateFolder(p); },
              Raise<void>(vberr::kPathFileAccess));
  }
  std::vector<std::string> ListFiles(const std::string& p) override {
    return env_.Call("ListFiles", p, [&] { return inner_.ListFiles(p); },
                     Raise<std::vector<std::string>>(vberr::kPermissionDenied));
  }
  void CopyOver(const std::string& from, const std::string& to) override {
    env_.Call("CopyOver", to, [&] { inner_.CopyOver(from, to); }, Raise<void>(kDiskFull));
  }
  void RemoveFile(const std::string& p, bool force) override {
    env_.Call("RemoveFile", p, [&] { inner_.RemoveFile(p, force); },
              Raise<void>(vberr::kPermissionDenied));
  }
  Stream CreateText(const std::string& p) override {
    return Wrap(p, env_.Call("CreateText", p, [&] { return inner_.CreateText(p); },
                             Raise<Stream>(vberr::kPathFileAccess)));
  }
  Stream OpenTextForAppend(const std::string& p) override {
    return Wrap(p, env_.Call("OpenTextForAppend", p, [&] { return inner_.OpenTextForAppend(p); },
                             Raise<Stream>(vberr::kPathFileAccess)));
  }
  std::optional<std::string> ReadBytes(const std::string& p) override {
    return env_.Call("ReadBytes", p, [&] { return inner_.ReadBytes(p); },
                     Answer(std::optional<std::string>()));
  }
  uint32_t ShortPathName(const char* p, char* buffer, uint32_t size) override {
    return env_.Call("ShortPathName", p, [&] { return inner_.ShortPathName(p, buffer, size); },
                     Answer(0u));
  }
  bool SetAttributesNormal(const char* p) override {
    return env_.Call("SetAttributesNormal", p, [&] { return inner_.SetAttributesNormal(p); },
                     Answer(false));
  }
  bool MakeSureDirectoryPathExists(const char* p) override {
    return env_.Call("MakeSureDirectoryPathExists", p,
                     [&] { return inner_.MakeSureDirectoryPathExists(p); }, Answer(false));
  }

 private:
  Stream Wrap(const std::string& path, Stream inner) {
    return std::make_unique<FaultStream>(env_, std::move(inner), path);
  }
  FaultEnv& env_;
};

// Reads answer an I/O failure, changes a full disk.
class FaultRegistry final : public platform::Registry {
 public:
  FaultRegistry(FaultEnv& env, platform::Registry& inner) : env_(env), inner_(inner) {}
  int32_t OpenKeyEx(Hkey root, const std::string& subkey, uint32_t options, uint32_t access,
                    Hkey* result) override {
    return Do("RegOpenKeyEx", [&] { return inner_.OpenKeyEx(root, subkey, options, access, result); },
              platform::kErrorRegistryIoFailed);
  }
  int32_t CreateKey(Hkey root, const std::string& subkey, Hkey* result) override {
    return Do("RegCreateKey", [&] { return inner_.CreateKey(root, subkey, result); },
              kErrorDiskFull);
  }
  int32_t QueryValueEx(Hkey key, const std::string& name, uint32_t* type, uint8_t* data,
                       uint32_t* size) override {
    return Do("RegQueryValueEx", [&] { return inner_.QueryValueEx(key, name, type, data, size); },
              platform::kErrorRegistryIoFailed);
  }
  int32_t SetValueEx(Hkey key, const std::string& name, uint32_t type, const uint8_t* data,
                     uint32_t size) override {
    return Do("RegSetValueEx", [&] { return inner_.SetValueEx(key, name, type, data, size); },
              kErrorDiskFull);
  }
  int32_t DeleteValue(Hkey key, const std::string& name) override {
    return Do("RegDeleteValue", [&] { return inner_.DeleteValue(key, name); }, kErrorDiskFull);
  }
  int32_t CloseKey(Hkey key) override {
    return Do("RegCloseKey", [&] { return inner_.CloseKey(key); },
              platform::kErrorRegistryIoFailed);
  }

 private:
  template <typename Forward>
  int32_t Do(const char* what, Forward forward, int32_t error) {
    return env_.Call(what, kRegistry, forward, Answer(error));
  }
  FaultEnv& env_;
  platform::Registry& inner_;
};

// An unreadable file gives the defaults; a write finds the disk full.
class FaultProfile final : public platform::Profile {
 public:
  FaultProfile(FaultEnv& env, platform::Profile& inner) : env_(env), inner_(inner) {}
  uint32_t GetString(const char* section, const char* key, const char* def, char* buffer,
                     uint32_t size, const char* file) override {
    return env_.Call(
        "GetPrivateProfileString", file,
        [&] { return inner_.GetString(section, key, def, buffer, size, file); },
        [&]() -> uint32_t {
          if (size == 0) return 0;
          const uint32_t n = std::min<uint32_t>(def ? std::strlen(def) : 0, size - 1);
          std::memcpy(buffer, def ? def : "", n);
          buffer[n] = '\0';
          return n;
        });
  }
  uint32_t GetInt(const char* section, const char* key, int32_t def, const char* file) override {
    return env_.Call("GetPrivateProfileInt", file,
                     [&] { return inner_.GetInt(section, key, def, file); },
                     Answer(static_cast<uint32_t>(def)));
  }
  uint32_t GetSectionNames(char* buffer, uint32_t size, const char* file) override {
    return env_.Call("GetPrivateProfileSectionNames", file,
                     [&] { return inner_.GetSectionNames(buffer, size, file); }, [&] {
                       if (size > 1) buffer[0] = buffer[1] = '\0';
                       return 0u;
                     });
  }
  bool WriteString(const char* section, const char* key, const char* value,
                   const char* file) override {
    return env_.Call("WritePrivateProfileString", file,
                     [&] { return inner_.WriteString(section, key, value, file); }, Answer(false));
  }

 private:
  FaultEnv& env_;
  platform::Profile& inner_;
};

class FaultMd5 final : public platform::Md5Library {
 public:
  FaultMd5(FaultEnv& env, platform::Md5Library& inner) : env_(env), inner_(inner) {}
  int16_t QGetMD5(const std::string& path, std::string& digest, std::string& size,
                  std::string& error) override {
    return env_.Call("QGetMD5", path, [&] { return inner_.QGetMD5(path, digest, size, error); },
                     Failed(error));
  }
  int16_t QGetMD5WBlock(const std::string& path, const std::string& blockKb, std::string& digest,
                        std::string& size, std::string& error) override {
    return env_.Call("QGetMD5WBlock", path,
                     [&] { return inner_.QGetMD5WBlock(path, blockKb, digest, size, error); },
                     Failed(error));
  }

 private:
  static std::function<int16_t()> Failed(std::string& error) {
    return [&error]() -> int16_t {
      error = "Unable to read the file";
      return 0;
    };
  }
  FaultEnv& env_;
  platform::Md5Library& inner_;
};

// The exchange breaks off: False with the component's three error texts.
class FaultPost final : public platform::WebPostObject {
 public:
  FaultPost(FaultEnv& env, std::unique_ptr<platform::WebPostObject> inner)
      : env_(env), inner_(std::move(inner)) {}
  bool PostXMLString(std::string& xml, bool flag, std::string& url, std::string arg4,
                     std::string arg5, std::string& response, std::string& error1,
                     std::string& error2, std::string& error3) override {
    return env_.Call(
        "PostXMLString", kPost,
        [&] {
          return inner_->PostXMLString(xml, flag, url, arg4, arg5, response, error1, error2,
                                       error3);
        },
        [&] {
          error1 = "12030";
          error2 = "The connection with the server was terminated abnormally";
          error3 = url;
          return false;
        });
  }

 private:
  FaultEnv& env_;
  std::unique_ptr<platform::WebPostObject> inner_;
};

}  // namespace

struct FaultEnv::Parts {
  Parts(FaultEnv& env, const platform::Env& inner)
      : registry(env, *inner.registry),
        profile(env, *inner.profile),
        fs(env, *inner.fs),
        md5(env, *inner.md5) {
    components.Register("qWbPost.WebPost", [&env, &inner = *inner.components] {
      return std::make_unique<FaultPost>(
          env, env.Call("CreateObject", kPost, [&] { return inner.CreateObject("qWbPost.WebPost"); },
                        Raise<std::unique_ptr<platform::WebPostObject>>(vberr::kCantCreateObject)));
    });
  }
  FaultRegistry registry;
  FaultProfile profile;
  FaultFileSystem fs;
  FaultMd5 md5;
  platform::ComponentRegistry components;
};

FaultEnv::FaultEnv(platform::Env inner, int64_t failAt)
    : inner_(inner), fail_at_(failAt), parts_(std::make_unique<Parts>(*this, inner_)) {}

FaultEnv::~FaultEnv() = default;

platform::Env FaultEnv::env() {
  platform::Env env = inner_;
  env.registry = &parts_->registry;
  env.profile = &parts_->profile;
  env.fs = &parts_->fs;
  env.md5 = &parts_->md5;
  env.components = &parts_->components;
  return env;
}

// ---- The allowed-state rule -------------------------------------------------

void History::Add(const std::string& target, std::map<std::string, Version> changes) {
  calls.push_back({platform::memory::NameKey(target), std::move(changes)});
}

bool MovesOn(const std::string& target, const std::string& file) {
  return !target.empty() && target != file && target.find("APPLICATIONLOG") == std::string::npos;
}

Version At(const Files& files, const std::string& file) {
  const auto it = files.find(file);
  return it == files.end() ? Version() : Version(it->second);
}

namespace {

std::set<Version> Settled(const History& h, const std::string& file) {
  Version now = At(h.before, file);
  std::set<Version> settled = {now};
  bool left = true;
  for (const auto& call : h.calls) {
    if (const auto it = call.changes.find(file); it != call.changes.end()) {
      now = it->second;
      left = false;
    } else if (!left && MovesOn(call.target, file)) {
      settled.insert(now);
      left = true;
    }
  }
  settled.insert(now);
  return settled;
}

}  // namespace

namespace {

// Whether `file` ends a run that failed its call `fault` whole. From the
// fault on, its writes come in bursts that no other work separates; a burst
// that began after the program had gone on to other work is undisturbed, and
// over a whole version (or none, or an empty one) it leaves a whole one. Any
// other version is whole only when settled.
bool EndsWhole(const History& reference, const History& run, size_t fault,
               const std::string& file, const std::set<Version>& settled) {
  Version now = At(reference.before, file);
  for (size_t i = 0; i < fault && i < reference.calls.size(); ++i) {
    if (const auto it = reference.calls[i].changes.find(file); it != reference.calls[i].changes.end()) {
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

std::vector<std::string> TornFiles(const History& reference, const Files& end, const History* run,
                                   size_t fault) {
  std::set<std::string> files;
  for (const auto& [path, bytes] : end) files.insert(path);
  for (const auto& [path, bytes] : reference.before) files.insert(path);
  for (const auto& call : reference.calls) {
    for (const auto& [path, version] : call.changes) files.insert(path);
  }
  std::vector<std::string> torn;
  for (const auto& file : files) {
    const Version held = At(end, file);
    const std::set<Version> settled = Settled(reference, file);
    if (settled.count(held) || (run && EndsWhole(reference, *run, fault, file, settled))) continue;
    torn.push_back(file + ": " +
                   (held ? std::to_string(held->size()) + " bytes never left by a step"
                         : std::string("missing")));
  }
  return torn;
}

std::string Report(const std::string& points, const std::vector<std::string>& violations) {
  std::map<std::string, int> kinds;
  for (const auto& v : violations) {
    const size_t what = v.find("): ") + 3;
    ++kinds[v.substr(what, v.find(": ", what) - what)];
  }
  std::string report = points + ", " + std::to_string(violations.size()) + " violations";
  for (const auto& [kind, count] : kinds) report += "\n  " + std::to_string(count) + " x " + kind;
  for (size_t i = 0; i < violations.size() && i < 40; ++i) report += "\n" + violations[i];
  return report;
}

}  // namespace qmon::test
