#include <string>

#include "access/access.h"
#include "log/run_log.h"
#include "platform/vb_error.h"

namespace qmon {

void SetRegValue(Run& run, platform::Hkey root, const std::string& subkey,
                 const std::string& name, const std::string& value) {
  try {
    auto& registry = *run.env.registry;
    platform::Hkey key = 0;
    registry.CreateKey(root, run.Ansi(subkey), &key);
    WriteLogLine(run, "MSG : fncGetRegDisplayInfo  () - Ret for RegCreateKey " +
                          std::to_string(static_cast<int32_t>(key)));
    const std::string data = run.Ansi(value);
    registry.SetValueEx(key, run.Ansi(name), platform::kRegSz,
                        reinterpret_cast<const uint8_t*>(data.data()),
                        static_cast<uint32_t>(data.size()));
    registry.CloseKey(key);
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR : fncGetRegDisplayInfo  () - ErrDesc :: " + std::to_string(e.number) +
                          " " + e.description);
  }
}

void DelRegValue(Run& run, platform::Hkey root, const std::string& subkey,
                 const std::string& name) {
  auto& registry = *run.env.registry;
  platform::Hkey key = 0;
  ResumeNext([&] { registry.CreateKey(root, run.Ansi(subkey), &key); });
  ResumeNext([&] { registry.DeleteValue(key, run.Ansi(name)); });
  ResumeNext([&] { registry.CloseKey(key); });
}

}  // namespace qmon
