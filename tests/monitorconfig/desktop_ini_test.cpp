#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "monitorconfig/conversion_fixture.h"

namespace qmon::test {
namespace {

using ::testing::IsSupersetOf;

// One taken function element and the section DCM1 it gives.
struct SectionCase {
  const char* name;
  const char* element;
  const char* section;
};

class DesktopIniTest : public ConversionTest, public ::testing::WithParamInterface<SectionCase> {};

TEST_P(DesktopIniTest, WritesTheSection) {
  PutMaster(GetParam().element);
  EXPECT_TRUE(loadXMLData(run));
  EXPECT_EQ(Ini(), DcmSection(1) + "[DCM1]\r\n" + GetParam().section);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, DesktopIniTest,
    ::testing::Values(
        SectionCase{"AllInAnyCaseWithBlanksDriveNamesKeepTheirs",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\"><step>"
                    "<othdrv drv=\" D: \" thval=\" 5 \"><![CDATA[ lt ]]></othdrv>"
                    "<othdrv drv=\" all \" thval=\"9\">gt</othdrv></step></dcm>",
                    "Id=1\r\nscriptid=4\r\nName=N\r\nNOSCount=-1\r\nDrv1= D: \r\nCond1= lt \r\n"
                    "Threshold1= 5 \r\nNOScondition=gt\r\nNOSthreshold=9\r\n"},
        SectionCase{"TheLastOfTwoAllEntriesWins",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\"><step>"
                    "<othdrv drv=\"ALL\" thval=\"1\">a</othdrv>"
                    "<othdrv drv=\"All\" thval=\"2\">b</othdrv></step></dcm>",
                    "Id=1\r\nscriptid=4\r\nName=N\r\nNOSCount=-1\r\nNOScondition=b\r\n"
                    "NOSthreshold=2\r\n"},
        SectionCase{"CountCoversEveryStepEntriesOnlyTheFirstChild",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
                    "<step><othdrv drv=\"D:\" thval=\"1\">a</othdrv></step>"
                    "<step><othdrv drv=\"E:\" thval=\"2\">b</othdrv>"
                    "<othdrv drv=\"F:\" thval=\"3\">c</othdrv></step></dcm>",
                    "Id=1\r\nscriptid=4\r\nName=N\r\nNOSCount=3\r\nDrv1=D:\r\nCond1=a\r\n"
                    "Threshold1=1\r\n"},
        SectionCase{"EntriesOfAFirstChildThatIsNoStepAreNotWritten",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\"><info/>"
                    "<step><othdrv drv=\"D:\" thval=\"1\">a</othdrv></step></dcm>",
                    "Id=1\r\nscriptid=4\r\nName=N\r\nNOSCount=1\r\n"},
        SectionCase{"KindFourWithoutChildrenGivesItsNameOnly",
                    "<dcm FunctionID=\"4\" scriptid=\"4\" exclsp=\"\" fncname=\"N\"/>",
                    "Id=4\r\nscriptid=4\r\nName=N\r\n"},
        SectionCase{"KindFourValuesTrimmed",
                    "<dcm FunctionID=\"4\" scriptid=\" 4 \" exclsp=\"\" fncname=\" N \"><step>"
                    "<osthreshold><![CDATA[ lt ]]></osthreshold><osthresholdval><![CDATA[ 7 ]]>"
                    "</osthresholdval>"
                    "</step></dcm>",
                    "Id=4\r\nscriptid= 4 \r\nName= N \r\nOSthreshold=7\r\nOScondition=lt\r\n"},
        SectionCase{"CharacterOutsideTheCodePageBecomesAQuestionMark",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"Disk \xE6\x97\xA5 "
                    "\xC3\xA9\"/>",
                    "Id=1\r\nscriptid=4\r\nName=Disk ? \xE9\r\n"}),
    [](const ::testing::TestParamInfo<SectionCase>& info) { return info.param.name; });

// An ALL entry first leaves a hole in the numbering of the others.
TEST_F(ConversionTest, AllEntryFirstLeavesAHoleAndLogsBeforeEachWrite) {
  PutMaster(
      "<dcm FunctionID=\"2\" scriptid=\"4\" exclsp=\"\" fncname=\"N\"><step>"
      "<othdrv drv=\"all\" thval=\"9\">gt</othdrv><othdrv drv=\"E:\" thval=\"7\">lt</othdrv>"
      "</step></dcm>");
  EXPECT_TRUE(loadXMLData(run));
  EXPECT_EQ(Ini(),
            DcmSection(1) +
                "[DCM1]\r\nId=2\r\nscriptid=4\r\nName=N\r\nNOSCount=-1\r\nNOScondition=gt\r\n"
                "NOSthreshold=9\r\nDrv2=E:\r\nCond2=lt\r\nThreshold2=7\r\n");
  const std::vector<std::string> lines = ConversionLines();
  const std::vector<std::string> tail(lines.end() - 9, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "MSG : othdrv node found", "MSG : value written (NOSCount) in INI: 2",
                      "MSG : Writing in INI NOSCount=-1", "MSG : Writing in INI NOScondition=gt",
                      "MSG : Writing in INI NOSthreshold=9",
                      "MSG : Writing in INI Drv2=E:", "MSG : Writing in INI Cond2=lt",
                      "MSG : Writing in INI Threshold2=7", kDashes51}));
}

TEST_F(ConversionTest, StepWithoutDrivesCountsNone) {
  PutMaster(
      "<dcm FunctionID=\"2\" scriptid=\"4\" exclsp=\"\" fncname=\"N\"><step><x/></step>"
      "</dcm>");
  EXPECT_TRUE(loadXMLData(run));
  EXPECT_EQ(Ini(), DcmSection(1) + "[DCM1]\r\nId=2\r\nscriptid=4\r\nName=N\r\nNOSCount=0\r\n");
  EXPECT_THAT(ConversionLines(), IsSupersetOf({"MSG : othdrv node not found",
                                               "MSG : value written (NOSCount) in INI: 0"}));
}

}  // namespace
}  // namespace qmon::test
