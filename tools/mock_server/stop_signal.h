// The server's stop flag: raised once on SIGTERM or SIGINT, it wakes every
// handler that is stalling on purpose.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qmon::mock {

class StopSignal {
 public:
  void Raise();
  bool Raised() const;
  // Waits until the signal is raised or `duration` has passed.
  void WaitFor(std::chrono::milliseconds duration);

 private:
  mutable std::mutex mutex_;
  std::condition_variable raised_cv_;
  bool raised_ = false;
};

}  // namespace qmon::mock
