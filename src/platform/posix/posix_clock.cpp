#include "platform/posix/posix_clock.h"

#include <time.h>

#include <cstdlib>

#include "platform/text.h"

namespace qmon::platform::posix {

LocalTime PosixClock::Now() {
  // localtime_r need not look at TZ again; a changed zone must take effect:
  // a new TZ at once, a new system zone file within the second (tzset()
  // stats that file each time, and a run logs many lines a second).
  const time_t now = time(nullptr);
  const char* tz = std::getenv("TZ");
  if (now != looked_up_at_ || tz_.has_value() != (tz != nullptr) || (tz && *tz_ != tz)) {
    tzset();
    tz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
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
