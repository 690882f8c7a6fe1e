#include <string>

#include "access/access.h"
#include "log/run_log.h"
#include "platform/vb_error.h"

namespace qmon {
namespace {

// The "ERR : n (description) in procedure X of Module Utility" line.
void LogUtilityError(Run& run, const VbError& e, const char* procedure) {
  WriteLogLine(run, "ERR : " + std::to_string(e.number) + " (" + e.description +
                        ") in procedure " + procedure + " of Module Utility");
}

// The first `count` characters of an ANSI buffer, back in UTF-8.
std::string Head(Run& run, const std::string& buffer, uint32_t count) {
  return run.Wide(std::string_view(buffer).substr(0, count));
}

}  // namespace

std::string GetINIString(Run& run, std::string section, std::string key, std::string file) {
  try {
    std::string buffer(8000, '\0');
    const uint32_t count = run.env.profile->GetString(
        run.Ansi(section).c_str(), run.Ansi(key).c_str(), "", buffer.data(),
        static_cast<uint32_t>(buffer.size()), run.Ansi(file).c_str());
    if (count == 0) return "";
    return run.Wide(buffer.substr(0, buffer.find('\0')));
  } catch (const VbError&) {
    return "";
  }
}

std::string GetKeyValue(Run& run, const std::string& section, const std::string& key,
                        const std::string& file, bool number) {
  try {
    auto& profile = *run.env.profile;
    if (number) {
      // The API's UINT is taken as a signed Long.
      return std::to_string(static_cast<int32_t>(profile.GetInt(
          run.Ansi(section).c_str(), run.Ansi(key).c_str(), 0, run.Ansi(file).c_str())));
    }
    std::string buffer(255, ' ');
    const uint32_t count = profile.GetString(run.Ansi(section).c_str(), run.Ansi(key).c_str(),
                                             "", buffer.data(),
                                             static_cast<uint32_t>(buffer.size()),
                                             run.Ansi(file).c_str());
    return Head(run, buffer, count);
  } catch (const VbError& e) {
    LogUtilityError(run, e, "GetKeyValue");
    return "";
  }
}

int32_t SetKeyValue(Run& run, const std::string& section, const std::string& key,
                    const std::string& value, const std::string& file) {
  try {
    WriteLogLine(run, "MSG : Writing in section " + section + "  Key " + key + "=" + value +
                          " in " + file);
    return run.env.profile->WriteString(run.Ansi(section).c_str(), run.Ansi(key).c_str(),
                                        run.Ansi(value).c_str(), run.Ansi(file).c_str())
               ? 1
               : 0;
  } catch (const VbError& e) {
    LogUtilityError(run, e, "SetKeyValue");
    return 0;
  }
}

std::string GetSections(Run& run, const std::string& file) {
  try {
    std::string buffer(8192, ' ');
    const uint32_t count =
        run.env.profile->GetString(nullptr, "", "", buffer.data(),
                                   static_cast<uint32_t>(buffer.size()), run.Ansi(file).c_str());
    return Head(run, buffer, count);
  } catch (const VbError& e) {
    LogUtilityError(run, e, "GetSections");
    return "";
  }
}

std::string GetSectionNames(Run& run, std::string file) {
  try {
    std::string buffer(5000, '\0');
    const uint32_t count = run.env.profile->GetSectionNames(
        buffer.data(), static_cast<uint32_t>(buffer.size()), run.Ansi(file).c_str());
    return Head(run, buffer, count);
  } catch (const VbError&) {
    return "";
  }
}

int32_t DeleteSection(Run& run, const std::string& section, const std::string& file) {
  try {
    WriteLogLine(run, "MSG : Deleting section " + section + " from QavoScheduler.ini");
    return run.env.profile->WriteString(run.Ansi(section).c_str(), nullptr, nullptr,
                                        run.Ansi(file).c_str())
               ? 1
               : 0;
  } catch (const VbError& e) {
    LogUtilityError(run, e, "DeleteSection");
    return 0;
  }
}

IniWriteStep::IniWriteStep(Run& run, const std::string& file)
    : run_(run), file_(run.Ansi(file)) {}

IniWriteStep::~IniWriteStep() {
  // Not looked at, as no profile write is.
  run_.env.profile->WriteString(nullptr, nullptr, nullptr,
                                file_.empty() ? nullptr : file_.c_str());
}

}  // namespace qmon
