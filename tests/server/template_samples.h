// Script template files as the server sends them, and the dcm fragments the
// master template makes of them.
#pragma once

#include <string>

namespace qmon::test {

// One scriptinstance with the children every instance carries, then `body`.
inline std::string Instance(const std::string& templateId, const std::string& scriptId,
                            const std::string& body) {
  return "<scriptinstance>\r\n  <templateid> " + templateId +
         " </templateid>\r\n  <scriptsjobid>12</scriptsjobid>\r\n  <scriptid>" + scriptId +
         "</scriptid>\r\n  <agentcategory>Perf</agentcategory>\r\n"
         "  <agenttemplatename>CPU load</agenttemplatename>\r\n"
         "  <userlogonconfig>0</userlogonconfig>\r\n  <startdate>3/1/2026</startdate>\r\n"
         "  <enddate></enddate>\r\n  <neverend>1</neverend>\r\n" +
         body + "</scriptinstance>\r\n";
}

inline std::string TemplateFile(const std::string& instances) {
  return "<wpscriptmontmpltdtls>\r\n" + instances + "</wpscriptmontmpltdtls>\r\n";
}

inline const std::string kStep =
    "  <step no='1'> <osdrv>C</osdrv><limit>&lt;90</limit></step>\r\n  <step no='2'/>\r\n";

// The ten event fields; blanks, a tab and markup in their texts.
inline const std::string kEventFields =
    "  <evntlgsource>Application</evntlgsource>"
    "<evntlgsourcestr><![CDATA[ MSSQL ]]></evntlgsourcestr>"
    "<evnttype>1</evnttype><evntsource></evntsource><evntid>17</evntid>"
    "<evntdesc><![CDATA[a < b]]></evntdesc><evntsourandid>0</evntsourandid>"
    "<outputopt>2</outputopt><evntdescstrt><![CDATA[\tx ]]></evntdescstrt>"
    "<evntdescandor>AND</evntdescandor>\r\n";

inline std::string Dcm(const std::string& functionId, const std::string& scriptId,
                       const std::string& body) {
  return " <dcm scriptid='" + scriptId + "' scriptver='0' FunctionID='" + functionId +
         "' exclsp='1,2,4,9,10' category='Perf' FunctionVersion='0' fncname='CPU load' "
         "logonuser='0' publisher='MERIDOXAN'>  " +
         body + " </dcm>";
}

inline const std::string kStepBody = "<step no=\"1\"><osdrv>C</osdrv><limit>&lt;90</limit></step>";

inline const std::string kEventBody =
    "<evntlgsource><![CDATA[Application]]></evntlgsource>"
    "<evntlgsourcestr><![CDATA[MSSQL]]></evntlgsourcestr><evnttype><![CDATA[1]]></evnttype>"
    "<evntsource><![CDATA[]]></evntsource><evntid><![CDATA[17]]></evntid>"
    "<evntdesc><![CDATA[a < b]]></evntdesc><evntsourandid><![CDATA[0]]></evntsourandid>"
    "<outputopt><![CDATA[2]]></outputopt><evntdescstrt><![CDATA[\tx]]></evntdescstrt>"
    "<evntdescandor><![CDATA[AND]]></evntdescandor>";

}  // namespace qmon::test
