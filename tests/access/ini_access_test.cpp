#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "access/access.h"
#include "platform/vb_error.h"
#include "support/run_fixture.h"

namespace qmon {
namespace {

using ::testing::ElementsAre;

class IniAccessTest : public test::RunFixture {
 protected:
  const std::string ini = "C:\\Agent\\Configuration\\test.ini";
};

TEST_F(IniAccessTest, ReadsAnswerTheirDefaultsAndCuts) {
  const std::string long300(300, 'x');
  machine.Put(ini, "[S]\r\nempty=\r\nnum=-3\r\nlong=" + long300 + "\r\nq=\"quoted\"\r\n");
  EXPECT_EQ(GetINIString(run, "S", "empty", ini), "");
  EXPECT_EQ(GetKeyValue(run, "S", "empty", ini, false), "");
  EXPECT_EQ(GetKeyValue(run, "S", "missing", ini, true), "0");
  EXPECT_EQ(GetKeyValue(run, "S", "num", ini, true), "-3");
  EXPECT_EQ(GetKeyValue(run, "s", "LONG", ini, false), std::string(254, 'x'));
  EXPECT_EQ(GetINIString(run, "S", "long", ini), long300);
  EXPECT_EQ(GetINIString(run, "S", "q", ini), "quoted");
  EXPECT_EQ(GetINIString(run, "S", "missing", "C:\\Agent\\nowhere.ini"), "");
  EXPECT_TRUE(Logged().empty());
}

TEST_F(IniAccessTest, SectionListsEndEachNameWithNul) {
  machine.Put(ini, "[A]\r\nk=1\r\n[B]\r\n");
  const std::string both("A\0B\0", 4);
  EXPECT_EQ(GetSections(run, ini), both);
  EXPECT_EQ(GetSectionNames(run, ini), both);
  EXPECT_EQ(GetSections(run, "C:\\Agent\\nowhere.ini"), "");
  EXPECT_EQ(GetSectionNames(run, "C:\\Agent\\nowhere.ini"), "");
}

TEST_F(IniAccessTest, WritesLogAndChangeTheFile) {
  machine.MakeFolder("C:\\Agent\\Configuration");
  {
    const IniWriteStep step(run, ini);
    EXPECT_NE(SetKeyValue(run, "1", "Parameter", "", ini), 0);
    EXPECT_NE(SetKeyValue(run, "1", "Interval", "5", ini), 0);
    EXPECT_EQ(GetINIString(run, "1", "Interval", ini), "5");
    EXPECT_FALSE(machine.Exists(ini));  // not before the step ends
  }
  EXPECT_EQ(machine.Get(ini), "[1]\r\nParameter=\r\nInterval=5\r\n");
  for (const char* section : {"9", "1"}) {
    const IniWriteStep step(run, ini);
    EXPECT_NE(DeleteSection(run, section, ini), 0);
  }
  EXPECT_EQ(machine.Get(ini), "");
  EXPECT_THAT(Logged(),
              ElementsAre("MSG : Writing in section 1  Key Parameter= in " + ini,
                          "MSG : Writing in section 1  Key Interval=5 in " + ini,
                          "MSG : Deleting section 9 from QavoScheduler.ini",
                          "MSG : Deleting section 1 from QavoScheduler.ini"));
}

TEST_F(IniAccessTest, WriteIntoMissingFolderAnswersZero) {
  EXPECT_EQ(SetKeyValue(run, "S", "k", "v", "C:\\Agent\\NoSuchFolder\\x.ini"), 0);
}

TEST_F(IniAccessTest, TextOutsideTheCodePageReachesTheFileAsQuestionMarks) {
  machine.MakeFolder("C:\\Agent\\Configuration");
  {
    const IniWriteStep step(run, ini);
    SetKeyValue(run, "S", "k", "caf\xC3\xA9 \xE6\x97\xA5", ini);
  }
  EXPECT_EQ(machine.Get(ini), "[S]\r\nk=caf\xE9 ?\r\n");
  EXPECT_EQ(GetINIString(run, "S", "k", ini), "caf\xC3\xA9 ?");
}

// A profile whose every call raises, as the runtime does when a call fails
// under it (out of memory).
class RaisingProfile final : public platform::Profile {
 public:
  uint32_t GetString(const char*, const char*, const char*, char*, uint32_t,
                     const char*) override {
    throw VbError(vberr::kOutOfMemory);
  }
  uint32_t GetInt(const char*, const char*, int32_t, const char*) override {
    throw VbError(vberr::kOutOfMemory);
  }
  uint32_t GetSectionNames(char*, uint32_t, const char*) override {
    throw VbError(vberr::kOutOfMemory);
  }
  bool WriteString(const char*, const char*, const char*, const char*) override {
    throw VbError(vberr::kOutOfMemory);
  }
};

TEST_F(IniAccessTest, FailedCallsAnswerNothingAndLogTheirError) {
  RaisingProfile raising;
  run.env.profile = &raising;
  // Braced lists run their calls in order, so the log follows the table.
  const std::string answers[] = {GetINIString(run, "S", "k", ini),
                                 GetSectionNames(run, ini),
                                 GetKeyValue(run, "S", "k", ini, false),
                                 GetKeyValue(run, "S", "k", ini, true),
                                 GetSections(run, ini),
                                 std::to_string(SetKeyValue(run, "S", "k", "v", ini)),
                                 std::to_string(DeleteSection(run, "S", ini))};
  EXPECT_THAT(answers, ElementsAre("", "", "", "", "", "0", "0"));
  const std::string utility = "ERR : 7 (Out of memory) in procedure ";
  EXPECT_THAT(Logged(), ElementsAre(utility + "GetKeyValue of Module Utility",
                                    utility + "GetKeyValue of Module Utility",
                                    utility + "GetSections of Module Utility",
                                    "MSG : Writing in section S  Key k=v in " + ini,
                                    utility + "SetKeyValue of Module Utility",
                                    "MSG : Deleting section S from QavoScheduler.ini",
                                    utility + "DeleteSection of Module Utility"));
}

}  // namespace
}  // namespace qmon
