#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "monitorconfig/conversion_fixture.h"

namespace qmon::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

TEST_F(ConversionTest, KindThreeThenOneGiveTwoSectionsWithFixedIdAndVersion) {
  machine.Put(kMasterPath,
              "<dcmgetmontemp>\r\n <templateid>7</templateid>\r\n <templatever>8</templatever>\r\n"
              " <dcm FunctionID=\"3\" scriptid=\"31\" exclsp=\"1,2,4,9,10\" fncname=\"CPU\">"
              "<step><osthresholdval> 80 </osthresholdval><osthreshold>&gt;</osthreshold></step>"
              "</dcm>\r\n"
              " <dcm FunctionID=\"1\" scriptid=\"12\" exclsp=\"\" fncname=\"Disk\"><step>"
              "<osdrv thval=\" 10 \"><![CDATA[ C: ]]></osdrv><othdrv drv=\"D:\" "
              "thval=\"20\">lt</othdrv></step>"
              "</dcm>\r\n</dcmgetmontemp>\r\n");

  EXPECT_TRUE(loadXMLData(run));

  EXPECT_EQ(Ini(),
            DcmSection(2) +
                "[DCM1]\r\nId=3\r\nscriptid=31\r\nName=CPU\r\nOSthreshold=80\r\n"
                "OScondition=>\r\n"
                "[DCM2]\r\nId=1\r\nscriptid=12\r\nName=Disk\r\nOSthreshold= 10 \r\n"
                "OScondition= C: \r\nNOSCount=1\r\nDrv1=D:\r\nCond1=lt\r\nThreshold1=20\r\n");
  EXPECT_THAT(
      ConversionLines(),
      ElementsAre(kLoaded, "MSG : Template ID: 7", "MSG : Template Version: 8",
                  "MSG : Searching serviceId 5 in exclsp 1,2,4,9,10",
                  "MSG : serviceId 5 found  in exclsp 1,2,4,9,10",
                  "MSG : value written in INI for Tid: 111",
                  "MSG : value written in INI for Tver: 20141224212323",
                  "MSG : value written in INI for Count: 1", "MSG : value written in INI: 3",
                  "MSG : value written in INI: 31", "MSG : value written in INI: CPU",
                  "MSG : value written in INI: 80", "MSG : value written in INI: >",
                  "MSG : Searching serviceId 5 in exclsp ", "MSG : serviceId 5 found  in exclsp ",
                  "MSG : value written in INI for Tid: 111",
                  "MSG : value written in INI for Tver: 20141224212323",
                  "MSG : value written in INI for Count: 2", "MSG : value written in INI: 1",
                  "MSG : value written in INI: 12", "MSG : value written in INI: Disk",
                  "MSG : value written in INI:  10 ", "MSG : value written in INI:  C: ",
                  "MSG : othdrv node found", "MSG : value written (NOSCount) in INI: 1",
                  "MSG : Writing in INI Drv1=D:", "MSG : Writing in INI Cond1=lt",
                  "MSG : Writing in INI Threshold1=20", kDashes51));
  EXPECT_FALSE(machine.Exists(kEventLogPath));
  EXPECT_TRUE(run.blnPerfFunctionFound);
  EXPECT_FALSE(run.blnEventFunctionFound);
  EXPECT_EQ(run.strTemplateID, "111");
  EXPECT_EQ(run.strTemplateVersion, "20141224212323");
}

TEST_F(ConversionTest, EventFunctionsReplaceTheEventLogTemplateWithCrLfLineBreaks) {
  machine.Put(kEventLogPath, "old");
  PutMaster(
      "<dcm FunctionID=\"5\" scriptid=\"50\" exclsp=\"1,2\" fncname=\"App\">"
      "<evt src=\"a&amp;b\">line1\r\nline2</evt></dcm>"
      "<dcm FunctionID=\"5\" scriptid=\"51\" exclsp=\"\" fncname=\"Sys\"></dcm>");

  EXPECT_TRUE(loadXMLData(run));

  const std::string written =
      "<dcmevntlgtemplat><template id=\"111\" version=\"20141224212323\"/>"
      "<dcm FunctionID=\"5\" scriptid=\"50\" exclsp=\"1,2\" fncname=\"App\">"
      "<evt src=\"a&amp;b\">line1\r\nline2</evt></dcm>"
      "<dcm FunctionID=\"5\" scriptid=\"51\" exclsp=\"\" fncname=\"Sys\"/></dcmevntlgtemplat>";
  EXPECT_EQ(EventLog(), written);
  const std::string logged = "MSG : XML to Write : " + written;
  EXPECT_THAT(
      ConversionLines(),
      ElementsAre(
          kRootRead[0], kRootRead[1], kRootRead[2], "MSG : Searching serviceId 5 in exclsp 1,2",
          "MSG : XML for Event = 5 found.", "MSG : serviceId 5 found  in exclsp 1,2",
          "MSG : Searching serviceId 5 in exclsp ", "MSG : XML for Event = 5 found.",
          "MSG : serviceId 5 found  in exclsp ", kDashes51, "File deleted : " + kEventLogPath,
          kDashes60, "Creating file : " + kEventLogPath, logged.substr(0, logged.find("\r\n")),
          logged.substr(logged.find("\r\n") + 2), kDashes60, "MSG : XML written successfully."));
  EXPECT_FALSE(machine.Exists(kIniPath));
  EXPECT_TRUE(run.blnEventFunctionFound);
  EXPECT_FALSE(run.blnPerfFunctionFound);
}

TEST_F(ConversionTest, RootWithOnlyIdAndVersionTakesNothing) {
  PutMaster("");
  EXPECT_TRUE(loadXMLData(run));
  EXPECT_THAT(ConversionLines(), ElementsAre(kRootRead[0], kRootRead[1], kRootRead[2], kDashes51));
  EXPECT_FALSE(machine.Exists(kIniPath));
  EXPECT_FALSE(machine.Exists(kEventLogPath));
}

TEST_F(ConversionTest, TemplateThatDoesNotParseIsPassedOverSilently) {
  machine.Put(kMasterPath, "<dcmgetmontemp><templateid>0</templateid>");
  machine.Put(kEventLogPath, "kept");

  EXPECT_TRUE(loadXMLData(run));

  EXPECT_THAT(Logged(), Not(Contains(kLoaded)));
  EXPECT_THAT(Logged(), Not(Contains(kDashes51)));
  EXPECT_FALSE(run.blnPerfFunctionFound || run.blnEventFunctionFound);
  EXPECT_EQ(run.strTemplateID, "");
  EXPECT_EQ(EventLog(), "kept");
}

TEST_F(ConversionTest, MissingTemplateDeletesItsChecksumOnly) {
  SetChecksumValue("Main");
  SetChecksumValue("Performance");

  EXPECT_FALSE(loadXMLData(run));

  EXPECT_EQ(Logged().back(), "MSG : File does not exist: " + kMasterPath);
  EXPECT_FALSE(HasChecksumValue("Main"));
  EXPECT_TRUE(HasChecksumValue("Performance"));
}

// The service filter compares whole items of exclsp, for both kinds of
// function; an event-log function is announced before it is filtered.
struct FilterCase {
  const char* service;
  const char* exclsp;
  bool taken;
};

class ServiceFilterTest : public ConversionTest,
                          public ::testing::WithParamInterface<FilterCase> {};

TEST_P(ServiceFilterTest, TakesFunctionsUnlessTheServiceIsListed) {
  const FilterCase& c = GetParam();
  run.strServiceID = c.service;
  const std::string attributes =
      std::string(" scriptid=\"9\" exclsp=\"") + c.exclsp + "\" fncname=\"F\"/>";
  PutMaster("<dcm FunctionID=\"1\"" + attributes + "<dcm FunctionID=\"5\"" + attributes);

  EXPECT_TRUE(loadXMLData(run));

  const std::string searching =
      std::string("MSG : Searching serviceId ") + c.service + " in exclsp " + c.exclsp;
  const std::string found =
      std::string("MSG : serviceId ") + c.service + " found  in exclsp " + c.exclsp;
  if (c.taken) {
    EXPECT_EQ(Ini(), DcmSection(1) + "[DCM1]\r\nId=1\r\nscriptid=9\r\nName=F\r\n");
    EXPECT_EQ(EventLog(),
              "<dcmevntlgtemplat><template id=\"111\" version=\"20141224212323\"/>"
              "<dcm FunctionID=\"5\" scriptid=\"9\" exclsp=\"" +
                  std::string(c.exclsp) + "\" fncname=\"F\"/></dcmevntlgtemplat>");
  } else {
    EXPECT_THAT(ConversionLines(),
                ElementsAre(kRootRead[0], kRootRead[1], kRootRead[2], searching, searching,
                            "MSG : XML for Event = 5 found.", kDashes51));
    EXPECT_FALSE(machine.Exists(kIniPath));
    EXPECT_FALSE(machine.Exists(kEventLogPath));
  }
  EXPECT_EQ(run.blnPerfFunctionFound, c.taken);
  EXPECT_EQ(run.blnEventFunctionFound, c.taken);
}

INSTANTIATE_TEST_SUITE_P(
    Items, ServiceFilterTest,
    ::testing::Values(FilterCase{"5", "2,5", false}, FilterCase{"5", "5", false},
                      FilterCase{"10", "1,2,4,9,10", false}, FilterCase{"", "2,5", true},
                      FilterCase{"5", "", true}, FilterCase{"5", "15,25", true},
                      FilterCase{"5", " 5", true}, FilterCase{"2,5", "1,2,5", false}));

// Function kinds are compared as texts: anything but "1" to "5" is passed
// over after its search line.
class UnknownKindTest : public ConversionTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnknownKindTest, IsSkippedAfterTheSearchLine) {
  PutMaster(std::string("<dcm FunctionID=\"") + GetParam() +
            "\" scriptid=\"1\" exclsp=\"\" fncname=\"F\"><step/></dcm>");
  EXPECT_TRUE(loadXMLData(run));
  EXPECT_THAT(ConversionLines(), ElementsAre(kRootRead[0], kRootRead[1], kRootRead[2],
                                             "MSG : Searching serviceId 5 in exclsp ", kDashes51));
  EXPECT_FALSE(machine.Exists(kIniPath));
}

INSTANTIATE_TEST_SUITE_P(Texts, UnknownKindTest,
                         ::testing::Values("01", " 1", "1 ", "6", "", "05", "\xE2\x85\xA0"));

// The performance monitor's final interval is the short one when the template
// holds a function of kind 3 or 4, even one the service filter excludes.
struct IntervalCase {
  const char* other_function;
  const char* interval;
};

class PerformanceIntervalTest : public ConversionTest,
                                public ::testing::WithParamInterface<IntervalCase> {};

TEST_P(PerformanceIntervalTest, FollowsKindThreeOrFour) {
  machine.MakeFolder("C:\\Agent\\Scheduler INI");
  PutMaster(std::string("<dcm FunctionID=\"1\" scriptid=\"1\" exclsp=\"\" fncname=\"A\"/>") +
            GetParam().other_function);

  EXPECT_TRUE(loadXMLData(run));

  EXPECT_THAT(machine.Get("C:\\Agent\\Scheduler INI\\qMonIniWriter_Addsection.ini"),
              ::testing::HasSubstr(std::string("ExecutableName=QSCC\\QPERFMON.EXE\r\nParameter=\r\n"
                                               "StartTime=00:01\r\nEndTime=23:59\r\nInterval=") +
                                   GetParam().interval + "\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Templates, PerformanceIntervalTest,
    ::testing::Values(
        IntervalCase{"", "60"},
        IntervalCase{"<dcm FunctionID=\"3\" scriptid=\"3\" exclsp=\"5\" fncname=\"C\"/>", "5"},
        IntervalCase{"<dcm FunctionID=\"4\" scriptid=\"4\" exclsp=\"5\" fncname=\"D\"/>", "5"},
        IntervalCase{"<dcm FunctionID=\"5\" scriptid=\"5\" exclsp=\"\" fncname=\"E\"/>", "60"}));

}  // namespace
}  // namespace qmon::test
