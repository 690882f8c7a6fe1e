#include "platform/posix/posix_clock.h"

#include <time.h>

#include "platform/text.h"

namespace qmon::platform::posix {

LocalTime PosixClock::Now() {
  // localtime_r need not look at TZ again; a changed zone must take effect.
  tzset();
  const time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                   local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string PosixClock::ShortDate(const LocalTime& t) { return vb::UsShortDate(t); }

std::string PosixClock::LongTime(const LocalTime& t) { return vb::UsLongTime(t); }

}  // namespace qmon::platform::posix
