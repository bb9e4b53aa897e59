#include "report/report_walk.h"

#include "report/line_writer.h"
#include "support/run_end.h"

namespace vesk {
namespace {

// Writes the 0-based lines [first, last] 1-based: "n", or "n,m".
void write_line_range(Output& out, std::int64_t first, std::int64_t last) {
    out << first + 1;
    if (last != first) out << ',' << last + 1;
}

}  // namespace

WalkStep next_step(const LineTable& first, const LineTable& second, WalkPosition at) {
    const bool first_exhausted = at.first >= first.count;
    const bool second_exhausted = at.second >= second.count;
    if (first_exhausted && second_exhausted) return WalkStep::finished;
    const bool first_matched = first.is_matched(at.first);
    const bool second_matched = second.is_matched(at.second);
    if (first_matched && second_matched) return WalkStep::matched_run;
    if (second_exhausted || (!first_matched && second_matched)) return WalkStep::delete_block;
    if (first_exhausted || (!second_matched && first_matched)) return WalkStep::add_block;
    return WalkStep::change_block;
}

void write_one_sided_header(Output& out, const Options& options, const char* label, bool added,
                            std::int64_t other_position, std::int64_t first, std::int64_t last) {
    open_header(out, options, HeaderColour::block);
    out << label;
    if (added) out << other_position << " : ";
    write_line_range(out, first, last);
    if (!added) out << " : " << other_position;
    close_header(out, options);
}

void write_change_header(Output& out, const Options& options, const char* label, std::int64_t first1,
                         std::int64_t last1, std::int64_t first2, std::int64_t last2) {
    open_header(out, options, HeaderColour::block);
    out << label;
    write_line_range(out, first1, last1);
    out << " : ";
    write_line_range(out, first2, last2);
    close_header(out, options);
}

void report_empty_block(Diagnostics& diagnostics, bool added) {
    emit_error(diagnostics, added ? "program error: delete lines none\n" : "program error: add lines none\n");
    end_run(-1);
}

void report_empty_change(Diagnostics& diagnostics) {
    emit_error(diagnostics, "program error: change lines none\n");
    end_run(-1);
}

}  // namespace vesk
