#include "support/run_binary.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <regex>
#include <stdexcept>

extern char** environ;

namespace qmon::test {

int RunBinary(const std::string& prefix, const std::vector<std::string>& args) {
  std::vector<std::string> envStrings;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("QMON_PREFIX=", 0) != 0) envStrings.emplace_back(*e);
  }
  envStrings.push_back("QMON_PREFIX=" + prefix);
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

std::vector<std::string> WithoutStamps(const std::vector<std::string>& lines) {
  static const std::regex stamp(R"(^\d{1,2}/\d{1,2}/\d{4}( \d{1,2}:\d\d:\d\d [AP]M)?\t)");
  std::vector<std::string> out;
  for (const auto& line : lines) out.push_back(std::regex_replace(line, stamp, ""));
  return out;
}

}  // namespace qmon::test
