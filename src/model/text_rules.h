// How line texts compare and what their bytes mean: the rules that -i, -b and
// --utf8 set, read once from the options and passed to every unit that compares,
// fingerprints or splits a text into characters.
#pragma once

#include "support/text_encoding.h"

namespace vesk {

struct TextRules {
    bool fold_case = false;       // -i: ASCII letters compare without case
    bool squeeze_blanks = false;  // -b: a blank run matches any blank run; blanks at a line's end are ignored
    Encoding encoding = Encoding::shift_jis;  // --utf8: UTF-8 text, not Shift-JIS

    // Texts compare byte for byte.
    bool exact() const { return !fold_case && !squeeze_blanks; }
    bool utf8() const { return encoding == Encoding::utf8; }
};

}  // namespace vesk
