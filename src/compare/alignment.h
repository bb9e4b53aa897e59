// The pass after the matcher that moves matches up over repeated lines: where a
// block of unmatched lines of one file stands before matched lines that repeat
// its first lines, the earlier copies take the matches, so that the block is
// reported after the lines it repeats. Fingerprints only; marks stay 0 or 1.
#pragma once

#include "driver/line_table.h"
#include "support/error_report.h"

namespace vesk {

// Returns 0, or -1 after "program error: equal lines unmatch \n" when the files
// hold different numbers of matched lines (then no mark is changed) or when the
// walk finds one file at its end while the other still has a matched line.
int align_matches(LineTable& first, LineTable& second, Diagnostics& diagnostics);

}  // namespace vesk
