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
  const test::Files expected = outputs(reference);
  std::map<test::Files, test::Files> rerunFrom;  // what a rerun leaves, by the outputs it met
  std::vector<std::string> violations;
  for (int64_t n = 1; n <= undisturbed.calls; ++n) {
    test::TestMachine m;
    prepared(m);
    test::FaultEnv disturbed(m, n, n);
    faults = &disturbed;
    const std::string escaped = run(disturbed.env());
    disturbed.Record();
    faults = nullptr;
    const std::string at = "fault at call " + std::to_string(n) + " (" + disturbed.faulted + ")";
    if (!escaped.empty()) violations.push_back(at + ": " + escaped);
    const test::Files state = outputs(m), end = test::Snapshot(m);
    if (!rerunFrom.contains(state)) {
      m.Remove("C:\\Agent\\Scheduler INI");  // the scheduler took the requests
      run(m.env());
      rerunFrom[state] = outputs(m);
    }
    test::Violations(violations, at, undisturbed.history, expected, end, rerunFrom[state],
                     disturbed.history, static_cast<size_t>(n - 1));
  }
  std::string first;
  for (size_t i = 0; i < violations.size() && i < 30; ++i) first += "\n" + violations[i];
  EXPECT_TRUE(violations.empty())
      << undisturbed.calls << " fault points, " << violations.size() << " violations" << first;
}

}  // namespace
}  // namespace qmon
