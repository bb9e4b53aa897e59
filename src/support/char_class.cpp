#include "support/char_class.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "support/byte_rules.h"

namespace vesk {
namespace {

constexpr std::uint8_t single_byte_class(unsigned char byte) {
    if (byte <= 0x20) return CLASS_BLANK;
    if (byte >= 0x80) return CLASS_HALFWIDTH;
    bool letter = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
    bool digit = byte >= '0' && byte <= '9';
    // Full stop and low line join words so that file names, decimal numbers and
    // identifiers stay whole.
    if (letter || digit || byte == '.' || byte == '_') return CLASS_WORD;
    return CLASS_PUNCT;
}

// Looked up rather than tested: the classes are read for every byte of a line.
constexpr std::array<std::uint8_t, 256> SINGLE_BYTE_CLASSES = [] {
    std::array<std::uint8_t, 256> classes{};
    for (unsigned byte = 0; byte < 256; ++byte) classes[byte] = single_byte_class(static_cast<unsigned char>(byte));
    return classes;
}();

// A run of code points with the same class and width, up to the next range.
struct Utf8Range {
    char32_t first;
    std::uint8_t char_class;
    std::uint8_t width;
};

#include "support/utf8_char_table.inc"

// The Basic Multilingual Plane, where nearly all text lives, is looked up
// directly: one byte per code point, width << 4 | class, built from the ranges
// while compiling. Beyond it the ranges are searched.
constexpr char32_t DIRECT_CODES = 0x10000;

constexpr std::uint8_t packed(const Utf8Range& range) {
    return static_cast<std::uint8_t>(range.width << 4 | range.char_class);
}

constexpr auto DIRECT_ENTRIES = [] {
    std::array<std::uint8_t, DIRECT_CODES> entries{};
    std::size_t range = 0;
    for (char32_t code = 0; code < DIRECT_CODES; ++code) {
        if (UTF8_RANGES[range + 1].first == code) ++range;
        entries[code] = packed(UTF8_RANGES[range]);
    }
    return entries;
}();

// The first range beyond the directly looked up codes.
constexpr std::size_t FIRST_SEARCHED_RANGE = [] {
    std::size_t range = 0;
    while (UTF8_RANGES[range].first < DIRECT_CODES) ++range;
    return range;
}();
static_assert(UTF8_RANGES[FIRST_SEARCHED_RANGE].first == DIRECT_CODES, "a range starts where the plane ends");

std::uint8_t entry_of(char32_t code) {
    if (code < DIRECT_CODES) return DIRECT_ENTRIES[code];
    // The last range that starts at or before code.
    const Utf8Range* after = std::upper_bound(
        UTF8_RANGES + FIRST_SEARCHED_RANGE + 1, std::end(UTF8_RANGES), code,
        [](char32_t wanted, const Utf8Range& range) { return wanted < range.first; });
    return packed(after[-1]);
}

}  // namespace

std::uint8_t sjis_single_byte_class(unsigned char byte) {
    return SINGLE_BYTE_CLASSES[byte];
}

// The bounds are the block limits of code page 932, tested in this order.
std::uint8_t sjis_double_byte_class(unsigned code) {
    if (code < 0x8240) return CLASS_SYMBOL;    // punctuation, symbols, ideographic space
    if (code <= 0x829A) return CLASS_LETTER;   // full-width digits and Latin letters
    if (code <= 0x82F1) return CLASS_HIRAGANA;
    if (code <= 0x8491) return CLASS_LETTER;   // katakana, Greek, Cyrillic
    if (code >= 0x849F && code <= 0x879C) return CLASS_SYMBOL;  // box drawing, circled numbers
    if (code >= 0xEEEF && code <= 0xFA5B) return CLASS_SYMBOL;  // extension symbols, user area
    return CLASS_KANJI;
}

std::uint8_t utf8_class(char32_t code) {
    return entry_of(code) & 0x0F;
}

std::uint8_t utf8_width(char32_t code) {
    return entry_of(code) >> 4;
}

ClassedChar classed_char(std::string_view text, Encoding encoding) {
    const auto first = static_cast<unsigned char>(text[0]);
    if (encoding == Encoding::utf8) {
        if (first < 0x80) return {1, SINGLE_BYTE_CLASSES[first]};
        Utf8Char character = decode_utf8(text);
        return {character.length, utf8_class(character.code)};
    }
    if (is_sjis_lead_byte(first) && text.size() > 1 && text[1] != '\0')
        return {2, sjis_double_byte_class(first * 256u + static_cast<unsigned char>(text[1]))};
    return {1, SINGLE_BYTE_CLASSES[first]};
}

}  // namespace vesk
