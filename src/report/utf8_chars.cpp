#include "report/utf8_chars.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace vesk {
namespace {

// A run of code points with the same class and width, up to the next range.
struct Utf8Range {
    char32_t first;
    std::uint8_t char_class;
    std::uint8_t width;
};

#include "report/utf8_char_table.inc"

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

std::uint8_t utf8_class(char32_t code) {
    return entry_of(code) & 0x0F;
}

std::uint8_t utf8_width(char32_t code) {
    return entry_of(code) >> 4;
}

void classify_utf8(const char* text, LineMap& classes) {
    std::uint8_t previous = CLASS_SYMBOL;  // what a joining character at the start joins
    std::size_t position = 0;
    while (text[position] != '\0') {
        Utf8Char character = decode_utf8(text + position);
        std::uint8_t char_class = utf8_class(character.code);
        if (char_class == CLASS_JOINING) char_class = previous;
        std::fill_n(classes.begin() + static_cast<std::ptrdiff_t>(position), character.length, char_class);
        previous = char_class;
        position += character.length;
    }
}

}  // namespace vesk
