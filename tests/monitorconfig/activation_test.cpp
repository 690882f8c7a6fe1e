#include "monitorconfig/activation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "monitorconfig/monitorconfig.h"
#include "schedule/schedule_fixture.h"
#include "support/forwarding_fs.h"

namespace qmon::test {
namespace {

using ::testing::ElementsAre;

const std::string kTemplates = "C:\\Agent\\QSCC\\MonitorTemplate\\";
const std::string kDashes(60, '-');

// The three files of the template folder and their digests.
const std::string kIni = "[General]\r\nx=1\r\n";
const std::string kIniMd5 = "ae3c561792c624e3f18af1220cd548cf";
const std::string kXml = "<x/>";
const std::string kXmlMd5 = "a8b594bf8dcca656fb1eb1b66344940a";
const std::string kMaster = "<m/>";
const std::string kMasterMd5 = "b9017e0e6ee3beb0885a65fda19c60ed";

// What a new add request logs when the scheduler's INI is absent.
std::vector<std::string> NewAddRequest(const std::string& exe, const std::string& section,
                                       const std::string& interval) {
  return Lines({{kNoScheduler}, NewAddLog(exe, section, Daily(exe, interval))});
}

// What storing one checksum logs; `handle` is the registry key the store opened.
std::vector<std::string> Stored(const std::string& name, size_t size, const std::string& md5,
                                int handle) {
  return {"MSG : Getting MD5 checksum of : " + kTemplates + name,
          "MSG : Filesize : " + std::to_string(size) + " Bytes", "MSG : FileMD5CheckSum : " + md5,
          "MSG : fncGetRegDisplayInfo  () - Ret for RegCreateKey " + std::to_string(handle)};
}

class ActivationTest : public ScheduleTest {
 protected:
  ActivationTest() { machine.MakeFolder(kTemplates); }

  // The three generated files, as after a conversion.
  void PutTemplateFiles() {
    machine.Put(kTemplates + "DesktopMonitor.ini", kIni);
    machine.Put(kTemplates + "SCCEventLogTemplate.xml", kXml);
    machine.Put(kTemplates + "Master_mointoringTemplate.xml", kMaster);
  }

  // Checksum values left by an earlier run.
  void PresetChecksums() {
    machine.WriteAgentKey({R"("Performance"="old")", R"("Event"="old")", R"("Main"="old")"});
  }

  std::optional<std::string> Value(const std::string& name) {
    return machine.RegValue("SOFTWARE\\QAVOOD", name);
  }

  // The start of a conversion: both monitors requested at their start intervals.
  void Start() {
    ScheduleMonitorsAtStart(run);
    EXPECT_EQ(NewLines(),
              Lines({NewAddRequest(kPerf, "1", "5"), NewAddRequest(kEvent, "2", "60")}));
    EXPECT_EQ(machine.Get(kAddFile),
              Section("1", Daily(kPerf, "5")) + Section("2", Daily(kEvent, "60")));
  }
};

struct WorkCase {
  bool function3or4, perfMissing, eventMissing;
};

class MonitorsWithWorkTest : public ActivationTest,
                             public ::testing::WithParamInterface<WorkCase> {};

TEST_P(MonitorsWithWorkTest, AreScheduledAndTheirChecksumsStored) {
  const WorkCase c = GetParam();
  PutTemplateFiles();
  Start();
  run.blnPerfFunctionFound = run.blnEventFunctionFound = true;
  run.blnPerfMonMissing = c.perfMissing;
  run.blnEventLogMonMissing = c.eventMissing;
  ActivateMonitors(run, c.function3or4);

  // A function 3 or 4, or a missing monitor, keeps the start's request;
  // otherwise it is rewritten to 60.
  const bool perfRewritten = !c.function3or4 && !c.perfMissing;
  EXPECT_EQ(machine.Get(kAddFile), Section("1", Daily(kPerf, perfRewritten ? "60" : "5")) +
                                       (perfRewritten ? "\r\n" : "") +
                                       Section("2", Daily(kEvent, "60")));
  std::vector<std::string> expected;
  if (!c.perfMissing)
    expected = perfRewritten ? NewAddRequest(kPerf, "1", "60") : Lines({{kNoScheduler}});
  // "Event", "Performance", "Event", "Main", each in a key of its own.
  int handle = 420;
  if (!c.eventMissing) {
    expected =
        Lines({expected, {kNoScheduler}, Stored("SCCEventLogTemplate.xml", 4, kXmlMd5, 420)});
    handle += 4;
  }
  expected = Lines({expected, Stored("DesktopMonitor.ini", 16, kIniMd5, handle),
                    Stored("SccEventLogTemplate.xml", 4, kXmlMd5, handle + 4),
                    Stored("Master_mointoringTemplate.xml", 4, kMasterMd5, handle + 8)});
  EXPECT_EQ(NewLines(), expected);
  EXPECT_EQ(Value("Performance"), kIniMd5);
  EXPECT_EQ(Value("Event"), kXmlMd5);
  EXPECT_EQ(Value("Main"), kMasterMd5);
  EXPECT_FALSE(machine.Exists(kClearFile));
}

INSTANTIATE_TEST_SUITE_P(Cases, MonitorsWithWorkTest,
                         ::testing::Values(WorkCase{true, false, false},
                                           WorkCase{false, false, false},
                                           WorkCase{false, true, false},
                                           WorkCase{false, false, true}));

TEST_F(ActivationTest, MonitorsWithoutWorkLoseTheirChecksumAndSchedule) {
  // As after a template that failed to load: only the master template is there.
  machine.Put(kTemplates + "Master_mointoringTemplate.xml", kMaster);
  PresetChecksums();
  Start();
  ActivateMonitors(run, true);
  EXPECT_EQ(machine.Get(kAddOfClear), "");
  EXPECT_EQ(machine.Get(kClearFile), "");
  EXPECT_EQ(NewLines(), Lines({WithdrawLog(kPerf, "1", true), WithdrawLog(kEvent, "1", false),
                               Stored("Master_mointoringTemplate.xml", 4, kMasterMd5, 428)}));
  EXPECT_EQ(Value("Performance"), std::nullopt);
  EXPECT_EQ(Value("Event"), std::nullopt);
  EXPECT_EQ(Value("Main"), kMasterMd5);
}

TEST_F(ActivationTest, RemoveMonitorSetupTakesDownTheMonitorsAskedFor) {
  struct Case {
    bool performance, eventLog;
  };
  const std::optional<std::string> kOld = "old";
  for (const Case c :
       {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
    SCOPED_TRACE(std::to_string(c.performance) + std::to_string(c.eventLog));
    PutTemplateFiles();
    PresetChecksums();
    machine.Put(kAddFile, Section("1", Daily(kPerf, "5")) + Section("2", Daily(kEvent, "60")));
    NewLines();
    bool performance = c.performance, eventLog = c.eventLog;
    RemoveMonitorSetup(run, performance, eventLog);
    EXPECT_EQ(performance, c.performance);
    EXPECT_EQ(eventLog, c.eventLog);

    std::vector<std::string> expected;
    if (c.performance) {
      expected = Lines({{"File deleted : " + kTemplates + "DesktopMonitor.ini", kDashes},
                        WithdrawLog(kPerf, "1", true)});
    }
    if (c.eventLog) {
      expected = Lines({expected,
                        {"File deleted : " + kTemplates + "SCCEventLogTemplate.xml", kDashes},
                        WithdrawLog(kEvent, c.performance ? "1" : "2", !c.performance)});
    }
    EXPECT_EQ(NewLines(), expected);
    std::string add;
    if (!c.performance) add += Section("1", Daily(kPerf, "5"));
    if (!c.eventLog) add += Section(c.performance ? "1" : "2", Daily(kEvent, "60"));
    if (c.performance != c.eventLog) add += "\r\n";  // rewritten around the one left
    EXPECT_EQ(machine.Get(kAddOfClear), add);
    EXPECT_EQ(machine.Exists(kTemplates + "DesktopMonitor.ini"), !c.performance);
    EXPECT_EQ(machine.Exists(kTemplates + "SCCEventLogTemplate.xml"), !c.eventLog);
    EXPECT_EQ(Value("Performance"), c.performance ? std::nullopt : kOld);
    EXPECT_EQ(Value("Event"), c.eventLog ? std::nullopt : kOld);
    EXPECT_EQ(Value("Main"), kOld);
    EXPECT_EQ(machine.Get(kTemplates + "Master_mointoringTemplate.xml"), kMaster);
  }
}

TEST_F(ActivationTest, RemoveMonitorSetupGoesOnPastAFailingStep) {
  PutTemplateFiles();
  PresetChecksums();
  CreateTextFails fs(machine.fs, kClearFile);
  run.env.fs = run.objFSO = &fs;
  bool both = true;
  RemoveMonitorSetup(run, both, both);
  const std::string failed =
      "ERR : 70 (Permission denied) in procedure ClearSchedules of Module modMain";
  EXPECT_THAT(
      Logged(),
      ElementsAre("File deleted : " + kTemplates + "DesktopMonitor.ini", kDashes, failed,
                  "File deleted : " + kTemplates + "SCCEventLogTemplate.xml", kDashes, failed));
  EXPECT_EQ(Value("Performance"), std::nullopt);
  EXPECT_EQ(Value("Event"), std::nullopt);
}

}  // namespace
}  // namespace qmon::test
