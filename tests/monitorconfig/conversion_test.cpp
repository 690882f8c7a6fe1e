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
      ConversionLines(7),
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

TEST_F(ConversionTest, TemplateThatDoesNotParseIsPassedOverSilently) {
  machine.Put(kMasterPath, "<dcmgetmontemp><templateid>0</templateid>");
  machine.Put(kEventLogPath, "kept");

  EXPECT_TRUE(loadXMLData(run));

  EXPECT_THAT(Logged(), Not(Contains(kLoaded)));
  EXPECT_THAT(Logged(), Not(Contains(kDashes51)));
  EXPECT_FALSE(run.blnPerfFunctionFound || run.blnEventFunctionFound);
  EXPECT_EQ(EventLog(), "kept");
}

TEST_F(ConversionTest, MissingTemplateDeletesItsChecksumOnly) {
  machine.WriteAgentKey({R"("Main"="00ff")", R"("Performance"="00ff")"});
  EXPECT_FALSE(loadXMLData(run));

  EXPECT_EQ(Logged().back(), "MSG : File does not exist: " + kMasterPath);
  EXPECT_FALSE(HasChecksumValue("Main"));
  EXPECT_TRUE(HasChecksumValue("Performance"));
}

// The service filter compares whole items of exclsp, for both kinds of
// function; an event-log function is announced before it is filtered.
struct FilterCase {
  const char *service, *exclsp;
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

  EXPECT_EQ(machine.Exists(kIniPath), c.taken);
  EXPECT_EQ(machine.Exists(kEventLogPath), c.taken);
  EXPECT_EQ(run.blnPerfFunctionFound, c.taken);
  EXPECT_EQ(run.blnEventFunctionFound, c.taken);
  if (!c.taken) {
    const std::string searching =
        std::string("MSG : Searching serviceId ") + c.service + " in exclsp " + c.exclsp;
    EXPECT_THAT(ConversionLines(),
                ElementsAre(kRootRead[0], kRootRead[1], kRootRead[2], searching, searching,
                            "MSG : XML for Event = 5 found.", kDashes51));
  }
}

INSTANTIATE_TEST_SUITE_P(Items, ServiceFilterTest,
                         ::testing::Values(FilterCase{"5", "2,5", false},
                                           FilterCase{"5", "5", false}, FilterCase{"", "2,5", true},
                                           FilterCase{"5", "", true},
                                           FilterCase{"5", "15,25", true},
                                           FilterCase{"5", " 5", true},
                                           FilterCase{"2,5", "1,2,5", false}));

// Function kinds are compared as texts: anything but "1" to "5" is passed
// over after its search line.
TEST_F(ConversionTest, UnknownKindsAreSkippedAfterTheSearchLine) {
  std::string functions;
  for (const char* kind : {"01", " 1", "6", ""}) {
    functions += std::string("<dcm FunctionID=\"") + kind +
                 "\" scriptid=\"1\" exclsp=\"\" fncname=\"F\"><step/></dcm>";
  }
  PutMaster(functions);
  EXPECT_TRUE(loadXMLData(run));
  const std::string searching = "MSG : Searching serviceId 5 in exclsp ";
  EXPECT_THAT(ConversionLines(), ElementsAre(kRootRead[0], kRootRead[1], kRootRead[2], searching,
                                             searching, searching, searching, kDashes51));
  EXPECT_FALSE(machine.Exists(kIniPath));
}

// The performance monitor's final interval is the short one when the template
// holds a function of kind 3 or 4, even one the service filter excludes.
class PerformanceIntervalTest
    : public ConversionTest,
      public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(PerformanceIntervalTest, FollowsKindThreeOrFour) {
  const auto [other_kind, interval] = GetParam();
  machine.MakeFolder("C:\\Agent\\Scheduler INI");
  PutMaster(std::string("<dcm FunctionID=\"1\" scriptid=\"1\" exclsp=\"\" fncname=\"A\"/>"
                        "<dcm FunctionID=\"") +
            other_kind + "\" scriptid=\"2\" exclsp=\"5\" fncname=\"B\"/>");

  EXPECT_TRUE(loadXMLData(run));

  EXPECT_THAT(machine.Get("C:\\Agent\\Scheduler INI\\qMonIniWriter_Addsection.ini"),
              ::testing::HasSubstr(std::string("ExecutableName=QSCC\\QPERFMON.EXE\r\nParameter=\r\n"
                                               "StartTime=00:01\r\nEndTime=23:59\r\nInterval=") +
                                   interval + "\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Templates, PerformanceIntervalTest,
                         ::testing::Values(std::pair{"3", "5"}, std::pair{"4", "5"},
                                           std::pair{"5", "60"}));

}  // namespace
}  // namespace qmon::test
