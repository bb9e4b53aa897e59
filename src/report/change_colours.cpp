#include "report/change_colours.h"

namespace vesk {
namespace {

// The printed lines of a file, without their newlines.
void printed_lines(const LineTable& table, std::int64_t from, std::int64_t to, std::vector<std::string_view>& lines) {
    lines.clear();
    for (std::int64_t line = from; line < to; ++line) {
        std::string_view text = table.text(line);
        if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
        lines.push_back(text);
    }
}

// The text of a whole line without its newline: in place when it is one piece,
// else joined into the next string of `joined`, which has room.
std::string_view whole_text(const LineTable& table, WholeLine line, std::vector<std::string>& joined,
                            std::size_t& used) {
    std::string_view text = table.text(line.first_piece);
    if (line.pieces > 1) {
        std::string& whole = joined[used++];
        whole.clear();
        for (std::int64_t piece = line.first_piece; piece < line.first_piece + line.pieces; ++piece)
            whole += table.text(piece);
        text = whole;
    }
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

// The whole lines of a span, the longer ones joined into `joined` (made large
// enough first, so that no string moves once a view of it is taken).
void whole_lines(const LinePieces& pieces, LineSpan span, std::vector<std::string>& joined, std::size_t& used,
                 std::vector<std::string_view>& lines) {
    lines.clear();
    for (std::int64_t piece = span.first_piece; piece < span.end_piece;) {
        const WholeLine line = pieces.line_at(piece);
        lines.push_back(whole_text(pieces.table(), line, joined, used));
        piece += line.pieces;
    }
}

}  // namespace

void ChangeColours::find(const Comparison& comparison, const LinePieces& first_pieces, LineSpan first,
                         const LinePieces& second_pieces, LineSpan second) {
    first_from_ = second_from_ = 0;
    found_ = comparison.options.has(OPT_COLOR);
    if (!found_) return;
    // A line of n pieces has n - 1 of them continued: at most that many joined.
    const auto most_joined = static_cast<std::size_t>(first.end_piece - first.first_piece - first.lines +
                                                      second.end_piece - second.first_piece - second.lines);
    if (joined_.size() < most_joined) joined_.resize(most_joined);
    std::size_t used = 0;
    whole_lines(first_pieces, first, joined_, used, first_lines_);
    whole_lines(second_pieces, second, joined_, used, second_lines_);
    words_.find(first_lines_, second_lines_, comparison.options.text_rules());
}

void ChangeColours::find(const Comparison& comparison, std::int64_t first_from, std::int64_t first_to,
                         std::int64_t second_from, std::int64_t second_to) {
    first_from_ = first_from;
    second_from_ = second_from;
    found_ = comparison.options.has(OPT_COLOR);
    if (!found_) return;
    printed_lines(comparison.first, first_from, first_to, first_lines_);
    printed_lines(comparison.second, second_from, second_to, second_lines_);
    words_.find(first_lines_, second_lines_, comparison.options.text_rules());
}

}  // namespace vesk
