#include "compare/match/stretch_chains.h"

#include <algorithm>
#include <bit>

namespace vesk {
namespace {

// Two hashes of adjacent stretches into the hash of both, in order: both in
// one 64-bit word through a 64-bit finalizer, so that no structure of the values
// (two values in a regular order) survives into the hash. Hashes alike more
// often than the stretches only add links.
std::uint32_t combine(std::uint32_t first, std::uint32_t second) {
    std::uint64_t mixed = (std::uint64_t{first} << 32 | second) * 0x9E3779B97F4A7C15u;
    mixed ^= mixed >> 29;
    mixed *= 0xD6E8FEB86659FD93u;
    mixed ^= mixed >> 32;
    return static_cast<std::uint32_t>(mixed);
}

// Places are laid out in buckets by the top 11 bits of their hashes.
constexpr int BUCKET_SHIFT = 32 - 11;

// The stretch length every level's is a multiple of.
constexpr std::int64_t UNIT = 2;

// The hash of the UNIT lines from `at`.
std::uint32_t unit_hash(const std::uint32_t* lines, std::int64_t at) {
    std::uint32_t hash = combine(lines[at], UNIT);
    for (std::int64_t line = 1; line < UNIT; ++line) hash = combine(hash, lines[at + line]);
    return hash;
}

}  // namespace

// Each level's hashes extend the last level made's by the hash of the next UNIT
// lines; each of a level's places is linked to the next and the previous place
// of its hash (link()). Every place of a level is hashed the same way, so
// equal stretches hash alike whichever levels were made.
template <class Index>
StretchChains<Index>::StretchChains(const std::uint32_t* second, std::int64_t count, std::size_t table_slots)
    : count_(count), table_slots_(table_slots) {
    auto size = static_cast<std::size_t>(count);
    WorkVector<std::uint32_t> units(size);
    for (std::int64_t at = 0; at + UNIT <= count; ++at) units[static_cast<std::size_t>(at)] = unit_hash(second, at);
    WorkVector<std::uint32_t> hashes(units);
    Sorting sorting(size);
    std::int64_t length = UNIT;
    bool recurring = true;  // whether the last level made has three in four places linked
    for (int level = 0; level < LEVELS; ++level) {
        made_[static_cast<std::size_t>(level)] = recurring || level == WITNESS || level == LONGEST;
        if (!made(level)) continue;
        // Up to the level's length by the next UNIT lines at a time, or where
        // the length so far is half of it, in one step by the hash of the next
        // as many lines (from 16 lines to 32 where the levels between are left
        // out: 8 passes over the places saved).
        for (const std::int64_t wanted = LENGTHS[static_cast<std::size_t>(level)]; length < wanted;) {
            const std::int64_t step = 2 * length == wanted ? length : UNIT;
            const WorkVector<std::uint32_t>& next = step == length ? hashes : units;
            for (std::int64_t at = 0; at + length + step <= count; ++at)
                hashes[static_cast<std::size_t>(at)] =
                    combine(hashes[static_cast<std::size_t>(at)], next[static_cast<std::size_t>(at + length)]);
            length += step;
        }
        if (level == LEVELS - 1) WorkVector<std::uint32_t>().swap(units);
        std::int64_t places = std::max<std::int64_t>(count - length + 1, 0);
        link(level, hashes, places, sorting);
        recurring = 4 * sorting.linked >= 3 * places;
    }
}

// A level of few distinct hashes (the shorter stretches on few values) is
// linked in one pass from the last place back (link_in_order()). Any other's
// places are first laid out by their hashes' top bits, in file order within
// each bucket; a bucket is then linked from its last place back through a small
// table of the last place seen of each hash, which stays in the cache. A bucket
// of more distinct hashes than the table holds is sorted by hash instead. The
// hashes go once the last level's places are laid out, before its chains take
// their memory.
template <class Index>
void StretchChains<Index>::link(int level, WorkVector<std::uint32_t>& hashes, std::int64_t places,
                                Sorting& sorting) {
    if (sorting.in_order) {
        if (link_in_order(hashes, places, prepare_links(level, sorting), sorting)) {
            if (level == LEVELS - 1) WorkVector<std::uint32_t>().swap(hashes);
            return;
        }
        // Every longer stretch has at least as many distinct hashes.
        sorting.in_order = false;
        next_[static_cast<std::size_t>(level)].release();
        previous_[static_cast<std::size_t>(level)].release();
    }
    auto& starts = sorting.starts;
    std::fill(starts.begin(), starts.end(), 0);
    for (std::int64_t at = 0; at < places; ++at) ++starts[(hashes[static_cast<std::size_t>(at)] >> BUCKET_SHIFT) + 1];
    for (std::size_t bucket = 1; bucket < starts.size(); ++bucket) starts[bucket] += starts[bucket - 1];
    auto& items = sorting.items;
    items.resize(static_cast<std::size_t>(places));
    sorting.fill_at.assign(starts.begin(), starts.end() - 1);
    for (std::int64_t at = 0; at < places; ++at) {
        std::uint32_t hash = hashes[static_cast<std::size_t>(at)];
        items[static_cast<std::size_t>(sorting.fill_at[hash >> BUCKET_SHIFT]++)] = {hash, static_cast<Index>(at)};
    }
    if (level == LEVELS - 1) WorkVector<std::uint32_t>().swap(hashes);
    Links links = prepare_links(level, sorting);
    for (std::size_t bucket = 0; bucket + 1 < starts.size(); ++bucket) {
        Keyed* begin = items.data() + starts[bucket];
        Keyed* end = items.data() + starts[bucket + 1];
        if (begin != end && !link_through_table(begin, end, links, sorting)) link_sorted(begin, end, links);
    }
}

// The level's chains, every link none.
template <class Index>
typename StretchChains<Index>::Links StretchChains<Index>::prepare_links(int level, Sorting& sorting) {
    bool backwards = level == WITNESS || level == LONGEST;
    sorting.linked = 0;
    Links links{&next_[static_cast<std::size_t>(level)],
                backwards ? &previous_[static_cast<std::size_t>(level)] : nullptr, &sorting.linked};
    links.next->prepare(count_);
    if (links.previous) {
        links.previous->prepare(count_);
        links.previous->set_forward(false);
    }
    return links;
}

template <class Index>
inline void StretchChains<Index>::Links::join(Index earlier, Index later) const {
    next->set(earlier, later);
    if (!previous) return;
    previous->set(earlier, -1);  // until a place before it is joined
    if (later >= 0) previous->set(later, earlier);
}

// Every link none, in 16 bits.
template <class Index>
void StretchChains<Index>::Chain::prepare(std::int64_t count) {
    WorkVector<Index>().swap(wide_);
    narrow_.assign(static_cast<std::size_t>(count), 0);
}

template <class Index>
void StretchChains<Index>::Chain::release() {
    WorkVector<Index>().swap(wide_);
    WorkVector<std::uint16_t>().swap(narrow_);
}

// From distances to line numbers, the links set so far kept.
template <class Index>
void StretchChains<Index>::Chain::widen() {
    WorkVector<Index> wide(narrow_.size());
    for (std::size_t at = 0; at < narrow_.size(); ++at)
        wide[at] = static_cast<Index>(to(static_cast<std::int64_t>(at)));
    wide_.swap(wide);
    WorkVector<std::uint16_t>().swap(narrow_);
}

// Links every place of a level through one table, the links written in file
// order; false when the level has more distinct hashes than half the table.
template <class Index>
bool StretchChains<Index>::link_in_order(const WorkVector<std::uint32_t>& hashes, std::int64_t places,
                                         const Links& links, Sorting& sorting) const {
    auto size = static_cast<std::size_t>(places);
    std::size_t capacity = std::bit_ceil(std::min(2 * size, table_slots_));
    return link_backwards(size, capacity, [&](std::size_t at) { return Keyed{hashes[at], static_cast<Index>(at)}; },
                          links, sorting);
}

// Links a bucket's places, given in file order, from the last back; false when
// they have more distinct hashes than the table may hold.
template <class Index>
bool StretchChains<Index>::link_through_table(Keyed* begin, Keyed* end, const Links& links,
                                              Sorting& sorting) const {
    auto size = static_cast<std::size_t>(end - begin);
    std::size_t capacity = std::bit_ceil(std::min(2 * size, table_slots_));
    return link_backwards(size, capacity, [&](std::size_t k) { return begin[k]; }, links, sorting);
}

// Links `size` places, item(k) the k-th in file order, from the last back
// through a table of the last place seen of each hash (`capacity` slots, a
// power of two); false once their distinct hashes are more than half of it.
template <class Index>
template <class Item>
bool StretchChains<Index>::link_backwards(std::size_t size, std::size_t capacity, Item item, const Links& links,
                                          Sorting& sorting) const {
    sorting.last.assign(capacity, Index{-1});
    sorting.hashes.resize(capacity);
    // In locals: the links written between may alias the vectors' own pointers.
    Index* last = sorting.last.data();
    std::uint32_t* hashes = sorting.hashes.data();
    std::size_t distinct = 0;
    std::int64_t joined = 0;  // to a later place
    for (std::size_t k = size; k-- > 0;) {
        const Keyed keyed = item(k);
        std::size_t slot = keyed.key & (capacity - 1);
        while (last[slot] >= 0 && hashes[slot] != keyed.key) slot = (slot + 1) & (capacity - 1);
        if (last[slot] < 0) {
            if (2 * ++distinct > capacity) return false;
            hashes[slot] = keyed.key;
        }
        joined += last[slot] >= 0;
        links.join(keyed.place, last[slot]);
        last[slot] = keyed.place;
    }
    *links.linked += joined;
    return true;
}

template <class Index>
void StretchChains<Index>::link_sorted(Keyed* begin, Keyed* end, const Links& links) {
    std::stable_sort(begin, end, [](const Keyed& one, const Keyed& other) { return one.key < other.key; });
    for (Keyed* item = end; item-- != begin;) {
        bool joined = item + 1 != end && item[1].key == item->key;
        *links.linked += joined;
        links.join(item->place, joined ? item[1].place : Index{-1});
    }
}

template class StretchChains<std::int32_t>;
template class StretchChains<std::int64_t>;

}  // namespace vesk
