#include "report/normal_report.h"

#include "report/inline_display.h"
#include "report/line_writer.h"
#include "report/report_walk.h"

namespace vesk {
namespace {

struct NormalReport {
    Comparison& run;
    bool printing;
    std::uint32_t inline_bits;
    WalkPosition& at;
};

void show_inline(NormalReport& report, std::int64_t lines) {
    if ((report.inline_bits & OPT_INLINE_REPLACE) != 0)
        show_inline_replacement(report.run, lines, report.at.first, report.at.second);
    else
        show_inline_words(report.run, lines, report.at.first, report.at.second);
}

// Lines [from, to) of table, each with its own line kind or with kind 0.
void print_lines(Comparison& run, const LineTable& table, std::int64_t from, std::int64_t to, bool own_kinds) {
    for (std::int64_t line = from; line < to; ++line)
        print_line(run, own_kinds ? table.kinds[line] : KIND_PLAIN, table.texts[line], 0);
}

// A matched pair whose texts differ: a change of one line each, or when
// classifying, two unmatched lines.
void report_pair_change(NormalReport& report) {
    LineTable& first = report.run.first;
    LineTable& second = report.run.second;
    if (!report.printing) {
        first.marks[report.at.first] = MARK_UNMATCHED;
        second.marks[report.at.second] = MARK_UNMATCHED;
        return;
    }
    write_change_header(report.run.out, "change: ", report.at.first, report.at.first, report.at.second,
                        report.at.second);
    if (report.inline_bits != 0) show_inline(report, 1);
    // Kind 0 even after the replacement form: a one-line change keeps the plain prefix.
    print_line(report.run, KIND_PLAIN, first.texts[report.at.first], 0);
    report.run.out << "------\n";
    print_line(report.run, KIND_PLAIN, second.texts[report.at.second], 0);
}

int report_matched_run(NormalReport& report) {
    bool differs = walk_matched_run(report.run.first, report.run.second, report.run.options.flags, report.at,
                                    [&report](WalkPosition) { report_pair_change(report); });
    return differs ? kReportDiffers : 0;
}

// Lines of one file only: deleted from the first (added false) or added in
// the second. The header comes before the check that the block has lines.
int report_one_sided(NormalReport& report, bool added) {
    const LineTable& table = added ? report.run.second : report.run.first;
    std::int64_t& position = added ? report.at.second : report.at.first;
    const std::int64_t other_position = added ? report.at.first : report.at.second;
    const std::int64_t end = block_end(table, position);
    if (report.printing)
        write_one_sided_header(report.run.out, added ? "add   : " : "delete: ", added, other_position, position, end - 1);
    if (end == position) {
        report_empty_block(report.run.diagnostics, added);
        return kReportFailed;
    }
    if (report.printing) print_lines(report.run, table, position, end, false);
    position = end;
    return kReportDiffers;
}

int report_change(NormalReport& report) {
    Comparison& run = report.run;
    const std::int64_t end1 = block_end(run.first, report.at.first);
    const std::int64_t end2 = block_end(run.second, report.at.second);
    const std::int64_t lines1 = end1 - report.at.first, lines2 = end2 - report.at.second;
    if (report.printing) {
        write_change_header(run.out, "change: ", report.at.first, end1 - 1, report.at.second, end2 - 1);
        if (report.inline_bits != 0 && lines1 == lines2) show_inline(report, lines1);
        print_lines(run, run.first, report.at.first, end1, true);
        run.out << "------\n";
        print_lines(run, run.second, report.at.second, end2, true);
    }
    report.at = {end1, end2};
    if (lines1 + lines2 == 0) {
        emit_error(run.diagnostics, "program error: change lines none\n");
        return kReportFailed;
    }
    return kReportDiffers;
}

int take_step(NormalReport& report, WalkStep step) {
    switch (step) {
        case WalkStep::matched_run: return report_matched_run(report);
        case WalkStep::delete_block: return report_one_sided(report, false);
        case WalkStep::add_block: return report_one_sided(report, true);
        case WalkStep::change_block: return report_change(report);
        case WalkStep::finished: break;
    }
    return 0;
}

}  // namespace

int print_normal_report(Comparison& run, int print, std::uint32_t inline_bits) {
    // Only the matcher's marks are counted here; the walk takes any non-zero
    // mark as matched, so that a stray context mark cannot stall it.
    auto matched = [](std::uint8_t mark) { return mark == MARK_MATCHED; };
    return walk_report(run, matched, [&run, print, inline_bits](WalkStep step, WalkPosition& at) {
        NormalReport report{run, print != 0, inline_bits, at};
        return take_step(report, step);
    });
}

}  // namespace vesk
