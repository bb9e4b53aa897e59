#include "compare/whole_lines.h"

#include <algorithm>

namespace vesk {
namespace {

// A piece this long without a newline was cut there, unless it is the file's last.
constexpr std::size_t CUT_PIECE_BYTES = 4095;

// The first line that is not in place: those are the file's first lines, and
// being whole lines that end with their newline, none of them is cut.
std::int64_t first_copied_line(const LineTable& table) {
    std::int64_t low = 0, high = table.count;
    while (low < high) {
        std::int64_t middle = low + (high - low) / 2;
        if (table.in_place_through(middle))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

bool is_cut(const LineTable& table, std::int64_t piece) {
    if (piece + 1 >= table.count) return false;
    std::string_view text = table.text(piece);
    return text.size() == CUT_PIECE_BYTES && text.back() != '\n';
}

}  // namespace

LinePieces::LinePieces(const LineTable& table) : table_(&table) {
    for (std::int64_t piece = first_copied_line(table); piece < table.count; ++piece)
        if (is_cut(table, piece)) cut_pieces_.push_back(piece);
}

bool LinePieces::continued(std::int64_t piece) const {
    return !cut_pieces_.empty() && std::binary_search(cut_pieces_.begin(), cut_pieces_.end(), piece);
}

std::int64_t LinePieces::line_of(std::int64_t piece) const {
    return piece - (std::lower_bound(cut_pieces_.begin(), cut_pieces_.end(), piece) - cut_pieces_.begin());
}

// The cuts before the first piece of a line are those of the lines before it;
// the i-th cut lies in line cut_pieces_[i] - i, which never decreases.
std::int64_t LinePieces::first_piece(std::int64_t line) const {
    std::int64_t low = 0, high = static_cast<std::int64_t>(cut_pieces_.size());
    while (low < high) {
        std::int64_t middle = low + (high - low) / 2;
        if (cut_pieces_[static_cast<std::size_t>(middle)] - middle < line)
            low = middle + 1;
        else
            high = middle;
    }
    return line + low;
}

WholeLine LinePieces::line_at(std::int64_t piece) const {
    if (cut_pieces_.empty()) return {piece, 1};
    auto cut = std::lower_bound(cut_pieces_.begin(), cut_pieces_.end(), piece);
    std::int64_t last = piece;
    for (; cut != cut_pieces_.end() && *cut == last; ++cut) ++last;
    return {piece, last - piece + 1};
}

// The pieces of both lines pair in order as long as all are matched, since the
// first two are the next matched pieces of their files.
bool WholeLineView::common(std::int64_t piece1, std::int64_t piece2) const {
    const std::uint8_t* marks1 = first.table().marks;
    const std::uint8_t* marks2 = second.table().marks;
    if (marks1[piece1] != MARK_MATCHED || marks2[piece2] != MARK_MATCHED) return false;
    const WholeLine line1 = first.line_at(piece1), line2 = second.line_at(piece2);
    if (line1.pieces != line2.pieces) return false;
    for (std::int64_t piece = 1; piece < line1.pieces; ++piece)
        if (marks1[piece1 + piece] != MARK_MATCHED || marks2[piece2 + piece] != MARK_MATCHED) return false;
    return true;
}

void ChangeWalk::skip_common_lines() {
    const std::int64_t count1 = view_->first.table().count, count2 = view_->second.table().count;
    if (!view_->first.has_cuts() && !view_->second.has_cuts()) {
        // Every line is one piece: a common line is a pair whose texts agree.
        const std::uint8_t* marks1 = view_->first.table().marks;
        const std::uint8_t* marks2 = view_->second.table().marks;
        while (piece1_ < count1 && piece2_ < count2 && marks1[piece1_] == MARK_MATCHED &&
               marks2[piece2_] == MARK_MATCHED) {
            ++piece1_;
            ++piece2_;
        }
        return;
    }
    while (piece1_ < count1 && piece2_ < count2 && view_->common(piece1_, piece2_)) {
        const std::int64_t pieces = view_->first.line_at(piece1_).pieces;
        piece1_ += pieces;
        piece2_ += pieces;
    }
}

// The change runs up to the first matched pair that opens a common line on both
// sides; unmatched pieces, and matched pairs that open no common line, lie in it.
bool ChangeWalk::next(LineChange& change) {
    skip_common_lines();
    const LineTable& first = view_->first.table();
    const LineTable& second = view_->second.table();
    if (piece1_ == first.count && piece2_ == second.count) return false;
    std::int64_t end1 = piece1_, end2 = piece2_;
    for (;;) {
        while (end1 < first.count && first.marks[end1] == MARK_UNMATCHED) ++end1;
        while (end2 < second.count && second.marks[end2] == MARK_UNMATCHED) ++end2;
        // Both files have equally many matched pieces, so they run out together.
        if (end1 == first.count || end2 == second.count) {
            end1 = first.count;
            end2 = second.count;
            break;
        }
        if (view_->first.starts_line(end1) && view_->second.starts_line(end2) && view_->common(end1, end2)) break;
        ++end1;
        ++end2;
    }
    const std::int64_t line1 = view_->first.line_of(piece1_), line2 = view_->second.line_of(piece2_);
    change.first = {line1, view_->first.line_of(end1) - line1, piece1_, end1};
    change.second = {line2, view_->second.line_of(end2) - line2, piece2_, end2};
    piece1_ = end1;
    piece2_ = end2;
    return true;
}

}  // namespace vesk
