#include "support/mock_server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/case_file.h"
#include "support/run_binary.h"

namespace qmon::test {

constexpr auto kStopGrace = std::chrono::seconds(20);

namespace {

// Beside the program (QMON_BINARY).
std::string MockServerPath() {
  return (std::filesystem::path(QMON_BINARY).parent_path() / "qmon_mock_server").string();
}

}  // namespace

MockServerProcess::MockServerProcess(const std::vector<std::string>& args) {
  const std::string program = MockServerPath();
  std::vector<std::string> all = {"--port", "0"};
  all.insert(all.end(), args.begin(), args.end());
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  try {
    pid_ = Spawn(program, all, {}, "", out[1]);
  } catch (...) {
    close(out[0]);
    close(out[1]);
    throw;
  }
  close(out[1]);
  const std::string line = ReadLine(out[0]);
  close(out[0]);
  port_ = line.empty() ? 0 : std::stoi(line);
  if (port_ <= 0) {
    Stop();
    throw std::runtime_error(program + " printed no port");
  }
}

MockServerProcess::~MockServerProcess() {
  if (pid_ > 0) Stop();
}

std::string MockServerProcess::Url(const std::string& pathAndQuery) const {
  return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

int MockServerProcess::Stop() {
  kill(pid_, SIGTERM);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  return status;
}

std::vector<LoggedRequest> ReadRequestLog(const std::string& path) {
  const std::string text = FileBytes(path);
  const std::string kType = "\nContent-Type: ", kEnd = "\n=== end\n";
  std::vector<LoggedRequest> requests;
  for (size_t pos = 0, end; (end = text.find(kEnd, pos)) != std::string::npos; pos = end + kEnd.size()) {
    // "=== METHOD TARGET", "Content-Type: TYPE", an empty line, the body.
    const std::string block = text.substr(pos, end - pos);
    const size_t blank = block.find(' ', 4), type = block.find(kType), body = block.find("\n\n");
    if (!block.starts_with("=== ") || block.find('\n') != type || blank > type ||
        body == std::string::npos) {
      throw std::runtime_error("malformed request log " + path);
    }
    requests.push_back({block.substr(4, blank - 4), block.substr(blank + 1, type - blank - 1),
                        block.substr(type + kType.size(), body - type - kType.size()),
                        block.substr(body + 2)});
  }
  return requests;
}

}  // namespace qmon::test
