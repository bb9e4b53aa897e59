// The run search through the suffix index, for lines whose fingerprint is so
// common in the window that visiting its places one by one would cost more than
// the file is long. It gives exactly the run the resuming scan records (see
// matcher.h for the scan); its cost depends on how the line's longest
// matches lie, not on how often the line occurs.
// Index: the stored width of positions (see suffix_index.h).
#pragma once

#include <cstdint>

#include "compare/match/run_measures.h"
#include "compare/match/run_table.h"
#include "compare/match/stretch_ends.h"
#include "compare/match/suffix_index.h"

namespace vesk {

// What the search knows of the files' blocks of equal lines.
template <class Index>
struct SearchBlocks {
    const Index* rest1;  // block_rests() of the first file
    StretchEnds<Index>* stretch_ends;
};

template <class Index>
class SuffixSearch {
public:
    // The fingerprints of both files and the index made over them; look_directly:
    // whether narrow windows are scanned line by line and the places nearest a
    // line's own are looked at one by one first (else the index answers all).
    SuffixSearch(const std::uint32_t* first, const std::uint32_t* second, const SuffixIndex<Index>& index,
                 SearchBlocks<Index> blocks, bool look_directly)
        : fp1_(first), fp2_(second), index_(index), blocks_(blocks), look_directly_(look_directly) {}

    // The run the scan records for `line`, reaching at most to end1 in the first
    // file and lying in [lo2, hi2) of the second.
    FoundRun find(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) const;

private:
    struct Query {
        std::int64_t line;
        SuffixPosition position;
        std::int64_t reach;  // end1 - line: no run is longer
        std::int64_t hi2;
    };
    struct Walk;

    void fetch_ahead(std::int64_t line, std::int64_t end1) const;
    FoundRun scan(const Query& query, std::int64_t lo2) const;
    std::int64_t measure(const Query& query, std::int64_t at2) const;
    std::int64_t next_stop(const Query& query, std::int64_t length, std::int64_t from) const;
    std::int64_t first_match(const Query& query, std::int64_t length, std::int64_t from) const;
    FoundRun leftmost_longest(const Query& query, std::int64_t from) const;
    void walk(const Query& query, std::int64_t from, int direction, Walk& state) const;
    void consider(const Query& query, std::int64_t at2, std::int64_t shared, FoundRun& found) const;
    FoundRun longest_beyond_walk(const Query& query, std::int64_t from, Walk state) const;
    FoundRun longest_by_halving(const Query& query, std::int64_t from, std::int64_t known, std::int64_t bound) const;
    bool reached(const Query& query, const FoundRun& longest, std::int64_t from, std::int64_t best) const;
    bool near_place_skips(const Query& query, const FoundRun& longest, std::int64_t zone_start,
                          std::int64_t needed) const;
    bool far_place_skips(const Query& query, const FoundRun& longest, std::int64_t zone_start,
                         std::int64_t needed) const;
    bool lines_before_unlike_pattern(const Query& query, const FoundRun& longest) const;
    FoundRun next_longer(const Query& query, std::int64_t& resume, std::int64_t best) const;
    std::int64_t chain_entry(const Query& query, std::int64_t best, std::int64_t resume, std::int64_t target) const;

    const std::uint32_t* fp1_;
    const std::uint32_t* fp2_;
    const SuffixIndex<Index>& index_;
    SearchBlocks<Index> blocks_;
    bool look_directly_;
};

extern template class SuffixSearch<std::int32_t>;
extern template class SuffixSearch<std::int64_t>;

}  // namespace vesk
