#include "report/char_classes.h"

#include <cstring>

namespace vesk {

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
            classes[position] = classes[position + 1] = sjis_double_byte_class(code);
            position += 2;
        } else {
            classes[position++] = sjis_single_byte_class(byte);
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
