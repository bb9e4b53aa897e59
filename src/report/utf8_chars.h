// The characters of UTF-8 text (--utf8): where each one starts and ends, its
// class for word widening and its width in terminal columns.
// A well-formed UTF-8 sequence (shortest form, no surrogate, at most U+10FFFF)
// is one character of 1 to 4 bytes; every other byte is a character of its own,
// a stray byte, of the half-width class and one column, as a lone high byte is
// in Shift-JIS. A character that Shift-JIS (code page 932) encodes has the class
// of its Shift-JIS bytes and is as wide as they are long, so Japanese text splits
// into the same words and lines up as it does in Shift-JIS. For the others:
// letters take the class of their script (Latin letters are word characters like
// ASCII ones, so "café" is one word; Han is kanji, Hiragana hiragana, every other
// script is letters like katakana, Greek and Cyrillic), punctuation, symbols and
// unassigned codes are symbols (kanji where ideographs will go), controls and
// spaces are blanks, and they are 2 columns when East Asian Wide or Fullwidth,
// else 1. Combining marks and invisible format characters belong to the
// character before them: they take its class, and those that a terminal draws
// on another character take no column. tools/gen-utf8-tables, which writes the
// table, gives every rule in full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "report/char_classes.h"

namespace vesk {

// The table's class for combining marks and format characters: such a character
// takes the class of the character before it, and a symbol's at the start of a
// text. It never reaches a class map.
constexpr std::uint8_t CLASS_JOINING = 9;

// A stray byte b decodes as U+DC00 + b: a surrogate, which no well-formed
// sequence decodes to, so the code still tells the byte and looks up like one.
constexpr char32_t kStrayByteBase = 0xDC00;

struct Utf8Char {
    char32_t code;        // the code point, or kStrayByteBase + the stray byte
    std::size_t length;   // in bytes, 1 to 4
};

// The character that starts text, reading no further than the text's NUL (a NUL
// there is the character U+0000).
Utf8Char decode_utf8(const char* text);

// The character that starts text, which is not empty, reading no further than
// its end: a sequence that the end cuts short is a stray byte.
Utf8Char decode_utf8(std::string_view text);

// The class of a decoded character, CLASS_JOINING included.
std::uint8_t utf8_class(char32_t code);

// The width of a decoded character in terminal columns: 0, 1 or 2.
std::uint8_t utf8_width(char32_t code);

// Fills classes with the class of every byte of the UTF-8 text: every byte of a
// character carries its class, joining characters that of the one before them.
void classify_utf8(const char* text, LineMap& classes);

}  // namespace vesk
