#include "log/run_log.h"

#include "platform/text.h"
#include "platform/vb_error.h"

namespace qmon {
namespace {

// A write to a stream that never opened fails like a call on Nothing, and is
// passed over like every other failure here (without raising it: a run that
// ends at a pre-check has no log, and a raise costs more than the run).
void WriteRaw(Run& run, const std::string& line) {
  if (!run.objLogStream) return;
  ResumeNext([&] { run.objLogStream->WriteLine(line); });
}

const std::string& TimeStamp(Run& run) {
  const platform::LocalTime now = run.env.clock->Now();
  if (run.log_stamp.empty() || !(now == run.log_stamp_time)) {
    run.log_stamp = vb::GeneralDate(*run.env.clock, now);
    run.log_stamp_time = now;
  }
  return run.log_stamp;
}

}  // namespace

void OpenRunLog(Run& run) {
  const std::string folder = run.strInstallationPath + "ApplicationLog\\qSCCLog\\";
  ResumeNext([&] { run.env.fs->MakeSureDirectoryPathExists(run.Ansi(folder).c_str()); });
  run.strLogFilePath =
      folder + "qMonIniWriter_" + vb::FormatYyyymmdd(run.env.clock->Now()) + ".log";
  ResumeNext([&] {
    auto& fso = run.fso();
    run.objLogStream = fso.FileExists(run.strLogFilePath)
                           ? fso.OpenTextForAppend(run.strLogFilePath)
                           : fso.CreateText(run.strLogFilePath);
  });
  WriteRaw(run, kFrame70);
  WriteLogLine(run, "MSG : Application Started Now.");
  WriteLogLine(run, "MSG : InstallationPath :: " + run.strInstallationPath);
}

void WriteLogLine(Run& run, const std::string& message) {
  WriteRaw(run, message.empty() ? std::string() : TimeStamp(run) + "\t" + message);
}

void CloseRunLog(Run& run) {
  WriteRaw(run, TimeStamp(run) + "\tApplication Ended");
  WriteRaw(run, kFrame70);
  WriteLogLine(run, "");
  WriteLogLine(run, "");
  ResumeNext([&] {
    if (run.objLogStream) run.objLogStream->Close();
  });
  run.objLogStream.reset();
  run.objFSO = nullptr;
  throw ProcessEnd{};
}

}  // namespace qmon
