// The report printed with -c[<m>]: every block of unmatched lines with the
// context lines that context marking chose around it. Deleted lines are shown
// behind "-", added lines behind "+", changed lines behind "!", context lines
// behind a plain tab. Never shows changes in-line.
#pragma once

#include <cstdint>

#include "driver/comparison.h"

namespace vesk {

// flags: the option flags (-i and -b govern the comparison of matched pairs).
// Returns 0 (nothing printed), 1 (differences printed), or -1 after a
// "program error".
int print_context_report(Comparison& run, std::uint32_t flags);

}  // namespace vesk
