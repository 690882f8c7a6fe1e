// A run on a fresh in-memory machine with the agent installed and the log
// open, so a caller can run one procedure and read exactly the lines it
// logged. The unit tests' RunFixture and the fuzz targets share it.
#pragma once

#include <string>
#include <vector>

#include "log/run_log.h"
#include "run/run.h"
#include "support/machine.h"

namespace qmon::test {

struct AgentRun {
  AgentRun() : run(machine.env()) {
    machine.InstallAgent();
    run.objFSO = run.env.fs;
    run.strInstallationPath = "C:\\Agent\\";
    run.strMonitorTemplatePath = "C:\\Agent\\QSCC\\MonitorTemplate";
    OpenRunLog(run);
  }

  // The lines logged since the log was opened, time stamps removed.
  std::vector<std::string> Logged() const {
    std::vector<std::string> lines = WithoutStamps(machine.LogLines());
    lines.erase(lines.begin(), lines.begin() + 3);  // frame, started, installation path
    return lines;
  }

  TestMachine machine;
  qmon::Run run;
};

}  // namespace qmon::test
