// A clock that stands still unless a test moves it; US English formats.
#pragma once

#include <string>

#include "platform/env.h"
#include "platform/text.h"

namespace qmon::test {

class FakeClock final : public platform::Clock {
 public:
  platform::LocalTime now{2026, 3, 4, 9, 5, 7};
  platform::LocalTime Now() override { return now; }
  std::string ShortDate(const platform::LocalTime& t) override { return vb::UsShortDate(t); }
  std::string LongTime(const platform::LocalTime& t) override { return vb::UsLongTime(t); }
};

}  // namespace qmon::test
