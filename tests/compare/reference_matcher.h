// A deliberately literal transcription of the longest-run matcher: it scans the
// whole window of the second file for every line it is asked about. Never for
// production; it is the yardstick the fast matcher is tested against.
#pragma once

#include "compare/match/run_table.h"
#include "model/line_table.h"

namespace vesk::reference {

// Fills the marks of both files exactly as match_lines() must, and hands back
// the run table it leaves, which must be match_lines()'s entry for entry.
RunTableEntries match_lines(LineTable& first, LineTable& second);

}  // namespace vesk::reference
