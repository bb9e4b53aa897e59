// The character class of every character, in Shift-JIS (code page 932) and in
// UTF-8 (--utf8), and the width of a UTF-8 character in terminal columns: what
// splits a line into words, for the in-line display and for the changed words
// of a coloured report alike. A word is a maximal run of characters of one
// class; there is no dictionary. Only equality of classes matters.
//
// UTF-8: a stray byte is of the half-width class and one column, as a lone high
// byte is in Shift-JIS. A character that code page 932 encodes has the class of
// its Shift-JIS bytes and is as wide as they are long, so Japanese text splits
// into the same words and lines up as it does in Shift-JIS. Others: letters take
// the class of their script (Latin letters are word characters like ASCII ones,
// so "café" is one word; Han is kanji, Hiragana hiragana, every other script is
// letters like katakana, Greek and Cyrillic), punctuation, symbols and
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

#include "support/text_encoding.h"

namespace vesk {

constexpr std::uint8_t CLASS_BLANK = 0;      // control bytes, tab, newline, space
constexpr std::uint8_t CLASS_PUNCT = 1;      // ASCII punctuation
constexpr std::uint8_t CLASS_WORD = 2;       // ASCII letters, digits, '.', '_'
constexpr std::uint8_t CLASS_HALFWIDTH = 3;  // 0x80-0xFF as single bytes
constexpr std::uint8_t CLASS_SYMBOL = 4;     // full-width punctuation and symbols
constexpr std::uint8_t CLASS_LETTER = 5;     // full-width Latin, katakana, Greek, Cyrillic
constexpr std::uint8_t CLASS_HIRAGANA = 6;
constexpr std::uint8_t CLASS_KANJI = 8;      // and every code no other block covers
// The UTF-8 table's class for combining marks and format characters: such a
// character takes the class of the character before it, and a symbol's at the
// start of a text. It never reaches a class map.
constexpr std::uint8_t CLASS_JOINING = 9;

// The class of a byte that is a character of its own in Shift-JIS text.
std::uint8_t sjis_single_byte_class(unsigned char byte);
// The class of a double-byte character, code = first byte * 256 + second byte.
std::uint8_t sjis_double_byte_class(unsigned code);

// The class of a decoded UTF-8 character, CLASS_JOINING included.
std::uint8_t utf8_class(char32_t code);
// The width of a decoded UTF-8 character in terminal columns: 0, 1 or 2.
std::uint8_t utf8_width(char32_t code);

// One character of a text and its class. In Shift-JIS a lead byte 0x81-0x9F or
// 0xE0-0xFC with a byte after it is a double-byte character; in UTF-8 a joining
// character is reported with CLASS_JOINING, for the caller to join.
struct ClassedChar {
    std::size_t length;
    std::uint8_t char_class;
};
ClassedChar classed_char(std::string_view text, Encoding encoding);

}  // namespace vesk
