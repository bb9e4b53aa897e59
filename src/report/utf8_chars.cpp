#include "report/utf8_chars.h"

#include <algorithm>

namespace vesk {

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
