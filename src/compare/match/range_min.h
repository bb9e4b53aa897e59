// Range minima over a fixed array of lengths, for the suffix index's common
// prefixes: the minimum of any range, and the nearest entry below a threshold on
// either side of a place (which bounds the suffixes sharing a prefix). The array
// is cut into blocks of 64 entries with a sparse table over the blocks' minima:
// a query scans at most two blocks and reads a few table entries, and the table
// takes a small part of the array's memory (a table over every entry would take
// twenty times the array).
// Index: the stored width of the values and of block numbers.
#pragma once

#include <cstdint>

#include "support/memory.h"

namespace vesk {

template <class Index>
class RangeMin {
public:
    explicit RangeMin(WorkVector<Index> values);

    std::int64_t size() const { return static_cast<std::int64_t>(values_.size()); }
    std::int64_t at(std::int64_t place) const { return values_[static_cast<std::size_t>(place)]; }
    void fetch(std::int64_t place) const { __builtin_prefetch(values_.data() + place); }

    // The smallest value in [from, to); from < to.
    std::int64_t min(std::int64_t from, std::int64_t to) const;
    // The last place at or before `place` whose value is below `threshold`, or -1.
    std::int64_t last_below(std::int64_t place, std::int64_t threshold) const;
    // The first place at or after `place` whose value is below `threshold`, or size().
    std::int64_t first_below(std::int64_t place, std::int64_t threshold) const;

private:
    std::int64_t block_min(std::int64_t from, std::int64_t to) const;
    std::int64_t scan_min(std::int64_t from, std::int64_t to) const;
    std::int64_t last_block_below(std::int64_t block, std::int64_t threshold) const;
    std::int64_t first_block_below(std::int64_t block, std::int64_t threshold) const;

    WorkVector<Index> values_;
    std::int64_t blocks_;
    // Level l holds, for every block b, the minimum of blocks [b, b + 2^l) (as far
    // as they go); the levels follow one another.
    WorkVector<Index> table_;
};

extern template class RangeMin<std::int32_t>;
extern template class RangeMin<std::int64_t>;

}  // namespace vesk
