#include "monitorconfig/activation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "monitorconfig/monitorconfig.h"
#include "schedule/schedule_fixture.h"
#include "support/forwarding_fs.h"

namespace qmon {
namespace {

using test::AddLog;
using test::Daily;
using test::kAddFile;
using test::kClearFile;
using test::kEvent;
using test::kFolder;
using test::kPerf;
using test::Lines;
using test::Section;
using ::testing::ElementsAre;

const std::string kTemplates = "C:\\Agent\\QSCC\\MonitorTemplate\\";
const std::string kDashes(60, '-');
const std::string kNoScheduler =
    "MSG : File not found : qavoscheduler.ini , There is no schedule in qavoScheduler.ini";
// The add-request file as ClearSchedules cleans it.
const std::string kAddOfClear = kFolder + "\\qMonIniWriter_AddSection.ini";

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
  return Lines(
      {{kNoScheduler, "MSG : Schedule not found for " + exe + " in qMonIniWriter_Addsection.ini",
        "MSG : Creating Schedule for " + exe},
       AddLog(section, Daily(exe, interval))});
}

// What storing one checksum logs; `handle` is the registry key the store opened.
std::vector<std::string> Stored(const std::string& name, size_t size, const std::string& md5,
                                int handle) {
  return {"MSG : Getting MD5 checksum of : " + kTemplates + name,
          "MSG : Filesize : " + std::to_string(size) + " Bytes", "MSG : FileMD5CheckSum : " + md5,
          "MSG : fncGetRegDisplayInfo  () - Ret for RegCreateKey " + std::to_string(handle)};
}

// What withdrawing a pending add request logs.
std::vector<std::string> Withdrawn(const std::string& exe, const std::string& section,
                                   bool rewritten) {
  std::vector<std::string> lines = {
      "MSG : Searching " + exe +
          " schedule in qMonIniWriter_AddSection.ini, If found , remove the schedule from "
          "qMonIniWriter_AddSection.ini",
      "MSG : Remove schedule [ " + exe + " ] from " + kAddOfClear,
      "MSG : Deleting section " + section + " from QavoScheduler.ini"};
  if (rewritten) {
    lines.push_back("File deleted : " + kAddOfClear);
    lines.push_back("File deleted : " + kFolder + "\\Bkp_qMonIniWriter_Addsection.ini");
  }
  return lines;
}

class ActivationTest : public test::ScheduleTest {
 protected:
  ActivationTest() { machine.MakeFolder(kTemplates); }

  // The three generated files, as after a conversion.
  void PutTemplateFiles() const {
    machine.Put(kTemplates + "DesktopMonitor.ini", kIni);
    machine.Put(kTemplates + "SCCEventLogTemplate.xml", kXml);
    machine.Put(kTemplates + "Master_mointoringTemplate.xml", kMaster);
  }

  // Checksum values left by an earlier run (opens registry key handle 420).
  void PresetChecksums() {
    platform::Hkey key = 0;
    machine.registry.CreateKey(platform::kHkeyLocalMachine, "Software\\Qavood", &key);
    for (const char* name : {"Performance", "Event", "Main"}) {
      machine.registry.SetValueEx(key, name, platform::kRegSz,
                                  reinterpret_cast<const uint8_t*>("old"), 3);
    }
    machine.registry.CloseKey(key);
  }

  // A checksum value of the agent key; nullopt when it is missing.
  std::optional<std::string> Value(const std::string& name) {
    platform::Hkey key = 0;
    if (machine.registry.OpenKeyEx(platform::kHkeyLocalMachine, "SOFTWARE\\QAVOOD", 0,
                                   platform::kKeyRead, &key) != 0) {
      return std::nullopt;
    }
    char data[64] = {};
    uint32_t type = 0, size = sizeof data;
    const bool found = machine.registry.QueryValueEx(key, name, &type,
                                                     reinterpret_cast<uint8_t*>(data), &size) == 0;
    machine.registry.CloseKey(key);
    if (!found) return std::nullopt;
    return std::string(data, std::min<size_t>(size, std::strlen(data)));  // without the NUL
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

class BothMonitorsWithWorkTest : public ActivationTest,
                                 public ::testing::WithParamInterface<bool> {};

TEST_P(BothMonitorsWithWorkTest, AreScheduledAndAllThreeChecksumsStored) {
  const bool function3or4 = GetParam();
  PutTemplateFiles();
  Start();
  run.blnPerfFunctionFound = run.blnEventFunctionFound = true;
  ActivateMonitors(run, function3or4);

  // A function 3 or 4 keeps the start's request; otherwise it is rewritten to 60.
  const std::string perfInterval = function3or4 ? "5" : "60";
  EXPECT_EQ(machine.Get(kAddFile), Section("1", Daily(kPerf, perfInterval)) +
                                       (function3or4 ? "" : "\r\n") +
                                       Section("2", Daily(kEvent, "60")));
  const auto perfEnd = function3or4 ? std::vector<std::string>{kNoScheduler}
                                    : Lines({{kNoScheduler,
                                              "MSG : Schedule not found for QSCC\\QPERFMON.EXE in "
                                              "qMonIniWriter_Addsection.ini",
                                              "MSG : Creating Schedule for QSCC\\QPERFMON.EXE"},
                                             AddLog("1", Daily(kPerf, "60"))});
  // "Event", "Performance", "Event", "Main", each in a key of its own.
  EXPECT_EQ(NewLines(), Lines({perfEnd,
                               {kNoScheduler},
                               Stored("SCCEventLogTemplate.xml", 4, kXmlMd5, 420),
                               Stored("DesktopMonitor.ini", 16, kIniMd5, 424),
                               Stored("SccEventLogTemplate.xml", 4, kXmlMd5, 428),
                               Stored("Master_mointoringTemplate.xml", 4, kMasterMd5, 432)}));
  EXPECT_EQ(Value("Performance"), kIniMd5);
  EXPECT_EQ(Value("Event"), kXmlMd5);
  EXPECT_EQ(Value("Main"), kMasterMd5);
  EXPECT_FALSE(machine.Exists(kClearFile));
}

INSTANTIATE_TEST_SUITE_P(Function3or4, BothMonitorsWithWorkTest, ::testing::Bool());

TEST_F(ActivationTest, MonitorsWithoutWorkLoseTheirChecksumAndSchedule) {
  // As after a template that failed to load: only the master template is there.
  machine.Put(kTemplates + "Master_mointoringTemplate.xml", kMaster);
  PresetChecksums();
  Start();
  ActivateMonitors(run, true);
  EXPECT_EQ(machine.Get(kAddOfClear), "");
  EXPECT_EQ(machine.Get(kClearFile), "");
  EXPECT_EQ(NewLines(), Lines({Withdrawn(kPerf, "1", true), Withdrawn(kEvent, "1", false),
                               Stored("Master_mointoringTemplate.xml", 4, kMasterMd5, 432)}));
  EXPECT_EQ(Value("Performance"), std::nullopt);
  EXPECT_EQ(Value("Event"), std::nullopt);
  EXPECT_EQ(Value("Main"), kMasterMd5);
}

TEST_F(ActivationTest, MissingPerformanceMonitorKeepsItsStartRequest) {
  PutTemplateFiles();
  Start();
  run.blnPerfFunctionFound = run.blnEventFunctionFound = run.blnPerfMonMissing = true;
  ActivateMonitors(run, false);
  EXPECT_EQ(machine.Get(kAddFile),
            Section("1", Daily(kPerf, "5")) + Section("2", Daily(kEvent, "60")));
  EXPECT_EQ(NewLines(), Lines({{kNoScheduler},
                               Stored("SCCEventLogTemplate.xml", 4, kXmlMd5, 420),
                               Stored("DesktopMonitor.ini", 16, kIniMd5, 424),
                               Stored("SccEventLogTemplate.xml", 4, kXmlMd5, 428),
                               Stored("Master_mointoringTemplate.xml", 4, kMasterMd5, 432)}));
  EXPECT_EQ(Value("Performance"), kIniMd5);
}

TEST_F(ActivationTest, MissingEventLogMonitorIsNeitherScheduledNorChecksummedEarly) {
  PutTemplateFiles();
  Start();
  run.blnPerfFunctionFound = run.blnEventFunctionFound = run.blnEventLogMonMissing = true;
  ActivateMonitors(run, false);
  EXPECT_EQ(machine.Get(kAddFile),
            Section("1", Daily(kPerf, "60")) + "\r\n" + Section("2", Daily(kEvent, "60")));
  EXPECT_EQ(NewLines(),
            Lines({NewAddRequest(kPerf, "1", "60"), Stored("DesktopMonitor.ini", 16, kIniMd5, 420),
                   Stored("SccEventLogTemplate.xml", 4, kXmlMd5, 424),
                   Stored("Master_mointoringTemplate.xml", 4, kMasterMd5, 428)}));
  EXPECT_EQ(Value("Event"), kXmlMd5);
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
                        Withdrawn(kPerf, "1", true)});
    }
    if (c.eventLog) {
      expected = Lines({expected,
                        {"File deleted : " + kTemplates + "SCCEventLogTemplate.xml", kDashes},
                        Withdrawn(kEvent, c.performance ? "1" : "2", !c.performance)});
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
  test::CreateTextFails fs(machine.fs, kClearFile);
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
}  // namespace qmon
