// The longest-run matcher: decides which lines of the first file correspond to
// which lines of the second, by fingerprints alone. Greedy: the longest run of
// equal lines inside a window is matched first, then the parts before and after
// it are treated alike. Only marks 0 -> 1 are ever written; the run table
// (run_table.h) is made afresh for each call and is gone when it returns.
#pragma once

#include <cstdint>

#include "compare/matcher_tuning.h"
#include "compare/run_table.h"
#include "model/line_table.h"
#include "support/error_report.h"

namespace vesk {

// A run longer than this (strictly) lets the scans skip the lines it covers.
constexpr std::int64_t LONG_RUN = 30;

// Marks the matched lines of both files (marks 0 -> 1). Program errors:
// emit_error + end_run(2); no memory for the run table: alloc_or_exit's message
// + end_run(1); no memory for a working array: MemoryShortage.
void match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics);

// Also hands back the run table as the matcher left it; the tuning changes only
// how the runs are found.
RunTableEntries match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics,
                            const MatcherTuning& tuning);

}  // namespace vesk
