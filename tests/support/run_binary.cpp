#include "support/run_binary.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace qmon::test {

int RunBinary(const std::string& prefix, const std::vector<std::string>& args,
              const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> envStrings;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("QMON_PREFIX=", 0) != 0) envStrings.emplace_back(*e);
  }
  envStrings.push_back("QMON_PREFIX=" + prefix);
  envStrings.insert(envStrings.end(), extraEnvironment.begin(), extraEnvironment.end());
  std::vector<char*> envp;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::string program = QMON_BINARY;
  std::vector<std::string> argStrings = {program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argStrings) argv.push_back(s.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
    throw std::runtime_error("cannot start " + program);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

namespace {

// Length of a leading "M/D/YYYY" or "M/D/YYYY h:mm:ss AM" time stamp and its
// TAB, or 0 when the line has none.
size_t StampLength(const std::string& line) {
  const size_t tab = line.find('\t');
  if (tab == std::string::npos) return 0;
  int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
  char half[3] = {};
  int used = 0;
  const std::string stamp = line.substr(0, tab);
  const bool dateOnly = std::sscanf(stamp.c_str(), "%d/%d/%d%n", &month, &day, &year, &used) == 3 &&
                        used == static_cast<int>(stamp.size());
  const bool dateTime = std::sscanf(stamp.c_str(), "%d/%d/%d %d:%d:%d %2[AP]M%n", &month, &day,
                                    &year, &hour, &minute, &second, half, &used) == 7 &&
                        used == static_cast<int>(stamp.size());
  return dateOnly || dateTime ? tab + 1 : 0;
}

}  // namespace

std::vector<std::string> WithoutStamps(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& line : lines) out.push_back(line.substr(StampLength(line)));
  return out;
}

}  // namespace qmon::test
