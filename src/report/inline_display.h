// The in-line display of -x and -X: rewrites copies of the lines of a change so
// that each shows only where it differs from its partner line. Hidden bytes
// become blanks, hidden tabs stay tabs, shown bytes keep their columns, and a
// double-byte character is shown or hidden whole. Texts never grow. Under -i
// only the ASCII letters a-z/A-Z compare without case (never bytes 0x80 and up,
// never double-byte characters); under -b a blank run matches any blank run.
// Under --utf8 the same walks go over the column cells of UTF-8 text (see
// display_line.h): lengths, positions and the short-middle limit are counted in
// columns, and a hidden character leaves as many blanks as it is wide.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "model/comparison.h"
#include "report/char_classes.h"
#include "report/display_line.h"
#include "support/memory.h"

namespace vesk {

// A replaced part longer than this on both sides (bytes, or columns under
// --utf8) is shown in word form instead: past that a replacement no longer reads
// as a short edit.
constexpr int SHORT_MIDDLE_LIMIT = 40;

// What the copies of one change's lines take: their bytes, NUL-terminated, and
// their pairs.
struct InlineRoom {
    std::size_t bytes = 0;
    std::size_t pairs = 0;

    // Grows to hold other as well as what it holds.
    void cover(InlineRoom other) {
        bytes = std::max(bytes, other.bytes);
        pairs = std::max(pairs, other.pairs);
    }
};

// The room the pairs first1 + t / first2 + t (t < count) take.
InlineRoom room_for_pairs(const Comparison& comparison, std::int64_t count, std::int64_t first1, std::int64_t first2);

// The lines of one change as the display shows them: a copy of each text,
// rewritten, NUL-terminated, and for each pair whether it is in replacement form.
class InlineLines {
public:
    // Takes room for every change to come, before the report prints a line: a
    // shortage of memory then ends the run before any report, never inside one.
    void reserve(InlineRoom room);
    // Copies the pairs first1 + t / first2 + t (t < count) out of the tables.
    void copy(const Comparison& comparison, std::int64_t count, std::int64_t first1, std::int64_t first2);

    std::int64_t pairs() const { return static_cast<std::int64_t>(replaced_.size()); }
    char* first_text(std::int64_t pair) { return bytes_.data() + starts_[static_cast<std::size_t>(2 * pair)]; }
    char* second_text(std::int64_t pair) { return bytes_.data() + starts_[static_cast<std::size_t>(2 * pair + 1)]; }
    bool replaced(std::int64_t pair) const { return replaced_[static_cast<std::size_t>(pair)] != 0; }
    void set_replaced(std::int64_t pair) { replaced_[static_cast<std::size_t>(pair)] = 1; }

private:
    WorkVector<char> bytes_;
    WorkVector<std::size_t> starts_;  // pair t: its first file's text at 2t, its second's at 2t + 1
    WorkVector<std::uint8_t> replaced_;
};

// Shows the pairs first1 + t / first2 + t (t < count) in word form, into shown.
void show_inline_words(const Comparison& comparison, std::int64_t count, std::int64_t first1, std::int64_t first2,
                       InlineLines& shown);
// The same pairs, each in replacement form where it applies, else in word form.
void show_inline_replacement(const Comparison& comparison, std::int64_t count, std::int64_t first1,
                             std::int64_t first2, InlineLines& shown);

// One pair, line a of file 1 against line b of file 2, under the text rules.
// A text longer than a stored line can be (LINE_MAP_SIZE - 1 bytes) is left as it is.
// Under --utf8 a text may come out shorter than it was.
void show_pair_in_words(char* a, char* b, TextRules rules);
// Returns true when the pair was shown in replacement form (and cut short).
bool show_pair_replaced(char* a, char* b, TextRules rules);

// The units of the positions [start, start + length) of line: a single blank
// run counts once, every other position once (both halves of a wide character).
std::int64_t count_blank_units(const DisplayLine& line, std::size_t start, std::size_t length);

}  // namespace vesk
