// Fault injection over a whole run: an Env that hands every call to another
// one and fails the n-th with the error a full or failing disk gives, and the
// check that every file a run leaves is one a finished step leaves.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"

namespace qmon::test {

class FaultEnv {
 public:
  // failAt 0: nothing fails, the calls are only counted.
  FaultEnv(platform::Env inner, int64_t failAt);
  ~FaultEnv();

  platform::Env env();
  int64_t calls() const { return calls_; }
  // "WriteString C:\...\DesktopMonitor.ini": the failed call, "" before it came.
  const std::string& faulted() const { return faulted_; }
  // Told after every call what it addressed: a path, or "registry" / "post".
  std::function<void(const std::string& target)> after_call;

  // Counts the call, fails it when it is the chosen one, tells after_call.
  template <typename Forward, typename Fail>
  auto Call(const char* what, const std::string& target, Forward forward, Fail fail) {
    struct Told {
      FaultEnv& env;
      const std::string& target;
      ~Told() {
        if (env.after_call) env.after_call(target);
      }
    } told{*this, target};
    if (++calls_ != fail_at_) return forward();
    faulted_ = std::string(what) + " " + target;
    return fail();
  }

 private:
  struct Parts;
  platform::Env inner_;
  int64_t fail_at_;
  int64_t calls_ = 0;
  std::string faulted_;
  std::unique_ptr<Parts> parts_;
};

// The guarded files by upper-case path (the run log left out), and their bytes.
using Files = std::map<std::string, std::string>;
using Version = std::optional<std::string>;  // nullopt: the file is absent

// What a run did to the files, call by call.
struct History {
  struct Call {
    std::string target;  // upper case, as FaultEnv::after_call tells it
    std::map<std::string, Version> changes;
  };
  Files before;
  std::vector<Call> calls;

  // Records a call: what it addressed and the files it changed.
  void Add(const std::string& target, std::map<std::string, Version> changes);
};

// A file's bytes in `files`, nullopt when it is not there.
Version At(const Files& files, const std::string& file);

// Whether a call addressed something other than `file` and the run log: the
// program has gone on to other work, so the file's step is over.
bool MovesOn(const std::string& target, const std::string& file);

// The allowed-state rule. A version of a file is settled when the
// undisturbed reference run left it for other work: the bytes the file held
// before the run, its final bytes, and every version it held while the run
// made a call that addressed anything but that file and the run log (another
// file or folder, the registry, a post). A file written key by key or a
// stream written in parts goes through versions that no other call
// separates; those are torn. A file replaced whole, at whatever step, only
// takes settled versions. This does not depend on how a step writes.
//
// Each file of `end` (and each file the reference run knew) must hold a
// settled version. With `run`, the history of a run whose call `fault`
// failed (index into its calls, recorded from there on), a version that run
// wrote afresh after the fault also passes (see EndsWhole). Answers
// "<path>: <what it holds>" for every file that breaks the rule.
std::vector<std::string> TornFiles(const History& reference, const Files& end,
                                   const History* run = nullptr, size_t fault = 0);

// "<points>, <n> violations", the count of each kind ("torn <file>", "not
// restored <file>") and the first violations, each "<point> (<call>): <what>".
std::string Report(const std::string& points, const std::vector<std::string>& violations);

}  // namespace qmon::test
