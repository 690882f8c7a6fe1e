#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "monitorconfig/conversion_fixture.h"

namespace qmon::test {
namespace {

using ::testing::Contains;
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
  EXPECT_FALSE(HasChecksumValue("Main"));  // the activation never ran
}

// What a kind-1 element named "N" with scriptid 4 writes first.
const std::string kNameWritten = DcmSection(1) + "[DCM1]\r\nId=1\r\nscriptid=4\r\nName=N\r\n";

INSTANTIATE_TEST_SUITE_P(
    Templates, ConversionFailureTest,
    ::testing::Values(
        FailureCase{"CommentAsThirdChild", "<!--f--><dcm FunctionID=\"1\"/>", ""},
        FailureCase{"TextAsThirdChild", "text", ""},
        FailureCase{"NoFunctionID", "<dcm scriptid=\"4\" exclsp=\"\" fncname=\"N\"/>", ""},
        FailureCase{"NoFncname", "<dcm FunctionID=\"9\" scriptid=\"4\" exclsp=\"\"/>", ""},
        FailureCase{"AttributeNamesAreCaseSensitive",
                    "<dcm FunctionId=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\"/>", ""},
        FailureCase{"ChildrenButNoStep",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\"><x/></dcm>",
                    kNameWritten},
        FailureCase{"OsDriveOutsideStep",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
                    "<x><osdrv thval=\"1\">a</osdrv></x><step/></dcm>",
                    kNameWritten},
        FailureCase{"OsDriveWithoutThreshold",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
                    "<step><osdrv>a</osdrv></step></dcm>",
                    kNameWritten},
        FailureCase{"OtherDriveWithoutDrv",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
                    "<step><othdrv thval=\"1\">a</othdrv></step></dcm>",
                    kNameWritten + "NOSCount=1\r\n"},
        FailureCase{"OtherDriveWithoutThreshold",
                    "<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
                    "<step><othdrv drv=\"D:\">a</othdrv></step></dcm>",
                    kNameWritten + "NOSCount=1\r\nDrv1=D:\r\nCond1=a\r\n"},
        FailureCase{"KindThreeWithoutThresholdValue",
                    "<dcm FunctionID=\"3\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
                    "<step><osthreshold>a</osthreshold></step></dcm>",
                    DcmSection(1) + "[DCM1]\r\nId=3\r\nscriptid=4\r\nName=N\r\n"},
        FailureCase{"KindFourWithoutCondition",
                    "<dcm FunctionID=\"4\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
                    "<step><osthresholdval>1</osthresholdval></step></dcm>",
                    DcmSection(1) + "[DCM1]\r\nId=4\r\nscriptid=4\r\nName=N\r\nOSthreshold=1\r\n"},
        FailureCase{"TakenEventFunctionIsNotWrittenAfterAFailure",
                    "<dcm FunctionID=\"5\" scriptid=\"4\" exclsp=\"\" fncname=\"E\"/><dcm/>", ""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(ConversionTest, RootOfAnotherNameFailsAfterTheLoadLine) {
  machine.Put(kMasterPath, "<si><templateid>0</templateid><templatever>0</templatever></si>");
  EXPECT_FALSE(loadXMLData(run));
  EXPECT_EQ(ConversionLines(), (std::vector<std::string>{kLoaded, kNotSetLine}));
}

TEST_F(ConversionTest, CharacterOutsideTheCodePageInAnEventFunctionFailsTheWrite) {
  PutMaster("<dcm FunctionID=\"5\" scriptid=\"4\" exclsp=\"\" fncname=\"\xE6\x97\xA5\"/>");

  EXPECT_FALSE(loadXMLData(run));

  // The log cannot hold the text either, so its line is passed over.
  const std::vector<std::string> lines = ConversionLines();
  const std::vector<std::string> tail(lines.end() - 4, lines.end());
  EXPECT_EQ(tail,
            (std::vector<std::string>{kDashes60, "Creating file : " + kEventLogPath, kDashes60,
                                      HandlerLine(5, "Invalid procedure call or argument")}));
  EXPECT_EQ(EventLog(), "");
  EXPECT_TRUE(machine.Exists(kEventLogPath));
}

// The loop index is a 16-bit Integer: with 32768 children the last function
// is still converted, then stepping the index past 32767 overflows.
class IntegerLoopTest : public ConversionTest {
 protected:
  // Id, version, `skipped` functions of an unknown kind, one of kind 1.
  void PutChildren(int skipped) {
    std::string functions;
    functions.reserve(static_cast<size_t>(skipped) * 64 + 128);
    for (int i = 0; i < skipped; ++i) {
      functions += "<f FunctionID=\"0\" scriptid=\"\" exclsp=\"\" fncname=\"\"/>";
    }
    functions += "<f FunctionID=\"1\" scriptid=\"s\" exclsp=\"\" fncname=\"last\"/>";
    PutMaster(functions);
  }
  long Searched() const {
    const std::vector<std::string> lines = Logged();
    return std::count(lines.begin(), lines.end(), "MSG : Searching serviceId 5 in exclsp ");
  }
};

TEST_F(IntegerLoopTest, LastIndex32766Completes) {
  PutChildren(32764);
  EXPECT_TRUE(loadXMLData(run));
  EXPECT_EQ(Searched(), 32765);
  EXPECT_EQ(Ini(), DcmSection(1) + "[DCM1]\r\nId=1\r\nscriptid=s\r\nName=last\r\n");
}

TEST_F(IntegerLoopTest, LastIndex32767Overflows) {
  PutChildren(32765);
  EXPECT_FALSE(loadXMLData(run));
  EXPECT_EQ(Searched(), 32766);
  EXPECT_EQ(Ini(), DcmSection(1) + "[DCM1]\r\nId=1\r\nscriptid=s\r\nName=last\r\n");
  EXPECT_EQ(Logged().back(), HandlerLine(6, "Overflow"));
}

}  // namespace
}  // namespace qmon::test
