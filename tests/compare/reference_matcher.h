// A deliberately literal transcription of the longest-run matcher: it scans the
// whole window of the second file for every line it is asked about. Never for
// production; it is the yardstick the fast matcher is tested against.
#pragma once

#include "driver/line_table.h"
#include "support/error_report.h"

namespace vesk::reference {

// Fills the marks of both files and the first file's run table exactly as
// match_lines() must.
void match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics);

}  // namespace vesk::reference
