#include "support/run_binary.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace qmon::test {

int RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment, const std::string& output) {
  std::vector<std::string> envStrings;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('=') + 1);
    const bool replaced = std::any_of(environment.begin(), environment.end(),
                                      [&](const std::string& x) { return x.rfind(name, 0) == 0; });
    if (!replaced) envStrings.push_back(entry);
  }
  envStrings.insert(envStrings.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::vector<std::string> argStrings = {program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argStrings) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!output.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  pid_t pid = 0;
  const int spawned =
      posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

int RunBinary(const std::string& prefix, const std::vector<std::string>& args,
              const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> environment = {"QMON_PREFIX=" + prefix};
  environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
  return RunProgram(QMON_BINARY, args, environment);
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
