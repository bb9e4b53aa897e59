// The pass after the matcher that moves matches up over repeated lines: where a
// block of unmatched lines of one file stands before matched lines that repeat
// its first lines, the earlier copies take the matches, so that the block is
// reported after the lines it repeats. Fingerprints only; marks stay 0 or 1.
#pragma once

#include "model/line_table.h"
#include "support/error_report.h"

namespace vesk {

// When the files hold different numbers of matched lines (then no mark is
// changed), or the walk finds one file at its end while the other still has a
// matched line: "program error: equal lines unmatch \n", and the run ends with -1.
void align_matches(LineTable& first, LineTable& second, Diagnostics& diagnostics);

}  // namespace vesk
