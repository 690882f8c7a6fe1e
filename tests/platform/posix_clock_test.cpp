#include "platform/posix/posix_clock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

namespace qmon::platform::posix {
namespace {

LocalTime UtcPlus(time_t t, long offset_seconds) {
  const time_t shifted = t + offset_seconds;
  struct tm utc;
  gmtime_r(&shifted, &utc);
  return {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec};
}

bool Same(const LocalTime& a, const LocalTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

class PosixClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = getenv("TZ")) saved_tz_ = tz;
  }
  void TearDown() override {
    if (saved_tz_) {
      setenv("TZ", saved_tz_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  std::optional<std::string> saved_tz_;
};

TEST_F(PosixClockTest, FollowsTheTimeZoneInTz) {
  const struct {
    const char* tz;
    long offset;
  } zones[] = {{"UTC0", 0}, {"EST5", -5 * 3600}, {"<+0530>-5:30", 5 * 3600 + 1800}};
  PosixClock clock;
  for (const auto& zone : zones) {
    setenv("TZ", zone.tz, 1);
    const time_t before = time(nullptr);
    const LocalTime now = clock.Now();
    const time_t after = time(nullptr);
    // The second may turn between the readings; one of them must match.
    EXPECT_TRUE(Same(now, UtcPlus(before, zone.offset)) || Same(now, UtcPlus(after, zone.offset)))
        << zone.tz << ": " << now.year << "-" << now.month << "-" << now.day << " " << now.hour
        << ":" << now.minute << ":" << now.second;
  }
}

}  // namespace
}  // namespace qmon::platform::posix
