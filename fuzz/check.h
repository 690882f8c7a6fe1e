// An invariant of a fuzz target: a violation aborts, and libFuzzer keeps the input.
#pragma once

#include <cstdlib>

inline void Check(bool ok) {
  if (!ok) std::abort();
}
