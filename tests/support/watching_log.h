// A run log stream that also notes, at each line logged, what one file holds
// on the machine's disk: what another process would find at that moment.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "run/run.h"
#include "support/machine.h"

namespace qmon::test {

class WatchingLog final : public platform::TextStream {
 public:
  // Takes the run's log stream over; `seen` receives the file's bytes.
  WatchingLog(qmon::Run& run, const TestMachine& machine, std::string path,
              std::vector<std::string>& seen)
      : log_(std::move(run.objLogStream)), machine_(machine), path_(std::move(path)), seen_(seen) {}

  void Write(std::string_view text) override { log_->Write(text); }
  void WriteLine(std::string_view text) override {
    seen_.push_back(machine_.Get(path_));
    log_->WriteLine(text);
  }
  void Close() override { log_->Close(); }

 private:
  std::unique_ptr<platform::TextStream> log_;
  const TestMachine& machine_;
  std::string path_;
  std::vector<std::string>& seen_;
};

}  // namespace qmon::test
