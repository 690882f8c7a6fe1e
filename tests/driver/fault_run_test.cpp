// Every disk, registry and network call of a whole run fails once, in turn
// (a full disk, a file held by another process, a broken exchange): the run
// still ends, every file it leaves is whole, and an undisturbed run after it
// restores what a run that nothing disturbed writes.
#include <gtest/gtest.h>

#include "driver/driver.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/vb_error.h"
#include "support/fault_env.h"
#include "support/scenario.h"

namespace qmon {
namespace {

TEST(FaultRunTest, EveryFailedCallLeavesEveryFileWholeAndARerunRestoresIt) {
  // Every id named, so a rerun fetches again the templates a disturbed run
  // deleted; failure reports are not delivered but kept as post logs.
  const test::Scenario s("refresh_two_templates");
  test::FaultEnv* faults = nullptr;  // the run's, when it has one
  const auto prepared = [&](test::TestMachine& m) {
    s.Prepare(m, [&faults] { return faults && faults->Fails("PostXMLString", "post"); });
  };
  // Runs the program; answers what escaped it.
  const auto run = [&](platform::Env env) -> std::string {
    qmon::Run r(env);
    try {
      Main(r, s.Text("command"));
    } catch (const ProcessEnd&) {
    } catch (const VbError& e) {
      return "VbError " + std::to_string(e.number) + " escaped";
    }
    return "";
  };
  // The files and the checksum values: what an undisturbed run must restore.
  const auto outputs = [](test::TestMachine& m) {
    test::Files files = test::Snapshot(m);
    for (const char* name : {"Performance", "Event", "Main"}) {
      files[std::string("HKLM:") + name] = m.RegValue(kChecksumKey, name).value_or("-");
    }
    return files;
  };

  test::TestMachine reference;
  prepared(reference);
  test::FaultEnv undisturbed(reference, 0, 1);
  faults = &undisturbed;
  ASSERT_EQ(run(undisturbed.env()), "");
  undisturbed.Record();
  test::SettledCheck check(undisturbed.history, outputs(reference));
  for (int64_t n = 1; n <= undisturbed.calls; ++n) {
    test::TestMachine m;
    prepared(m);
    test::FaultEnv disturbed(m, n, n);
    faults = &disturbed;
    const std::string escaped = run(disturbed.env());
    disturbed.Record();
    faults = nullptr;
    const std::string at = "fault at call " + std::to_string(n) + " (" + disturbed.faulted + ")";
    if (!escaped.empty()) check.violations.push_back(at + ": " + escaped);
    check.Check(at, outputs(m), test::Snapshot(m), [&] {
      m.Remove("C:\\Agent\\Scheduler INI");  // the scheduler took the requests
      run(m.env());
      return outputs(m);
    }, disturbed.history, static_cast<size_t>(n - 1));
  }
  EXPECT_TRUE(check.violations.empty())
      << test::Report(std::to_string(undisturbed.calls) + " fault points", check.violations);
}

}  // namespace
}  // namespace qmon
