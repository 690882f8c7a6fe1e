// The conversion of a master template into DesktopMonitor.ini and
// SCCEventLogTemplate.xml, at 50, 500 and 5,000 performance functions. Every
// iteration runs on a fresh emulated machine, so caches and grown files of an
// earlier iteration never help. Items per second staying flat across the sizes
// (and a small RMS for the fitted O(N)) shows linear growth. Rates come from
// CPU time, which a busy machine disturbs less than the wall clock.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "log/run_log.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/posix/posix_platform.h"
#include "run/run.h"

namespace {

namespace fs = std::filesystem;

const std::string kInstallationPath = "C:\\Agent\\";
const std::string kTemplateFolder = "C:\\Agent\\QSCC\\MonitorTemplate";
const std::string kServiceId = "5";  // not in the functions' exclsp, so all are taken

// One performance function of kind 1 to 4 (kinds 1 and 2 with three other
// drives, every fifth of them one "ALL" entry), and after every tenth an
// event-log function.
std::string MasterTemplate(int functions) {
  std::string xml = "<dcmgetmontemp><templateid>0</templateid><templatever>0</templatever>";
  for (int f = 0; f < functions; ++f) {
    const int kind = f % 4 + 1;
    const std::string head = "<dcm FunctionID=\"" + std::to_string(kind) + "\" scriptid=\"" +
                             std::to_string(1000 + f) + "\" exclsp=\"1,2,4,9,10\" fncname=\"F" +
                             std::to_string(f) + "\">";
    if (kind <= 2) {
      xml += head + "<step><osdrv thval=\"80\">gt</osdrv>";
      xml += f % 5 == 0 ? "<othdrv drv=\"ALL\" thval=\"70\">gt</othdrv>"
                        : "<othdrv drv=\"C:\" thval=\"70\">gt</othdrv>";
      xml +=
          "<othdrv drv=\"D:\" thval=\"60\">lt</othdrv><othdrv drv=\"E:\" thval=\"50\">eq"
          "</othdrv></step></dcm>";
    } else {
      xml += head +
             "<step><osthresholdval> 90 </osthresholdval><osthreshold>gt</osthreshold>"
             "</step></dcm>";
    }
    if (f % 10 == 9) {
      xml += "<dcm FunctionID=\"5\" scriptid=\"" + std::to_string(5000 + f) +
             "\" exclsp=\"1,2,4,9,10\" fncname=\"E" + std::to_string(f) +
             "\"><log name=\"Application\"><evt id=\"1000\" type=\"Error\">Application error\n"
             "second line</evt></log></dcm>";
    }
  }
  return xml + "</dcmgetmontemp>";
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// A machine with the agent installed and the master template stored, kept
// pristine and copied for each iteration.
class Machines {
 public:
  explicit Machines(int functions) {
    std::string pattern = fs::temp_directory_path().string() + "/qmon_bench_XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    WriteFile(
        pristine() / "system.reg",
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\r\n"
        "\"InstallationPath\"=\"C:\\\\Agent\"\r\n\"ServiceID\"=\"5\"\r\n");
    WriteFile(pristine() / "drive_c/Agent/QSCC/MonitorTemplate/Master_mointoringTemplate.xml",
              MasterTemplate(functions));
    fs::create_directories(pristine() / "drive_c/Agent/Scheduler INI");
    fs::create_directories(pristine() / "drive_c/Agent/Configuration");
  }
  ~Machines() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // A fresh copy of the pristine machine.
  std::string Fresh() {
    const fs::path copy = root_ / "run";
    fs::remove_all(copy);
    fs::copy(pristine(), copy, fs::copy_options::recursive);
    return copy.string();
  }

 private:
  fs::path pristine() const { return root_ / "pristine"; }
  fs::path root_;
};

void BM_Conversion(benchmark::State& state) {
  const int functions = static_cast<int>(state.range(0));
  Machines machines(functions);
  for (auto _ : state) {
    state.PauseTiming();
    qmon::platform::posix::PosixPlatform platform(machines.Fresh());
    qmon::Run run(platform.env());
    run.objFSO = run.env.fs;
    run.strInstallationPath = kInstallationPath;
    run.strMonitorTemplatePath = kTemplateFolder;
    run.strServiceID = kServiceId;
    qmon::OpenRunLog(run);
    state.ResumeTiming();

    if (!qmon::loadXMLData(run)) state.SkipWithError("the conversion failed");
  }
  state.SetItemsProcessed(state.iterations() * functions);
  state.SetComplexityN(functions);
}

BENCHMARK(BM_Conversion)
    ->Arg(50)
    ->Arg(500)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
