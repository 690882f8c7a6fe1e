// The agent's identity from its registry key, and the checks on it.
#pragma once

#include <string>

#include "platform/env.h"
#include "run/run.h"

namespace qmon {

// Fills the identity variables from HKEY_LOCAL_MACHINE\<keyPath>. False when
// the key cannot be opened. Ends the process when the installation folder is
// missing.
bool ReadAgentIdentity(Run& run, std::string& keyPath);

// Returns only when the identity is acceptable; otherwise logs the reason and
// ends the run.
void PreChecks(Run& run);

// One value of an open key as text: REG_SZ as is, any other type as a signed
// 32-bit number in decimal; "" on any failure (logged).
std::string GetRegValue(Run& run, platform::Hkey key, const std::string& name);

// The text up to its first NUL.
std::string StripNulls(const std::string& text);

// The system's message for an error code given as decimal text, or "".
std::string fncFormatMessage(Run& run, std::string code);

}  // namespace qmon
