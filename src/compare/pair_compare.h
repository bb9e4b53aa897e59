// The second look at a matched pair: two lines match when their fingerprints
// agree, so the reports compare their texts once more before calling them equal.
// -i compares ASCII letters without case (the second byte of a double-byte
// character is never folded; under --utf8 there is none); -b lets any run of blanks
// and tabs match any other and ignores blanks at the end of a line. A line with
// its newline always differs from the same line without it.
#pragma once

#include <cstdint>

#include "model/line_table.h"
#include "model/text_rules.h"

namespace vesk {

// A stored line's text (through its first newline, or up to a NUL) and how -i
// reads its first byte.
struct LineText {
    LineText(const char* line_text, FirstByte line_first_byte = FirstByte::own)
        : text(line_text), first_byte(line_first_byte) {}

    const char* text;
    FirstByte first_byte;
};

// True when the line texts differ under the text rules. Neither text is changed.
bool lines_differ(LineText first, LineText second, TextRules rules);

}  // namespace vesk
