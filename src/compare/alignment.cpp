#include "compare/alignment.h"

#include <algorithm>


namespace vesk {
namespace {

// Where the walk stands in one file.
struct AlignCursor {
    LineTable& table;
    std::int64_t line = 0;
    bool exhausted = false;

    bool on_matched() const { return table.is_matched(line); }
    void skip_unmatched() { line = table.unmatched_end(line); }
};

void advance_matched_run(AlignCursor& first, AlignCursor& second) {
    while (first.on_matched() && second.on_matched()) {
        ++first.line;
        ++second.line;
    }
    first.exhausted = first.line >= first.table.count;
    second.exhausted = second.line >= second.table.count;
}

// A block of `own` stands at own.line while `other` goes on with matched lines:
// the block's first lines take over the matches of the equal lines after it.
void shift_block(AlignCursor& own, AlignCursor& other) {
    const LineTable& table = own.table;
    const std::uint32_t* fingerprints = table.fingerprints;
    const std::int64_t next_marked = std::min(table.unmatched_end(own.line + 1), table.count);

    std::int64_t moved = 0;
    while (moved < next_marked - own.line && other.line + moved < other.table.count &&
           next_marked + moved < table.count &&
           fingerprints[own.line + moved] == other.table.fingerprints[other.line + moved] &&
           fingerprints[own.line + moved] == fingerprints[next_marked + moved]) {
        own.table.marks[own.line + moved] = MARK_MATCHED;
        own.table.marks[next_marked + moved] = MARK_UNMATCHED;
        ++moved;
    }
    own.line += moved;
    other.line += moved;
    if (!own.exhausted) own.skip_unmatched();
    if (own.line >= table.count) own.exhausted = true;
}

void pass_over_block(AlignCursor& cursor) {
    if (cursor.exhausted) return;
    cursor.skip_unmatched();
    if (cursor.line >= cursor.table.count) cursor.exhausted = true;
}

// True when the walk could make no more progress: one file is used up while
// the other still stands on a matched line. Only marks that leave more matched
// lines after the current position in one file than in the other lead here.
bool walk_stuck(const AlignCursor& first, const AlignCursor& second) {
    return (first.exhausted && second.on_matched()) || (second.exhausted && first.on_matched());
}

}  // namespace

void align_matches(LineTable& first, LineTable& second, Diagnostics& diagnostics) {
    confirm_equal_matched_counts(first, second, diagnostics);
    AlignCursor one{first}, two{second};
    while (!(one.exhausted && two.exhausted)) {
        if (walk_stuck(one, two)) report_unequal_matches(diagnostics);
        const bool first_matched = one.on_matched(), second_matched = two.on_matched();
        if (!one.exhausted && !two.exhausted && first_matched && second_matched) {
            advance_matched_run(one, two);
        } else if (two.exhausted || (!first_matched && second_matched)) {
            shift_block(one, two);
        } else if (one.exhausted || (!second_matched && first_matched)) {
            shift_block(two, one);
        } else {
            pass_over_block(one);
            pass_over_block(two);
        }
    }
}

}  // namespace vesk
