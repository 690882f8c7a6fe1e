// Local time of the machine, as the TZ environment variable sets it; the
// emulated machine's regional settings are US English.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "platform/env.h"

namespace qmon::platform::posix {

class PosixClock final : public Clock {
 public:
  LocalTime Now() override;
  std::string ShortDate(const LocalTime& t) override;
  std::string LongTime(const LocalTime& t) override;

 private:
  // What the zone was last looked up for, and the local time then: within
  // the same second and zone the answer is the same.
  std::optional<std::string> tz_;
  time_t looked_up_at_ = -1;
  LocalTime local_;
};

}  // namespace qmon::platform::posix
