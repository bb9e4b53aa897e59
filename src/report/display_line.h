// One line of a pair as the in-line display compares it: a row of positions,
// each with a role, a class for word widening and a symbol that stands for its
// character. Shift-JIS text: a position per byte, the byte its own symbol, a
// double-byte character a ROLE_FIRST and a ROLE_SECOND position. UTF-8 text
// (--utf8): a position per terminal column, a cell. A character one column wide
// is a ROLE_SINGLE cell, one two columns wide a ROLE_FIRST and a ROLE_SECOND cell;
// a character of no width (a combining mark, a joiner) belongs to the cell before
// it, or at the start of a line makes a cell of its own. The display walks the
// positions alike in both encodings, so Japanese text shows the same in both,
// and the columns it counts are the columns a terminal shows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "report/char_classes.h"
#include "support/byte_rules.h"

namespace vesk {

struct DisplayLine {
    // Reads text, NUL-terminated and shorter than LINE_MAP_SIZE bytes.
    DisplayLine(char* text, bool utf8);

    // Whether position p is a blank: a space or a tab, and nothing joined to it.
    bool blank(std::size_t p) const { return symbols[p] == ' ' || symbols[p] == '\t'; }

    char* text;
    bool utf8;
    std::size_t length = 0;  // in positions
    // One more entry than positions: 0 after the last, as the NUL after a text.
    std::array<std::uint32_t, LINE_MAP_SIZE + 1> symbols;
    LineMap roles;
    LineMap classes;
    LineMap mask;  // 1 shown, 0 hidden; set by the display
    // UTF-8: where the bytes of each cell begin, and the text's length after the
    // last. The first cell of a wide character holds all its bytes, the second none.
    std::array<std::uint16_t, LINE_MAP_SIZE + 1> starts;
};

// Marks the symbol of a UTF-8 cell that has characters of no width joined to
// it: such cells are compared by their bytes. No code point reaches this bit.
constexpr std::uint32_t JOINED_CELL = 0x80000000u;

// Whether cells x of a and y of b, both with JOINED_CELL, hold the same bytes
// (ASCII letters without case when fold).
bool same_joined_cells(const DisplayLine& a, std::size_t x, const DisplayLine& b, std::size_t y, bool fold);

// Whether the characters at position x of a and y of b, which have the same role
// (ROLE_SINGLE or ROLE_FIRST), are the same; with fold, ASCII letters are compared
// without case. A double-byte character is never folded. Inline: the display
// asks this for nearly every position of a pair.
inline bool same_character(const DisplayLine& a, std::size_t x, const DisplayLine& b, std::size_t y, bool fold) {
    std::uint32_t symbol_a = a.symbols[x], symbol_b = b.symbols[y];
    if (((symbol_a | symbol_b) & JOINED_CELL) != 0)
        return (symbol_a & symbol_b & JOINED_CELL) != 0 && same_joined_cells(a, x, b, y, fold);
    if (a.roles[x] == ROLE_FIRST) return symbol_a == symbol_b && a.symbols[x + 1] == b.symbols[y + 1];
    return symbol_a == symbol_b || (fold && symbol_a < 0x80 && symbol_b < 0x80 &&
                                    equal_ignoring_case(static_cast<unsigned char>(symbol_a),
                                                        static_cast<unsigned char>(symbol_b)));
}

// Writes the line's first `end` positions back into its text and ends the text
// there: a hidden character becomes as many blanks as it is wide, a hidden tab
// stays a tab, and a wide character with either half shown is shown whole (its
// mask entries become 1). The text never grows; under UTF-8 it may shrink.
void write_shown(DisplayLine& line, std::size_t end);

// The Shift-JIS part of write_shown: replaces every hidden byte of text by a
// blank, except tabs; a double-byte character with either byte shown is shown
// whole (its mask entries become 1).
void blank_hidden_bytes(char* text, LineMap& mask);

}  // namespace vesk
