// How many terminal columns a character takes, for every encoding: the one rule
// that the in-line display, tab expansion and the side-by-side cells count by.
// Shift-JIS: a column per byte, so a double-byte character (a lead byte 0x81-0x9F
// or 0xE0-0xFC and a trail byte 0x40-0x7E or 0x80-0xFC) takes two and a
// half-width katakana one; a lead byte without a trail byte after it is a
// character of one byte. UTF-8: each character its width from utf8_chars.h.
#pragma once

#include <cstddef>
#include <string_view>

#include "support/text_encoding.h"

namespace vesk {

struct PrintedChar {
    std::size_t length;  // in bytes
    std::size_t width;   // in columns: 0, 1 or 2
};

// The character that starts text, which is not empty.
PrintedChar printed_char(std::string_view text, Encoding encoding);

}  // namespace vesk
