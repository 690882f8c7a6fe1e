// The real program killed at every system call of a whole run that can change
// a file (strace delivers SIGKILL on entering the n-th one), and at random
// times: every file it leaves is whole, and the next run restores the outputs
// of a run that nothing disturbed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <sstream>

#include "platform/memory/memory_env.h"
#include "support/fault_env.h"
#include "support/mock_server_process.h"
#include "support/posix_machine.h"
#include "support/run_binary.h"
#include "support/scenario.h"

namespace qmon {
namespace {

namespace fs = std::filesystem;
using test::Files;

// Every call that can change a file's bytes or its name, and every open: an
// open that only reads still shows the program has gone on to other work.
const std::string kCalls =
    "?open,?openat,?creat,?write,?pwrite64,?writev,?truncate,?ftruncate,?rename,?renameat,"
    "?renameat2,?link,?linkat,?unlink,?unlinkat,?mkdir,?mkdirat,?fallocate";

// The files under a prefix but the run log's, by upper-case relative path.
Files Snapshot(const std::string& prefix) {
  Files files;
  for (const auto& entry : fs::recursive_directory_iterator(prefix)) {
    const std::string key = platform::memory::NameKey(fs::relative(entry.path(), prefix).string());
    if (!entry.is_regular_file() || key.find("APPLICATIONLOG") != std::string::npos) continue;
    std::stringstream bytes;
    bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
    files[key] = bytes.str();
    if (key == "SYSTEM.REG") {  // a rerun deletes and sets values again: their order is no output
      std::vector<std::string> lines;
      for (std::string line; std::getline(bytes, line);) lines.push_back(line);
      std::sort(lines.begin(), lines.end());
      files[key] = std::accumulate(lines.begin(), lines.end(), std::string());
    }
  }
  return files;
}

class KillRunTest : public ::testing::Test {
 protected:
  // The installation of the in-memory fault run, its server the mock server.
  KillRunTest() {
    machine.Prepare(scenario, server.Url(""));
  }

  // A fresh copy of the prepared machine.
  std::string Copy() {
    const std::string copy = work / std::to_string(copies++);
    fs::copy(machine.dir.path(), copy, fs::copy_options::recursive);
    return copy;
  }

  // Runs the program, under `tool` with these options when given.
  void Run(const std::string& prefix, const std::string& tool = "",
           std::vector<std::string> options = {}) {
    const std::string ids = scenario.Text("command");
    options.insert(options.end(), {QMON_BINARY, ids});
    test::RunProgram(tool.empty() ? QMON_BINARY : tool,
                     tool.empty() ? std::vector<std::string>{ids} : options,
                     {"QMON_PREFIX=" + prefix, "no_proxy=127.0.0.1", "NO_PROXY=127.0.0.1",
                      "ASAN_OPTIONS=detect_leaks=0"},  // the leak check cannot run traced
                     "/dev/null");
  }

  // Checks the files a disturbed run left, and removes them.
  void Check(test::SettledCheck& check, const std::string& prefix, const std::string& at) {
    const Files end = Snapshot(prefix);
    check.Check(at, end, end, [&] {
      fs::remove_all(fs::path(prefix) / "drive_c/Agent/Scheduler INI");  // the scheduler took them
      Run(prefix);
      return Snapshot(prefix);
    });
    fs::remove_all(prefix);
  }

  const test::Scenario scenario{"refresh_two_templates"};
  test::PosixMachine machine;
  test::ScopedTempDir work;
  test::MockServerProcess server{{"--templates", (scenario.dir / "server").string()}};
  int copies = 0;
  test::History reference;
};

TEST_F(KillRunTest, KillAtEveryChangingCallOrAtRandomLeavesEveryFileWhole) {
  // The undisturbed run: its calls, in order, with the file each addressed.
  const std::string first = Copy(), trace = work / "trace";
  Run(first, "strace", {"-f", "-qq", "-y", "-o", trace, "-e", "trace=" + kCalls});
  const Files expected = Snapshot(first);
  struct Point {
    std::string call, target;
    int nth;
    bool changes;  // whether the call can change a guarded file
  };
  std::vector<Point> points;
  std::map<std::string, int> seen;
  std::ifstream lines(trace);
  std::string pid, line;
  while (std::getline(lines, line)) {
    // "<pid> name(args...": the main process only (the first pid); its first
    // path argument, quoted or as the path of an fd ("3</p/x>"), is the target.
    const std::string linePid = line.substr(0, line.find(' '));
    if (pid.empty()) pid = linePid;
    const size_t open = line.find('(');
    if (linePid != pid || open == std::string::npos || line.find("resumed>") != std::string::npos)
      continue;
    const size_t name = line.find_first_not_of(' ', linePid.size());
    const std::string call = line.substr(name, open - name);
    const size_t args = line.compare(open + 1, 8, "AT_FDCWD") == 0 ? line.find(", ", open) : open;
    const size_t quote = line.find_first_of("\"<", args);
    const char close = quote != std::string::npos && line[quote] == '<' ? '>' : '"';
    std::string target = quote == std::string::npos
                             ? ""
                             : line.substr(quote + 1, line.find(close, quote + 1) - quote - 1);
    if (target.starts_with(first + "/")) target = target.substr(first.size() + 1);
    target = platform::memory::NameKey(target);
    // Reads, and calls on the run log or outside the machine, change no guarded file.
    const bool reads =
        line.find("O_RDONLY") != std::string::npos && line.find("O_CREAT") == std::string::npos;
    const bool inside = !target.starts_with("/") && target.find(':') == std::string::npos;
    points.push_back({call, target, ++seen[call],
                      inside && !reads && !target.empty() &&
                          target.find("APPLICATIONLOG") == std::string::npos});
  }
  ASSERT_FALSE(points.empty());

  // Killed on entering call i, a run leaves what calls 0..i-1 made. A call
  // that cannot change a guarded file (a read, a write to the run log)
  // leaves the state of the kill at it, so the kill after it is not repeated.
  std::vector<Files> states;
  std::vector<std::string> killed(points.size());
  for (size_t i = 0; i < points.size(); ++i) {
    if (i > 0 && !points[i - 1].changes) {
      states.push_back(states.back());
      continue;
    }
    killed[i] = Copy();
    Run(killed[i], "strace",
        {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + points[i].call, "-e",
         "inject=" + points[i].call + ":signal=SIGKILL:when=" + std::to_string(points[i].nth)});
    states.push_back(Snapshot(killed[i]));
  }
  states.push_back(expected);
  reference.before = Snapshot(machine.dir.path());
  for (size_t i = 0; i < points.size(); ++i) {
    std::map<std::string, test::Version> changes;
    for (const auto& [file, bytes] : states[i + 1]) {
      if (!states[i].count(file) || states[i].at(file) != bytes) changes[file] = bytes;
    }
    for (const auto& [file, bytes] : states[i]) {
      if (!states[i + 1].count(file)) changes[file] = std::nullopt;
    }
    reference.Add(points[i].target, std::move(changes), points[i].call.starts_with("rename"));
  }
  test::SettledCheck check(reference, expected);
  for (size_t i = 0; i < points.size(); ++i) {
    if (!killed[i].empty())
      Check(check, killed[i], "kill at " + points[i].call + " #" + std::to_string(points[i].nth) + " (" +
                           points[i].target + ")");
  }

  // A few kills at random times within an undisturbed run's length.
  const std::string timed = Copy();
  const auto start = std::chrono::steady_clock::now();
  Run(timed);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::mt19937 random(std::random_device{}());
  for (int k = 0; k < 5; ++k) {
    const std::string prefix = Copy(),
                      after = std::to_string(std::uniform_real_distribution<>(0, seconds)(random));
    Run(prefix, "timeout", {"-s", "KILL", after});
    Check(check, prefix, "kill after " + after + " s");
  }
  EXPECT_TRUE(check.violations.empty())
      << test::Report(std::to_string(points.size()) + " calls", check.violations);
}

}  // namespace
}  // namespace qmon
