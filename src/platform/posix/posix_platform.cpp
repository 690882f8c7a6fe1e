#include "platform/posix/posix_platform.h"

#include <cstdlib>

#include "platform/cp1252.h"
#include "platform/md5_builtin.h"
#include "platform/posix/curl_web_post.h"
#include "platform/posix/path_map.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_fs.h"
#include "platform/posix/posix_profile.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_system.h"

namespace qmon::platform {

namespace posix {

std::string PrefixFromEnvironment() {
  const char* prefix = std::getenv("QMON_PREFIX");
  return prefix != nullptr && *prefix != '\0' ? prefix : "/var/lib/qmoniniwriter";
}

struct PosixPlatform::Parts {
  explicit Parts(const std::string& prefix)
      : paths(prefix),
        registry(prefix + "/system.reg"),
        profile(MakePosixProfile(paths)),
        fs(paths),
        system(paths),
        md5(fs) {
    RegisterCurlWebPost(components);
  }

  PathMap paths;
  Cp1252CodePage codepage;
  PosixRegistry registry;
  std::unique_ptr<profile::ProfileEngine> profile;
  PosixFileSystem fs;
  PosixClock clock;
  PosixSystem system;
  BuiltinMd5 md5;
  ComponentRegistry components;
};

PosixPlatform::PosixPlatform(const std::string& prefix)
    : parts_(std::make_unique<Parts>(prefix)) {}

PosixPlatform::~PosixPlatform() = default;

Env PosixPlatform::env() {
  Parts& p = *parts_;
  return Env{&p.codepage, &p.registry, p.profile.get(), &p.fs, &p.clock, &p.system, &p.md5, &p.components};
}

}  // namespace posix

std::unique_ptr<Platform> MakeDefaultPlatform() {
  return std::make_unique<posix::PosixPlatform>(posix::PrefixFromEnvironment());
}

}  // namespace qmon::platform
