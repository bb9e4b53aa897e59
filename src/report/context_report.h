// The report printed with -c[<m>]: every block of unmatched lines with the
// context lines that context marking chose around it. Deleted lines are shown
// behind "-", added lines behind "+", changed lines behind "!", context lines
// behind a plain tab. Never shows changes in-line. Reads the marks and texts
// only: which pairs differ was settled before.
#pragma once

#include "model/comparison.h"

namespace vesk {

// Returns whether anything was printed. An inconsistency in the marks gives its
// "program error" message and ends the run with -1.
bool print_context_report(const Comparison& comparison);

}  // namespace vesk
