#include "compare/suffix_index.h"

#include <algorithm>
#include <bit>
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
constexpr std::int64_t DIRECT_RANKS = 32;

}  // namespace

template <class Index>
SuffixIndex<Index>::SuffixIndex(const BlockIndex<Index>& blocks, std::int64_t first_count, std::int64_t second_count)
    : first_count_(first_count), second_count_(second_count) {
    WorkVector<Index> text = renumbered_text(blocks);
    sorted_ = suffix_array(std::span<const Index>(text), FIRST_GROUP + blocks.groups());
    common_.emplace(common_prefixes(std::move(text), std::span<const Index>(sorted_)));
    rank_ = suffix_ranks(std::span<const Index>(sorted_));
    mark_second_suffixes();
    second_lines_.emplace(second_lines_by_rank());
    ranks_by_line_.emplace(ranks_by_second_line());
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

template <class Index>
void SuffixIndex<Index>::mark_second_suffixes() {
    second_ = RankedBits(size());
    second_ranks_.reserve(static_cast<std::size_t>(second_count_));
    for (std::int64_t rank = 0; rank < size(); ++rank) {
        if (second_line_at(rank) < 0) continue;
        second_.set(rank);
        second_ranks_.push_back(static_cast<Index>(rank));
    }
    second_.count_ones();
}

template <class Index>
WaveletMatrix SuffixIndex<Index>::second_lines_by_rank() const {
    WorkVector<Index> lines(static_cast<std::size_t>(second_count_));
    for (std::size_t k = 0; k < lines.size(); ++k) lines[k] = static_cast<Index>(second_line_at(second_ranks_[k]));
    int bits = std::max(1, static_cast<int>(std::bit_width(static_cast<std::uint64_t>(second_count_))));
    return WaveletMatrix(std::move(lines), bits);
}

template <class Index>
WaveletMatrix SuffixIndex<Index>::ranks_by_second_line() const {
    const Index* second = rank_.data() + first_count_ + 1;
    WorkVector<Index> ranks(second, second + second_count_);
    int bits = static_cast<int>(std::bit_width(static_cast<std::uint64_t>(size())));
    return WaveletMatrix(std::move(ranks), bits);
}

template <class Index>
std::int64_t SuffixIndex<Index>::second_line_at(std::int64_t rank) const {
    std::int64_t line = std::int64_t{sorted_[static_cast<std::size_t>(rank)]} - first_count_ - 1;
    return line >= 0 && line < second_count_ ? line : -1;
}

template <class Index>
std::int64_t SuffixIndex<Index>::first_line_at(std::int64_t rank) const {
    std::int64_t line = sorted_[static_cast<std::size_t>(rank)];
    return line < first_count_ ? line : -1;
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
    if (ranks.to - ranks.from <= DIRECT_RANKS) {
        std::int64_t first = -1;
        for (std::int64_t rank = ranks.from; rank < ranks.to; ++rank) {
            std::int64_t line = second_line_at(rank);
            if (line >= from && (first < 0 || line < first)) first = line;
        }
        return first;
    }
    return second_lines_->next_at_least(second_.ones_before(ranks.from), second_.ones_before(ranks.to), from);
}

template class SuffixIndex<std::int32_t>;
template class SuffixIndex<std::int64_t>;

}  // namespace vesk
