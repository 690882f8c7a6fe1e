#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "server/server.h"
#include "server/server_fixture.h"
#include "server/template_samples.h"

namespace qmon::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ScriptTemplatesTest : public ServerTest {
 protected:
  std::string File(const std::string& id) const { return folder + "\\" + id + "_Monitor.xml"; }

  void Fetch(std::string ids) { GetScriptTemplateDetails(run, ids); }

  std::string Fragments(const std::string& bytes) {
    machine.Put(File("12"), bytes);
    std::string path = File("12");
    return funWirteMasterMonitoringTemplateXML(run, path);
  }

  const std::string pageUrl =
      "http://dc/sm/tfr_wpscriptmontmpltdtls.asp?mmid=2002&sid=3003&rid=1001&rty=TRLX";
};

TEST_F(ScriptTemplatesTest, ExistingIdsAreTheScriptTemplateFilesInListingOrder) {
  EXPECT_EQ(fncGetExistingIdDetails(run), "");  // no folder
  machine.MakeFolder(folder);
  for (const char* name : {"40_Monitor.xml", "DesktopMonitor.ini", "7_Monitor.xml.bak",
                           "Master_mointoringTemplate.xml", "12_Monitor.xml", "9_MONITOR.XML"}) {
    machine.Put(folder + "\\" + name, "x");
  }
  EXPECT_EQ(fncGetExistingIdDetails(run), "12,40,7,9,");
  EXPECT_THAT(Logged(), IsEmpty());
  files.FailAt("ListFiles", folder, 76);
  EXPECT_EQ(fncGetExistingIdDetails(run), "");
  EXPECT_THAT(Logged(), ElementsAre("ERR : Error in fncGetExistingIdDetails(). "
                                    "ErrNo:76Description :Path not found"));
}

TEST_F(ScriptTemplatesTest, WithoutTheScriptPageUrlNothingIsFetched) {
  machine.Put(File("12"), "kept");
  for (const std::string ini : {"", "[wpscriptmontmpltdtls]\r\nURL=\r\n"}) {
    if (!ini.empty()) machine.Put(dnsIni, ini);
    Fetch("12,40");
  }
  EXPECT_EQ(Logged(), std::vector<std::string>(2, "ERR : wpscriptmontmpltdtls Url not found."));
  EXPECT_THAT(server->calls, IsEmpty());
  EXPECT_EQ(machine.Get(File("12")), "kept");
}

TEST_F(ScriptTemplatesTest, EachIdIsFetchedAndItsFileReplacedOrRemovedByTheAnswer) {
  machine.Put(dnsIni, "[wpscriptmontmpltdtls]\r\nURL=http://dc/sm\r\n");
  machine.Put(File("12"), "old");
  machine.Put(File("77"), "old");
  machine.Put(File("5"), "old");
  const std::string answer = " <wpscriptmontmpltdtls/>\r\n";
  server->outcomes = {{.response = answer}, {.response = " \r\n"}, {.response = "   "}};
  server->creation_errors = {0, 0, 0, 429};  // the fourth post cannot be made
  Fetch("12,77,5, 40");

  const auto request = [](const std::string& id) {
    return "<wpscriptmontmpltdtls><inid>" + id +
           "</inid><inagenttime>3/4/2026 </inagenttime></wpscriptmontmpltdtls>";
  };
  ASSERT_EQ(server->calls.size(), 3u);
  EXPECT_EQ(server->calls[0].xml, request("12"));
  EXPECT_EQ(server->calls[1].xml, request("77"));
  EXPECT_EQ(server->calls[0].url, pageUrl);
  EXPECT_EQ(machine.Get(File("12")), answer + "\r\n");
  // A line break alone is not blank: only the space is trimmed.
  EXPECT_EQ(machine.Get(File("77")), " \r\n\r\n");
  EXPECT_FALSE(machine.Exists(File("5")));  // a blank answer
  EXPECT_FALSE(machine.Exists(File(" 40")));
  EXPECT_TRUE(InOrder(
      Logged(), {"MSG : Webpost string : " + request("12"), "MSG : Webpost url : " + pageUrl,
                 "File deleted : " + File("12"), "MSG : Webpost string : " + request("77"),
                 "File deleted : " + File("77"),
                 "MSG : WebPost Return Status:    ", "File deleted : " + File("5"),
                 "ERR : Data not found. For ID : 5", "MSG : Webpost string : " + request(" 40"),
                 "ERR : Data not found. For ID :  40"}));
}

TEST_F(ScriptTemplatesTest, FragmentsOfStepAndEventInstancesInDocumentOrder) {
  const struct {
    std::string instances, fragments;
  } cases[] = {
      {Instance("3", "31", kStep), Dcm("3", "31", kStepBody)},
      {Instance("5", "32", kEventFields), Dcm("5", "32", kEventBody)},
      {Instance("5", "32", kEventFields) + Instance("05", "33", kStep),
       Dcm("5", "32", kEventBody) + Dcm("05", "33", kStepBody)},
      // An event instance's step is not looked at.
      {Instance("5", "32", kEventFields + kStep), Dcm("5", "32", kEventBody)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Fragments(TemplateFile(c.instances)), c.fragments);
  }
  EXPECT_THAT(Logged(), IsEmpty());
}

TEST_F(ScriptTemplatesTest, AnIncompleteInstanceEmptiesTheWholeFile) {
  const std::string complete = Instance("3", "31", kStep);
  std::string noNeverend = Instance("3", "34", kStep);
  const std::string neverend = "<neverend>1</neverend>";
  noNeverend.erase(noNeverend.find(neverend), neverend.size());
  const std::string cases[] = {
      complete + noNeverend, Instance("05", "33", kEventFields),  // no step
      Instance("5", "32", "<evntlgsource>A</evntlgsource>\r\n"),  // nine event fields missing
  };
  for (const auto& instances : cases) {
    EXPECT_EQ(Fragments(TemplateFile(instances)), "");
  }
  EXPECT_EQ(Logged(), std::vector<std::string>(
                          3,
                          "ERR : Error in funWirteMasterMonitoringTemplateXML(). ErrNo:91"
                          "Description :Object variable or With block variable not set"));
}

TEST_F(ScriptTemplatesTest, ForeignFilesGiveNothingSilently) {
  const std::string cases[] = {"not xml", "<wpscriptmontmpltdtls>",
                               "<other>" + Instance("3", "31", kStep) + "</other>"};
  for (const auto& bytes : cases) {
    EXPECT_EQ(Fragments(bytes), "") << bytes;
  }
  std::string missing = File("99");
  EXPECT_EQ(funWirteMasterMonitoringTemplateXML(run, missing), "");
  EXPECT_THAT(Logged(), IsEmpty());
}

}  // namespace
}  // namespace qmon::test
