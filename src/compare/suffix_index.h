// Where stretches of lines recur, for the run search on files whose lines repeat:
// the suffixes of both files' lines laid end to end (the first file, a separator,
// the second file, an end mark) in sorted order, with the lines they share with
// their neighbours in that order. It tells how many lines a first-file line and
// a second-file line have in common from there on, which suffixes share a given
// number of lines with a first-file line, and the first second-file line at or
// after a place among those. Lines are compared by fingerprint, renumbered
// densely; first-file lines that the second file lacks all get one number, since
// a match with the second file stops at any of them anyway.
// Index: the stored width of positions, std::int32_t only when both files
// together have fewer than INT32_MAX lines.
#pragma once

#include <cstdint>
#include <optional>

#include "compare/line_blocks.h"
#include "compare/range_min.h"
#include "compare/wavelet_matrix.h"
#include "support/memory.h"

namespace vesk {

// Ranks [from, to) of the sorted suffixes.
struct RankRange {
    std::int64_t from, to;
};

// Two places on either side of another, -1 where there is none.
struct NearRanks {
    std::int64_t below, above;
};

template <class Index>
class SuffixIndex {
public:
    // blocks: the second file's blocks grouped by fingerprint, with the group of
    // every first-file line; both files' line counts.
    SuffixIndex(const BlockIndex<Index>& blocks, std::int64_t first_count, std::int64_t second_count);

    std::int64_t rank_of_first(std::int64_t line) const { return rank_[static_cast<std::size_t>(line)]; }
    std::int64_t rank_of_second(std::int64_t line) const {
        return rank_[static_cast<std::size_t>(first_count_ + 1 + line)];
    }
    // The second-file lines in the order of their suffixes: how many of them
    // stand before rank, the k-th of them, and how many lines its suffix and
    // the (k - 1)-th's have in common from their start.
    std::int64_t second_suffixes_before(std::int64_t rank) const { return second_.ones_before(rank); }
    std::int64_t second_line(std::int64_t k) const { return second_lines_[static_cast<std::size_t>(k)]; }
    std::int64_t second_common(std::int64_t k) const { return second_common_[static_cast<std::size_t>(k)]; }
    // Lines that the suffixes at two different ranks have in common from their start.
    std::int64_t common(std::int64_t rank, std::int64_t other) const;
    // The ranks of the suffixes that have their first `length` lines (at least 1)
    // in common with the suffix at rank.
    RankRange sharing(std::int64_t rank, std::int64_t length) const;
    // The first second-file line at or after `from` whose suffix has a rank in
    // ranks, or -1.
    std::int64_t first_second_line(RankRange ranks, std::int64_t from) const;
    // The second-file lines [from, to) whose suffixes stand nearest to `rank` (a
    // first-file line's) below and above it: of those lines, the two that have
    // the most lines in common with it. As places k of second_line(k); -1 where
    // there is none.
    NearRanks nearest_second_places(std::int64_t rank, std::int64_t from, std::int64_t to) const {
        std::int64_t before = second_.ones_before(rank);
        return {places_by_line_->previous_at_most(from, to, before - 1),
                places_by_line_->next_at_least(from, to, before)};
    }
    // How many first-file lines' suffixes lie in ranks, which sharing() gave:
    // the suffixes of the separator and the end mark share no line with any.
    std::int64_t first_file_suffixes(RankRange ranks) const {
        return ranks.to - ranks.from - (second_.ones_before(ranks.to) - second_.ones_before(ranks.from));
    }
    std::int64_t second_count() const { return second_count_; }

private:
    WorkVector<Index> renumbered_text(const BlockIndex<Index>& blocks) const;
    void keep_second_suffixes(const WorkVector<Index>& sorted);
    WaveletMatrix second_lines_by_rank() const;
    WaveletMatrix places_by_second_line() const;

    std::int64_t first_count_;
    std::int64_t second_count_;
    WorkVector<Index> rank_;  // where each suffix stands in sorted order
    std::optional<RangeMin<Index>> common_;  // common_->at(k): lines shared by ranks k - 1 and k
    RankedBits second_;  // bit k: the suffix at rank k is a second-file line's
    // Of the second-file lines' suffixes in sorted order: the line, and the
    // lines in common with the suffix before it (the least common_ between them).
    WorkVector<Index> second_lines_;
    WorkVector<Index> second_common_;
    // second_lines_ again, to find the first line at or after a place in a range.
    std::optional<WaveletMatrix> lines_by_rank_;
    // Where each second-file line's suffix stands among theirs, in line order.
    std::optional<WaveletMatrix> places_by_line_;
};

extern template class SuffixIndex<std::int32_t>;
extern template class SuffixIndex<std::int64_t>;

}  // namespace vesk
