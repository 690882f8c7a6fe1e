#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "server/server.h"
#include "server/server_fixture.h"

namespace qmon {
namespace {

using test::PostOutcome;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class WebPostChannelTest : public test::ServerTest {
 protected:
  const std::string creating = "MSG : Creating Object for qWbPost.dll";
  const std::string created = "MSG : Successfully Created Object for qWbPost.dll";
  const std::string notCreated = "MSG : Failed to create qWbPost.Dll Object";
  const std::string registering = "Msg : Registering qWbPost.dll .....";
  const std::string error429 =
      "ERR : Error in Create_Wbpe_Obj() 429 ActiveX component can't create object";
  platform::ComponentRegistry unregistered;
};

TEST_F(WebPostChannelTest, SettingsWithoutTheIniFileAnswerFalseAfterOneLine) {
  EXPECT_FALSE(getDCSettings(run));
  EXPECT_EQ(run.strPrimaryURL, "");
  EXPECT_THAT(Logged(), ElementsAre("MSG : Getting Webpost Settings"));
}

TEST_F(WebPostChannelTest, SettingsReadTheFailurePagesBaseUrl) {
  const struct {
    std::string ini;
    std::string url;
  } cases[] = {
      {"[wpscriptmontmpltdtls]\r\nURL=http://dc/scripts\r\n[wpdcmsccrgidmontmpveriu]\r\n"
       "URL= http://dc/fail \r\n",
       "http://dc/fail"},
      {"[wpscriptmontmpltdtls]\r\nURL=http://dc/scripts\r\n", ""},
      {"[wpdcmsccrgidmontmpveriu]\r\nHOST=dc\r\n", ""},
  };
  for (const auto& c : cases) {
    machine.Put(dnsIni, c.ini);
    run.strPrimaryURL = "stale";
    const size_t before = Logged().size();
    EXPECT_TRUE(getDCSettings(run)) << c.ini;
    EXPECT_EQ(run.strPrimaryURL, c.url) << c.ini;
    const auto lines = Logged();
    EXPECT_THAT(std::vector(lines.begin() + before, lines.end()),
                ElementsAre("MSG : Getting Webpost Settings", "MSG : Prim. URL:" + c.url));
  }
}

TEST_F(WebPostChannelTest, SettingsErrorKeepsTheOldUrl) {
  run.strPrimaryURL = "http://old/";
  files.FailAt("FileExists", dnsIni, 70);
  EXPECT_FALSE(getDCSettings(run));
  EXPECT_EQ(run.strPrimaryURL, "http://old/");
  EXPECT_THAT(Logged(), ElementsAre("MSG : Getting Webpost Settings",
                                    "ERR: Error in getDCSettings() 70 Permission denied"));
}

TEST_F(WebPostChannelTest, CreatesTheSharedObject) {
  bool retry = true;
  EXPECT_TRUE(Create_Wbpe_Obj(run, retry));
  EXPECT_NE(run.objWebPost, nullptr);
  EXPECT_EQ(server->created, 1);
  EXPECT_THAT(system.started, IsEmpty());
  EXPECT_THAT(Logged(), ElementsAre(creating, created));
}

TEST_F(WebPostChannelTest, UnregisteredComponentIsRegisteredAndCreatedOnce) {
  run.env.components = &unregistered;
  machine.Put("C:\\Agent\\qWbPost.dll", "MZ");
  system.on_start = [&] { run.env.components = &machine.components; };
  bool retry = true;
  EXPECT_TRUE(Create_Wbpe_Obj(run, retry));
  EXPECT_NE(run.objWebPost, nullptr);
  EXPECT_THAT(system.started, ElementsAre("regsvr32 C:\\Agent\\qWbPost.dll -s"));
  EXPECT_THAT(Logged(), ElementsAre(creating, notCreated, registering, creating, created));
}

TEST_F(WebPostChannelTest, RegistrationThatDoesNotHelpEndsAfterOneRetry) {
  run.env.components = &unregistered;
  machine.Put("C:\\Agent\\qWbPost.dll", "MZ");
  bool retry = true;
  EXPECT_FALSE(Create_Wbpe_Obj(run, retry));
  EXPECT_EQ(run.objWebPost, nullptr);
  EXPECT_EQ(system.started.size(), 1u);
  EXPECT_THAT(Logged(), ElementsAre(creating, notCreated, registering, creating, error429));
}

TEST_F(WebPostChannelTest, FailuresThatStartNoRegistration) {
  const std::string dll = "C:\\Agent\\qWbPost.dll";
  const struct {
    bool retry;
    int32_t error;
    bool dllPresent;
    std::vector<std::string> lines;
  } cases[] = {
      {true, 429, false, {creating, notCreated, "ERR : qWbPost.dll Missing"}},
      {false, 429, true, {creating, error429}},
      {true,
       vberr::kLibraryNotRegistered,
       true,
       {creating, "ERR : Error in Create_Wbpe_Obj() -2147319779 Library not registered."}},
      {true, 70, true, {creating, "ERR : Error in Create_Wbpe_Obj() 70 Permission denied"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.retry << " " << c.error << " " << c.dllPresent);
    if (c.dllPresent) {
      machine.Put(dll, "MZ");
    } else {
      std::remove(machine.Native(dll).c_str());
    }
    server->creation_errors = {c.error};
    const size_t before = Logged().size();
    bool retry = c.retry;
    EXPECT_FALSE(Create_Wbpe_Obj(run, retry));
    EXPECT_EQ(run.objWebPost, nullptr);
    const auto lines = Logged();
    EXPECT_EQ(std::vector(lines.begin() + before, lines.end()), c.lines);
  }
  EXPECT_THAT(system.started, IsEmpty());
}

TEST_F(WebPostChannelTest, ErrorWhileRegisteringIsTheProceduresError) {
  run.env.components = &unregistered;
  files.FailAt("FileExists", "C:\\Agent\\qWbPost.dll", 53);
  bool retry = true;
  EXPECT_FALSE(Create_Wbpe_Obj(run, retry));
  EXPECT_THAT(Logged(), ElementsAre(creating, notCreated,
                                    "ERR : Error in Create_Wbpe_Obj() 53 File not found"));
}

class WebPostTest : public WebPostChannelTest {
 protected:
  std::string Post() { return WebPost(run, xml, url, error); }

  std::string xml = "<wpscriptmontmpltdtls><inid>12</inid></wpscriptmontmpltdtls>";
  std::string url = "http://dc/sm/tfr_wpscriptmontmpltdtls.asp?mmid=2002";
  std::string error = "before";
  const std::string stringLine = "MSG : Webpost string : " + xml;
  const std::string urlLine = "MSG : Webpost url : " + url;
};

TEST_F(WebPostTest, PostsThroughAnObjectOfItsOwnPerCall) {
  bool retry = true;
  ASSERT_TRUE(Create_Wbpe_Obj(run, retry));
  server->outcomes = {{.response = "<answer/>"}, {.response = ""}};
  EXPECT_EQ(Post(), "<answer/>");
  EXPECT_EQ(Post(), "");
  EXPECT_EQ(error, "before");
  EXPECT_EQ(server->created, 3);
  EXPECT_EQ(server->released, 2);  // the shared one lives on
  ASSERT_EQ(server->calls.size(), 2u);
  const auto& call = server->calls[0];
  EXPECT_EQ(call.xml, xml);
  EXPECT_FALSE(call.flag);
  EXPECT_EQ(call.url, url);
  EXPECT_EQ(call.arg4 + call.arg5 + call.response + call.error1 + call.error2 + call.error3, "");
  const auto lines = Logged();
  EXPECT_EQ(std::vector(lines.begin() + 2, lines.end()),
            (std::vector<std::string>{stringLine, urlLine, "MSG : WebPost Return Status: <answer/>",
                                      stringLine, urlLine, "MSG : WebPost Return Status: "}));
}

TEST_F(WebPostTest, RefusedPostHandsBackTheErrorDetailsAndTheResponse) {
  server->outcomes = {{.result = false,
                       .response = "partial",
                       .error1 = "12029",
                       .error2 = "cannot connect",
                       .error3 = "dc"}};
  EXPECT_EQ(Post(), "partial");
  EXPECT_EQ(error, "12029-cannot connect - dc");
  EXPECT_THAT(Logged(), ElementsAre(stringLine, urlLine, "MSG : WebPost Return Status: partial",
                                    "ERR : WebPost Failed : 12029-cannot connect - dc"));
}

TEST_F(WebPostTest, AbsentOrUnregisteredComponentIsPassedOver) {
  for (int32_t number : {vberr::kCantCreateObject, vberr::kLibraryNotRegistered}) {
    SCOPED_TRACE(number);
    server->creation_errors = {number};
    const size_t before = Logged().size();
    EXPECT_EQ(Post(), "");
    EXPECT_EQ(error, "before");
    const auto lines = Logged();
    EXPECT_EQ(std::vector(lines.begin() + before, lines.end()),
              (std::vector<std::string>{stringLine, urlLine}));
  }
  EXPECT_THAT(server->calls, IsEmpty());
}

TEST_F(WebPostTest, CallFailingForTheComponentCountsAsRefused) {
  for (int32_t number : {vberr::kCantCreateObject, vberr::kLibraryNotRegistered}) {
    SCOPED_TRACE(number);
    server->outcomes = {{.raise = number}};
    error = "before";
    const size_t before = Logged().size();
    EXPECT_EQ(Post(), "");
    EXPECT_EQ(error, "- - ");
    const auto lines = Logged();
    EXPECT_EQ(std::vector(lines.begin() + before, lines.end()),
              (std::vector<std::string>{stringLine, urlLine, "MSG : WebPost Return Status: ",
                                        "ERR : WebPost Failed : - - "}));
  }
}

TEST_F(WebPostTest, OtherErrorsEndThePostWithAnEmptyResult) {
  server->creation_errors = {70};
  EXPECT_EQ(Post(), "");
  server->outcomes = {{.raise = 5}};
  EXPECT_EQ(Post(), "");
  EXPECT_EQ(error, "before");
  EXPECT_EQ(server->released, server->created);
  EXPECT_THAT(
      Logged(),
      ElementsAre(stringLine, urlLine, "ERR : Function WebPost :: 70-Permission denied", stringLine,
                  urlLine, "ERR : Function WebPost :: 5-Invalid procedure call or argument"));
}

}  // namespace
}  // namespace qmon
