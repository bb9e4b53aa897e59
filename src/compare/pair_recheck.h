// The second look at the matched pairs. Lines match when their fingerprints
// agree, and different texts can share a fingerprint, so the texts of every
// matched pair are compared once more (under -i and -b as the options say)
// before the reports trust the pair. The k-th matched line of the first file
// pairs with the k-th matched line of the second.
#pragma once

#include <cstdint>

#include "model/line_table.h"
#include "model/text_rules.h"
#include "support/error_report.h"

namespace vesk {

// Compares every matched pair and gives both lines of each pair whose texts
// differ the mark `differing_mark`: MARK_CHANGED_PAIR for the normal report,
// which shows such a pair as a change of one line each, or MARK_UNMATCHED for the
// context report, which shows it within a block. Returns whether the files
// differ at all: a pair differed, or either file has an unmatched line.
// Files with different numbers of matched lines: "program error: equal lines
// unmatch \n" and the run ends with -1.
bool recheck_matched_pairs(LineTable& first, LineTable& second, TextRules rules, std::uint8_t differing_mark,
                           Diagnostics& diagnostics);

}  // namespace vesk
