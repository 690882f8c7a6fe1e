// A test on an AgentRun: a fresh machine, the agent installed, the log open.
#pragma once

#include <gtest/gtest.h>

#include "support/agent_run.h"

namespace qmon::test {

class RunFixture : public ::testing::Test, protected AgentRun {};

}  // namespace qmon::test
