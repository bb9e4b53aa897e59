// The report printed without -c: every stretch where the files differ, as a
// delete, add or change block with its header and lines, and every matched pair
// whose texts differ as a change of one line each. With -x or -X, changes with
// equally many lines on both sides are shown in-line. Reads the marks and texts
// only: which pairs differ was settled before.
#pragma once

#include "model/comparison.h"

namespace vesk {

// Returns whether anything was printed. An inconsistency in the marks gives its
// "program error" message and ends the run with -1.
bool print_normal_report(const Comparison& comparison);

}  // namespace vesk
