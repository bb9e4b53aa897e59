#include "compare/suffix_index.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <span>

#include "compare/suffix_array.h"

namespace vesk {
namespace {

// The renumbered lines: the end mark is the smallest symbol and unique, as the
// suffix array asks; the separator keeps a first-file match from running into
// the second file.
constexpr std::int64_t END_MARK = 0;
constexpr std::int64_t SEPARATOR = 1;
constexpr std::int64_t ABSENT = 2;  // a first-file line that the second file lacks
constexpr std::int64_t FIRST_GROUP = 3;

// Ranges of ranks at most this wide are read entry by entry: that costs less
// than a walk down the wavelet matrix's levels.
constexpr std::int64_t DIRECT_RANKS = 128;

}  // namespace

template <class Index>
SuffixIndex<Index>::SuffixIndex(const BlockIndex<Index>& blocks, std::int64_t first_count, std::int64_t second_count)
    : first_count_(first_count), second_count_(second_count) {
    {
        WorkVector<Index> text = renumbered_text(blocks);
        WorkVector<Index> sorted = suffix_array(std::span<const Index>(text), FIRST_GROUP + blocks.groups());
        common_.emplace(common_prefixes(std::move(text), std::span<const Index>(sorted)));
        rank_ = suffix_ranks(std::span<const Index>(sorted));
        keep_second_suffixes(sorted);
    }
    lines_by_rank_.emplace(second_lines_by_rank());
    places_by_line_.emplace(places_by_second_line());
}

template <class Index>
WorkVector<Index> SuffixIndex<Index>::renumbered_text(const BlockIndex<Index>& blocks) const {
    WorkVector<Index> text(static_cast<std::size_t>(first_count_ + second_count_ + 2));
    for (std::int64_t line = 0; line < first_count_; ++line) {
        std::int64_t group = blocks.group_of(line);
        text[static_cast<std::size_t>(line)] = static_cast<Index>(group < 0 ? ABSENT : FIRST_GROUP + group);
    }
    text[static_cast<std::size_t>(first_count_)] = static_cast<Index>(SEPARATOR);
    Index* second = text.data() + first_count_ + 1;
    for (std::int64_t group = 0; group < blocks.groups(); ++group)
        for (const Block<Index>& block : blocks.blocks(group))
            std::fill(second + block.start, second + block.end, static_cast<Index>(FIRST_GROUP + group));
    text.back() = static_cast<Index>(END_MARK);
    return text;
}

// What the searches need of the suffix array: where the second-file lines'
// suffixes stand and what they share with one another. The array itself goes.
template <class Index>
void SuffixIndex<Index>::keep_second_suffixes(const WorkVector<Index>& sorted) {
    auto size = static_cast<std::int64_t>(sorted.size());
    second_ = RankedBits(size);
    second_lines_.reserve(static_cast<std::size_t>(second_count_));
    second_common_.reserve(static_cast<std::size_t>(second_count_));
    std::int64_t shared = 0;
    for (std::int64_t rank = 0; rank < size; ++rank) {
        shared = std::min(shared, common_->at(rank));
        std::int64_t line = std::int64_t{sorted[static_cast<std::size_t>(rank)]} - first_count_ - 1;
        if (line < 0 || line >= second_count_) continue;
        second_.set(rank);
        second_lines_.push_back(static_cast<Index>(line));
        second_common_.push_back(static_cast<Index>(shared));
        shared = std::numeric_limits<Index>::max();
    }
    second_.count_ones();
}

template <class Index>
WaveletMatrix SuffixIndex<Index>::second_lines_by_rank() const {
    int bits = std::max(1, static_cast<int>(std::bit_width(static_cast<std::uint64_t>(second_count_))));
    return WaveletMatrix(WorkVector<Index>(second_lines_), bits);
}

// Each second-file line's place among the second-file suffixes in sorted order
// (which needs a bit less than its rank among all suffixes).
template <class Index>
WaveletMatrix SuffixIndex<Index>::places_by_second_line() const {
    WorkVector<Index> places(static_cast<std::size_t>(second_count_));
    for (std::int64_t k = 0; k < second_count_; ++k)
        places[static_cast<std::size_t>(second_line(k))] = static_cast<Index>(k);
    int bits = std::max(1, static_cast<int>(std::bit_width(static_cast<std::uint64_t>(second_count_))));
    return WaveletMatrix(std::move(places), bits);
}

template <class Index>
std::int64_t SuffixIndex<Index>::common(std::int64_t rank, std::int64_t other) const {
    if (rank > other) std::swap(rank, other);
    return other == rank + 1 ? common_->at(other) : common_->min(rank + 1, other + 1);
}

template <class Index>
RankRange SuffixIndex<Index>::sharing(std::int64_t rank, std::int64_t length) const {
    return {common_->last_below(rank, length), common_->first_below(rank + 1, length)};
}

template <class Index>
std::int64_t SuffixIndex<Index>::first_second_line(RankRange ranks, std::int64_t from) const {
    std::int64_t first_k = second_.ones_before(ranks.from);
    std::int64_t end_k = second_.ones_before(ranks.to);
    if (end_k - first_k > DIRECT_RANKS) return lines_by_rank_->next_at_least(first_k, end_k, from);
    std::int64_t first = -1;
    for (std::int64_t k = first_k; k < end_k; ++k) {
        std::int64_t line = second_line(k);
        if (line >= from && (first < 0 || line < first)) first = line;
    }
    return first;
}

template class SuffixIndex<std::int32_t>;
template class SuffixIndex<std::int64_t>;

}  // namespace vesk
