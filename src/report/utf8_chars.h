// The characters of UTF-8 text (--utf8): their class for word widening and their
// width in terminal columns (text_encoding.h finds where each one starts and
// ends). A stray byte is of the half-width class and one column, as a lone high
// byte is in Shift-JIS. A character that Shift-JIS (code page 932) encodes has
// the class of its Shift-JIS bytes and is as wide as they are long, so Japanese
// text splits into the same words and lines up as it does in Shift-JIS. Others:
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

#include <cstdint>

#include "report/char_classes.h"
#include "support/text_encoding.h"

namespace vesk {

// The table's class for combining marks and format characters: such a character
// takes the class of the character before it, and a symbol's at the start of a
// text. It never reaches a class map.
constexpr std::uint8_t CLASS_JOINING = 9;

// The class of a decoded character, CLASS_JOINING included.
std::uint8_t utf8_class(char32_t code);

// The width of a decoded character in terminal columns: 0, 1 or 2.
std::uint8_t utf8_width(char32_t code);

// Fills classes with the class of every byte of the UTF-8 text: every byte of a
// character carries its class, joining characters that of the one before them.
void classify_utf8(const char* text, LineMap& classes);

}  // namespace vesk
