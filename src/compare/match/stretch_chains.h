// The second file's stretches of 8, 12, 16, 20, 24 and 32 lines, each line's
// chained to the next line (and for 8 and 32 lines also the previous one) where
// a stretch of the same length hashes alike. Equal stretches always hash alike, so every
// place of a stretch lies on its chain; a collision only adds a link, which
// comparing the lines rejects. On files of few distinct values, where the blocks
// of equal lines say little, the chains lead a search from one place of a
// pattern's first lines straight to the next (chain_search.h).
// Index: the stored width of line numbers (see line_blocks.h).
#pragma once

#include <array>
#include <cstdint>

#include "support/memory.h"

namespace vesk {

template <class Index>
class StretchChains {
public:
    static constexpr int LEVELS = 6;
    // The stretch length of each level, shortest first: a search whose best run
    // lies between two walks the shorter's chain, and on two values meets a
    // full match every 2^(best - length) links.
    static constexpr std::array<std::int64_t, LEVELS> LENGTHS{8, 12, 16, 20, 24, 32};
    static constexpr int SHORTEST = 0;
    static constexpr int LONGEST = LEVELS - 1;

    StretchChains(const std::uint32_t* second, std::int64_t count);

    // The next (previous) line after (before) `at` whose stretch of level's length
    // hashes like at's, or -1; previous() is kept for the shortest and the longest
    // level only.
    std::int64_t next(int level, std::int64_t at) const { return next_[level][static_cast<std::size_t>(at)]; }
    std::int64_t previous(int level, std::int64_t at) const {
        return (level == SHORTEST ? previous_shortest_ : previous_longest_)[static_cast<std::size_t>(at)];
    }

private:
    struct Keyed {
        std::uint32_t key;
        Index place;
    };
    // The buffers of sorting the places by key, kept from level to level.
    struct Sorting {
        explicit Sorting(std::size_t size) { items.reserve(size), sorted.reserve(size); }
        WorkVector<Keyed> items, sorted;
        WorkVector<std::int64_t> starts = WorkVector<std::int64_t>((1 << 11) + 1);
    };

    void link(int level, const WorkVector<std::uint64_t>& hashes, std::int64_t places, Sorting& sorting);

    std::int64_t count_;
    std::array<WorkVector<Index>, LEVELS> next_;
    WorkVector<Index> previous_shortest_;
    WorkVector<Index> previous_longest_;
};

extern template class StretchChains<std::int32_t>;
extern template class StretchChains<std::int64_t>;

}  // namespace vesk
