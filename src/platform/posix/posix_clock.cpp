#include "platform/posix/posix_clock.h"

#include <time.h>

#include "platform/text.h"

namespace qmon::platform::posix {

LocalTime PosixClock::Now() {
  // Looked up once a second: a run logs many lines a second, and tzset()
  // stats the system zone file each time. A changed zone (TZ, or that file)
  // takes effect within the second.
  const time_t now = time(nullptr);
  if (now != looked_up_at_) {
    tzset();
    looked_up_at_ = now;
    struct tm local;
    localtime_r(&now, &local);
    local_ = LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
  }
  return local_;
}

std::string PosixClock::ShortDate(const LocalTime& t) { return vb::UsShortDate(t); }

std::string PosixClock::LongTime(const LocalTime& t) { return vb::UsLongTime(t); }

}  // namespace qmon::platform::posix
