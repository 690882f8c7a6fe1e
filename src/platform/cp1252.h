// Windows-1252, the ANSI code page of the emulated machine.
#pragma once

#include <string>
#include <string_view>

namespace qmon::platform {

// UTF-8 to Windows-1252. A character outside the code page (and any byte that
// is not valid UTF-8) becomes "?" and sets *lossy.
std::string Cp1252FromUtf8(std::string_view utf8, bool* lossy = nullptr);

// Windows-1252 to UTF-8. The five bytes the code page leaves undefined map to
// the C1 controls of the same value, as Windows maps them.
std::string Utf8FromCp1252(std::string_view bytes);

}  // namespace qmon::platform

#include "platform/env.h"

namespace qmon::platform {

// The emulated machine's ANSI code page.
class Cp1252CodePage final : public CodePage {
 public:
  std::string ToAnsi(std::string_view text, bool* lossy = nullptr) const override {
    return Cp1252FromUtf8(text, lossy);
  }
  std::string FromAnsi(std::string_view ansi) const override { return Utf8FromCp1252(ansi); }
};

}  // namespace qmon::platform
