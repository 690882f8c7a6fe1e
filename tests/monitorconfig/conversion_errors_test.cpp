#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "monitorconfig/conversion_fixture.h"
#include "support/watching_log.h"

namespace qmon::test {
namespace {

using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::Each;
using ::testing::Not;

// A template whose reading fails: the handler ends the conversion with
// False, keys written so far stay and nothing after the handler runs.
struct FailureCase {
  const char* name;
  const char* functions;
  std::string ini;  // the INI left behind, "" when none was written
};

class ConversionFailureTest : public ConversionTest,
                              public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConversionFailureTest, EndsInTheHandler) {
  PutMaster(GetParam().functions);

  EXPECT_FALSE(loadXMLData(run));

  EXPECT_EQ(Logged().back(), kNotSetLine);
  EXPECT_THAT(ConversionLines(), Not(Contains(kDashes51)));
  EXPECT_EQ(Ini(), GetParam().ini);
  EXPECT_FALSE(machine.Exists(kEventLogPath));
}

// What a kind-1 element named "N" with scriptid 4 writes first.
const std::string kNameWritten = DcmSection(1) + "[DCM1]\r\nId=1\r\nscriptid=4\r\nName=N\r\n";

INSTANTIATE_TEST_SUITE_P(
    Templates, ConversionFailureTest,
    ::testing::Values(
        FailureCase{"CommentAsThirdChild", "<!--f--><dcm FunctionID=\"1\"/>", ""},
        FailureCase{"NoFunctionID", "<dcm scriptid=\"4\" exclsp=\"\" fncname=\"N\"/>", ""},
        FailureCase{"ChildrenButNoStep",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\"><x/></dcm>",
                    kNameWritten},
        FailureCase{"OtherDriveWithoutThreshold",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
                    "<step><othdrv drv=\"D:\">a</othdrv></step></dcm>",
                    kNameWritten + "NOSCount=1\r\nDrv1=D:\r\nCond1=a\r\n"},
        FailureCase{"KindFourWithoutCondition",
                    "<dcm FunctionID=\"4\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
                    "<step><osthresholdval>1</osthresholdval></step></dcm>",
                    DcmSection(1) + "[DCM1]\r\nId=4\r\nscriptid=4\r\nName=N\r\nOSthreshold=1\r\n"},
        FailureCase{"TakenEventFunctionIsNotWrittenAfterAFailure",
                    "<dcm FunctionID=\"5\" scriptid=\"4\" exclsp=\"\" fncname=\"E\"/><dcm/>", ""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// The performance monitor finds the INI as it was before the conversion or
// with all its keys, never in between, also when the conversion fails.
TEST_F(ConversionTest, IniIsReplacedWholeWhenTheLoopEnds) {
  const std::string old = "[Old]\r\nk=v\r\n";
  machine.Put(kIniPath, old);
  PutMaster("<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
            "<step><othdrv drv=\"D:\">a</othdrv></step></dcm>");
  std::vector<std::string> seen;
  run.objLogStream = std::make_unique<WatchingLog>(run, machine, kIniPath, seen);

  EXPECT_FALSE(loadXMLData(run));
  const std::string whole = old + kNameWritten + "NOSCount=1\r\nDrv1=D:\r\nCond1=a\r\n";
  EXPECT_EQ(Ini(), whole);
  EXPECT_THAT(seen, Each(AnyOf(old, whole)));
  EXPECT_EQ(seen.back(), whole);  // the handler's line
}

TEST_F(ConversionTest, RootOfAnotherNameFailsAfterTheLoadLine) {
  machine.Put(kMasterPath, "<si><templateid>0</templateid><templatever>0</templatever></si>");
  EXPECT_FALSE(loadXMLData(run));
  EXPECT_EQ(ConversionLines(), (std::vector<std::string>{kLoaded, kNotSetLine}));
}

TEST_F(ConversionTest, CharacterOutsideTheCodePageInAnEventFunctionFailsTheWrite) {
  PutMaster("<dcm FunctionID=\"5\" scriptid=\"4\" exclsp=\"\" fncname=\"\xE6\x97\xA5\"/>");

  EXPECT_FALSE(loadXMLData(run));

  // The log cannot hold the text either, so its line is passed over.
  const std::vector<std::string> lines = ConversionLines(4);
  const std::vector<std::string> tail(lines.end() - 4, lines.end());
  EXPECT_EQ(tail,
            (std::vector<std::string>{kDashes60, "Creating file : " + kEventLogPath, kDashes60,
                                      HandlerLine(5, "Invalid procedure call or argument")}));
  EXPECT_EQ(EventLog(), "");
  EXPECT_TRUE(machine.Exists(kEventLogPath));
}

// The loop index is a 16-bit Integer: a last function at index 32766 is
// converted and the loop ends; one at 32767 is converted, then stepping the
// index overflows.
class IntegerLoopTest : public ConversionTest, public ::testing::WithParamInterface<int> {};

TEST_P(IntegerLoopTest, LastFunctionIsConverted) {
  const int skipped = GetParam();  // functions of an unknown kind before it
  const bool overflows = skipped == 32765;
  std::string functions;
  for (int i = 0; i < skipped; ++i) {
    functions += "<f FunctionID=\"0\" scriptid=\"\" exclsp=\"\" fncname=\"\"/>";
  }
  PutMaster(functions + "<f FunctionID=\"1\" scriptid=\"s\" exclsp=\"\" fncname=\"last\"/>");

  EXPECT_EQ(loadXMLData(run), !overflows);

  const std::vector<std::string> lines = Logged();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "MSG : Searching serviceId 5 in exclsp "),
            skipped + 1);
  EXPECT_EQ(Ini(), DcmSection(1) + "[DCM1]\r\nId=1\r\nscriptid=s\r\nName=last\r\n");
  EXPECT_EQ(lines.back() == HandlerLine(6, "Overflow"), overflows);
}

INSTANTIATE_TEST_SUITE_P(LastIndex, IntegerLoopTest, ::testing::Values(32764, 32765));

}  // namespace
}  // namespace qmon::test
