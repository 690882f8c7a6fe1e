// Fault injection over a whole run, and the rule every file a disturbed run
// leaves must obey.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/machine.h"

namespace qmon::test {

// The guarded files by upper-case path (the run log left out), and their bytes.
using Files = std::map<std::string, std::string>;
using Version = std::optional<std::string>;  // nullopt: the file is absent

// The files of the machine but the run log's.
Files Snapshot(const TestMachine& m);

// What a run did to the files, call by call.
struct History {
  struct Call {
    std::string target;  // upper case: a path, "REGISTRY" or "POST"
    std::map<std::string, Version> changes;
  };
  Files before;
  std::vector<Call> calls;
};

// The machine's Env with every call that reaches its disk (the profile
// functions' disk work included), its registry or its MD5 library counted;
// the n-th fails as a full or failing disk does. A run through it records its
// history from call `record_from` on.
class FaultEnv {
 public:
  FaultEnv(TestMachine& m, int64_t fail_at, int64_t record_from);
  ~FaultEnv();
  platform::Env env();
  // Counts a call and answers whether it is the one to fail.
  bool Fails(const char* what, const std::string& target);
  // Records what the last call changed; the run has ended.
  void Record();

  int64_t calls = 0;
  std::string faulted;  // "ReplaceWhole C:\...": the failed call
  History history;

 private:
  struct Parts;
  TestMachine& m_;
  int64_t fail_at_, record_from_;
  uint64_t seen_ = 0;
  std::string last_target_;
  std::map<std::string, uint64_t> versions_;
  std::unique_ptr<Parts> parts_;
};

// The allowed-state rule. A version of a file is settled when the
// undisturbed reference run left it for other work: the bytes the file held
// before the run, its final bytes, and every version it held while the run
// made a call that addressed anything but that file and the run log. A file
// written in parts goes through versions no other call separates; those are
// torn. A file replaced whole only takes settled versions.
//
// Adds "<at>: <what>" to `out` for each file of `end` (a disturbed run's files)
// that holds no settled version ("torn"), and for each output of `expected`
// that `restored` (what an undisturbed run after it left) lacks ("not
// restored"). A file the reference never held that the next run removes is
// scratch. With `run`, the history of a run whose call `fault` failed
// (recorded from there on), a version that run wrote afresh after going on to
// other work, over a whole version, also passes.
void Violations(std::vector<std::string>& out, const std::string& at, const History& reference,
                const Files& expected, Files end, const Files& restored, const History& run,
                size_t fault);

}  // namespace qmon::test
