#include "monitorconfig/activation.h"

#include <string>

#include "access/access.h"
#include "log/run_log.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/vb_error.h"
#include "schedule/schedule.h"

namespace qmon {
namespace {

// One monitor's executable (relative to the installation folder), its
// configuration file in the template folder and its checksum value.
struct Monitor {
  const char* exe;
  const char* configName;
  const char* valueName;
};

constexpr Monitor kPerformanceMonitor{"QSCC\\QPERFMON.EXE", kDesktopMonitorIniName, "Performance"};
constexpr Monitor kEventLogMonitor{"QSCC\\QDSKEVTLOG.EXE", kEventLogTemplateName, "Event"};

void Schedule(Run& run, const Monitor& monitor, const std::string& interval) {
  std::string exe = monitor.exe;
  ScheduleEXE(run, exe, interval);
}

void StoreChecksum(Run& run, const std::string& path, const char* valueName) {
  std::string ignored;
  SetRegValue(run, platform::kHkeyLocalMachine, kChecksumKey, valueName,
              Checksum(run, path, ignored));
}

// A monitor without work loses its checksum and its schedule.
void Retire(Run& run, const Monitor& monitor) {
  DelRegValue(run, platform::kHkeyLocalMachine, kChecksumKey, monitor.valueName);
  ClearSchedules(run, monitor.exe);
}

void StoreChecksumIfExists(Run& run, const std::string& name, const char* valueName) {
  const std::string path = run.strMonitorTemplatePath + name;
  if (run.fso().FileExists(path)) StoreChecksum(run, path, valueName);
}

}  // namespace

void ScheduleMonitorsAtStart(Run& run) {
  Schedule(run, kPerformanceMonitor, "5");
  Schedule(run, kEventLogMonitor, "60");
}

void ActivateMonitors(Run& run, bool blnFunction3or4Present) {
  // A missing monitor keeps the request made at the start.
  if (run.blnPerfFunctionFound) {
    if (!run.blnPerfMonMissing) {
      Schedule(run, kPerformanceMonitor, blnFunction3or4Present ? "5" : "60");
    }
  } else {
    Retire(run, kPerformanceMonitor);
  }
  if (run.blnEventFunctionFound) {
    if (!run.blnEventLogMonMissing) {
      Schedule(run, kEventLogMonitor, "60");
      StoreChecksum(run, run.strMonitorTemplatePath + kEventLogMonitor.configName,
                    kEventLogMonitor.valueName);
    }
  } else {
    Retire(run, kEventLogMonitor);
  }
  StoreChecksumIfExists(run, kPerformanceMonitor.configName, kPerformanceMonitor.valueName);
  // The same file as the event-log template; names are taken without regard to case.
  StoreChecksumIfExists(run, "\\SccEventLogTemplate.xml", kEventLogMonitor.valueName);
  StoreChecksumIfExists(run, kMasterTemplateName, "Main");
}

void RemoveMonitorSetup(Run& run, bool& blnPerformance, bool& blnEventLog) {
  // Each step runs even when the one before it failed.
  auto takeDown = [&run](const Monitor& monitor) {
    ResumeNext([&] { fncDeleteFile(run, run.strMonitorTemplatePath + monitor.configName); });
    ResumeNext([&] { WriteLogLine(run, kDashes60); });
    ResumeNext(
        [&] { DelRegValue(run, platform::kHkeyLocalMachine, kChecksumKey, monitor.valueName); });
    ResumeNext([&] { ClearSchedules(run, monitor.exe); });
  };
  if (blnPerformance) takeDown(kPerformanceMonitor);
  if (blnEventLog) takeDown(kEventLogMonitor);
}

}  // namespace qmon
