// Whole runs of the real program against the mock monitoring server over
// loopback, for what only real HTTP shows: a failed exchange is tried again,
// and a hostile server costs at most the time-outs and the one answer it
// spoils (no entity is expanded or fetched).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <sstream>

#include "platform/case_file.h"
#include "support/mock_server_process.h"
#include "support/posix_machine.h"
#include "support/run_binary.h"
#include "support/scenario.h"

namespace qmon {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(RealRunTest, ServerFailuresShowInTheLogAndSpoilNothing) {
  for (const auto& c : test::LoadCases("real_runs")) {
    SCOPED_TRACE(c.where);
    const test::Scenario s(c[0]);
    test::PosixMachine machine;
    std::vector<std::string> args = {"--templates", (s.dir / "server").string()};
    std::istringstream serverArgs(c[1]);
    for (std::string arg; serverArgs >> arg;) args.push_back(arg);
    test::MockServerProcess server(args);
    machine.Prepare(s, server.Url(""));
    const int status = test::RunBinary(
        machine.dir.path(), {s.Text("command")},
        {"no_proxy=127.0.0.1", "NO_PROXY=127.0.0.1", "QMON_HTTP_TIMEOUT=1",
         "QMON_HTTP_CONNECT_TIMEOUT=1"});
    ASSERT_TRUE(WIFEXITED(status)) << status;
    std::vector<std::string> log;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(machine.dir.path())) {
      if (!entry.is_regular_file()) continue;
      EXPECT_LT(entry.file_size(), 1u << 20) << entry.path();
      const std::string bytes = test::FileBytes(entry.path());
      EXPECT_THAT(bytes, Not(HasSubstr("root:x:"))) << entry.path();
      if (entry.path().extension() == ".log") log = test::WithoutStamps(test::SplitCrLf(bytes));
    }
    EXPECT_THAT(log, Contains("Application Ended"));
    for (size_t i = 2; i < c.fields.size(); ++i) EXPECT_THAT(log, Contains(HasSubstr(c[i])));
  }
}

}  // namespace
}  // namespace qmon
