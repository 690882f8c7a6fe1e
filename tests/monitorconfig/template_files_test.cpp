#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "monitorconfig/monitorconfig.h"
#include "support/run_fixture.h"

namespace qmon {
namespace {

using ::testing::ElementsAre;

class TemplateFilesTest : public test::RunFixture {
 protected:
  TemplateFilesTest() { machine.MakeFolder(run.strMonitorTemplatePath); }
  const std::string dashes = std::string(60, '-');
  const std::string master = "C:\\Agent\\QSCC\\MonitorTemplate\\Master_mointoringTemplate.xml";
};

TEST_F(TemplateFilesTest, DeleteRemovesTheThreeFilesInOrderAndNothingElse) {
  const std::string folder = run.strMonitorTemplatePath + "\\";
  for (const char* name : {"Master_mointoringTemplate.xml", "DesktopMonitor.ini",
                           "SCCEventLogTemplate.xml", "12_Monitor.xml"}) {
    machine.Put(folder + name, "x");
  }
  deleteTemplateFiles(run);
  deleteTemplateFiles(run);  // with nothing left, only the separators
  EXPECT_THAT(Logged(), ElementsAre("File deleted : " + master, dashes,
                                    "File deleted : " + folder + "DesktopMonitor.ini", dashes,
                                    "File deleted : " + folder + "SCCEventLogTemplate.xml", dashes,
                                    dashes, dashes, dashes));
  EXPECT_TRUE(machine.Exists(folder + "12_Monitor.xml"));
}

TEST_F(TemplateFilesTest, WriteReplacesTheMasterTemplateWhole) {
  machine.Put(master, std::string(500, 'o'));
  WriteXMLTemplate(run, "<dcmgetmontemp> </dcmgetmontemp>");
  EXPECT_EQ(machine.Get(master), "<dcmgetmontemp> </dcmgetmontemp>");
  EXPECT_THAT(Logged(), ElementsAre("MSG : Master Template written : " + master,
                                    "MSG : XML written successfully.", dashes));
}

TEST_F(TemplateFilesTest, WriteFailuresAreLoggedOnly) {
  run.strMonitorTemplatePath = "C:\\Agent\\QSCC\\Missing";
  WriteXMLTemplate(run, "<x/>");
  run.strMonitorTemplatePath = "C:\\Agent\\QSCC\\MonitorTemplate";
  WriteXMLTemplate(run, "<x>\xE6\x97\xA5</x>");  // no ANSI form
  EXPECT_THAT(Logged(),
              ElementsAre("ERR : Error in WriteXMLTemplate() No: 76 ,Desc: Path not found",
                          "ERR : Error in WriteXMLTemplate() No: 5 ,Desc: Invalid procedure call "
                          "or argument"));
  EXPECT_EQ(machine.Get(master), "");  // created before the failing write
}

}  // namespace
}  // namespace qmon
