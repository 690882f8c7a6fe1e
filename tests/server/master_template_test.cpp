#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "server/server.h"
#include "server/server_fixture.h"
#include "server/template_samples.h"

namespace qmon::test {
namespace {

using ::testing::ElementsAre;

class MasterTemplateTest : public ServerTest {
 protected:
  MasterTemplateTest() { machine.MakeFolder(folder); }

  std::string In(const std::string& name) const { return folder + "\\" + name; }

  void PutChecksums() {
    machine.WriteAgentKey({R"("Performance"="0123")", R"("Event"="0123")", R"("Main"="0123")"});
  }

  bool HasChecksum(const std::string& name) {
    return machine.RegValue("SOFTWARE\\QAVOOD", name).has_value();
  }

  const std::string header =
      "<dcmgetmontemp> <templateid>0</templateid> <templatever>0</templatever>";
  const std::string master = In("Master_mointoringTemplate.xml");
  const std::string ini = In("DesktopMonitor.ini");
  const std::string eventXml = In("SCCEventLogTemplate.xml");
};

TEST_F(MasterTemplateTest, WithoutScriptTemplatesOnlyTheFrameIsStored) {
  EXPECT_TRUE(Get_Webpost_Template(run));
  const std::string text = header + " </dcmgetmontemp>";
  EXPECT_EQ(machine.Get(master), text);
  EXPECT_FALSE(run.blnNoTemplateAssigned);
  EXPECT_THAT(Logged(),
              ElementsAre("MSG : Return Response Text : " + text, "MSG : Webpost Successful",
                          "MSG : Master Template written : " + master,
                          "MSG : XML written successfully.", dashes));

  machine.Remove(folder);
  EXPECT_EQ(ComposeMasterTemplate(run), text);
}

TEST_F(MasterTemplateTest, ComposesEveryFileInListingOrderAndReplacesTheOldOutputs) {
  machine.Put(In("40_Monitor.xml"), TemplateFile(Instance("3", "41", kStep)));
  machine.Put(In("12_Monitor.xml"),
              TemplateFile(Instance("5", "13", kEventFields) + Instance("4", "14", kStep)));
  machine.Put(In("5_Monitor.xml"), TemplateFile(Instance("05", "6", "")));  // lacks its step
  machine.Put(In("notes.txt"), "not xml");
  machine.Put(master, header + Dcm("3", "99", "") + " </dcmgetmontemp>");
  machine.Put(ini, "[old]");
  machine.Put(eventXml, "<old/>");
  PutChecksums();

  EXPECT_TRUE(Get_Webpost_Template(run));
  const std::string text = header + Dcm("5", "13", kEventBody) + Dcm("4", "14", kStepBody) +
                           Dcm("3", "41", kStepBody) + " </dcmgetmontemp>";
  EXPECT_EQ(machine.Get(master), text);
  EXPECT_THAT(
      Logged(),
      ElementsAre("ERR : Error in funWirteMasterMonitoringTemplateXML(). ErrNo:91"
                  "Description :Object variable or With block variable not set",
                  "MSG : Return Response Text : " + text, "MSG : Webpost Successful",
                  "File Exist : " + ini, "File deleted : " + ini, "File Exist : " + eventXml,
                  "File deleted : " + eventXml, "MSG : Master Template written : " + master,
                  "MSG : XML written successfully.", dashes));
  EXPECT_FALSE(machine.Exists(ini));
  EXPECT_FALSE(machine.Exists(eventXml));
  EXPECT_FALSE(HasChecksum("Performance"));
  EXPECT_FALSE(HasChecksum("Event"));
  EXPECT_TRUE(HasChecksum("Main"));
}

TEST_F(MasterTemplateTest, UnreadableFolderTakesTheMonitorSetupDown) {
  machine.Put(In("12_Monitor.xml"), TemplateFile(Instance("3", "41", kStep)));
  machine.Put(master, "<dcmgetmontemp/>");
  machine.Put(ini, "[old]");
  machine.Put(eventXml, "<old/>");
  PutChecksums();
  files.FailAt("ListFiles", folder, 76);

  EXPECT_FALSE(Get_Webpost_Template(run));
  EXPECT_TRUE(run.blnNoTemplateAssigned);
  EXPECT_TRUE(
      InOrder(Logged(), {"ERR: Error in Get_Webpost_Template() 76 Path not found",
                         "MSG : Return Response Text : ", "MSG : No Template(s) is assigned.",
                         dashes, "File deleted : " + master, dashes, "File deleted : " + ini,
                         dashes, "File deleted : " + eventXml, dashes}));
  EXPECT_FALSE(machine.Exists(master));
  EXPECT_FALSE(machine.Exists(ini));
  EXPECT_FALSE(machine.Exists(eventXml));
  EXPECT_TRUE(machine.Exists(In("12_Monitor.xml")));
  for (const char* name : {"Performance", "Event", "Main"}) EXPECT_FALSE(HasChecksum(name)) << name;
}

TEST_F(MasterTemplateTest, ErrorBeforeStoringLeavesTheFlagAndWritesNothing) {
  machine.Put(eventXml, "<old/>");
  PutChecksums();
  files.FailAt("FileExists", ini, 70);
  EXPECT_FALSE(Get_Webpost_Template(run));
  EXPECT_FALSE(run.blnNoTemplateAssigned);
  const std::string text = header + " </dcmgetmontemp>";
  EXPECT_THAT(Logged(),
              ElementsAre("MSG : Return Response Text : " + text, "MSG : Webpost Successful",
                          "ERR: Error in Get_Webpost_Template() 70 Permission denied"));
  EXPECT_FALSE(machine.Exists(master));
  EXPECT_TRUE(machine.Exists(eventXml));
  EXPECT_TRUE(HasChecksum("Event"));
}

}  // namespace
}  // namespace qmon::test
