// The Windows backend: every part over the real system.
#pragma once

#include <memory>

#include "platform/env.h"

namespace qmon::platform::win32 {

class Win32Platform final : public Platform {
 public:
  // Initialises COM on this thread for the platform's life.
  Win32Platform();
  ~Win32Platform() override;

  Env env() override;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace qmon::platform::win32
