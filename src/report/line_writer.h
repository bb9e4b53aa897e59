// The one routine that prints a line of an input file: a prefix for the line's
// role, then its text with form feeds shown as "^L" and, with -t, tabs expanded.
// Bytes, not characters: a double-byte character counts as two columns. Under
// --utf8 columns are terminal columns: each UTF-8 character counts its width.
// Every call writes exactly one output line to standard output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compare/whole_lines.h"
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
// newline when the text has none.
void print_line(const Comparison& comparison, LineKind kind, const char* text, bool added);

// Prints lines [from, to) of a table behind the plain prefix, as print_line()
// would one by one, when that is quicker: without -t, for a block of lines that
// lie one after another in the mapped file and hold no form feed. Returns false,
// printing nothing, otherwise.
bool print_in_place_lines(const Comparison& comparison, const LineTable& table, std::int64_t from, std::int64_t to);

// Prints a whole line of table as the unified report shows it: marker, then its
// pieces joined, byte for byte (form feeds and tabs as they are), then a
// newline. A line without one, which can only be the last of its file, gets one
// and then the line "\ No newline at end of file", so that what applies the
// report knows to leave it out.
void print_whole_line(Output& out, char marker, const LineTable& table, WholeLine line);

}  // namespace vesk
