// The state of one run: the platform it works with and the variables that
// several procedures share. Procedures take a Run& so that one process can run
// Main many times (tests do); nothing here is global.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"

namespace qmon {

// The six texts of one schedule, in this order.
struct ScheduleEntry {
  std::string ExecutableName;
  std::string Parameter;
  std::string StartTime;
  std::string EndTime;
  std::string Interval;
  std::string WeekDays;
};

struct Run {
  explicit Run(platform::Env e) : env(e) {}

  platform::Env env;

  // The shared file-system object; released by CloseRunLog.
  platform::FileSystem* objFSO = nullptr;

  // Agent identity.
  std::string strInstallationPath;
  std::string strRegID;
  std::string strMemberID;
  std::string strSiteID;
  std::string strRegType;
  std::string strServiceID;

  std::string strAppVersion;

  // The open run log.
  std::unique_ptr<platform::TextStream> objLogStream;
  std::string strLogFilePath;
  // The log's last time stamp and the second it shows: lines come many to a
  // second, and the stamp is written again only when the second turns.
  platform::LocalTime log_stamp_time;
  std::string log_stamp;

  std::string strMonitorTemplatePath;
  std::string strScriptJobIds;

  std::string strPrimaryURL;
  std::unique_ptr<platform::WebPostObject> objWebPost;

  bool blnNoTemplateAssigned = false;
  bool blnPerfMonMissing = false;
  bool blnEventLogMonMissing = false;

  std::string strTemplateID;
  std::string strTemplateVersion;

  bool blnPerfFunctionFound = false;
  bool blnEventFunctionFound = false;

  // Used while a schedule request file is rewritten.
  std::vector<ScheduleEntry> StrRemArray;
  int32_t lngStrRemArrayUBound = -1;

  // The file-system object, created again on its next use whenever it is absent.
  platform::FileSystem& fso() {
    if (objFSO == nullptr) objFSO = env.fs;
    return *objFSO;
  }

  // Conversions at the ANSI calls.
  std::string Ansi(std::string_view text) const { return env.codepage->ToAnsi(text); }
  std::string Wide(std::string_view ansi) const { return env.codepage->FromAnsi(ansi); }
};

}  // namespace qmon
