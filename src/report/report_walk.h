// The walk that both reports make over the two files in step: which case comes
// next at the current positions, where a block of unmatched lines ends, and the
// block headers. Any non-zero mark counts as matched; a position at or past a
// file's last line counts as unmatched.
#pragma once

#include <cstdint>

#include "driver/comparison.h"
#include "driver/line_table.h"
#include "report/pair_compare.h"
#include "support/output.h"

namespace vesk {

enum class WalkStep {
    finished,      // both files exhausted
    matched_run,   // both current lines matched
    delete_block,  // lines of the first file only
    add_block,     // lines of the second file only
    change_block,  // unmatched lines opposite each other
};

struct WalkPosition {
    std::int64_t first = 0;   // current line of the first file
    std::int64_t second = 0;  // current line of the second file
};

inline bool is_matched(const LineTable& table, std::int64_t line) {
    return line < table.count && table.marks[line] != MARK_UNMATCHED;
}

WalkStep next_step(const LineTable& first, const LineTable& second, WalkPosition at);

// One past the last line of the block of unmatched lines that starts at start.
std::int64_t block_end(const LineTable& table, std::int64_t start);

// Moves `at`, the start of a matched run, on to the run's last pair when every
// pair before it holds the same text, as far as one comparison of the whole
// stretch of both mapped files can tell; otherwise leaves it.
void skip_same_stretch(const LineTable& first, const LineTable& second, WalkPosition& at);

// Walks the matched run that starts at `at` (both current lines matched) up to
// its end, calling on_differing_pair(at) for every pair whose texts differ
// under flags; returns whether there was one.
template <class OnPair>
bool walk_matched_run(const LineTable& first, const LineTable& second, std::uint32_t flags, WalkPosition& at,
                      OnPair on_differing_pair) {
    bool differs = false;
    skip_same_stretch(first, second, at);
    for (; is_matched(first, at.first) && is_matched(second, at.second); ++at.first, ++at.second) {
        // The texts lie ahead in file order; ask for them early.
        __builtin_prefetch(first.texts[at.first] + 1024);
        __builtin_prefetch(second.texts[at.second] + 1024);
        if (!lines_differ(first.texts[at.first], second.texts[at.second], flags)) continue;
        on_differing_pair(at);
        differs = true;
    }
    return differs;
}

// How many lines have a mark that passes the test.
template <class MarkTest>
std::int64_t count_marks(const LineTable& table, MarkTest test) {
    std::int64_t counted = 0;
    for (std::int64_t line = 0; line < table.count; ++line)
        if (test(table.marks[line])) ++counted;
    return counted;
}

constexpr int kReportFailed = -1;
constexpr int kReportDiffers = 1;

// The whole walk of a report: both files must hold equally many lines whose
// mark passes `counted`; then take_step(step, at) handles each case in turn,
// moving `at` on, until both files are exhausted. A step returns 0, 1 when it
// found a difference, or -1 (after its message), which ends the walk at once.
// Returns 0, 1 or -1 for the whole report.
template <class MarkTest, class TakeStep>
int walk_report(Comparison& run, MarkTest counted, TakeStep take_step) {
    if (run.first.count == 0 && run.second.count == 0) return 0;
    if (count_marks(run.first, counted) != count_marks(run.second, counted)) {
        emit_error(run.diagnostics, "program error: equal lines unmatch \n");
        return kReportFailed;
    }
    WalkPosition at;
    int result = 0;
    for (WalkStep step; (step = next_step(run.first, run.second, at)) != WalkStep::finished;) {
        int outcome = take_step(step, at);
        if (outcome == kReportFailed) return kReportFailed;
        if (outcome == kReportDiffers) result = kReportDiffers;
    }
    return result;
}

// The header of a block of one file only: label, then the 0-based lines
// [first, last] shown of that file and, before them for an added block or after
// them for a deleted one, the lines of the other file before the walk position.
void write_one_sided_header(Output& out, const char* label, bool added, std::int64_t other_position,
                            std::int64_t first, std::int64_t last);

// The header of a change: label, the lines [first1, last1] of the first file
// and [first2, last2] of the second, 0-based.
void write_change_header(Output& out, const char* label, std::int64_t first1, std::int64_t last1, std::int64_t first2,
                         std::int64_t last2);

// The message of a one-sided block that holds no line. The names are the
// reverse of the blocks: "add lines none" is a delete block without lines.
void report_empty_block(Diagnostics& diagnostics, bool added);

}  // namespace vesk
