// Main run in-process on the in-memory machine, for the ends of a run that
// the real program's runs do not reach.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "driver/driver.h"
#include "platform/vb_error.h"
#include "support/fake_web_post.h"
#include "support/forwarding_fs.h"
#include "support/machine.h"

namespace qmon {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;
using ::testing::Not;

// The template folder cannot be listed, so no master template is composed.
class ListingFails final : public test::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::vector<std::string> ListFiles(const std::string&) override {
    throw VbError(vberr::kPermissionDenied);
  }
};

class MainRunTest : public ::testing::Test {
 protected:
  MainRunTest() {
    machine.InstallAgent();
    for (const char* file : {"QPERFMON.EXE", "QDSKEVTLOG.EXE", "qGNMD5.Dll"}) {
      machine.Put(std::string("C:\\Agent\\QSCC\\") + file, "");
    }
  }

  // The run's log lines without their time stamps.
  std::vector<std::string> RunMain(platform::Env env) {
    qmon::Run run(env);
    EXPECT_THROW(Main(run, ""), ProcessEnd);
    std::vector<std::string> lines = machine.LogLines();
    for (auto& line : lines) {
      if (line.rfind(test::kStamp, 0) == 0) line.erase(0, test::kStamp.size());
    }
    return lines;
  }

  test::TestMachine machine;
};

TEST_F(MainRunTest, WebPostObjectThatCannotBeCreatedEndsTheRun) {
  const auto log = RunMain(machine.env());
  EXPECT_THAT(log, IsSupersetOf({"ERR : qWbPost.dll Missing",
                                 "ERR : Object Creation for webpostdll Failed.",
                                 "Application Ended"}));
  EXPECT_THAT(log, Not(Contains("MSG : Deleting template XML file")));
}

TEST_F(MainRunTest, NoMasterTemplateEndsTheRunBeforeTheConversion) {
  test::FakeWebPost::RegisteredIn(machine.components);
  ListingFails fs(machine.fs);
  platform::Env env = machine.env();
  env.fs = &fs;
  const auto log = RunMain(env);
  EXPECT_THAT(log, Contains("MSG : No Template(s) is assigned."));
  EXPECT_THAT(log, Not(Contains("MSG :  Calling loadXMLData() to write INI.")));
  EXPECT_THAT(std::vector<std::string>(log.end() - 4, log.end()),
              ElementsAre("Application Ended", std::string(70, '='), "", ""));
}

// INI writes still kept when a run ends (here without the web post object)
// reach the disk.
TEST_F(MainRunTest, KeptIniWritesReachTheDiskAtTheEnd) {
  const std::string ini = "C:\\Agent\\kept.ini";
  machine.profile->WriteString("S", "k", "v", ini.c_str());
  RunMain(machine.env());
  EXPECT_EQ(machine.Get(ini), "[S]\r\nk=v\r\n");
}

}  // namespace
}  // namespace qmon
