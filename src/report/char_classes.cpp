#include "report/char_classes.h"

#include <cstring>

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

// The bounds are the block limits of code page 932, tested in this order.
std::uint8_t double_byte_class(unsigned code) {
    if (code < 0x8240) return CLASS_SYMBOL;    // punctuation, symbols, ideographic space
    if (code <= 0x829A) return CLASS_LETTER;   // full-width digits and Latin letters
    if (code <= 0x82F1) return CLASS_HIRAGANA;
    if (code <= 0x8491) return CLASS_LETTER;   // katakana, Greek, Cyrillic
    if (code >= 0x849F && code <= 0x879C) return CLASS_SYMBOL;  // box drawing, circled numbers
    if (code >= 0xEEEF && code <= 0xFA5B) return CLASS_SYMBOL;  // extension symbols, user area
    return CLASS_KANJI;
}

}  // namespace

void mark_double_bytes(const char* text, LineMap& roles) {
    std::size_t position = 0;
    while (text[position] != '\0') {
        if (starts_double_byte(text, position)) {
            roles[position] = ROLE_FIRST;
            roles[position + 1] = ROLE_SECOND;
            position += 2;
        } else {
            roles[position++] = ROLE_SINGLE;
        }
    }
}

void classify_bytes(const char* text, LineMap& classes) {
    std::size_t position = 0;
    while (text[position] != '\0') {
        auto byte = static_cast<unsigned char>(text[position]);
        if (starts_double_byte(text, position)) {
            unsigned code = byte * 256u + static_cast<unsigned char>(text[position + 1]);
            classes[position] = classes[position + 1] = double_byte_class(code);
            position += 2;
        } else {
            classes[position++] = SINGLE_BYTE_CLASSES[byte];
        }
    }
}

void widen_to_words(const char* text, LineMap& mask) {
    LineMap classes;
    classify_bytes(text, classes);
    widen_to_words(classes, std::strlen(text), mask);
}

void widen_to_words(const LineMap& classes, std::size_t length, LineMap& mask) {
    // A backward widening never reaches below the byte at which the previous
    // forward widening stopped.
    std::size_t floor = 0;
    std::size_t position = 0;
    while (position < length) {
        if (mask[position] == 0) {
            ++position;
            continue;
        }
        std::uint8_t first_class = classes[position];
        if (first_class != CLASS_BLANK) {
            for (std::size_t before = position; before > floor && classes[before - 1] == first_class; --before)
                mask[before - 1] = 1;
        }
        while (position < length && mask[position] != 0) ++position;
        --position;  // the last byte of the stretch
        std::uint8_t last_class = classes[position];
        std::size_t end = position;
        if (last_class != CLASS_BLANK) {
            for (; end < length && classes[end] == last_class; ++end) mask[end] = 1;
        }
        if (end == length) return;
        // The byte that stopped the widening is not a stretch of its own.
        floor = end;
        position = end + 1;
    }
}

}  // namespace vesk
