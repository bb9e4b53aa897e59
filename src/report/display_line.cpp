#include "report/display_line.h"

#include <algorithm>
#include <cstring>

#include "report/utf8_chars.h"
#include "support/byte_rules.h"

namespace vesk {
namespace {

constexpr std::uint8_t SHOWN = 1;
constexpr std::uint8_t HIDDEN = 0;

void read_shift_jis(DisplayLine& line) {
    line.length = std::strlen(line.text);
    mark_double_bytes(line.text, line.roles);
    classify_bytes(line.text, line.classes);
    for (std::size_t p = 0; p < line.length; ++p) line.symbols[p] = static_cast<unsigned char>(line.text[p]);
}

// Opens a cell for the character at byte `at`, whose class is char_class.
void open_cell(DisplayLine& line, std::size_t at, Utf8Char character, std::uint8_t width, std::uint8_t char_class) {
    std::size_t cell = line.length;
    // The second cell of the wide character before holds none of the bytes.
    if (cell > 0 && line.roles[cell - 1] == ROLE_SECOND) line.starts[cell - 1] = static_cast<std::uint16_t>(at);
    line.starts[cell] = static_cast<std::uint16_t>(at);
    line.symbols[cell] = character.code;
    line.classes[cell] = char_class;
    if (width < 2) {
        line.roles[cell] = ROLE_SINGLE;
        line.length = cell + 1;
        return;
    }
    line.roles[cell] = ROLE_FIRST;
    line.roles[cell + 1] = ROLE_SECOND;
    line.symbols[cell + 1] = character.code;
    line.classes[cell + 1] = char_class;
    line.length = cell + 2;
}

// A character of no width joins the cell before it (both cells of a wide one).
void join_last_cell(DisplayLine& line) {
    std::size_t last = line.length - 1;
    line.symbols[last] |= JOINED_CELL;
    if (line.roles[last] == ROLE_SECOND) line.symbols[last - 1] |= JOINED_CELL;
}

void read_utf8(DisplayLine& line) {
    LineMap byte_classes;
    classify_utf8(line.text, byte_classes);
    std::size_t at = 0;
    while (line.text[at] != '\0') {
        Utf8Char character = decode_utf8(line.text + at);
        std::uint8_t width = utf8_width(character.code);
        if (width == 0 && line.length > 0)
            join_last_cell(line);
        else
            open_cell(line, at, character, width, byte_classes[at]);
        at += character.length;
    }
    if (line.length > 0 && line.roles[line.length - 1] == ROLE_SECOND)
        line.starts[line.length - 1] = static_cast<std::uint16_t>(at);
    line.starts[line.length] = static_cast<std::uint16_t>(at);
}

// The bytes of cell p go to `out` (at or before them: a text never grows).
void copy_cell(DisplayLine& line, std::size_t p, std::size_t& out) {
    std::size_t from = line.starts[p], length = line.starts[p + 1] - from;
    std::memmove(line.text + out, line.text + from, length);
    out += length;
}

void write_blanks(char* text, std::size_t count, std::size_t& out) {
    std::memset(text + out, ' ', count);
    out += count;
}

void write_utf8_cells(DisplayLine& line, std::size_t end) {
    std::size_t out = 0;
    for (std::size_t p = 0; p < end; ++p) {
        const char* bytes = line.text + line.starts[p];
        if (line.roles[p] == ROLE_FIRST) {
            if (line.mask[p] == HIDDEN && line.mask[p + 1] == HIDDEN) {
                write_blanks(line.text, 2, out);
            } else {
                line.mask[p] = line.mask[p + 1] = SHOWN;
                copy_cell(line, p, out);
            }
            ++p;  // its second cell holds no bytes
        } else if (line.mask[p] == SHOWN) {
            copy_cell(line, p, out);
        } else if (*bytes == '\t') {
            line.text[out++] = '\t';
        } else {
            // 1 column, or 0 for a character of no width that starts the line.
            write_blanks(line.text, utf8_width(decode_utf8(bytes).code), out);
        }
    }
    line.text[out] = '\0';
}

}  // namespace

DisplayLine::DisplayLine(char* line_text, bool is_utf8) : text(line_text), utf8(is_utf8) {
    if (utf8)
        read_utf8(*this);
    else
        read_shift_jis(*this);
    symbols[length] = 0;
}

bool same_joined_cells(const DisplayLine& a, std::size_t x, const DisplayLine& b, std::size_t y, bool fold) {
    std::size_t length = a.starts[x + 1] - a.starts[x];
    if (length != static_cast<std::size_t>(b.starts[y + 1] - b.starts[y])) return false;
    const char* from_a = a.text + a.starts[x];
    const char* from_b = b.text + b.starts[y];
    for (std::size_t at = 0; at < length; ++at)
        if (from_a[at] != from_b[at] && !(fold && equal_ignoring_case(from_a[at], from_b[at]))) return false;
    return true;
}

void blank_hidden_bytes(char* text, LineMap& mask) {
    std::size_t position = 0;
    while (text[position] != '\0') {
        if (starts_double_byte(text, position)) {
            if (mask[position] == HIDDEN && mask[position + 1] == HIDDEN) {
                text[position] = text[position + 1] = ' ';  // two blanks keep its display width
            } else {
                mask[position] = mask[position + 1] = SHOWN;
            }
            position += 2;
        } else {
            // A hidden tab stays a tab so that shown parts keep their columns.
            if (mask[position] == HIDDEN && text[position] != '\t') text[position] = ' ';
            ++position;
        }
    }
}

void write_shown(DisplayLine& line, std::size_t end) {
    if (line.utf8) {
        write_utf8_cells(line, end);
    } else {
        line.text[end] = '\0';
        blank_hidden_bytes(line.text, line.mask);
    }
}

}  // namespace vesk
