// Local time and the user's regional date and time formats.
#pragma once

#include <string>

#include "platform/env.h"

namespace qmon::platform::win32 {

class Win32Clock final : public Clock {
 public:
  LocalTime Now() override;
  // GetDateFormatW / GetTimeFormatW with the user's defaults. A date the
  // system will not format (before 1601) gets the US English form.
  std::string ShortDate(const LocalTime& t) override;
  std::string LongTime(const LocalTime& t) override;
};

}  // namespace qmon::platform::win32
