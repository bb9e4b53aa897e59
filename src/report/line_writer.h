// The one routine that prints a line of an input file: a prefix for the line's
// role, then its text with form feeds shown as "^L" and, with -t, tabs expanded.
// Bytes, not characters: a double-byte character counts as two columns. Under
// --utf8 columns are terminal columns: each UTF-8 character counts its width.
// Every call writes exactly one output line to standard output.
//
// Colour (--color) is bytes around what is printed, taken from the options'
// palette; nothing else prints an escape sequence. A coloured line is the
// sequence of its colour, the line without its newline, the reset, then the
// newline: no colour spans a line end. A changed word inside it is the word's
// sequence, the word, the reset and the line's sequence again. Without the
// escape sequences the output is the same as without --color.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "compare/changed_words.h"
#include "model/comparison.h"

namespace vesk {

// What a printed line is to its report; chooses its prefix. The marks "!", "+"
// and "-" appear only in the context report, "^" wherever KIND_REPLACED is given.
enum LineKind : std::uint8_t {
    KIND_PLAIN = 0,     // a tab
    KIND_CHANGED = 1,   // "!\t" in the context report
    KIND_UNPAIRED = 2,  // "+\t" (added) or "-\t" in the context report
    KIND_REPLACED = 4,  // "^\t": shown in the in-line display's replacement form
};

// Which file a printed line stands for in a difference, for its colour.
enum class LineSide : std::uint8_t {
    plain,    // not coloured: context, common lines
    deleted,  // a line of the first file (de), its changed words dw
    added,    // a line of the second file (ad), its changed words aw
};

struct LineColour {
    LineSide side = LineSide::plain;
    std::span<const Segment> words;  // changed words: bytes of the line's text
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

// Prints a line's text (through its first newline, or up to a NUL) behind the
// prefix that kind chooses; `added` tells "+" from "-" for KIND_UNPAIRED. Adds a
// newline when the text has none. Coloured as `colour` says under OPT_COLOR.
void print_line(const Comparison& comparison, LineKind kind, const char* text, bool added, LineColour colour = {});

// Prints lines [from, to) of a table behind the plain prefix, as print_line()
// would one by one, when that is quicker: without -t, for a block of lines that
// lie one after another in the mapped file and hold no form feed. Returns false,
// printing nothing, otherwise.
bool print_in_place_lines(const Comparison& comparison, const LineTable& table, std::int64_t from, std::int64_t to,
                          LineSide side = LineSide::plain);

}  // namespace vesk
