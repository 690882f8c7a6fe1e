// The program: builds the platform of this build and hands the command line to
// the run driver. The only place that ends the process.
#include "driver/driver.h"
#include "platform/env.h"
#include "platform/vb_error.h"

int main() {
  auto platform = qmon::platform::MakeDefaultPlatform();
  qmon::Run run(platform->env());
  try {
    qmon::Main(run, run.env.system->CommandLine());
  } catch (const qmon::ProcessEnd&) {
  }
  return 0;
}
