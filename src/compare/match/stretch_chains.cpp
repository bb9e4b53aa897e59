#include "compare/match/stretch_chains.h"

#include <algorithm>
#include <bit>

#include "support/work_thread.h"

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
StretchChains<Index>::StretchChains(const std::uint32_t* second, std::int64_t count, std::size_t table_slots,
                                    bool beside)
    : count_(count), table_slots_(table_slots), beside_(beside) {
    auto size = static_cast<std::size_t>(count);
    WorkVector<std::uint32_t> units(size);
    in_halves(beside_, [&](int half) {
        const HalfRange range = half_of(std::max<std::int64_t>(count - UNIT + 1, 0), half);
        for (std::int64_t at = range.from; at < range.to; ++at)
            units[static_cast<std::size_t>(at)] = unit_hash(second, at);
    });
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
            extend(hashes, step == length ? hashes : units, length, step);
            length += step;
        }
        if (level == LEVELS - 1) WorkVector<std::uint32_t>().swap(units);
        std::int64_t places = std::max<std::int64_t>(count - length + 1, 0);
        link(level, hashes, places, sorting);
        recurring = 4 * sorting.linked >= 3 * places;
    }
}

// Each place's hash of `length` lines extended by next's hash of the `step`
// lines after them. Where next is the hashes themselves, the first half reads
// past its end hashes that the second half may have extended already: those
// are kept before either begins.
template <class Index>
void StretchChains<Index>::extend(WorkVector<std::uint32_t>& hashes, const WorkVector<std::uint32_t>& next,
                                  std::int64_t length, std::int64_t step) {
    const std::int64_t places = std::max<std::int64_t>(count_ - length - step + 1, 0);
    const std::int64_t middle = places / 2;
    const WorkVector<std::uint32_t> kept(next.begin() + middle, next.begin() + std::min(middle + length, count_));
    in_halves(beside_, [&](int half) {
        const HalfRange range = half_of(places, half);
        const std::int64_t direct = half == 0 ? std::max<std::int64_t>(middle - length, 0) : range.to;
        std::int64_t at = range.from;
        for (; at < direct; ++at)
            hashes[static_cast<std::size_t>(at)] =
                combine(hashes[static_cast<std::size_t>(at)], next[static_cast<std::size_t>(at + length)]);
        for (; at < range.to; ++at)
            hashes[static_cast<std::size_t>(at)] =
                combine(hashes[static_cast<std::size_t>(at)], kept[static_cast<std::size_t>(at + length - middle)]);
    });
}

// A level of few distinct hashes (the shorter stretches on few values) is
// linked in one pass from the last place back (link_in_order()). Any other's
// places are first laid out by their hashes' top bits, in file order within
// each bucket; a bucket is then linked from its last place back through a small
// table of the last place seen of each hash, which stays in the cache. A bucket
// of more distinct hashes than the table holds is sorted by hash instead. The
// hashes go once the last level's places are laid out, before its chains take
// their memory. Made by two threads, each stage is split in two halves: of
// the places, or of the buckets.
template <class Index>
void StretchChains<Index>::link(int level, WorkVector<std::uint32_t>& hashes, std::int64_t places,
                                Sorting& sorting) {
    if (sorting.in_order) {
        const Links links = prepare_links(level, sorting);
        if (beside_ ? link_in_order_by_halves(hashes, places, links, sorting)
                    : link_in_order(hashes, places, links, sorting)) {
            if (level == LEVELS - 1) WorkVector<std::uint32_t>().swap(hashes);
            return;
        }
        // Every longer stretch has at least as many distinct hashes.
        sorting.in_order = false;
        next_[static_cast<std::size_t>(level)].release();
        previous_[static_cast<std::size_t>(level)].release();
    }
    lay_out(hashes, places, sorting);
    if (level == LEVELS - 1) WorkVector<std::uint32_t>().swap(hashes);
    link_buckets(prepare_links(level, sorting), sorting);
}

// The places into sorting.items by bucket, each half's counted and placed
// apart: the first half's go first in every bucket, so each keeps file order.
template <class Index>
void StretchChains<Index>::lay_out(const WorkVector<std::uint32_t>& hashes, std::int64_t places,
                                   Sorting& sorting) const {
    auto& starts = sorting.starts;
    const std::size_t buckets = starts.size() - 1;
    in_halves(beside_, [&](int half) {
        WorkVector<std::int64_t>& counts = sorting.shares[half].counts;
        counts.assign(buckets, 0);
        const HalfRange range = half_of(places, half);
        for (std::int64_t at = range.from; at < range.to; ++at)
            ++counts[hashes[static_cast<std::size_t>(at)] >> BUCKET_SHIFT];
    });
    // From counts to the slot where each half's next place of the bucket goes.
    WorkVector<std::int64_t>& first = sorting.shares[0].counts;
    WorkVector<std::int64_t>& second = sorting.shares[1].counts;
    starts[0] = 0;
    for (std::size_t bucket = 0; bucket < buckets; ++bucket) {
        starts[bucket + 1] = starts[bucket] + first[bucket] + second[bucket];
        second[bucket] = starts[bucket] + first[bucket];
        first[bucket] = starts[bucket];
    }
    auto& items = sorting.items;
    items.resize(static_cast<std::size_t>(places));
    in_halves(beside_, [&](int half) {
        WorkVector<std::int64_t>& fill_at = sorting.shares[half].counts;
        const HalfRange range = half_of(places, half);
        for (std::int64_t at = range.from; at < range.to; ++at) {
            std::uint32_t hash = hashes[static_cast<std::size_t>(at)];
            items[static_cast<std::size_t>(fill_at[hash >> BUCKET_SHIFT]++)] = {hash, static_cast<Index>(at)};
        }
    });
}

// Each half of the buckets (by their places) with a table of its own; links
// too far for a chain of distances wait until both halves are done.
template <class Index>
void StretchChains<Index>::link_buckets(const Links& links, Sorting& sorting) const {
    const auto& starts = sorting.starts;
    const auto buckets = static_cast<std::int64_t>(starts.size() - 1);
    const auto split = std::lower_bound(starts.begin(), starts.end() - 1, starts.back() / 2) - starts.begin();
    in_halves(beside_, [&](int half) {
        Share& share = sorting.shares[half];
        const Links own = beside_ ? links.of_share(share) : links;
        for (std::int64_t bucket = half == 0 ? 0 : split; bucket < (half == 0 ? split : buckets); ++bucket) {
            Keyed* begin = sorting.items.data() + starts[static_cast<std::size_t>(bucket)];
            Keyed* end = sorting.items.data() + starts[static_cast<std::size_t>(bucket) + 1];
            if (begin != end && !link_through_table(begin, end, own, share.table)) link_sorted(begin, end, own);
        }
    });
    settle_shares(links, sorting);
}

// The far links the shares kept back, and their counts of places linked.
template <class Index>
void StretchChains<Index>::settle_shares(const Links& links, Sorting& sorting) {
    for (Share& share : sorting.shares) {
        for (const Far& far : share.far) (far.previous ? links.previous : links.next)->set(far.at, far.to);
        share.far.clear();
        *links.linked += share.linked;
        share.linked = 0;
    }
}

// The level's chains, every link none.
template <class Index>
typename StretchChains<Index>::Links StretchChains<Index>::prepare_links(int level, Sorting& sorting) {
    bool backwards = level == WITNESS || level == LONGEST;
    sorting.linked = 0;
    Links links{&next_[static_cast<std::size_t>(level)],
                backwards ? &previous_[static_cast<std::size_t>(level)] : nullptr, &sorting.linked};
    // Made by two threads, the chains whose links are farther than 16 bits
    // hold wait to be set until both threads are done; a level's links mostly
    // lie farther apart than the shorter level's, so where the last level
    // made needed line numbers, this one's chains hold them from the start.
    bool wide = false;
    for (int shorter = level - 1; beside_ && shorter >= 0; --shorter) {
        if (!made(shorter)) continue;
        wide = next_[static_cast<std::size_t>(shorter)].is_wide();
        break;
    }
    links.next->prepare(count_, wide);
    if (links.previous) {
        links.previous->prepare(count_, wide);
        links.previous->set_forward(false);
    }
    return links;
}

template <class Index>
inline void StretchChains<Index>::Links::join(Index earlier, Index later) const {
    set(next, earlier, later);
    if (!previous) return;
    previous->set(earlier, -1);  // until a place before it is joined
    if (later >= 0) set(previous, later, earlier);
}

template <class Index>
void StretchChains<Index>::Chain::prepare(std::int64_t count, bool wide) {
    if (wide) {
        WorkVector<std::uint16_t>().swap(narrow_);
        wide_.assign(static_cast<std::size_t>(count), Index{-1});
        return;
    }
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
                          links, sorting.shares[0].table);
}

// link_in_order() by two threads: each half of the places through a table of
// its own, then the first half's latest place of each hash joined to the
// second half's earliest. False where both halves together have more distinct
// hashes than half the table, as link_in_order() is.
template <class Index>
bool StretchChains<Index>::link_in_order_by_halves(const WorkVector<std::uint32_t>& hashes, std::int64_t places,
                                                   const Links& links, Sorting& sorting) const {
    const std::size_t capacity = std::bit_ceil(std::min(2 * static_cast<std::size_t>(places), table_slots_));
    bool fitted[2];
    in_halves(beside_, [&](int half) {
        Share& share = sorting.shares[half];
        const HalfRange range = half_of(places, half);
        auto item = [&](std::size_t k) {
            const auto at = static_cast<std::size_t>(range.from) + k;
            return Keyed{hashes[at], static_cast<Index>(at)};
        };
        fitted[half] = link_backwards(static_cast<std::size_t>(range.to - range.from), capacity, item,
                                      links.of_share(share), share.table);
    });
    const Table& lower = sorting.shares[0].table;
    const Table& upper = sorting.shares[1].table;
    auto joins_upper = [&](std::size_t slot) {
        if (lower.last[slot] < 0) return std::size_t{capacity};
        const std::size_t found = upper.find(lower.hashes[slot]);
        return upper.last[found] < 0 ? capacity : found;
    };
    std::size_t shared = 0;  // hashes in both halves
    for (std::size_t slot = 0; fitted[0] && fitted[1] && slot < capacity; ++slot) shared += joins_upper(slot) < capacity;
    if (!fitted[0] || !fitted[1] || 2 * (lower.distinct + upper.distinct - shared) > capacity) {
        for (Share& share : sorting.shares) {
            share.far.clear();
            share.linked = 0;
        }
        return false;
    }
    settle_shares(links, sorting);
    for (std::size_t slot = 0; slot < capacity; ++slot) {
        const std::size_t found = joins_upper(slot);
        if (found == capacity) continue;
        const Index latest = lower.first_seen[slot], earliest = upper.last[found];
        links.next->set(latest, earliest);
        if (links.previous) links.previous->set(earliest, latest);
        ++*links.linked;
    }
    return true;
}

// Links a bucket's places, given in file order, from the last back; false when
// they have more distinct hashes than the table may hold.
template <class Index>
bool StretchChains<Index>::link_through_table(Keyed* begin, Keyed* end, const Links& links, Table& table) const {
    auto size = static_cast<std::size_t>(end - begin);
    std::size_t capacity = std::bit_ceil(std::min(2 * size, table_slots_));
    return link_backwards(size, capacity, [&](std::size_t k) { return begin[k]; }, links, table);
}

// Links `size` places, item(k) the k-th in file order, from the last back
// through a table of the last place seen of each hash (`capacity` slots, a
// power of two); false once their distinct hashes are more than half of it.
template <class Index>
template <class Item>
bool StretchChains<Index>::link_backwards(std::size_t size, std::size_t capacity, Item item, const Links& links,
                                          Table& table) const {
    table.last.assign(capacity, Index{-1});
    table.hashes.resize(capacity);
    table.first_seen.resize(capacity);
    // In locals: the links written between may alias the vectors' own pointers.
    Index* last = table.last.data();
    std::uint32_t* hashes = table.hashes.data();
    Index* first_seen = table.first_seen.data();
    std::size_t distinct = 0;
    std::int64_t joined = 0;  // to a later place
    for (std::size_t k = size; k-- > 0;) {
        const Keyed keyed = item(k);
        std::size_t slot = keyed.key & (capacity - 1);
        while (last[slot] >= 0 && hashes[slot] != keyed.key) slot = (slot + 1) & (capacity - 1);
        if (last[slot] < 0) {
            if (2 * ++distinct > capacity) return false;
            hashes[slot] = keyed.key;
            first_seen[slot] = keyed.place;
        }
        joined += last[slot] >= 0;
        links.join(keyed.place, last[slot]);
        last[slot] = keyed.place;
    }
    table.distinct = distinct;
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
