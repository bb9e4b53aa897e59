// The class map of a line of UTF-8 text (--utf8), as word widening reads it;
// support/char_class.h gives the class and the width of each character.
#pragma once

#include <cstdint>

#include "report/char_classes.h"
#include "support/char_class.h"
#include "support/text_encoding.h"

namespace vesk {

// Fills classes with the class of every byte of the UTF-8 text: every byte of a
// character carries its class, joining characters that of the one before them.
void classify_utf8(const char* text, LineMap& classes);

}  // namespace vesk
