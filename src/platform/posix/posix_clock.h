// Local time of the machine, as the TZ environment variable sets it.
#pragma once

#include "platform/env.h"

namespace qmon::platform::posix {

class PosixClock final : public Clock {
 public:
  LocalTime Now() override;
};

}  // namespace qmon::platform::posix
