#include "stop_signal.h"

namespace qmon::mock {

void StopSignal::Raise() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    raised_ = true;
  }
  raised_cv_.notify_all();
}

bool StopSignal::Raised() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return raised_;
}

void StopSignal::WaitFor(std::chrono::milliseconds duration) {
  std::unique_lock<std::mutex> lock(mutex_);
  raised_cv_.wait_for(lock, duration, [this] { return raised_; });
}

}  // namespace qmon::mock
