#include "compare/match/stretch_chains.h"

#include <algorithm>

namespace vesk {
namespace {

// Two hashes of adjacent stretches into the hash of both, in order: a multiply,
// a rotation and a 64-bit finalizer, so that no structure of the values (two
// values in a regular order) survives into the hash.
std::uint64_t combine(std::uint64_t first, std::uint64_t second) {
    std::uint64_t mixed = first * 0x9E3779B97F4A7C15u + ((second << 29) | (second >> 35));
    mixed ^= mixed >> 32;
    mixed *= 0xD6E8FEB86659FD93u;
    mixed ^= mixed >> 32;
    return mixed;
}

constexpr std::uint32_t DIGIT_MASK = (1u << 11) - 1;

// The stretch length every level's is a multiple of.
constexpr std::int64_t UNIT = 4;

}  // namespace

// Each level's hashes extend the last level's by the hash of the next UNIT
// lines; a level's places are sorted by the high 32 bits of their hashes (keys
// alike more often than full hashes only add links), places of one key in file
// order, and each is linked to the next of its key.
template <class Index>
StretchChains<Index>::StretchChains(const std::uint32_t* second, std::int64_t count) : count_(count) {
    auto size = static_cast<std::size_t>(count);
    WorkVector<std::uint64_t> units(size);  // the hash of UNIT lines from each place
    for (std::size_t at = 0; at < size; ++at) units[at] = combine(second[at], 0);
    for (std::int64_t length = 1; length < UNIT; length *= 2)
        for (std::int64_t at = 0; at + 2 * length <= count; ++at)
            units[static_cast<std::size_t>(at)] =
                combine(units[static_cast<std::size_t>(at)], units[static_cast<std::size_t>(at + length)]);
    WorkVector<std::uint64_t> hashes(units);
    Sorting sorting(size);
    std::int64_t length = UNIT;
    for (int level = 0; level < LEVELS; ++level) {
        for (; length < LENGTHS[static_cast<std::size_t>(level)]; length += UNIT)
            for (std::int64_t at = 0; at + length + UNIT <= count; ++at)
                hashes[static_cast<std::size_t>(at)] =
                    combine(hashes[static_cast<std::size_t>(at)], units[static_cast<std::size_t>(at + length)]);
        link(level, hashes, std::max<std::int64_t>(count - length + 1, 0), sorting);
    }
}

template <class Index>
void StretchChains<Index>::link(int level, const WorkVector<std::uint64_t>& hashes, std::int64_t places,
                                Sorting& sorting) {
    auto& items = sorting.items;
    auto& sorted = sorting.sorted;
    items.resize(static_cast<std::size_t>(places));
    sorted.resize(items.size());
    for (std::int64_t at = 0; at < places; ++at)
        items[static_cast<std::size_t>(at)] = {static_cast<std::uint32_t>(hashes[static_cast<std::size_t>(at)] >> 32),
                                               static_cast<Index>(at)};
    // Three stable passes of 11 bits each: few enough buckets that their write
    // positions stay in the cache.
    for (int shift : {0, 11, 22}) {
        std::fill(sorting.starts.begin(), sorting.starts.end(), 0);
        for (const Keyed& item : items) ++sorting.starts[((item.key >> shift) & DIGIT_MASK) + 1];
        for (std::size_t digit = 1; digit < sorting.starts.size(); ++digit)
            sorting.starts[digit] += sorting.starts[digit - 1];
        for (const Keyed& item : items)
            sorted[static_cast<std::size_t>(sorting.starts[(item.key >> shift) & DIGIT_MASK]++)] = item;
        items.swap(sorted);
    }
    WorkVector<Index>& next = next_[static_cast<std::size_t>(level)];
    next.resize(static_cast<std::size_t>(count_));
    std::fill(next.begin() + places, next.end(), Index{-1});
    WorkVector<Index>* previous =
        level == SHORTEST ? &previous_shortest_ : level == LONGEST ? &previous_longest_ : nullptr;
    if (previous) {
        previous->resize(static_cast<std::size_t>(count_));
        std::fill(previous->begin() + places, previous->end(), Index{-1});
    }
    for (std::size_t k = 0; k < items.size(); ++k) {
        bool linked_on = k + 1 < items.size() && items[k + 1].key == items[k].key;
        next[static_cast<std::size_t>(items[k].place)] = linked_on ? items[k + 1].place : Index{-1};
        if (previous) {
            bool linked_back = k > 0 && items[k - 1].key == items[k].key;
            (*previous)[static_cast<std::size_t>(items[k].place)] = linked_back ? items[k - 1].place : Index{-1};
        }
    }
}

template class StretchChains<std::int32_t>;
template class StretchChains<std::int64_t>;

}  // namespace vesk
