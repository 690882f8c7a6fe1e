// Whole runs of the real program against the mock monitoring server over
// loopback, for what only real HTTP shows: a failed exchange is tried again,
// and a hostile server costs at most the time-outs and the one answer it
// spoils (no entity is expanded or fetched).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>

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
  const std::string emptyMaster =
      "MSG : Return Response Text : <dcmgetmontemp> <templateid>0</templateid> "
      "<templatever>0</templatever> </dcmgetmontemp>";
  const struct {
    const char* scenario;
    std::vector<std::string> serverArgs;
    std::vector<std::string> lineParts;  // each in one line of the log
  } cases[] = {
      {"failure_report_second_attempt",
       {"--fail", "http500", "--fail-first", "1"},
       {"MSG : Webpost Try.2", "MSG : Webpost Successful"}},
      {"single_id_refreshes_stored", {"--fail", "reset"}, {"ERR : WebPost Failed : libcurl error 56-"}},
      {"single_id_refreshes_stored", {"--fail", "drip"}, {"ERR : WebPost Failed : libcurl error 28-"}},
      {"single_id_refreshes_stored", {"--fail", "garbage"}, {emptyMaster}},
      {"single_id_refreshes_stored", {"--fail", "entity-bomb"}, {emptyMaster}},
      {"single_id_refreshes_stored", {"--fail", "external-entity"}, {emptyMaster}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serverArgs.at(1));
    const test::Scenario s(c.scenario);
    test::PosixMachine machine;
    std::vector<std::string> args = {"--templates", (s.dir / "server").string()};
    args.insert(args.end(), c.serverArgs.begin(), c.serverArgs.end());
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
      std::ifstream file(entry.path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(file), {}};
      EXPECT_THAT(bytes, Not(HasSubstr("root:x:"))) << entry.path();
      if (entry.path().extension() == ".log") log = test::WithoutStamps(test::SplitCrLf(bytes));
    }
    EXPECT_THAT(log, Contains("Application Ended"));
    for (const auto& part : c.lineParts) EXPECT_THAT(log, Contains(HasSubstr(part)));
  }
}

}  // namespace
}  // namespace qmon
