// The longest-run matcher: decides which lines of the first file correspond to
// which lines of the second, by fingerprints alone. Greedy: the longest run of
// equal lines inside a window is matched first, then the parts before and after
// it are treated alike. Only marks 0 -> 1 are ever written; the first file's run
// table is the matcher's own working store.
#pragma once

#include <cstdint>

#include "driver/line_table.h"
#include "support/error_report.h"

namespace vesk {

// A run longer than this (strictly) lets the scans skip the lines it covers.
constexpr std::int64_t LONG_RUN = 30;

// Marks the matched lines of both files (marks 0 -> 1) and fills first.run_length /
// first.run_start. Program errors: emit_error + end_run(2).
void match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics);

// For tests: with all_equal, every stretch of lines hashes alike inside the search,
// so that every candidate goes through the confirming comparison of its lines.
enum class StretchHashing { exact, all_equal };
void match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics, StretchHashing hashing);

}  // namespace vesk
