// The report printed without -c: every stretch where the files differ, as a
// delete, add or change block with its header and lines. Run silently (print
// switch 0) it is the classification pass of -c: it prints nothing and turns
// every matched pair whose texts differ into two unmatched lines.
#pragma once

#include <cstdint>

#include "driver/comparison.h"

namespace vesk {

// print: 1 prints the report, 0 classifies silently. inline_bits: the option
// flags masked to OPT_INLINE_WORDS | OPT_INLINE_REPLACE (0 when classifying);
// changes with equally many lines on both sides are then shown in-line.
// Returns 0 (no difference), 1 (differences), or -1 after a "program error".
int print_normal_report(Comparison& run, int print, std::uint32_t inline_bits);

}  // namespace vesk
