#include "platform/posix/posix_clock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>
#include <tuple>

#include "support/scoped_env.h"

namespace qmon::platform::posix {
namespace {

// The fields of UTC time t shifted by an offset.
auto UtcPlus(time_t t, long offset_seconds) {
  const time_t shifted = t + offset_seconds;
  struct tm u;
  gmtime_r(&shifted, &u);
  return std::make_tuple(u.tm_year + 1900, u.tm_mon + 1, u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec);
}

TEST(PosixClockTest, FollowsTheTimeZoneInTz) {
  const struct {
    const char* tz;
    long offset;
  } zones[] = {{"UTC0", 0}, {"EST5", -5 * 3600}, {"<+0530>-5:30", 5 * 3600 + 1800}};
  for (const auto& zone : zones) {
    const test::ScopedEnv tz("TZ", zone.tz);
    tzset();
    const time_t before = time(nullptr);
    const LocalTime t = PosixClock().Now();
    const time_t after = time(nullptr);
    const auto now = std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
    // The second may turn between the readings; one of them must match.
    EXPECT_TRUE(now == UtcPlus(before, zone.offset) || now == UtcPlus(after, zone.offset)) << zone.tz;
  }
  tzset();
}

}  // namespace
}  // namespace qmon::platform::posix
