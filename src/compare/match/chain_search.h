// The run search along the stretch chains (stretch_chains.h), for files of few
// distinct values: it gives exactly the run the resuming scan records (see
// matcher.h for the scan), by visiting only the scan's full matches (see the top
// of run_finder.cpp), found one after the other along the chain of the longest
// stretch that a full match must hold. On lines drawn from two values the next
// full match of a pattern of 16 lines lies some 65,000 lines on, one link away.
// It also tells a run from the run of the line before without a search, where
// the line's first lines occur once in the window (follow()).
// Index: the stored width of line numbers (see line_blocks.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "compare/match/run_table.h"
#include "compare/match/stretch_chains.h"

namespace vesk {

template <class Index>
class ChainSearch {
public:
    ChainSearch(const std::uint32_t* first, const std::uint32_t* second, const StretchChains<Index>& chains);
    ChainSearch(const ChainSearch&) = delete;
    ChainSearch& operator=(const ChainSearch&) = delete;

    // The run the scan records for `line`, reaching at most to end1 in the first
    // file and lying in [lo2, hi2) of the second, whose first candidate (the
    // first second-file line from lo2 on with the line's fingerprint) is
    // `first` < hi2; none once the search has cost `allowance` (counted down):
    // places visited and lines compared, a link or eight lines each.
    std::optional<FoundRun> find(std::int64_t line, std::int64_t end1, std::int64_t hi2, std::int64_t first,
                                 std::int64_t& allowance) const;

    // The run the scan records for `line` when the line before it, in the same
    // window, has the run `before`; length 0 when that does not tell it.
    FoundRun follow(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2, FoundRun before);

private:
    struct Walk;
    // The places [start, end) before a followed run's place `end` from which a
    // run could reach past it; every such run is at most `longest` lines.
    struct Zone {
        std::int64_t start, end, longest;
    };

    std::int64_t next_full_match(std::int64_t line, std::int64_t length, std::int64_t resume, std::int64_t hi2,
                                 std::int64_t anchor, Walk& walk, std::int64_t& allowance) const;
    std::int64_t next_short_match(std::int64_t line, std::int64_t length, std::int64_t resume, std::int64_t hi2,
                                  std::int64_t& allowance) const;
    bool holds(std::int64_t line, std::int64_t at2, std::int64_t length, std::int64_t& allowance) const;
    std::int64_t shared(std::int64_t line, std::int64_t at2, std::int64_t limit) const;
    bool best_reaches(std::int64_t line, std::int64_t lo2, const Zone& zone, std::int64_t wanted) const;

    std::int64_t longest_reaching(std::int64_t line, std::int64_t end1, const Zone& zone);
    std::uint32_t periods_around(std::int64_t line);

    const std::uint32_t* fp1_;
    const std::uint32_t* fp2_;
    const StretchChains<Index>& chains_;
    // For a pattern of each length up to the longest level's, the longest level
    // made no longer (-1: none); longer patterns walk the longest level.
    std::array<int, StretchChains<Index>::LENGTHS.back() + 1> level_for_{};
    // For each s below 32, how many first-file lines x up to `line` in a row have
    // the line s on equal to them (see periods_around()).
    struct Periods {
        std::int64_t line = -2;
        std::array<std::uint8_t, 32> counts{};
    };
    Periods periods_;
};

extern template class ChainSearch<std::int32_t>;
extern template class ChainSearch<std::int64_t>;

}  // namespace vesk
