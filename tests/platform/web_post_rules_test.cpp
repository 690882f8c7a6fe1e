#include "platform/web_post_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/scoped_env.h"

namespace qmon::platform {
namespace {

using test::ScopedEnv;

TEST(WebPostRulesTest, TakesWholeSecondsFromTheEnvironment) {
  const struct {
    std::optional<std::string> value;
    std::optional<long> seconds;  // nullopt: ignored, the defaults hold
  } cases[] = {
      {std::nullopt, std::nullopt}, {" 7 ", 7},           {"86400", 86400},
      {"86401", std::nullopt},      {"0", std::nullopt},  {"2.5", std::nullopt},
      {"5s", std::nullopt},         {"+4", std::nullopt}, {"99999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.value_or("(unset)"));
    ScopedEnv connect("QMON_HTTP_CONNECT_TIMEOUT", c.value);
    ScopedEnv total("QMON_HTTP_TIMEOUT", c.value);
    const HttpTimeouts timeouts = TimeoutsFromEnvironment();
    EXPECT_EQ(timeouts.connect, c.seconds.value_or(30));
    EXPECT_EQ(timeouts.total, c.seconds.value_or(120));
  }
}

}  // namespace
}  // namespace qmon::platform
