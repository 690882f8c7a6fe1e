#include "driver/agent_identity.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/vb_error.h"
#include "support/run_fixture.h"

namespace qmon {
namespace {

using ::testing::ElementsAre;

class AgentIdentityTest : public test::RunFixture {
 protected:
  // Reads the identity into a fresh run (the log is not open then).
  qmon::Run Read(const std::vector<std::string>& values) {
    machine.WriteAgentKey(values);
    qmon::Run fresh(machine.env());
    std::string key = "SOFTWARE\\QAVOOD";
    EXPECT_TRUE(ReadAgentIdentity(fresh, key));
    return fresh;
  }

  platform::Hkey OpenAgentKey() {
    platform::Hkey key = 0;
    EXPECT_EQ(machine.registry.OpenKeyEx(platform::kHkeyLocalMachine, "SOFTWARE\\QAVOOD", 0,
                                         platform::kKeyRead, &key),
              0);
    return key;
  }
};

TEST_F(AgentIdentityTest, ValuesAreTrimmedAndThePathGetsItsBackslash) {
  for (const char* path : {R"("  C:\\Agent ")", R"("C:\\Agent\\")"}) {
    qmon::Run r = Read({std::string("\"InstallationPath\"=") + path, R"("REGID"=" 7 ")",
                  R"("TYPE"=" trlx ")", R"("ServiceID"=dword:0000003c)"});
    EXPECT_EQ(r.strInstallationPath, "C:\\Agent\\");
    EXPECT_EQ(r.strRegID, "7");
    EXPECT_EQ(r.strRegType, "trlx");
    EXPECT_EQ(r.strServiceID, "60");
    EXPECT_EQ(r.strMemberID, "");
  }
}

TEST_F(AgentIdentityTest, MissingKeyAnswersFalseAndMissingFolderEndsTheProcess) {
  qmon::Run r(machine.env());
  std::string key = "SOFTWARE\\NOBODY";
  EXPECT_FALSE(ReadAgentIdentity(r, key));
  machine.WriteAgentKey({R"("InstallationPath"="C:\\Elsewhere")"});
  key = "SOFTWARE\\QAVOOD";
  EXPECT_THROW(ReadAgentIdentity(r, key), ProcessEnd);
  machine.WriteAgentKey({R"("REGID"="1")"});  // no path at all: a folder that does not exist
  EXPECT_THROW(ReadAgentIdentity(r, key), ProcessEnd);
}

TEST_F(AgentIdentityTest, OtherKeyPathsReadNothing) {
  machine.WriteAgentKey({R"("InstallationPath"="C:\\Agent")"});
  qmon::Run r(machine.env());
  std::string key = "software\\qavood";  // opens the same key, but reads nothing
  EXPECT_TRUE(ReadAgentIdentity(r, key));
  EXPECT_EQ(r.strInstallationPath, "");
}

TEST_F(AgentIdentityTest, GetRegValueAnswersTextForEveryReadableType) {
  machine.WriteAgentKey({R"("Sz"="text")", R"("Empty"="")", R"("Dw"=dword:0000003c)",
                         R"("AllBits"=dword:ffffffff)", R"("Bin4"=hex:01,00,00,00)",
                         R"("Bin8"=hex:01,02,03,04,05,06,07,08)"});
  const platform::Hkey key = OpenAgentKey();
  EXPECT_EQ(GetRegValue(run, key, "Sz"), "text");
  EXPECT_EQ(GetRegValue(run, key, "Empty"), "");
  EXPECT_EQ(GetRegValue(run, key, "Dw"), "60");
  EXPECT_EQ(GetRegValue(run, key, "AllBits"), "-1");
  EXPECT_EQ(GetRegValue(run, key, "Bin4"), "1");
  EXPECT_EQ(GetRegValue(run, key, "Bin8"), "");
  EXPECT_EQ(GetRegValue(run, key, "Missing"), "");
  EXPECT_THAT(Logged(),
              ElementsAre("ERR : Failed to read Registry key Bin8. ERRDesc - More data is "
                          "available.",
                          "", "ERR : Failed to read Registry key Missing. ERRDesc :: The system "
                          "cannot find the file specified.",
                          ""));
}

TEST_F(AgentIdentityTest, FormatMessageKeepsTheSystemsLineEnd) {
  EXPECT_EQ(fncFormatMessage(run, "2"), "The system cannot find the file specified.\r\n");
  EXPECT_EQ(fncFormatMessage(run, "123456"), "");
  EXPECT_EQ(StripNulls(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(StripNulls("abc"), "abc");
}

struct Refusal {
  const char* regId;
  const char* memberId;
  const char* siteId;
  const char* installationPath;
  const char* type;
  const char* message;  // nullptr: accepted
};

class PreChecksTest : public test::RunFixture,
                      public ::testing::WithParamInterface<Refusal> {};

TEST_P(PreChecksTest, RefusesOrAcceptsTheIdentity) {
  const Refusal& c = GetParam();
  run.strRegID = c.regId;
  run.strMemberID = c.memberId;
  run.strSiteID = c.siteId;
  run.strInstallationPath = c.installationPath;
  run.strRegType = c.type;
  if (c.message == nullptr) {
    EXPECT_NO_THROW(PreChecks(run));
    EXPECT_TRUE(Logged().empty());
    return;
  }
  EXPECT_THROW(PreChecks(run), ProcessEnd);
  EXPECT_THAT(Logged(), ElementsAre(c.message, "Application Ended", std::string(70, '='), "", ""));
}

INSTANTIATE_TEST_SUITE_P(
    Identities, PreChecksTest,
    ::testing::Values(Refusal{"1", "2", "3", "C:\\A\\", "TRLX", nullptr},
                      Refusal{"-7", "12x", "3", "C:\\A\\", " trlx ", nullptr},
                      Refusal{"0", "2", "3", "C:\\A\\", "TRLX", "ERR : REGID is Blank."},
                      Refusal{"", "2", "3", "C:\\A\\", "TRLX", "ERR : REGID is Blank."},
                      Refusal{"abc", "2", "3", "C:\\A\\", "TRLX", "ERR : REGID is Blank."},
                      Refusal{"1", "0", "3", "C:\\A\\", "TRLX", "ERR : MEMBERID is Blank."},
                      Refusal{"1", "2", " ", "C:\\A\\", "TRLX", "ERR : SITEID is Blank."},
                      Refusal{"1", "2", "3", "  ", "TRLX", "ERR : Installation Path is Blank."},
                      Refusal{"1", "2", "3", "C:\\A\\", "TRLX2", "ERR : RegType TRLX not found"},
                      Refusal{"1", "2", "3", "C:\\A\\", "\tTRLX", "ERR : RegType TRLX not found"}));

}  // namespace
}  // namespace qmon
