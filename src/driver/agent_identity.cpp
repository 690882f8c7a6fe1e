#include "driver/agent_identity.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "log/run_log.h"
#include "platform/text.h"
#include "platform/vb_error.h"

namespace qmon {
namespace {

constexpr const char* kAgentKey = "SOFTWARE\\QAVOOD";

std::string ReadTrimmed(Run& run, platform::Hkey key, const char* name) {
  return vb::Trim(GetRegValue(run, key, name));
}

void LogReadFailure(Run& run, const std::string& name, const char* separator, int32_t code) {
  WriteLogLine(run, "ERR : Failed to read Registry key " + name + separator +
                        fncFormatMessage(run, std::to_string(code)));
}

}  // namespace

bool ReadAgentIdentity(Run& run, std::string& keyPath) {
  try {
    auto& registry = *run.env.registry;
    platform::Hkey key = 0;
    if (registry.OpenKeyEx(platform::kHkeyLocalMachine, run.Ansi(keyPath), 0, platform::kKeyRead,
                           &key) != platform::kErrorSuccess) {
      return false;
    }
    if (vb::Trim(keyPath) == kAgentKey) {
      std::string path = ReadTrimmed(run, key, "InstallationPath");
      if (!path.empty() && path.back() != '\\') path += '\\';
      run.strInstallationPath = path;
      if (!run.fso().FolderExists(run.strInstallationPath)) throw ProcessEnd{};
      run.strRegID = ReadTrimmed(run, key, "REGID");
      run.strMemberID = ReadTrimmed(run, key, "MEMBERID");
      run.strSiteID = ReadTrimmed(run, key, "SITEID");
      run.strRegType = ReadTrimmed(run, key, "TYPE");
      run.strServiceID = ReadTrimmed(run, key, "ServiceID");
    }
    registry.CloseKey(key);
    return true;
  } catch (const VbError&) {
    return false;
  }
}

void PreChecks(Run& run) {
  try {
    const char* refusal = nullptr;
    if (vb::Val(run.strRegID) == 0) {
      refusal = "ERR : REGID is Blank.";
    } else if (vb::Val(run.strMemberID) == 0) {
      refusal = "ERR : MEMBERID is Blank.";
    } else if (vb::Val(run.strSiteID) == 0) {
      refusal = "ERR : SITEID is Blank.";
    } else if (vb::Trim(run.strInstallationPath).empty()) {
      refusal = "ERR : Installation Path is Blank.";
    } else if (vb::Trim(vb::UCase(run.strRegType)) != "TRLX") {
      refusal = "ERR : RegType TRLX not found";
    }
    if (refusal != nullptr) {
      WriteLogLine(run, refusal);
      CloseRunLog(run);
    }
  } catch (const VbError& e) {
    WriteLogLine(run, "Error in PreChecks(),Error No:" + std::to_string(e.number) +
                          " ,Error Description : " + e.description);
    throw ProcessEnd{};
  }
}

std::string GetRegValue(Run& run, platform::Hkey key, const std::string& name) {
  try {
    auto& registry = *run.env.registry;
    const std::string ansiName = run.Ansi(name);
    uint32_t type = 0;
    uint32_t size = 0;
    int32_t code = registry.QueryValueEx(key, ansiName, &type, nullptr, &size);
    if (code != platform::kErrorSuccess) {
      LogReadFailure(run, name, ". ERRDesc :: ", code);
      return "";
    }
    if (type == platform::kRegSz) {
      std::string buffer(size, '\0');
      code = registry.QueryValueEx(key, ansiName, &type,
                                   reinterpret_cast<uint8_t*>(buffer.data()), &size);
      if (code == platform::kErrorSuccess) return StripNulls(run.Wide(buffer));
    } else {
      // Every other type is read into a 32-bit number; a longer value does
      // not fit and is reported like any failed read.
      uint8_t number[4] = {};
      uint32_t numberSize = sizeof number;
      code = registry.QueryValueEx(key, ansiName, &type, number, &numberSize);
      if (code == platform::kErrorSuccess) {
        int32_t value = 0;
        std::memcpy(&value, number, sizeof value);
        return StripNulls(std::to_string(value));
      }
    }
    LogReadFailure(run, name, ". ERRDesc - ", code);
    return "";
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR : GetRegValue () - ErrDesc :: " + std::to_string(e.number) + " " +
                          e.description);
    return "";
  }
}

std::string StripNulls(const std::string& text) { return text.substr(0, text.find('\0')); }

std::string fncFormatMessage(Run& run, std::string code) {
  try {
    std::string buffer(200, ' ');
    const auto number = static_cast<uint32_t>(vb::CLng(vb::Val(code)));
    const uint32_t count = run.env.system->FormatSystemMessage(
        number, buffer.data(), static_cast<uint32_t>(buffer.size()));
    return run.Wide(std::string_view(buffer).substr(0, count));
  } catch (const VbError& e) {
    WriteLogLine(run, "fncFormatMessage () - ErrDesc :: " + std::to_string(e.number) + " " +
                          e.description);
    return "";
  }
}

}  // namespace qmon
