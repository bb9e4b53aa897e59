// The whole-line view of a comparison, for the reports that show lines as the
// files hold them: loading cuts a line longer than 4,095 bytes into pieces (a
// piece of exactly 4,095 bytes without a newline is continued by the next), and
// this view joins them again and says which whole lines the two files have in
// common. It reads the marks as the recheck of the matched pairs left them.
//
// A whole line is common when every piece of it is a matched pair whose texts
// are equal, in order, with the pieces of exactly one whole line of the other
// file; every other line differs. Common lines pair up one to one, in order, and
// between two of them lie the stretches of differing lines: the changes.
//
// Nothing here is allocated per line: the view keeps, per file, only the pieces
// that are continued (none in most files), and the changes are found by a walk.
#pragma once

#include <cstdint>

#include "model/line_table.h"
#include "support/memory.h"

namespace vesk {

// A whole line: its first piece and how many pieces it has (1 for a line of at
// most 4,095 bytes).
struct WholeLine {
    std::int64_t first_piece;
    std::int64_t pieces;
};

// Where one file's long lines were cut. Line and piece numbers are 0-based.
class LinePieces {
public:
    explicit LinePieces(const LineTable& table);

    std::int64_t lines() const { return table_->count - static_cast<std::int64_t>(cut_pieces_.size()); }
    // Whether any line of the file was cut.
    bool has_cuts() const { return !cut_pieces_.empty(); }
    // Whether piece is continued by the next one.
    bool continued(std::int64_t piece) const;
    bool starts_line(std::int64_t piece) const { return piece == 0 || !continued(piece - 1); }
    // The whole line that piece belongs to.
    std::int64_t line_of(std::int64_t piece) const;
    std::int64_t first_piece(std::int64_t line) const;
    // The whole line that starts at piece.
    WholeLine line_at(std::int64_t piece) const;

    const LineTable& table() const { return *table_; }

private:
    const LineTable* table_;
    WorkVector<std::int64_t> cut_pieces_;  // the continued pieces, ascending
};

// One file's side of a change: the whole lines [first_line, first_line + lines),
// which are the pieces [first_piece, end_piece). Either side may hold no line.
struct LineSpan {
    std::int64_t first_line;
    std::int64_t lines;
    std::int64_t first_piece;
    std::int64_t end_piece;

    std::int64_t end_line() const { return first_line + lines; }
};

// A stretch of differing lines between two common ones (or an end of the files):
// the lines of the first file there, and of the second. At least one side holds
// a line. From the end of one change to the start of the next (or the ends of
// the files) every line is common, and the common lines of the two files pair
// one to one, in order, with equal piece counts: a report walks both sides in
// step with line_at().
struct LineChange {
    LineSpan first;
    LineSpan second;
};

struct WholeLineView {
    WholeLineView(const LineTable& first_table, const LineTable& second_table)
        : first(first_table), second(second_table) {}

    // Whether the whole lines that start at piece1 and piece2, a matched pair
    // (the next of each file), are common.
    bool common(std::int64_t piece1, std::int64_t piece2) const;

    LinePieces first;
    LinePieces second;
};

// The changes of a view, in file order. A plain value: a report that must look
// ahead (to see where a hunk ends) copies the walk and goes on with the copy.
class ChangeWalk {
public:
    explicit ChangeWalk(const WholeLineView& view) : view_(&view) {}

    // The next change, or false when only common lines are left.
    bool next(LineChange& change);

private:
    // Moves the position past the common lines that stand there.
    void skip_common_lines();

    const WholeLineView* view_;
    // Both at the start of a whole line, each the next matched piece of its file
    // pairing with the other's.
    std::int64_t piece1_ = 0;
    std::int64_t piece2_ = 0;
};

}  // namespace vesk
