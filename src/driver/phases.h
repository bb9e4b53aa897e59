// The comparison phases of a run, in their fixed order, once both files are loaded.
#pragma once

#include "driver/comparison.h"

namespace vesk {

// Matches, aligns and reports; returns the run's result (0, 1 or -1).
int run_phases(Comparison& run);

}  // namespace vesk
