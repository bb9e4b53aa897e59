// The walk that both reports make over the two files in step: which case comes
// next at the current positions, where a block of unmatched lines ends, and the
// block headers. Any non-zero mark counts as matched; a position at or past a
// file's last line counts as unmatched. The walk only reads the marks, and asks
// early for the texts of the lines the reports will print.
#pragma once

#include <algorithm>
#include <cstdint>

#include "model/comparison.h"
#include "model/line_table.h"
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

WalkStep next_step(const LineTable& first, const LineTable& second, WalkPosition at);

// How many lines' texts a report asks for before it prints them. On large files
// the texts lie far outside the caches, last read when the files were loaded;
// asked for together, they arrive together instead of one after another.
constexpr std::int64_t TEXTS_FETCHED_AHEAD = 8;

// Asks for the texts of lines [from, from + count) of a table, as far as it goes.
inline void fetch_texts(const LineTable& table, std::int64_t from, std::int64_t count) {
    for (std::int64_t line = from; line < std::min(from + count, table.count); ++line)
        __builtin_prefetch(table.texts[line]);
}

// Asks, a few lines ahead of a walk over matched lines, for the text of an
// unmatched line there, which a report prints next; its place in the table
// is asked for farther ahead still, since that is out of the caches too.
inline void fetch_if_unmatched(const LineTable& table, std::int64_t line) {
    std::int64_t text_ahead = line + TEXTS_FETCHED_AHEAD, place_ahead = line + 2 * TEXTS_FETCHED_AHEAD;
    if (place_ahead < table.count && !table.is_matched(place_ahead)) __builtin_prefetch(table.texts + place_ahead);
    if (text_ahead < table.count && !table.is_matched(text_ahead))
        __builtin_prefetch(table.texts[text_ahead]);
}

// Walks the matched run that starts at `at` (both current lines matched) up to
// its end, calling on_changed_pair(at) for every pair marked MARK_CHANGED_PAIR;
// returns whether there was one.
template <class OnPair>
bool walk_matched_run(const LineTable& first, const LineTable& second, WalkPosition& at, OnPair on_changed_pair) {
    bool changed = false;
    for (; first.is_matched(at.first) && second.is_matched(at.second); ++at.first, ++at.second) {
        fetch_if_unmatched(first, at.first);
        fetch_if_unmatched(second, at.second);
        if (first.marks[at.first] != MARK_CHANGED_PAIR) continue;
        on_changed_pair(at);
        changed = true;
    }
    return changed;
}

// The whole walk of a report: take_step(step, at) handles each case in turn,
// moving `at` on, until both files are exhausted; a step returns whether it
// printed a difference. Returns whether any step did. A step other than a
// matched run prints the lines at `at` first.
template <class TakeStep>
bool walk_report(const Comparison& comparison, TakeStep take_step) {
    WalkPosition at;
    bool differs = false;
    for (WalkStep step; (step = next_step(comparison.first, comparison.second, at)) != WalkStep::finished;) {
        if (step != WalkStep::matched_run) {
            fetch_texts(comparison.first, at.first, TEXTS_FETCHED_AHEAD);
            fetch_texts(comparison.second, at.second, TEXTS_FETCHED_AHEAD);
        }
        if (take_step(step, at)) differs = true;
    }
    return differs;
}

// Headers are coloured as block headers under --color.
//
// The header of a block of one file only: label, then the 0-based lines
// [first, last] shown of that file and, before them for an added block or after
// them for a deleted one, the lines of the other file before the walk position.
void write_one_sided_header(Output& out, const Options& options, const char* label, bool added,
                            std::int64_t other_position, std::int64_t first, std::int64_t last);

// The header of a change: label, the lines [first1, last1] of the first file
// and [first2, last2] of the second, 0-based.
void write_change_header(Output& out, const Options& options, const char* label, std::int64_t first1,
                         std::int64_t last1, std::int64_t first2, std::int64_t last2);

// A block that holds no line: its "program error" message, and the run ends
// with -1. The names are the reverse of the blocks: "add lines none" is a delete
// block without lines.
[[noreturn]] void report_empty_block(Diagnostics& diagnostics, bool added);
[[noreturn]] void report_empty_change(Diagnostics& diagnostics);

}  // namespace vesk
