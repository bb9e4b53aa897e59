// Which encoding a file given as `auto` is in, from its first bytes: a
// byte-order mark decides; else a NUL byte, which no text in a byte encoding
// holds, means UTF-16, in the byte order that puts the NULs where the high
// bytes of ASCII characters stand and reads as the more plausible text; else
// valid UTF-8 is UTF-8 (so is ASCII, the same in every encoding); else the
// candidate that decodes with the fewest invalid sequences (UTF-16 only when
// no line feed byte is seen either), and among those the one that reads as
// the most plausible Japanese: kana and Japanese punctuation count most;
// kanji, full-width forms and ASCII letters, digits and signs less; half-width
// katakana, control characters and anything outside Japanese text against
// it. Ties go to CP932, then EUC-JP, UTF-8 and UTF-16.
#pragma once

#include <cstddef>
#include <string_view>

#include "model/input_encoding.h"

namespace vesk {

// The choice reads no more than this much of a file: enough for any text, and
// a bounded cost for a large one.
constexpr std::size_t DETECTION_SAMPLE_BYTES = std::size_t{256} << 10;

// The encoding that bytes (a whole file) are decoded from under `requested`:
// cp932, euc_jp, utf8, utf16le or utf16be. utf16 takes its byte order from the
// byte-order mark (little-endian without one); detect chooses as above.
InputEncoding resolve_encoding(std::string_view bytes, InputEncoding requested);

// The plausibility of UTF-8 text as Japanese, as the choice above weighs it.
long japanese_plausibility(std::string_view text);

}  // namespace vesk
