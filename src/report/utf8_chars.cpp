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
constexpr char32_t kDirectCodes = 0x10000;

constexpr std::uint8_t packed(const Utf8Range& range) {
    return static_cast<std::uint8_t>(range.width << 4 | range.char_class);
}

constexpr auto kDirectEntries = [] {
    std::array<std::uint8_t, kDirectCodes> entries{};
    std::size_t range = 0;
    for (char32_t code = 0; code < kDirectCodes; ++code) {
        if (kUtf8Ranges[range + 1].first == code) ++range;
        entries[code] = packed(kUtf8Ranges[range]);
    }
    return entries;
}();

// The first range beyond the directly looked up codes.
constexpr std::size_t kFirstSearchedRange = [] {
    std::size_t range = 0;
    while (kUtf8Ranges[range].first < kDirectCodes) ++range;
    return range;
}();
static_assert(kUtf8Ranges[kFirstSearchedRange].first == kDirectCodes, "a range starts where the plane ends");

std::uint8_t entry_of(char32_t code) {
    if (code < kDirectCodes) return kDirectEntries[code];
    // The last range that starts at or before code.
    const Utf8Range* after = std::upper_bound(
        kUtf8Ranges + kFirstSearchedRange + 1, std::end(kUtf8Ranges), code,
        [](char32_t wanted, const Utf8Range& range) { return wanted < range.first; });
    return packed(after[-1]);
}

// The length of a well-formed sequence by its first byte, and the bounds of its
// second byte, which rule out overlong forms (after 0xE0 and 0xF0), surrogates
// (after 0xED) and codes beyond U+10FFFF (after 0xF4). Length 1: no sequence
// starts with this byte.
struct SequenceStart {
    std::size_t length;
    unsigned char second_low, second_high;
};

constexpr SequenceStart sequence_start(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {1, 0, 0};
}

// Reads the bytes in order and stops at the first that does not fit, so with
// available at 4 it never passes a NUL: a NUL is no continuation byte.
Utf8Char decode(const unsigned char* bytes, std::size_t available) {
    unsigned char lead = bytes[0];
    if (lead < 0x80) return {lead, 1};
    const Utf8Char stray{kStrayByteBase + lead, 1};
    SequenceStart start = sequence_start(lead);
    if (start.length == 1 || available < start.length) return stray;
    if (bytes[1] < start.second_low || bytes[1] > start.second_high) return stray;
    // The lead keeps 5, 4 or 3 bits of the code; every later byte 6.
    char32_t code = lead & (0x7Fu >> start.length);
    for (std::size_t at = 1; at < start.length; ++at) {
        if ((bytes[at] & 0xC0) != 0x80) return stray;
        code = code << 6 | (bytes[at] & 0x3Fu);
    }
    return {code, start.length};
}

}  // namespace

Utf8Char decode_utf8(const char* text) {
    return decode(reinterpret_cast<const unsigned char*>(text), 4);
}

Utf8Char decode_utf8(std::string_view text) {
    return decode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

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
