#include "platform/posix/posix_clock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

namespace qmon::platform::posix {
namespace {

std::string Text(const LocalTime& t) {
  return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) +
         " " + std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" +
         std::to_string(t.second);
}

// "Y-M-D h:m:s" of UTC time t shifted by an offset, and of a LocalTime.
std::string UtcPlus(time_t t, long offset_seconds) {
  const time_t shifted = t + offset_seconds;
  struct tm u;
  gmtime_r(&shifted, &u);
  return Text({u.tm_year + 1900, u.tm_mon + 1, u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec});
}

class PosixClockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    saved_tz_ ? setenv("TZ", saved_tz_->c_str(), 1) : unsetenv("TZ");
    tzset();
  }
  const std::optional<std::string> saved_tz_ =
      getenv("TZ") ? std::optional<std::string>(getenv("TZ")) : std::nullopt;
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
    const std::string now = Text(clock.Now());
    const time_t after = time(nullptr);
    // The second may turn between the readings; one of them must match.
    EXPECT_TRUE(now == UtcPlus(before, zone.offset) || now == UtcPlus(after, zone.offset))
        << zone.tz << ": " << now;
  }
}

}  // namespace
}  // namespace qmon::platform::posix
