// The Windows backend: every part over the real system.
#pragma once

#include <functional>
#include <memory>

#include "platform/env.h"

namespace qmon::platform::win32 {

class Win32Platform final : public Platform {
 public:
  // Makes the private-profile part once the other parts exist; it is handed
  // an Env of them (its own slot still null). Without it Env.profile is null.
  using ProfileFactory = std::function<std::unique_ptr<Profile>(const Env& parts)>;

  // Initialises COM on this thread for the platform's life.
  explicit Win32Platform(const ProfileFactory& make_profile = {});
  ~Win32Platform() override;

  Env env() override;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace qmon::platform::win32
