#include "platform/win32/win32_platform.h"

#include "platform/md5_builtin.h"
#include "platform/win32/ansi_code_page.h"
#include "platform/win32/com_web_post.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_profile.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace qmon::platform {

namespace win32 {

struct Win32Platform::Parts {
  Parts() : fs(codepage), md5(fs) { RegisterComComponent(components, "qWbPost.WebPost"); }

  Env env() {
    return Env{&codepage, &registry, profile.get(), &fs, &clock, &system, &md5, &components};
  }

  ComApartment apartment;  // first in, last out
  AnsiCodePage codepage;
  Win32Registry registry;
  Win32FileSystem fs;
  Win32Clock clock;
  Win32System system;
  BuiltinMd5 md5;
  ComponentRegistry components;
  // The project's INI engine, not the system's: both builds then write the
  // same bytes, and a write costs what it changes.
  std::unique_ptr<Profile> profile = MakeWin32Profile();
};

Win32Platform::Win32Platform() : parts_(std::make_unique<Parts>()) {}

Win32Platform::~Win32Platform() = default;

Env Win32Platform::env() { return parts_->env(); }

}  // namespace win32

std::unique_ptr<Platform> MakeDefaultPlatform() { return std::make_unique<win32::Win32Platform>(); }

}  // namespace qmon::platform
