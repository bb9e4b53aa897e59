#include "compare/pair_recheck.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "compare/pair_compare.h"

namespace vesk {
namespace {

// The last line of the run of matched pairs that starts at (at1, at2), as an
// offset from its start.
std::int64_t run_last(const LineTable& first, const LineTable& second, std::int64_t at1, std::int64_t at2) {
    std::int64_t last = 0;
    while (first.is_matched(at1 + last + 1) && second.is_matched(at2 + last + 1)) ++last;
    return last;
}

// Whether every pair of a run before its last holds the same text, as far as one
// comparison of the whole stretch of both mapped files can tell. Lines in place
// follow one another: the bytes up to the last pair's start are those of every
// pair before it, whole, so where they agree the newlines agree and so does
// every text. The same bytes are the same text under any option.
bool same_stretch(const LineTable& first, const LineTable& second, std::int64_t at1, std::int64_t at2,
                  std::int64_t last) {
    if (last == 0 || !first.in_place_through(at1 + last) || !second.in_place_through(at2 + last)) return false;
    const char* from1 = first.texts[at1];
    const char* from2 = second.texts[at2];
    std::ptrdiff_t span = first.texts[at1 + last] - from1;
    return second.texts[at2 + last] - from2 == span && std::memcmp(from1, from2, static_cast<std::size_t>(span)) == 0;
}

// Rechecks the run of matched pairs that starts at (at1, at2) and moves both on
// past it; returns whether a pair differed.
bool recheck_run(LineTable& first, LineTable& second, TextRules rules, std::uint8_t differing_mark,
                 std::int64_t& at1, std::int64_t& at2) {
    const std::int64_t last = run_last(first, second, at1, at2);
    const std::int64_t end1 = at1 + last + 1;
    if (same_stretch(first, second, at1, at2, last)) {
        at2 += last;
        at1 += last;
    }
    bool differs = false;
    for (; at1 < end1; ++at1, ++at2) {
        // The texts lie ahead in file order; ask for them early.
        __builtin_prefetch(first.texts[at1] + 1024);
        __builtin_prefetch(second.texts[at2] + 1024);
        if (!lines_differ({first.texts[at1], first.first_byte(at1)}, {second.texts[at2], second.first_byte(at2)}, rules))
            continue;
        first.marks[at1] = second.marks[at2] = differing_mark;
        differs = true;
    }
    return differs;
}

}  // namespace

bool recheck_matched_pairs(LineTable& first, LineTable& second, TextRules rules, std::uint8_t differing_mark,
                           Diagnostics& diagnostics) {
    confirm_equal_matched_counts(first, second, diagnostics);
    const std::int64_t matched = first.matched_count();
    bool differs = matched != first.count || matched != second.count;
    std::int64_t at1 = 0, at2 = 0;
    // Equally many matched lines: the walk reaches the ends of both files together.
    for (;;) {
        at1 = first.unmatched_end(at1);
        at2 = second.unmatched_end(at2);
        if (at1 == first.count || at2 == second.count) return differs;
        if (recheck_run(first, second, rules, differing_mark, at1, at2)) differs = true;
    }
}

}  // namespace vesk
