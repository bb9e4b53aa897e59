// The settings of the run search that change how it works, never what it finds.
// The program uses the defaults; tests vary them to reach every path on small
// inputs, where the defaults would take only the cheapest.
#pragma once

#include <cstdint>
#include <limits>

namespace vesk {

// Whether the matcher's own indexes may store their values in 32 bits for files
// of count1 and count2 lines. Every value they hold is a line number, a line
// count, a block or group position, or a place in both files laid end to end
// with two more lines (the suffix index's text), so the largest is below
// count1 + count2 + 2. This is the one statement of the rule: every Index width
// is chosen by it.
constexpr bool fits_32_bit_index(std::int64_t count1, std::int64_t count2) {
    return count1 + count2 + 2 <= std::numeric_limits<std::int32_t>::max();
}

// How the search tells candidates apart by hashing stretches of lines. The
// program's way is after_near_misses: hashes are made once candidates that were no
// full match have cost as many lines as making them would. exact hashes from the
// first candidate on; all_equal makes every stretch hash alike, so that every
// candidate goes through the confirming comparison of its lines.
enum class StretchHashing { after_near_misses, exact, all_equal };

// The matcher's own indexes store line numbers in 32 bits where
// fits_32_bit_index() allows (fitting), else in 64; wide forces 64.
enum class IndexWidth { fitting, wide };

// When a search turns to the suffix index (suffix_index.h). The program's way is
// when_candidates_swarm: a search that tests many candidates goes on there, once
// such searches have cost about what making the index costs; in a narrow window
// it scans the window line by line instead. always sends every search there from
// the first line on; always_through_index also narrow windows', and has the
// index find the places nearest a line's own without looking beside it first
// (it answers those as well, only slower); never leaves the index out.
enum class SuffixSearching { when_candidates_swarm, always, always_through_index, never };

// When searches go along the stretch chains (stretch_chains.h). The program's
// way is when_candidates_swarm: the chains are made at the first search that
// would hand over to the suffix index, and from then on every search goes along
// them first, until too many of them cost their allowance. from_first_search
// makes them for the first search and gives each search an allowance small
// enough to run out on small files; never leaves them out.
enum class StretchChaining { when_candidates_swarm, from_first_search, never };

struct MatcherTuning {
    StretchHashing hashing = StretchHashing::after_near_misses;
    IndexWidth width = IndexWidth::fitting;
    SuffixSearching suffixes = SuffixSearching::when_candidates_swarm;
    StretchChaining chaining = StretchChaining::when_candidates_swarm;
    // Files of this many lines together and more share the work with a second
    // thread, where the machine runs two at once: the first file's groups are
    // looked up in two halves, the suffix index is begun ahead of the first
    // handover (see RunFinder::begin_index_ahead()), and the matcher's first
    // pass and its walk of the windows are shared with a helper (matcher.cpp).
    // 0 has files of any size do so, on any machine, begin the index at the
    // first search that swarms and offer the helper every part (tests).
    std::int64_t beside_from_lines = std::int64_t{1} << 20;
};

}  // namespace vesk
