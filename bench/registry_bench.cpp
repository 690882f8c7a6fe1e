// The emulated registry over system.reg files of 100 to 100,000 keys, shaped
// like an export of a real HKEY_LOCAL_MACHINE: a tree ten keys wide, written
// depth first, a few values in each key, the agent's key last. The time per
// key staying flat across the sizes shows that reading and changing the file
// grow linearly.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/env.h"
#include "platform/posix/posix_registry.h"

namespace {

namespace fs = std::filesystem;
using qmon::platform::Hkey;
using qmon::platform::posix::PosixRegistry;

constexpr const char* kAgentKey = "SOFTWARE\\QAVOOD";

// Appends `path`'s block and those of its subkeys until `*left` keys are written.
void AddTree(const std::string& path, int depth, int* left, std::string* out) {
  if (*left <= 0) return;
  --*left;
  const int n = *left;
  *out += "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n\"DisplayName\"=\"Component " + std::to_string(n) +
          "\"\r\n\"Version\"=dword:" + std::to_string(10000000 + n) +
          "\r\n\"Data\"=hex:01,02,03,04,05,06,07,08\r\n\r\n";
  for (int child = 0; child < 10 && depth < 6; ++child) {
    AddTree(path + "\\Node" + std::to_string(child) + "_" + std::to_string(*left), depth + 1, left,
            out);
  }
}

std::string SystemReg(int keys) {
  std::string out = "Windows Registry Editor Version 5.00\r\n\r\n";
  int left = keys - 1;
  AddTree("SOFTWARE", 0, &left, &out);
  return out + "[HKEY_LOCAL_MACHINE\\" + kAgentKey +
         "]\r\n\"InstallationPath\"=\"C:\\\\Agent\\\\\"\r\n\"ServiceID\"=\"5\"\r\n\r\n";
}

// A temporary folder holding a system.reg of `keys` keys.
class Prefix {
 public:
  explicit Prefix(int keys) {
    std::string pattern = fs::temp_directory_path().string() + "/qmon_bench_XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    std::ofstream(file(), std::ios::binary) << SystemReg(keys);
  }
  ~Prefix() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  std::string file() const { return (root_ / "system.reg").string(); }

 private:
  fs::path root_;
};

void PerKey(benchmark::State& state, int keys) {
  state.SetItemsProcessed(state.iterations() * keys);
  state.counters["per_key"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * keys,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetComplexityN(keys);
}

// A run's first registry read: the whole file parsed, one value of the agent's key.
void BM_FirstRead(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  const Prefix prefix(keys);
  for (auto _ : state) {
    PosixRegistry registry(prefix.file());
    Hkey key = 0;
    uint8_t data[64];
    uint32_t size = sizeof data;
    if (registry.OpenKeyEx(qmon::platform::kHkeyLocalMachine, kAgentKey, 0,
                           qmon::platform::kKeyRead, &key) != 0 ||
        registry.QueryValueEx(key, "InstallationPath", nullptr, data, &size) != 0) {
      state.SkipWithError("the agent's key was not read");
    }
  }
  PerKey(state, keys);
}

// One change of a value in the agent's key, the file already read.
void BM_SetValue(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  const Prefix prefix(keys);
  PosixRegistry registry(prefix.file());
  Hkey key = 0;
  if (registry.CreateKey(qmon::platform::kHkeyLocalMachine, kAgentKey, &key) != 0) {
    state.SkipWithError("the agent's key was not opened");
  }
  uint32_t round = 0;
  for (auto _ : state) {
    ++round;
    if (registry.SetValueEx(key, "Round", qmon::platform::kRegDword,
                            reinterpret_cast<const uint8_t*>(&round), sizeof round) != 0) {
      state.SkipWithError("the value was not set");
    }
  }
  PerKey(state, keys);
}

BENCHMARK(BM_FirstRead)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SetValue)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
