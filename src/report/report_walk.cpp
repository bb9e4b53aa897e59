#include "report/report_walk.h"

#include <cstddef>
#include <cstring>

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
    const bool first_matched = is_matched(first, at.first);
    const bool second_matched = is_matched(second, at.second);
    if (first_matched && second_matched) return WalkStep::matched_run;
    if (second_exhausted || (!first_matched && second_matched)) return WalkStep::delete_block;
    if (first_exhausted || (!second_matched && first_matched)) return WalkStep::add_block;
    return WalkStep::change_block;
}

std::int64_t block_end(const LineTable& table, std::int64_t start) {
    std::int64_t end = start;
    while (end < table.count && table.marks[end] == MARK_UNMATCHED) ++end;
    return end;
}

void write_one_sided_header(Output& out, const char* label, bool added, std::int64_t other_position,
                            std::int64_t first, std::int64_t last) {
    out << label;
    if (added) out << other_position << " : ";
    write_line_range(out, first, last);
    if (!added) out << " : " << other_position;
    out << '\n';
}

void write_change_header(Output& out, const char* label, std::int64_t first1, std::int64_t last1, std::int64_t first2,
                         std::int64_t last2) {
    out << label;
    write_line_range(out, first1, last1);
    out << " : ";
    write_line_range(out, first2, last2);
    out << '\n';
}

void report_empty_block(Diagnostics& diagnostics, bool added) {
    emit_error(diagnostics, added ? "program error: delete lines none\n" : "program error: add lines none\n");
}

void skip_same_stretch(const LineTable& first, const LineTable& second, WalkPosition& at) {
    std::int64_t last = 0;  // how far on the run's last pair lies
    while (is_matched(first, at.first + last + 1) && is_matched(second, at.second + last + 1)) ++last;
    if (last == 0 || !first.in_place(at.first, at.first + last) || !second.in_place(at.second, at.second + last))
        return;
    // Lines in place follow one another: the bytes up to the last pair's start
    // are those of every pair before it, whole, so where they agree the newlines
    // agree and so does every text. The same bytes are the same text under any option.
    const char* from1 = first.texts[at.first];
    const char* from2 = second.texts[at.second];
    std::ptrdiff_t span = first.texts[at.first + last] - from1;
    if (second.texts[at.second + last] - from2 != span || std::memcmp(from1, from2, static_cast<std::size_t>(span)) != 0)
        return;
    at.first += last;
    at.second += last;
}

}  // namespace vesk
