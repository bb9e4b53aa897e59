#include "compare/match/range_min.h"

#include <algorithm>
#include <bit>

namespace vesk {
namespace {

// Entries per block: 64 values of 32 bits are four cache lines, which a scan
// reads about as fast as one table entry from farther away.
constexpr std::int64_t BLOCK = 64;

std::int64_t highest_bit(std::int64_t value) {
    return std::bit_width(static_cast<std::uint64_t>(value)) - 1;
}

}  // namespace

template <class Index>
RangeMin<Index>::RangeMin(WorkVector<Index> values)
    : values_(std::move(values)), blocks_((size() + BLOCK - 1) / BLOCK) {
    std::int64_t levels = blocks_ == 0 ? 0 : highest_bit(blocks_) + 1;
    table_.resize(static_cast<std::size_t>(levels * blocks_));
    for (std::int64_t block = 0; block < blocks_; ++block)
        table_[static_cast<std::size_t>(block)] =
            static_cast<Index>(scan_min(block * BLOCK, std::min(size(), (block + 1) * BLOCK)));
    for (std::int64_t level = 1; level < levels; ++level) {
        std::int64_t half = std::int64_t{1} << (level - 1);
        Index* row = table_.data() + level * blocks_;
        const Index* below = row - blocks_;
        for (std::int64_t block = 0; block < blocks_; ++block)
            row[block] = block + half < blocks_ ? std::min(below[block], below[block + half]) : below[block];
    }
}

// A plain loop over the values, which the compiler turns into vector minima.
template <class Index>
std::int64_t RangeMin<Index>::scan_min(std::int64_t from, std::int64_t to) const {
    Index least = values_[static_cast<std::size_t>(from)];
    for (const Index* value = values_.data() + from + 1; value < values_.data() + to; ++value)
        least = std::min(least, *value);
    return least;
}

// The minimum of blocks [from, to) from two overlapping spans of a power of two.
template <class Index>
std::int64_t RangeMin<Index>::block_min(std::int64_t from, std::int64_t to) const {
    std::int64_t level = highest_bit(to - from);
    const Index* row = table_.data() + level * blocks_;
    return std::min(row[from], row[to - (std::int64_t{1} << level)]);
}

template <class Index>
std::int64_t RangeMin<Index>::min(std::int64_t from, std::int64_t to) const {
    std::int64_t first = from / BLOCK;
    std::int64_t last = (to - 1) / BLOCK;
    if (first == last) return scan_min(from, to);
    std::int64_t least = std::min(scan_min(from, (first + 1) * BLOCK), scan_min(last * BLOCK, to));
    return first + 1 < last ? std::min(least, block_min(first + 1, last)) : least;
}

template <class Index>
std::int64_t RangeMin<Index>::last_below(std::int64_t place, std::int64_t threshold) const {
    std::int64_t block = place / BLOCK;
    for (std::int64_t k = place; k >= block * BLOCK; --k)
        if (at(k) < threshold) return k;
    std::int64_t found = last_block_below(block, threshold);
    if (found < 0) return -1;
    for (std::int64_t k = std::min(size(), (found + 1) * BLOCK) - 1;; --k)
        if (at(k) < threshold) return k;
}

template <class Index>
std::int64_t RangeMin<Index>::first_below(std::int64_t place, std::int64_t threshold) const {
    std::int64_t block = place / BLOCK;
    for (std::int64_t k = place; k < std::min(size(), (block + 1) * BLOCK); ++k)
        if (at(k) < threshold) return k;
    std::int64_t found = first_block_below(block + 1, threshold);
    if (found < 0) return size();
    for (std::int64_t k = found * BLOCK;; ++k)
        if (at(k) < threshold) return k;
}

// The last block before `block` holding a value below threshold, or -1: spans
// doubling away from it until one holds such a value, then halving inside that
// span, so that a near block is found in a few steps.
template <class Index>
std::int64_t RangeMin<Index>::last_block_below(std::int64_t block, std::int64_t threshold) const {
    for (std::int64_t to = block, span = 1; to > 0; to -= span, span *= 2) {
        std::int64_t from = std::max<std::int64_t>(0, to - span);
        if (block_min(from, to) >= threshold) continue;
        while (to - from > 1) {
            std::int64_t middle = from + (to - from) / 2;
            if (block_min(middle, to) < threshold) from = middle;
            else to = middle;
        }
        return from;
    }
    return -1;
}

// The first block at or after `block` holding a value below threshold, or -1.
template <class Index>
std::int64_t RangeMin<Index>::first_block_below(std::int64_t block, std::int64_t threshold) const {
    for (std::int64_t from = block, span = 1; from < blocks_; from += span, span *= 2) {
        std::int64_t to = std::min(blocks_, from + span);
        if (block_min(from, to) >= threshold) continue;
        while (to - from > 1) {
            std::int64_t middle = from + (to - from) / 2;
            if (block_min(from, middle) < threshold) to = middle;
            else from = middle;
        }
        return from;
    }
    return -1;
}

template class RangeMin<std::int32_t>;
template class RangeMin<std::int64_t>;

}  // namespace vesk
