// The Linux backend: a Windows machine emulated under one folder (QMON_PREFIX).
#pragma once

#include <memory>
#include <string>

#include "platform/env.h"

namespace qmon::platform::posix {

// QMON_PREFIX, or /var/lib/qmoniniwriter when it is unset or empty.
std::string PrefixFromEnvironment();

class PosixPlatform final : public Platform {
 public:
  explicit PosixPlatform(const std::string& prefix);
  ~PosixPlatform() override;

  Env env() override;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace qmon::platform::posix
