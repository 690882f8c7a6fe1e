// Local time of the machine, as the TZ environment variable sets it; the
// emulated machine's regional settings are US English.
#pragma once

#include <ctime>
#include <string>

#include "platform/env.h"

namespace qmon::platform::posix {

class PosixClock final : public Clock {
 public:
  LocalTime Now() override;
  std::string ShortDate(const LocalTime& t) override;
  std::string LongTime(const LocalTime& t) override;

 private:
  // The second last looked up, and the local time then.
  time_t looked_up_at_ = -1;
  LocalTime local_;
};

}  // namespace qmon::platform::posix
