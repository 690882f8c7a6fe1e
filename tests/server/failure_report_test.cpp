#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "server/server.h"
#include "server/server_fixture.h"

namespace qmon::test {
namespace {

using ::testing::ElementsAre;

class FailureReportTest : public ServerTest {
 protected:
  FailureReportTest() {
    run.strPrimaryURL = "http://dc/fail";
    run.strTemplateID = "7";
    run.strTemplateVersion = "3";
    bool retry = false;
    Create_Wbpe_Obj(run, retry);
    NewLines();
  }

  bool Report(std::string description = "QPERFMON.EXE not found") {
    return Get_Webpost_UpdFailure(run, description);
  }

  std::string Xml(const std::string& ids, const std::string& description,
                  const std::string& scanTime = "03/04/2026 09:05:07") const {
    return "<wpdcmsccrgidmontmpupdfail><mmid>2002</mmid><siteid>3003</siteid><regid>1001</regid>" +
           ids + "<scandt>" + scanTime + "</scandt><exever>2.0.21</exever><faildesc><![CDATA[" +
           description + "]]></faildesc></wpdcmsccrgidmontmpupdfail>";
  }

  const std::string page = "tfr_wpdcmsccrgidmontmpupdfail.asp?mmid=2002&sid=3003&rid=1001&rty=TRLX";
  const std::string url = "http://dc/fail/" + page;
  const std::string xml = Xml("<tmpid>7</tmpid><tmpver>3</tmpver>", "QPERFMON.EXE not found");
  const std::string postLogName =
      "wpdcmsccrgidmontmpupdfail_N_1001_wpdcmsccrgidmontmpupdfail_03042026090507.txt";
  const std::string postLog = "C:\\Agent\\SCCPostLogs\\" + postLogName;
  const std::string postLogLine =
      "MSG : Creating webpost file  " + postLogName + " in SCCPostLogs folder";
  const std::string hitAndSend[2] = {"MSG : URL to Hit is : " + url, "MSG : XML to Send : " + xml};
};

TEST_F(FailureReportTest, AcceptedAtTheFirstAttempt) {
  server->outcomes = {{.response = "1"}};
  EXPECT_TRUE(Report());
  EXPECT_THAT(NewLines(),
              ElementsAre(hitAndSend[0], hitAndSend[1], "MSG : Webpost try : 1",
                          "MSG : Return Response Text : 1", "MSG : Webpost Successful"));
  ASSERT_EQ(server->calls.size(), 1u);
  EXPECT_EQ(server->calls[0].xml, xml);
  EXPECT_EQ(server->calls[0].url, url);
  EXPECT_FALSE(server->calls[0].flag);
  EXPECT_FALSE(machine.Exists("C:\\Agent\\SCCPostLogs"));
}

TEST_F(FailureReportTest, BaseUrlGetsOneTrailingSlash) {
  const struct {
    std::string base, stored;
  } cases[] = {
      {"http://dc/fail/", "http://dc/fail/"},
      {" http://dc/fail ", "http://dc/fail/"},
      {" http://dc/fail/", " http://dc/fail/"},  // already ends in "/": left untrimmed
  };
  for (const auto& c : cases) {
    run.strPrimaryURL = c.base;
    server->outcomes = {{.response = "1"}};
    EXPECT_TRUE(Report()) << c.base;
    EXPECT_EQ(run.strPrimaryURL, c.stored);
    EXPECT_EQ(server->calls.back().url, c.stored + page);
  }
  NewLines();
  for (const std::string base : {"", " / "}) {
    run.strPrimaryURL = base;
    EXPECT_FALSE(Report()) << '"' << base << '"';
  }
  EXPECT_EQ(server->calls.size(), 3u);
  EXPECT_EQ(NewLines(), std::vector<std::string>(2, "ERR: No URL Details found"));
  EXPECT_FALSE(machine.Exists("C:\\Agent\\SCCPostLogs"));
}

TEST_F(FailureReportTest, EmptyTemplateIdAndVersionBecomeZero) {
  run.strTemplateID = "";
  run.strTemplateVersion = "";
  machine.clock.now = {2026, 12, 25, 23, 9, 8};
  server->outcomes = {{.response = "1"}};
  EXPECT_TRUE(Report("<b>x & y</b>"));
  EXPECT_EQ(server->calls[0].xml,
            Xml("<tmpid>0</tmpid><tmpver>0</tmpver>", "<b>x & y</b>", "12/25/2026 23:09:08"));
  EXPECT_EQ(run.strTemplateID, "0");
  EXPECT_EQ(run.strTemplateVersion, "0");
}

TEST_F(FailureReportTest, RetriesARefusedPostAndCarriesItsOutputsOver) {
  server->outcomes = {
      {.result = false, .response = "busy", .error1 = "E1", .error2 = "E2", .error3 = "E3"},
      {.response = "1"}};
  EXPECT_TRUE(Report());
  EXPECT_THAT(NewLines(),
              ElementsAre(hitAndSend[0], hitAndSend[1], "MSG : Webpost try : 1",
                          "MSG : Return Response Text : busy", "ERR: Error from Webpost E1 E2 E3",
                          "MSG : Webpost Try.2", "MSG : Webpost try : 2",
                          "MSG : Return Response Text : 1", "MSG : Webpost Successful"));
  ASSERT_EQ(server->calls.size(), 2u);
  const auto& second = server->calls[1];
  EXPECT_EQ(second.response + second.error1 + second.error2 + second.error3, "busyE1E2E3");
  EXPECT_FALSE(machine.Exists("C:\\Agent\\SCCPostLogs"));
}

TEST_F(FailureReportTest, ThreeRefusedPostsKeepTheReportAsAPostLog) {
  server->outcomes = {{.result = false, .error1 = "a", .error2 = "b", .error3 = "c"},
                      {.result = false, .response = "late"},
                      {.result = false}};
  EXPECT_FALSE(Report());
  EXPECT_THAT(NewLines(),
              ElementsAre(hitAndSend[0], hitAndSend[1], "MSG : Webpost try : 1",
                          "MSG : Return Response Text : ", "ERR: Error from Webpost a b c",
                          "MSG : Webpost Try.2", "MSG : Webpost try : 2",
                          "MSG : Return Response Text : late", "ERR: Error from Webpost a b c",
                          "MSG : Webpost Try.3", "MSG : Webpost try : 3",
                          "MSG : Return Response Text : late", "ERR: Error from Webpost a b c",
                          "MSG : Webpost Try.4", postLogLine));
  EXPECT_EQ(machine.Get(postLog), xml + "\r\n");
}

TEST_F(FailureReportTest, AnswerOtherThanOneIsARefusalWithoutRetry) {
  for (const std::string answer : {" 1", "OK", "", "1 "}) {
    machine.Remove(postLog);
    server->outcomes = {{.response = answer}};
    const size_t calls = server->calls.size();
    EXPECT_FALSE(Report()) << '"' << answer << '"';
    EXPECT_EQ(server->calls.size(), calls + 1);
    EXPECT_EQ(machine.Get(postLog), xml + "\r\n");
    EXPECT_EQ(NewLines().back(), postLogLine);
  }
}

TEST_F(FailureReportTest, WithoutTheSharedObjectNothingIsKept) {
  run.objWebPost.reset();
  EXPECT_FALSE(Report());
  EXPECT_THAT(NewLines(),
              ElementsAre(hitAndSend[0], hitAndSend[1], "MSG : Webpost try : 1",
                          "ERR: Error in Get_Webpost_UpdFailure() 91 Object variable or With "
                          "block variable not set"));
  EXPECT_FALSE(machine.Exists("C:\\Agent\\SCCPostLogs"));
}

TEST_F(FailureReportTest, PostLogCreatesItsFoldersAndReplacesAFileOfTheSameName) {
  std::string page = "wpdcmsccrgidmontmpupdfail";
  ASSERT_FALSE(machine.Exists("C:\\Agent\\Configuration"));
  std::string first = "<first/>", second = "<r>caf\xC3\xA9</r>";
  WpFileSCCPostLogs(run, first, page);
  WpFileSCCPostLogs(run, second, page);
  EXPECT_TRUE(machine.Exists("C:\\Agent\\Configuration"));
  EXPECT_EQ(machine.Get(postLog), "<r>caf\xE9</r>\r\n");
  EXPECT_THAT(NewLines(), ElementsAre(postLogLine, postLogLine));

  machine.Remove("C:\\Agent\\SCCPostLogs");
  machine.Put("C:\\Agent\\SCCPostLogs", "a file in the folder's place");
  WpFileSCCPostLogs(run, first, page);
  EXPECT_THAT(NewLines(), ElementsAre("ERR : 58 (File already exists) in procedure "
                                      "WpFileSCCPostLogs of Module modMain"));
}

}  // namespace
}  // namespace qmon::test
