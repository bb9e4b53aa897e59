#include "report/side_by_side_report.h"

#include <algorithm>

#include "compare/whole_lines.h"
#include "report/line_writer.h"

namespace vesk {
namespace {

// The text of a whole line without its newline. A line cut into pieces is joined
// into `joined`, which is kept from line to line.
std::string_view whole_text(const LinePieces& pieces, WholeLine line, WorkVector<char>& joined) {
    std::string_view text = pieces.table().text(line.first_piece);
    if (line.pieces > 1) {
        joined.clear();
        for (std::int64_t piece = line.first_piece; piece < line.first_piece + line.pieces; ++piece) {
            text = pieces.table().text(piece);
            joined.insert(joined.end(), text.begin(), text.end());
        }
        text = std::string_view(joined.data(), joined.size());
    }
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

class SideBySide {
public:
    SideBySide(Output& out, const Options& options, const WholeLineView& view)
        : view_(view),
          rows_(out, RowLayout(options.width, options.tab_width, options.encoding()), options),
          rules_(options.text_rules()),
          coloured_(options.has(OPT_COLOR)),
          suppress_common_(options.suppress_common_lines) {}

    // The common lines before pieces end1 and end2 (or the files' ends), which
    // pair one with one.
    void common_lines_to(std::int64_t end1, std::int64_t end2) {
        if (suppress_common_) {
            piece1_ = end1;
            piece2_ = end2;
            return;
        }
        while (piece1_ < end1 && piece2_ < end2) print_row(ROW_COMMON, true, true);
    }

    void change(const LineChange& change) {
        const std::int64_t end1 = change.first.end_piece, end2 = change.second.end_piece;
        while (piece1_ < end1 || piece2_ < end2) {
            const bool left = piece1_ < end1, right = piece2_ < end2;
            print_row(left && right ? ROW_CHANGED : left ? ROW_FIRST_ONLY : ROW_SECOND_ONLY, left, right);
        }
    }

private:
    // Prints the next line of each file that takes part, and moves past it.
    void print_row(RowMark mark, bool left, bool right) {
        std::string_view left_text, right_text;
        if (left) left_text = next_text(view_.first, piece1_, joined1_);
        if (right) right_text = next_text(view_.second, piece2_, joined2_);
        // The two lines of a row of a change are a pair: similar ones show their changed words.
        if (coloured_ && mark == ROW_CHANGED && words_.compare(left_text, right_text, rules_)) {
            rows_.print(mark, left_text, right_text, words_.first_segments(), words_.second_segments());
            return;
        }
        rows_.print(mark, left_text, right_text);
    }

    static std::string_view next_text(const LinePieces& pieces, std::int64_t& piece, WorkVector<char>& joined) {
        const WholeLine line = pieces.line_at(piece);
        piece += line.pieces;
        return whole_text(pieces, line, joined);
    }

    const WholeLineView& view_;
    RowPrinter rows_;
    TextRules rules_;
    bool coloured_;
    PairWords words_;  // kept from row to row
    bool suppress_common_;
    std::int64_t piece1_ = 0, piece2_ = 0;
    WorkVector<char> joined1_, joined2_;
};

bool print_side_by_side(Output& out, const Options& options, const WholeLineView& view) {
    SideBySide report(out, options, view);
    ChangeWalk walk(view);
    LineChange change;
    bool differs = false;
    while (walk.next(change)) {
        differs = true;
        report.common_lines_to(change.first.first_piece, change.second.first_piece);
        report.change(change);
    }
    report.common_lines_to(view.first.table().count, view.second.table().count);
    return differs;
}

}  // namespace

bool print_side_by_side_report(const Comparison& comparison, const WholeLineView& view) {
    return print_side_by_side(comparison.out, comparison.options, view);
}

void print_side_by_side_of_itself(Output& out, const Options& options, LineTable& table) {
    std::fill_n(table.marks, table.count, MARK_MATCHED);
    print_side_by_side(out, options, WholeLineView(table, table));
}

}  // namespace vesk
