#include "report/context_report.h"

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

// Unmatched lines get unmatched_kind (and added); context lines a plain tab.
void print_shown(Comparison& run, const LineTable& table, ShownRange shown, int unmatched_kind, int added) {
    for (std::int64_t line = shown.start; line < shown.end; ++line) {
        if (table.marks[line] == MARK_UNMATCHED)
            print_line(run, unmatched_kind, table.texts[line], added);
        else
            print_line(run, KIND_PLAIN, table.texts[line], 0);
    }
}

void print_pair_change(Comparison& run, WalkPosition at) {
    write_change_header(run.out, "Change: ", at.first, at.first, at.second, at.second);
    print_line(run, KIND_CHANGED, run.first.texts[at.first], 0);
    run.out << "------\n";
    print_line(run, KIND_CHANGED, run.second.texts[at.second], 0);
}

// Lines of one file only, deleted from the first (added false) or added in
// the second, with their context. Checked before anything is printed.
int report_one_sided(Comparison& run, WalkPosition& at, bool added) {
    const LineTable& table = added ? run.second : run.first;
    std::int64_t& position = added ? at.second : at.first;
    const std::int64_t other_position = added ? at.first : at.second;
    const std::int64_t end = block_end(table, position);
    if (end == position) {
        report_empty_block(run.diagnostics, added);
        return kReportFailed;
    }
    ShownRange shown = shown_range(table, position, end);
    write_one_sided_header(run.out, added ? "Add   : " : "Delete: ", added, other_position, shown.start, shown.end - 1);
    print_shown(run, table, shown, KIND_UNPAIRED, added ? 1 : 0);
    position = end;
    return kReportDiffers;
}

int report_change(Comparison& run, WalkPosition& at) {
    const std::int64_t end1 = block_end(run.first, at.first);
    const std::int64_t end2 = block_end(run.second, at.second);
    ShownRange shown1 = shown_range(run.first, at.first, end1);
    ShownRange shown2 = shown_range(run.second, at.second, end2);
    write_change_header(run.out, "Change: ", shown1.start, shown1.end - 1, shown2.start, shown2.end - 1);
    print_shown(run, run.first, shown1, KIND_CHANGED, 0);
    run.out << "------\n";
    print_shown(run, run.second, shown2, KIND_CHANGED, 0);
    const bool unmatched_shown = end1 > at.first || end2 > at.second;
    at = {end1, end2};
    if (!unmatched_shown) {
        emit_error(run.diagnostics, "program error: change lines none\n");
        return kReportFailed;
    }
    return kReportDiffers;
}

int take_step(Comparison& run, std::uint32_t flags, WalkPosition& at, WalkStep step) {
    switch (step) {
        case WalkStep::matched_run: {
            auto print_pair = [&run](WalkPosition pair) { print_pair_change(run, pair); };
            return walk_matched_run(run.first, run.second, flags, at, print_pair) ? kReportDiffers : 0;
        }
        case WalkStep::delete_block: return report_one_sided(run, at, false);
        case WalkStep::add_block: return report_one_sided(run, at, true);
        case WalkStep::change_block: return report_change(run, at);
        case WalkStep::finished: break;
    }
    return 0;
}

}  // namespace

int print_context_report(Comparison& run, std::uint32_t flags) {
    auto marked = [](std::uint8_t mark) { return mark != MARK_UNMATCHED; };
    return walk_report(run, marked, [&run, flags](WalkStep step, WalkPosition& at) {
        return take_step(run, flags, at, step);
    });
}

}  // namespace vesk
