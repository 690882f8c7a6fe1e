#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "server/server.h"
#include "server/server_fixture.h"

namespace qmon::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class WebPostChannelTest : public ServerTest {
 protected:
  const std::string creating = "MSG : Creating Object for qWbPost.dll";
  const std::string notCreated = "MSG : Failed to create qWbPost.Dll Object";
  const std::string error429 =
      "ERR : Error in Create_Wbpe_Obj() 429 ActiveX component can't create object";
  const std::string dll = "C:\\Agent\\qWbPost.dll";
  platform::ComponentRegistry unregistered;
};

TEST_F(WebPostChannelTest, SettingsReadTheFailurePagesBaseUrl) {
  EXPECT_FALSE(getDCSettings(run));  // no INI file
  EXPECT_THAT(NewLines(), ElementsAre("MSG : Getting Webpost Settings"));
  const struct {
    std::string ini, url;
  } cases[] = {
      {"[wpscriptmontmpltdtls]\r\nURL=http://dc/scripts\r\n[wpdcmsccrgidmontmpveriu]\r\n"
       "URL= http://dc/fail \r\n",
       "http://dc/fail"},
      {"[wpscriptmontmpltdtls]\r\nURL=http://dc/scripts\r\n", ""},
  };
  for (const auto& c : cases) {
    machine.Put(dnsIni, c.ini);
    run.strPrimaryURL = "stale";
    EXPECT_TRUE(getDCSettings(run)) << c.ini;
    EXPECT_EQ(run.strPrimaryURL, c.url) << c.ini;
    EXPECT_THAT(NewLines(),
                ElementsAre("MSG : Getting Webpost Settings", "MSG : Prim. URL:" + c.url));
  }
  run.strPrimaryURL = "http://old/";
  files.FailAt("FileExists", dnsIni, 70);
  EXPECT_FALSE(getDCSettings(run));
  EXPECT_EQ(run.strPrimaryURL, "http://old/");
  EXPECT_THAT(NewLines(), ElementsAre("MSG : Getting Webpost Settings",
                                      "ERR: Error in getDCSettings() 70 Permission denied"));
}

TEST_F(WebPostChannelTest, CreatesTheSharedObject) {
  bool retry = true;
  EXPECT_TRUE(Create_Wbpe_Obj(run, retry));
  EXPECT_NE(run.objWebPost, nullptr);
  EXPECT_EQ(server->created, 1);
  EXPECT_THAT(system.started, IsEmpty());
  EXPECT_THAT(Logged(), ElementsAre(creating, "MSG : Successfully Created Object for qWbPost.dll"));
}

TEST_F(WebPostChannelTest, UnregisteredComponentIsRegisteredAndRetriedOnce) {
  run.env.components = &unregistered;
  machine.Put(dll, "MZ");
  const std::string registering = "Msg : Registering qWbPost.dll .....";
  bool retry = true;
  EXPECT_FALSE(Create_Wbpe_Obj(run, retry));  // registration does not help
  EXPECT_EQ(run.objWebPost, nullptr);
  EXPECT_THAT(NewLines(), ElementsAre(creating, notCreated, registering, creating, error429));

  system.on_start = [&] { run.env.components = &machine.components; };
  retry = true;
  EXPECT_TRUE(Create_Wbpe_Obj(run, retry));
  EXPECT_NE(run.objWebPost, nullptr);
  EXPECT_THAT(system.started, ElementsAre("regsvr32 C:\\Agent\\qWbPost.dll -s",
                                          "regsvr32 C:\\Agent\\qWbPost.dll -s"));
  EXPECT_THAT(NewLines(), ElementsAre(creating, notCreated, registering, creating,
                                      "MSG : Successfully Created Object for qWbPost.dll"));
}

TEST_F(WebPostChannelTest, FailuresThatStartNoRegistration) {
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
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.retry << " " << c.error << " " << c.dllPresent);
    if (c.dllPresent) machine.Put(dll, "MZ");
    server->creation_errors = {c.error};
    bool retry = c.retry;
    EXPECT_FALSE(Create_Wbpe_Obj(run, retry));
    EXPECT_EQ(run.objWebPost, nullptr);
    EXPECT_EQ(NewLines(), c.lines);
  }
  run.env.components = &unregistered;
  files.FailAt("FileExists", dll, 53);
  bool retry = true;
  EXPECT_FALSE(Create_Wbpe_Obj(run, retry));
  EXPECT_THAT(NewLines(), ElementsAre(creating, notCreated,
                                      "ERR : Error in Create_Wbpe_Obj() 53 File not found"));
  EXPECT_THAT(system.started, IsEmpty());
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
  NewLines();
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
  EXPECT_THAT(NewLines(), ElementsAre(stringLine, urlLine, "MSG : WebPost Return Status: <answer/>",
                                      stringLine, urlLine, "MSG : WebPost Return Status: "));
}

TEST_F(WebPostTest, RefusalsAndErrors) {
  const std::string status = "MSG : WebPost Return Status: ", fn = "ERR : Function WebPost :: ";
  const std::vector<std::string> refused = {status, "ERR : WebPost Failed : - - "};
  const int32_t k429 = vberr::kCantCreateObject, kUnregistered = vberr::kLibraryNotRegistered;
  const struct {
    int32_t creationError;
    PostOutcome outcome;
    std::string result, error;
    std::vector<std::string> lines;  // after the string and url lines
  } cases[] = {
      {0,
       {.result = false, .response = "x", .error1 = "12029", .error2 = "no route", .error3 = "dc"},
       "x",
       "12029-no route - dc",
       {status + "x", "ERR : WebPost Failed : 12029-no route - dc"}},
      // An absent or unregistered component is passed over; raised by the
      // call, the same errors count as a refusal without details.
      {k429, {}, "", "before", {}},
      {kUnregistered, {}, "", "before", {}},
      {0, {.raise = k429}, "", "- - ", refused},
      {0, {.raise = kUnregistered}, "", "- - ", refused},
      {70, {}, "", "before", {fn + "70-Permission denied"}},
      {0, {.raise = 5}, "", "before", {fn + "5-Invalid procedure call or argument"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error + " " + std::to_string(c.creationError));
    server->creation_errors = {c.creationError};
    if (c.creationError == 0) server->outcomes = {c.outcome};
    error = "before";
    EXPECT_EQ(Post(), c.result);
    EXPECT_EQ(error, c.error);
    std::vector<std::string> expected = {stringLine, urlLine};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(NewLines(), expected);
    EXPECT_EQ(server->released, server->created);
  }
}

}  // namespace
}  // namespace qmon::test
