// DesktopMonitor.ini, the performance monitor's configuration: the keys of
// one taken performance function.
#pragma once

#include <cstdint>
#include <string>

#include "monitorconfig/function_element.h"
#include "run/run.h"

namespace qmon {

// Writes section "DCM" (Tid, Tver, Count = n) and section "DCM<n>" for a
// function of kind "1" to "4", logging each value. Keys go through the ANSI
// profile function one by one, so what is written stays when a later read of
// the element fails (VbError 91 for a missing step, osdrv, osthresholdval,
// osthreshold or attribute).
void WritePerformanceFunction(Run& run, const std::string& iniPath, int16_t n,
                              const FunctionElement& function);

}  // namespace qmon
