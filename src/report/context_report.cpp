#include "report/context_report.h"

#include "report/change_colours.h"
#include "report/line_writer.h"
#include "report/report_walk.h"

namespace vesk {
namespace {

// The lines [start, end) that a block is shown with: its leading context
// before it and its trailing context after it. Context that trails an earlier
// block (mark 3) stops the way back, so such a line is shown only once.
struct ShownRange {
    std::int64_t start;
    std::int64_t end;
};

ShownRange shown_range(const LineTable& table, std::int64_t block_start, std::int64_t block_stop) {
    ShownRange shown{block_start, block_stop};
    while (shown.start > 0 && table.marks[shown.start - 1] == MARK_LEADING_CONTEXT) --shown.start;
    while (shown.end < table.count && table.marks[shown.end] == MARK_TRAILING_CONTEXT) ++shown.end;
    return shown;
}

// The marks of the context report: "-" for a deleted line, "+" for an added
// one, "!" for a line of a change, a bare tab for context.
constexpr PrintedLine CONTEXT_LINE{LineKind::common, "\t"};
constexpr PrintedLine DELETED_LINE{LineKind::deleted, "-\t"};
constexpr PrintedLine ADDED_LINE{LineKind::added, "+\t"};
constexpr PrintedLine CHANGED_FIRST_LINE{LineKind::deleted, "!\t"};
constexpr PrintedLine CHANGED_SECOND_LINE{LineKind::added, "!\t"};

// Unmatched lines are printed as `unmatched` with the changed words words_of
// gives them, the context around them plain.
template <class WordsOf>
void print_shown(const Comparison& comparison, const LineTable& table, ShownRange shown, PrintedLine unmatched,
                 WordsOf words_of) {
    for (std::int64_t line = shown.start; line < shown.end; ++line) {
        if (table.is_matched(line))
            print_line(comparison, CONTEXT_LINE, table.texts[line]);
        else
            print_line(comparison, unmatched, table.texts[line], words_of(line));
    }
}

std::span<const Segment> no_words(std::int64_t) { return {}; }

void print_pair_change(const Comparison& comparison, WalkPosition at, ChangeColours& colours) {
    write_change_header(comparison.out, comparison.options, "Change: ", at.first, at.first, at.second, at.second);
    colours.find(comparison, at.first, at.first + 1, at.second, at.second + 1);
    print_line(comparison, CHANGED_FIRST_LINE, comparison.first.texts[at.first], colours.first(at.first));
    comparison.out << "------\n";
    print_line(comparison, CHANGED_SECOND_LINE, comparison.second.texts[at.second], colours.second(at.second));
}

// Lines of one file only, deleted from the first (added false) or added in
// the second, with their context. Checked before anything is printed.
void report_one_sided(const Comparison& comparison, WalkPosition& at, bool added) {
    const LineTable& table = added ? comparison.second : comparison.first;
    std::int64_t& position = added ? at.second : at.first;
    const std::int64_t other_position = added ? at.first : at.second;
    const std::int64_t end = table.unmatched_end(position);
    if (end == position) report_empty_block(comparison.diagnostics, added);
    ShownRange shown = shown_range(table, position, end);
    write_one_sided_header(comparison.out, comparison.options, added ? "Add   : " : "Delete: ", added, other_position,
                           shown.start, shown.end - 1);
    print_shown(comparison, table, shown, added ? ADDED_LINE : DELETED_LINE, no_words);
    position = end;
}

void report_change(const Comparison& comparison, WalkPosition& at, ChangeColours& colours) {
    const std::int64_t end1 = comparison.first.unmatched_end(at.first);
    const std::int64_t end2 = comparison.second.unmatched_end(at.second);
    colours.find(comparison, at.first, end1, at.second, end2);
    ShownRange shown1 = shown_range(comparison.first, at.first, end1);
    ShownRange shown2 = shown_range(comparison.second, at.second, end2);
    write_change_header(comparison.out, comparison.options, "Change: ", shown1.start, shown1.end - 1, shown2.start,
                        shown2.end - 1);
    print_shown(comparison, comparison.first, shown1, CHANGED_FIRST_LINE,
                [&colours](std::int64_t line) { return colours.first(line); });
    comparison.out << "------\n";
    print_shown(comparison, comparison.second, shown2, CHANGED_SECOND_LINE,
                [&colours](std::int64_t line) { return colours.second(line); });
    const bool unmatched_shown = end1 > at.first || end2 > at.second;
    at = {end1, end2};
    if (!unmatched_shown) report_empty_change(comparison.diagnostics);
}

// Returns whether the step printed a difference.
bool take_step(const Comparison& comparison, WalkPosition& at, WalkStep step, ChangeColours& colours) {
    switch (step) {
        case WalkStep::matched_run: {
            auto print_pair = [&](WalkPosition pair) { print_pair_change(comparison, pair, colours); };
            return walk_matched_run(comparison.first, comparison.second, at, print_pair);
        }
        case WalkStep::delete_block: report_one_sided(comparison, at, false); return true;
        case WalkStep::add_block: report_one_sided(comparison, at, true); return true;
        case WalkStep::change_block: report_change(comparison, at, colours); return true;
        case WalkStep::finished: break;
    }
    return false;
}

}  // namespace

bool print_context_report(const Comparison& comparison) {
    ChangeColours colours;
    return walk_report(comparison, [&comparison, &colours](WalkStep step, WalkPosition& at) {
        return take_step(comparison, at, step, colours);
    });
}

}  // namespace vesk
