// Every disk, registry and network call of a whole run fails once, in turn
// (a full disk, a file held by another process, a broken exchange): the run
// still ends, every file it leaves is whole, and an undisturbed run after it
// restores what a run that nothing disturbed writes.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/vb_error.h"
#include "server/template_samples.h"
#include "support/fault_env.h"
#include "support/machine.h"

namespace qmon {
namespace {

using test::Files;

const std::string kTemplates = "C:\\Agent\\QSCC\\MonitorTemplate\\";
// Every id named, so a rerun fetches again the templates a disturbed run deleted.
const std::string kIds = "12,40,77";

// Templates for the ids 12 (a performance function) and 40 (an event-log
// function), nothing for others; failure reports are not delivered.
class Server final : public platform::WebPostObject {
 public:
  explicit Server(test::FaultEnv* faults) : faults_(faults) {}
  bool PostXMLString(std::string& xml, bool, std::string& url, std::string, std::string,
                     std::string& response, std::string& error1, std::string&,
                     std::string&) override {
    if (faults_ && faults_->Fails("PostXMLString", "post")) {
      error1 = "12030";  // the connection broke off
      return false;
    }
    if (url.find("updfail") != std::string::npos) {
      error1 = "404";
      return false;
    }
    const size_t at = xml.find("<inid>") + 6;
    const std::string id = xml.substr(at, xml.find("</inid>") - at);
    const std::string step = "<step><osdrv thval=\"90\">GT</osdrv></step>";
    response = id == "12"   ? test::TemplateFile(test::Instance("1", "900", step))
               : id == "40" ? test::TemplateFile(test::Instance("5", "901", test::kEventFields))
                            : "";
    return true;
  }

 private:
  test::FaultEnv* faults_;
};

// An agent with stored templates for 12 and 40 and an old configuration. A
// failed conversion brings a failure report, kept as a post log.
void Prepare(test::TestMachine& m) {
  m.InstallAgent();
  for (const char* file : {"QPERFMON.EXE", "qGNMD5.Dll", "QDSKEVTLOG.EXE"}) {
    m.Put("C:\\Agent\\QSCC\\" + std::string(file), "");
  }
  m.Put("C:\\Agent\\Configuration\\qScriptDNS.ini",
        "[wpdcmsccrgidmontmpveriu]\r\nURL=http://dc/dc\r\n[wpscriptmontmpltdtls]\r\nURL=http://dc/"
        "dc\r\n");
  for (const char* id : {"12", "40"}) m.Put(kTemplates + id + "_Monitor.xml", "old");
  m.Put(kTemplates + "DesktopMonitor.ini", "[DCM]\r\nCount=0\r\n");
}

// Runs the program; answers what escaped it.
std::string RunIt(test::TestMachine& m, platform::Env env, test::FaultEnv* faults) {
  m.components.Register("qWbPost.WebPost", [faults] { return std::make_unique<Server>(faults); });
  qmon::Run run(env);
  try {
    Main(run, kIds);
  } catch (const ProcessEnd&) {
  } catch (const VbError& e) {
    return "VbError " + std::to_string(e.number) + " escaped";
  }
  return "";
}

// The files and the checksum values: what an undisturbed run must restore.
Files Outputs(test::TestMachine& m) {
  Files outputs = test::Snapshot(m.fs);
  platform::Hkey key = 0;
  m.registry.CreateKey(platform::kHkeyLocalMachine, kChecksumKey, &key);
  for (const char* name : {"Performance", "Event", "Main"}) {
    char data[256] = {};
    uint32_t size = sizeof data;
    m.registry.QueryValueEx(key, name, nullptr, reinterpret_cast<uint8_t*>(data), &size);
    outputs[std::string("HKLM:") + name] = std::string(data, size);
  }
  m.registry.CloseKey(key);
  return outputs;
}

TEST(FaultRunTest, EveryFailedCallLeavesEveryFileWholeAndARerunRestoresIt) {
  test::TestMachine reference;
  Prepare(reference);
  test::FaultEnv undisturbed(reference, 0, 1);
  ASSERT_EQ(RunIt(reference, undisturbed.env(), &undisturbed), "");
  undisturbed.Record();
  const Files expected = Outputs(reference);

  std::vector<std::string> violations;
  std::map<Files, Files> rerunFrom;  // what a rerun restores from each state met
  for (int64_t n = 1; n <= undisturbed.calls; ++n) {
    test::TestMachine m;
    Prepare(m);
    test::FaultEnv faults(m, n, n);
    const std::string escaped = RunIt(m, faults.env(), &faults);
    faults.Record();
    const std::string at = "fault at call " + std::to_string(n) + " (" + faults.faulted + ")";
    if (!escaped.empty()) violations.push_back(at + ": " + escaped);
    const Files state = Outputs(m);
    if (!rerunFrom.count(state)) {
      m.Remove("C:\\Agent\\Scheduler INI");  // the scheduler took the requests
      RunIt(m, m.env(), nullptr);
      rerunFrom[state] = Outputs(m);
    }
    for (const std::string& v :
         test::Violations(at, undisturbed.history, expected, test::Snapshot(m.fs), rerunFrom[state],
                          &faults.history, static_cast<size_t>(n - 1))) {
      violations.push_back(v);
    }
  }
  EXPECT_TRUE(violations.empty()) << test::Report(
      std::to_string(undisturbed.calls) + " fault points", violations);
}

}  // namespace
}  // namespace qmon
