// The in-line display of -x and -X: rewrites the lines of a change in place so
// that each shows only where it differs from its partner line. Hidden bytes
// become blanks, hidden tabs stay tabs, shown bytes keep their columns, and a
// double-byte character is shown or hidden whole. Texts never grow. Under -i
// only the ASCII letters a-z/A-Z compare without case (never bytes 0x80 and up,
// never double-byte characters); under -b a blank run matches any blank run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver/comparison.h"
#include "report/char_classes.h"

namespace vesk {

// A replaced part longer than this on both sides is shown in word form instead:
// past that a replacement no longer reads as a short edit.
constexpr int SHORT_MIDDLE_LIMIT = 40;

// Shows the pairs first1 + t / first2 + t (t < count) in word form. Returns 0.
int show_inline_words(Comparison& run, std::int64_t count, std::int64_t first1, std::int64_t first2);
// The same pairs, each in replacement form where it applies (then both lines get
// KIND_REPLACED), else in word form. Returns 0.
int show_inline_replacement(Comparison& run, std::int64_t count, std::int64_t first1, std::int64_t first2);

// One pair, line a of file 1 against line b of file 2, under the option flags.
// A text longer than a stored line can be (kLineMapSize - 1 bytes) is left as it is.
void show_pair_in_words(char* a, char* b, std::uint32_t flags);
// Returns true when the pair was shown in replacement form (and cut short).
bool show_pair_replaced(char* a, char* b, std::uint32_t flags);

// The bytes are equal once a-z are read as A-Z; no other byte is folded.
bool equal_ignoring_case(unsigned char x, unsigned char y);
// The units of text[start, start + length): a single-byte blank run counts
// once, every other byte once (both bytes of a double-byte character count).
std::int64_t count_blank_units(const char* text, const LineMap& roles, std::size_t start, std::size_t length);
// Replaces every hidden byte of text by a blank, except tabs; a double-byte
// character with either byte shown is shown whole (its mask entries become 1).
void blank_hidden_bytes(char* text, LineMap& mask);

}  // namespace vesk
