// qmon_mock_server: a stand-in for the monitoring server, for tests and the
// demo. See options.cpp for the command line.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "mock_server.h"
#include "options.h"

int main(int argc, char** argv) {
  using qmon::mock::MockServer;
  std::string error;
  const auto options = qmon::mock::ParseOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "qmon_mock_server: %s\n%s", error.c_str(), qmon::mock::kUsage);
    return 2;
  }
  if (options->help) {
    std::fputs(qmon::mock::kUsage, stdout);
    return 0;
  }

  // SIGTERM and SIGINT go to one waiting thread only: blocked here, before
  // any thread starts, so every thread inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  // Answers written to a connection the client has dropped must not kill us.
  signal(SIGPIPE, SIG_IGN);

  MockServer server(*options);
  if (!server.ready()) {
    std::fprintf(stderr, "qmon_mock_server: cannot open the log %s\n", options->log.c_str());
    return 1;
  }
  const int port = server.Bind();
  if (port < 0) {
    std::fprintf(stderr, "qmon_mock_server: cannot listen on 127.0.0.1 port %d\n", options->port);
    return 1;
  }
  std::printf("%d\n", port);
  std::fflush(stdout);

  std::atomic<bool> ended{false};
  std::thread waiter([&] {
    int received = 0;
    sigwait(&stopSignals, &received);
    while (!ended) {
      server.Stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  const bool served = server.Run();
  ended = true;
  // Serving ended by itself: wake the waiter.
  if (!server.stopped()) kill(getpid(), SIGTERM);
  waiter.join();
  return served && server.stopped() ? 0 : 1;
}
