// Which bytes of a line belong together: the Shift-JIS double-byte characters,
// the character class of every byte, and the widening of shown stretches to
// whole words. A lead byte is 0x81-0x9F or 0xE0-0xFC followed by any byte but
// the terminating NUL; a lead byte that ends the text is a single byte. A word
// is a maximal run of characters of one class; there is no dictionary.
// Every function reads only up to the text's NUL and writes only the entries of
// its bytes; texts hold at most LINE_MAP_SIZE - 1 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "support/byte_rules.h"
#include "support/char_class.h"

namespace vesk {

// A stored line holds at most 4095 bytes, so one entry per byte always fits.
constexpr std::size_t LINE_MAP_SIZE = 4096;
// One byte of information per byte of a line: roles, classes or a shown mask.
using LineMap = std::array<std::uint8_t, LINE_MAP_SIZE>;

// Byte roles.
constexpr std::uint8_t ROLE_SINGLE = 0;
constexpr std::uint8_t ROLE_FIRST = 1;
constexpr std::uint8_t ROLE_SECOND = 2;

// True when the character at text[position] is a double-byte one.
inline bool starts_double_byte(const char* text, std::size_t position) {
    return is_sjis_lead_byte(static_cast<unsigned char>(text[position])) && text[position + 1] != '\0';
}

// Fills roles with ROLE_* for every byte of text, scanning from its start.
void mark_double_bytes(const char* text, LineMap& roles);

// Fills classes with CLASS_* for every byte of text; both bytes of a
// double-byte character carry its class.
void classify_bytes(const char* text, LineMap& classes);

// Grows every shown stretch of mask (1 shown, 0 hidden) to whole words of text:
// backwards by the class of its first byte, forwards by the class of its last.
// Only ever turns 0 into 1.
void widen_to_words(const char* text, LineMap& mask);
// The same over `length` positions whose classes are given (the in-line display
// of UTF-8 text widens column cells, not bytes).
void widen_to_words(const LineMap& classes, std::size_t length, LineMap& mask);

}  // namespace vesk
