// The system's ANSI code page (CP_ACP), as the ANSI functions use it.
#pragma once

#include <string>
#include <string_view>

#include "platform/env.h"

namespace qmon::platform::win32 {

class AnsiCodePage final : public CodePage {
 public:
  // Never maps to a look-alike ("best fit"): a character the code page lacks
  // becomes "?" and counts as lossy.
  std::string ToAnsi(std::string_view text, bool* lossy = nullptr) const override;
  std::string FromAnsi(std::string_view ansi) const override;
};

}  // namespace qmon::platform::win32
