// The program: builds the platform of this build and hands the command line to
// the run driver. The only place that ends the process.
#include <string>

#include "driver/driver.h"
#include "platform/env.h"
#include "platform/vb_error.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  auto platform = qmon::platform::MakeDefaultPlatform();
  qmon::Run run(platform->env());
  try {
    qmon::Main(run, commandLine);
  } catch (const qmon::ProcessEnd&) {
  }
  return 0;
}
