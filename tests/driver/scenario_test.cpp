// Whole runs of Main on the in-memory machine, one per folder of
// tests/scenarios: what the run leaves (its log, its posts, files, paths and
// registry values) is what the folder holds.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include "driver/driver.h"
#include "platform/vb_error.h"
#include "support/fault_env.h"
#include "support/forwarding_fs.h"
#include "support/scenario.h"

namespace qmon {
namespace {

class ScenarioTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ScenarioTest, RunLeavesWhatTheFolderHolds) {
  test::Scenario s(GetParam());
  test::TestMachine m;
  s.Prepare(m);
  qmon::Run run(m.env());
  EXPECT_THROW(Main(run, s.Text("command")), ProcessEnd);
  EXPECT_EQ(test::WithoutStamps(m.LogLines()), s.Lines("log"));
  EXPECT_EQ(*s.posts, s.Lines("posts"));
  for (const auto& [path, bytes] : s.Files("after")) EXPECT_EQ(m.Get(path), bytes) << path;
  // "+ path" exists after the run, "- path" does not.
  for (const std::string& line : s.Lines("paths")) {
    EXPECT_EQ(m.Exists(line.substr(2)), line[0] == '+') << line;
  }
  // "SUBKEY\name=value" under HKLM; "SUBKEY\name" alone: no such value.
  for (const std::string& line : s.Lines("registry")) {
    const size_t name = line.rfind('\\'), equals = line.find('=', name);
    const auto value = m.RegValue(line.substr(0, name), line.substr(name + 1, equals - name - 1));
    EXPECT_EQ(value, equals == std::string::npos ? std::nullopt
                                                 : std::optional(line.substr(equals + 1)))
        << line;
  }
}

INSTANTIATE_TEST_SUITE_P(Folders, ScenarioTest, ::testing::ValuesIn(test::Scenario::All()),
                         [](const auto& info) { return info.param; });

// What a folder cannot hold, on the installation of one.
class MainRunTest : public ::testing::Test {
 protected:
  MainRunTest() { s.Prepare(m); }
  std::vector<std::string> RunMain(platform::Env env) {
    qmon::Run run(env);
    EXPECT_THROW(Main(run, s.Text("command")), ProcessEnd);
    return test::WithoutStamps(m.LogLines());
  }
  const test::Scenario s{"refresh_two_templates"};
  test::TestMachine m;
};

// The template folder cannot be listed, so no master template is composed.
class ListingFails final : public test::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::vector<std::string> ListFiles(const std::string&) override {
    throw VbError(vberr::kPermissionDenied);
  }
};

TEST_F(MainRunTest, NoMasterTemplateEndsTheRunBeforeTheConversion) {
  ListingFails fs(m.fs);
  platform::Env env = m.env();
  env.fs = &fs;
  const auto log = RunMain(env);
  EXPECT_THAT(log, ::testing::Contains("MSG : No Template(s) is assigned."));
  EXPECT_THAT(log, ::testing::Not(::testing::Contains("MSG :  Calling loadXMLData() to write INI.")));
  EXPECT_EQ(log.at(log.size() - 4), "Application Ended");
}

TEST_F(MainRunTest, SecondInstanceTouchesNothing) {
  m.system.other_instance = true;
  const test::Files before = test::Snapshot(m);
  EXPECT_TRUE(RunMain(m.env()).empty());
  EXPECT_EQ(test::Snapshot(m), before);
}

// INI writes still kept when a run ends reach the disk.
TEST_F(MainRunTest, KeptIniWritesReachTheDiskAtTheEnd) {
  m.system.other_instance = true;
  m.profile->WriteString("S", "k", "v", "C:\\Agent\\kept.ini");
  RunMain(m.env());
  EXPECT_EQ(m.Get("C:\\Agent\\kept.ini"), "[S]\r\nk=v\r\n");
}

}  // namespace
}  // namespace qmon
