// The comparison phases of a run, in their fixed order, once both files are loaded.
#pragma once

#include "model/comparison.h"

namespace vesk {

// Matches, aligns, settles which pairs differ and reports; returns 1 when the
// files differ, else 0. A "program error" ends the run on its own.
int run_phases(Comparison& comparison);

}  // namespace vesk
