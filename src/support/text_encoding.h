// How the bytes of a text make characters. By default as Shift-JIS (code page
// 932): each unit that needs double-byte characters names its own lead bytes
// (byte_rules.h). Under --utf8 as UTF-8: a well-formed sequence (shortest form,
// no surrogate, at most U+10FFFF) is one character of 1 to 4 bytes, and every
// other byte is a character of its own, a stray byte. No byte below 0x80 is ever
// part of a longer UTF-8 character, so an ASCII byte is always itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vesk {

enum class Encoding : std::uint8_t { shift_jis, utf8 };

// A stray byte b decodes as U+DC00 + b: a surrogate, which no well-formed
// sequence decodes to, so the code still tells the byte and looks up like one.
constexpr char32_t STRAY_BYTE_BASE = 0xDC00;

struct Utf8Char {
    char32_t code;        // the code point, or STRAY_BYTE_BASE + the stray byte
    std::size_t length;   // in bytes, 1 to 4
};

// The character that starts text, reading no further than the text's NUL (a NUL
// there is the character U+0000).
Utf8Char decode_utf8(const char* text);

// The character that starts text, which is not empty, reading no further than
// its end: a sequence that the end cuts short is a stray byte.
Utf8Char decode_utf8(std::string_view text);

// The length in bytes of the character that starts text (not at its NUL): under
// Shift-JIS a lead byte 0x81-0x9F or 0xE0-0xFC and the byte after it, unless that
// is the NUL; under UTF-8 a well-formed sequence.
std::size_t char_length(const char* text, Encoding encoding);

}  // namespace vesk
