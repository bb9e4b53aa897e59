// The one routine that prints a line of an input file: the prefix its report
// chose, then its text with form feeds shown as "^L" and, with -t, tabs expanded.
// Bytes, not characters: a double-byte character counts as two columns. Under
// --utf8 columns are terminal columns: each UTF-8 character counts its width.
// Every call writes exactly one output line to standard output.
//
// Colour (--color) is bytes around what is printed, taken from the options'
// palette; nothing else prints an escape sequence. A deleted line is in the de
// colour, an added one in ad, a common one plain. A coloured line is the
// sequence of its colour, the line without its newline, the reset, then the
// newline: no colour spans a line end. A changed word inside it is the word's
// sequence (dw or aw), the word, the reset and the line's sequence again.
// Without the escape sequences the output is the same as without --color.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "compare/changed_words.h"
#include "compare/whole_lines.h"
#include "report/cell_text.h"
#include "model/comparison.h"

namespace vesk {

// Which side of a difference a printed line stands on. Each report chooses the
// prefix that marks it; the line writer takes the prefix as given.
enum class LineKind : std::uint8_t {
    common,   // a line both files hold: context, or the line of a matched pair
    deleted,  // the first file's line in a difference
    added,    // the second file's line in a difference
};

// Where a line stands and the prefix its report marks it with.
struct PrintedLine {
    LineKind kind;
    std::string_view prefix;
};

// The lines other than file lines that are coloured: the file-name header (hd)
// and the header of a block (ln).
enum class HeaderColour : std::uint8_t { file_names, block };

// A header line is written between these two: open_header() starts its colour,
// close_header() ends it and writes the newline. Without OPT_COLOR in options
// they write only that newline.
void open_header(Output& out, const Options& options, HeaderColour colour);
void close_header(Output& out, const Options& options);

// Where expand_tabs writes: an expanded line is at most 4,095 columns. In
// bytes, a column is one byte of Shift-JIS text, and UTF-8 text of a stored line
// (at most 4,095 bytes) grows by no more than its tabs' blanks.
struct TabExpansion {
    static constexpr std::int64_t COLUMN_LIMIT = 4096;
    static constexpr std::size_t SIZE = 2 * 4096;
    char bytes[SIZE];
    std::size_t length = 0;  // of the expanded text, NUL not counted
};

// Expands the tabs of text to stops every tab_width (>= 1) columns, counted from
// the text's first byte, into expansion; returns expansion.bytes. A line that
// would reach 4,096 columns is not printed: the "too long line" message goes
// to `out` (standard output, with the report) and the run ends with status 1.
const char* expand_tabs(Output& out, std::int64_t tab_width, std::string_view text, TabExpansion& expansion,
                        Encoding encoding = Encoding::shift_jis);

// Prints a line's text (through its first newline, or up to a NUL) behind its
// prefix. Adds a newline when the text has none. Under OPT_COLOR, `words` are
// the changed words of a deleted or added line: bytes of its text.
void print_line(const Comparison& comparison, PrintedLine line, const char* text, std::span<const Segment> words = {});

// Prints lines [from, to) of a table, as print_line() would one by one, when
// that is quicker: without -t, for a block of lines that lie one after another in
// the mapped file and hold no form feed. Returns false, printing nothing, otherwise.
bool print_in_place_lines(const Comparison& comparison, PrintedLine line, const LineTable& table, std::int64_t from,
                          std::int64_t to);

// Prints a whole line of table as the unified report shows it: its prefix, then
// its pieces joined, byte for byte (form feeds and tabs as they are, whatever -t
// says), then a newline. A line without one, which can only be the last of its
// file, gets one and then the line "\ No newline at end of file", so that what
// applies the report knows to leave it out. Under OPT_COLOR, `words` are the
// changed words of a deleted or added line: bytes of the joined line; that
// last line is not coloured.
void print_whole_line(const Comparison& comparison, PrintedLine line, const LineTable& table, WholeLine whole,
                      std::span<const Segment> words = {});

// The columns of a side-by-side row of `width` columns: the left cell, a gutter
// of a blank, the mark and a blank, then the right cell.
struct RowLayout {
    RowLayout(std::int64_t width, std::int64_t tab_width, Encoding encoding)
        : left{(width - 3) / 2, tab_width, encoding}, right{width - 3 - left.columns, tab_width, encoding} {}

    CellFormat left;
    CellFormat right;
};

// The marks of the gutter: a common line, a pair of differing lines, a line of
// the first file alone, of the second alone.
enum RowMark : char { ROW_COMMON = ' ', ROW_CHANGED = '|', ROW_FIRST_ONLY = '<', ROW_SECOND_ONLY = '>' };

// Prints the rows of the side-by-side report. The left cell is padded to its
// width; nothing follows the mark of a ROW_FIRST_ONLY row, and no other row ends
// in a blank. Under OPT_COLOR the left cell of a ROW_CHANGED or ROW_FIRST_ONLY
// row is coloured as a deleted line, the right cell of a ROW_CHANGED or
// ROW_SECOND_ONLY row as an added one, each with its changed words; never the
// padding or the gutter.
class RowPrinter {
public:
    RowPrinter(Output& out, const RowLayout& layout, const Options& options)
        : out_(out), layout_(layout), options_(options) {}

    // The texts are lines without their newline; the left one is not read in a
    // ROW_SECOND_ONLY row, nor the right one in a ROW_FIRST_ONLY row. The words
    // are the changed words of the texts of a ROW_CHANGED row (bytes of the texts).
    void print(RowMark mark, std::string_view left, std::string_view right, std::span<const Segment> left_words = {},
               std::span<const Segment> right_words = {});

private:
    // A cell's bytes, coloured as kind with the words at `bounds` (offsets in the
    // cell, two a word) when `coloured`.
    void write_cell(const WorkVector<char>& cell, bool coloured, LineKind kind, std::span<const std::size_t> bounds);

    Output& out_;
    RowLayout layout_;
    const Options& options_;
    WorkVector<char> left_cell_;  // kept from row to row, to be allocated once
    WorkVector<char> right_cell_;
    WorkVector<std::size_t> left_bounds_, right_bounds_;
};

}  // namespace vesk
