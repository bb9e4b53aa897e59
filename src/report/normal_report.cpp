#include "report/normal_report.h"

#include "report/change_colours.h"
#include "report/inline_display.h"
#include "report/line_writer.h"
#include "report/report_walk.h"

namespace vesk {
namespace {

struct NormalReport {
    const Comparison& comparison;
    WalkPosition& at;
    InlineLines& shown;  // the in-line display's copies, reused from change to change
    ChangeColours& colours;  // under --color, reused from change to change
};

// -X wins over -x.
void show_inline(NormalReport& report, std::int64_t lines) {
    const Comparison& comparison = report.comparison;
    if (comparison.options.has(OPT_INLINE_REPLACE))
        show_inline_replacement(comparison, lines, report.at.first, report.at.second, report.shown);
    else
        show_inline_words(comparison, lines, report.at.first, report.at.second, report.shown);
}

// Every line the normal report prints stands behind a tab, or behind "^" and a
// tab where the in-line display showed it in replacement form.
constexpr std::string_view PLAIN_PREFIX = "\t";
constexpr std::string_view REPLACED_PREFIX = "^\t";

// The first file's lines of a difference are its deleted side, the second's its added side.
LineKind side_of(const Comparison& comparison, const LineTable& table) {
    return &table == &comparison.first ? LineKind::deleted : LineKind::added;
}

void print_lines(const Comparison& comparison, const LineTable& table, std::int64_t from, std::int64_t to) {
    const PrintedLine printed{side_of(comparison, table), PLAIN_PREFIX};
    if (print_in_place_lines(comparison, printed, table, from, to)) return;
    for (std::int64_t line = from; line < to; ++line) {
        fetch_texts(table, line + TEXTS_FETCHED_AHEAD, 1);
        print_line(comparison, printed, table.texts[line]);
    }
}

// Both sides of a change printed in full, each line with its changed words.
void print_change_lines(NormalReport& report, WalkPosition end) {
    const Comparison& comparison = report.comparison;
    const WalkPosition from = report.at;
    if (!comparison.options.has(OPT_COLOR)) {
        print_lines(comparison, comparison.first, from.first, end.first);
        comparison.out << "------\n";
        print_lines(comparison, comparison.second, from.second, end.second);
        return;
    }
    report.colours.find(comparison, from.first, end.first, from.second, end.second);
    for (std::int64_t line = from.first; line < end.first; ++line)
        print_line(comparison, {LineKind::deleted, PLAIN_PREFIX}, comparison.first.texts[line], report.colours.first(line));
    comparison.out << "------\n";
    for (std::int64_t line = from.second; line < end.second; ++line)
        print_line(comparison, {LineKind::added, PLAIN_PREFIX}, comparison.second.texts[line],
                   report.colours.second(line));
}

// The lines of a change shown in-line: the first file's side of every pair,
// then the second's; a pair in replacement form behind "^".
void print_shown_lines(NormalReport& report) {
    const Comparison& comparison = report.comparison;
    InlineLines& shown = report.shown;
    auto printed = [&shown](LineKind kind, std::int64_t pair) {
        return PrintedLine{kind, shown.replaced(pair) ? REPLACED_PREFIX : PLAIN_PREFIX};
    };
    for (std::int64_t pair = 0; pair < shown.pairs(); ++pair)
        print_line(comparison, printed(LineKind::deleted, pair), shown.first_text(pair));
    comparison.out << "------\n";
    for (std::int64_t pair = 0; pair < shown.pairs(); ++pair)
        print_line(comparison, printed(LineKind::added, pair), shown.second_text(pair));
}

// A matched pair whose texts differ: a change of one line each. Its lines keep
// the plain prefix even in replacement form.
void report_pair_change(NormalReport& report) {
    const Comparison& comparison = report.comparison;
    const WalkPosition at = report.at;
    write_change_header(comparison.out, comparison.options, "change: ", at.first, at.first, at.second, at.second);
    if (!report.comparison.options.shows_inline()) {
        print_change_lines(report, {at.first + 1, at.second + 1});
        return;
    }
    show_inline(report, 1);
    print_line(comparison, {LineKind::deleted, PLAIN_PREFIX}, report.shown.first_text(0));
    comparison.out << "------\n";
    print_line(comparison, {LineKind::added, PLAIN_PREFIX}, report.shown.second_text(0));
}

// Lines of one file only: deleted from the first (added false) or added in
// the second. The header comes before the check that the block has lines.
void report_one_sided(NormalReport& report, bool added) {
    const Comparison& comparison = report.comparison;
    const LineTable& table = added ? comparison.second : comparison.first;
    std::int64_t& position = added ? report.at.second : report.at.first;
    const std::int64_t other_position = added ? report.at.first : report.at.second;
    const std::int64_t end = table.unmatched_end(position);
    write_one_sided_header(comparison.out, comparison.options, added ? "add   : " : "delete: ", added, other_position, position, end - 1);
    if (end == position) report_empty_block(comparison.diagnostics, added);
    print_lines(comparison, table, position, end);
    position = end;
}

void report_change(NormalReport& report) {
    const Comparison& comparison = report.comparison;
    const std::int64_t end1 = comparison.first.unmatched_end(report.at.first);
    const std::int64_t end2 = comparison.second.unmatched_end(report.at.second);
    const std::int64_t lines1 = end1 - report.at.first, lines2 = end2 - report.at.second;
    write_change_header(comparison.out, comparison.options, "change: ", report.at.first, end1 - 1, report.at.second, end2 - 1);
    if (comparison.options.shows_inline() && lines1 == lines2) {
        show_inline(report, lines1);
        print_shown_lines(report);
    } else {
        print_change_lines(report, {end1, end2});
    }
    report.at = {end1, end2};
    if (lines1 + lines2 == 0) report_empty_change(comparison.diagnostics);
}

// Returns whether the step printed a difference.
bool take_step(NormalReport& report, WalkStep step) {
    switch (step) {
        case WalkStep::matched_run:
            return walk_matched_run(report.comparison.first, report.comparison.second, report.at,
                                    [&report](WalkPosition) { report_pair_change(report); });
        case WalkStep::delete_block: report_one_sided(report, false); return true;
        case WalkStep::add_block: report_one_sided(report, true); return true;
        case WalkStep::change_block: report_change(report); return true;
        case WalkStep::finished: break;
    }
    return false;
}

// The room the in-line display needs for the largest change it will show: a
// walk over the marks as the report's own, printing nothing.
InlineRoom largest_inline_change(const Comparison& comparison) {
    const LineTable& first = comparison.first;
    const LineTable& second = comparison.second;
    InlineRoom largest;
    walk_report(comparison, [&](WalkStep step, WalkPosition& at) {
        const WalkPosition before = at;
        switch (step) {
            case WalkStep::matched_run:
                walk_matched_run(first, second, at, [&](WalkPosition pair) {
                    largest.cover(room_for_pairs(comparison, 1, pair.first, pair.second));
                });
                break;
            case WalkStep::delete_block: at.first = first.unmatched_end(at.first); break;
            case WalkStep::add_block: at.second = second.unmatched_end(at.second); break;
            case WalkStep::change_block: {
                const WalkPosition end{first.unmatched_end(at.first), second.unmatched_end(at.second)};
                if (end.first - at.first == end.second - at.second)
                    largest.cover(room_for_pairs(comparison, end.first - at.first, at.first, at.second));
                at = end;
                break;
            }
            case WalkStep::finished: break;
        }
        // A block without a line: the report ends there with its program error.
        if (at.first == before.first && at.second == before.second) at = {first.count, second.count};
        return false;
    });
    return largest;
}

}  // namespace

bool print_normal_report(const Comparison& comparison) {
    InlineLines shown;
    if (comparison.options.shows_inline())
        shown.reserve(largest_inline_change(comparison));
    ChangeColours colours;
    return walk_report(comparison, [&comparison, &shown, &colours](WalkStep step, WalkPosition& at) {
        NormalReport report{comparison, at, shown, colours};
        return take_step(report, step);
    });
}

}  // namespace vesk
