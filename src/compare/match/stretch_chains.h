// The second file's stretches of every even length from 4 to 20 lines, of 24
// and of 32: each line's chained to the next line (and for 8 and 32 lines also
// the previous one) where a stretch of the same length hashes alike. Equal
// stretches always hash alike, so every place of a stretch lies on its chain; a
// collision only adds a link, which comparing the lines rejects. On files of few distinct values, where the blocks
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
    static constexpr int LEVELS = 11;
    // The stretch length of each level, shortest first: a search whose best run
    // lies between two walks the shorter's chain, and on two values meets a
    // full match every 2^(best - length) links. Those links lie 2^length lines
    // apart, so from 14 lines on each one costs a miss of the caches: levels
    // 2 lines apart up to 20 keep a walk to four links a match. Bests of 24
    // lines and more come only after some 2^24 lines, so 24 serves them; 32 is
    // follow()'s.
    static constexpr std::array<std::int64_t, LEVELS> LENGTHS{4, 6, 8, 10, 12, 14, 16, 18, 20, 24, 32};
    // The levels kept both ways: the one that witnesses lie on (see
    // ChainSearch::best_reaches()) and the longest.
    static constexpr int WITNESS = 2;
    static constexpr int LONGEST = LEVELS - 1;

    // table_slots: the most slots of the table that links one bucket of places
    // (see link()); tests make it small, so that buckets are also sorted.
    // beside: whether a second thread makes half of every stage (the chains
    // are the same either way).
    StretchChains(const std::uint32_t* second, std::int64_t count, std::size_t table_slots = std::size_t{1} << 16,
                  bool beside = false);

    // Whether the level's chains were made: a level is left out (but for WITNESS
    // and LONGEST) when on the last level made more than one place in four has
    // no later place of its stretch. The longer stretches then hardly recur in
    // the file, and a search walks the longest level made that serves it, in a
    // few links: on 50,000 lines of two values the levels from 16 lines on
    // would cost 4 % of the time.
    bool made(int level) const { return made_[static_cast<std::size_t>(level)]; }
    // The next (previous) line after (before) `at` whose stretch of level's length
    // hashes like at's, or -1; previous() is kept for WITNESS and LONGEST only.
    // The level must have been made.
    std::int64_t next(int level, std::int64_t at) const { return next_[static_cast<std::size_t>(level)].to(at); }
    std::int64_t previous(int level, std::int64_t at) const {
        return previous_[static_cast<std::size_t>(level)].to(at);
    }

private:
    // One level's links one way: as distances in 16 bits (0 for none) while
    // every one fits, else as line numbers. On few values the places of the
    // shorter stretches lie a few to a few thousand lines apart.
    class Chain {
    public:
        // Every link none: in 16 bits, or as line numbers from the start where
        // `wide` (a chain made by two threads that will need them).
        void prepare(std::int64_t count, bool wide);
        void release();
        bool is_wide() const { return !wide_.empty(); }
        static std::int64_t distance(std::int64_t at, std::int64_t to) { return to < 0 ? 0 : to > at ? to - at : at - to; }
        // Whether the link can be set without widening the chain.
        bool holds(std::int64_t at, std::int64_t to) const { return !wide_.empty() || distance(at, to) <= NARROWEST_FAR; }
        void set(std::int64_t at, std::int64_t to) {
            std::int64_t distance = Chain::distance(at, to);
            if (wide_.empty() && distance > NARROWEST_FAR) widen();
            if (wide_.empty()) narrow_[static_cast<std::size_t>(at)] = static_cast<std::uint16_t>(distance);
            else wide_[static_cast<std::size_t>(at)] = static_cast<Index>(to);
        }
        std::int64_t to(std::int64_t at) const {
            if (!wide_.empty()) return wide_[static_cast<std::size_t>(at)];
            std::int64_t distance = narrow_[static_cast<std::size_t>(at)];
            return distance == 0 ? -1 : forward_ ? at + distance : at - distance;
        }
        void set_forward(bool forward) { forward_ = forward; }

    private:
        static constexpr std::int64_t NARROWEST_FAR = 0xFFFF;
        [[gnu::cold]] void widen();

        WorkVector<std::uint16_t> narrow_;
        WorkVector<Index> wide_;
        bool forward_ = true;
    };

    struct Keyed {
        std::uint32_t key;
        Index place;
    };
    // A table of the last place seen of each hash (last, -1 for a free slot),
    // with the first place seen of each (the latest in file order, since places
    // come from the last back).
    struct Table {
        WorkVector<Index> last;
        WorkVector<Index> first_seen;
        WorkVector<std::uint32_t> hashes;
        std::size_t distinct = 0;
        std::size_t find(std::uint32_t key) const {
            const std::size_t mask = last.size() - 1;
            std::size_t slot = key & mask;
            while (last[slot] >= 0 && hashes[slot] != key) slot = (slot + 1) & mask;
            return slot;
        }
    };
    // A link farther than a chain of distances holds, set by one of two
    // threads: it waits until both are done, since widening the chain moves it.
    struct Far {
        Index at, to;
        bool previous;  // of the previous chain, else of the next
    };
    // What one thread's share of a level's linking uses.
    struct Share {
        Table table;
        WorkVector<std::int64_t> counts;  // of places per bucket
        WorkVector<Far> far;
        std::int64_t linked = 0;  // the share's places linked to a later one
    };
    // The buffers of linking, kept from level to level.
    struct Sorting {
        explicit Sorting(std::size_t size) { items.reserve(size); }
        WorkVector<Keyed> items;
        WorkVector<std::int64_t> starts = WorkVector<std::int64_t>((1 << 11) + 1);
        Share shares[2];
        bool in_order = true;  // until a level has too many distinct hashes for link_in_order()
        std::int64_t linked = 0;  // the level's places linked to a later one
    };
    // The chains one level's links go into.
    struct Links {
        Chain* next;
        Chain* previous;  // or null
        std::int64_t* linked;  // counts the places joined to a later one (by the callers of join())
        WorkVector<Far>* far = nullptr;  // where set, the far links wait there
        // Inlined: it is called for every place of every level.
        [[gnu::always_inline]] void join(Index earlier, Index later) const;
        [[gnu::always_inline]] void set(Chain* chain, Index at, Index to) const {
            if (far == nullptr || chain->holds(at, to)) chain->set(at, to);
            else far->push_back({at, to, chain == previous});
        }
        Links of_share(Share& share) const { return {next, previous, &share.linked, &share.far}; }
    };

    void extend(WorkVector<std::uint32_t>& hashes, const WorkVector<std::uint32_t>& next, std::int64_t length,
                std::int64_t step);
    void link(int level, WorkVector<std::uint32_t>& hashes, std::int64_t places, Sorting& sorting);
    void lay_out(const WorkVector<std::uint32_t>& hashes, std::int64_t places, Sorting& sorting) const;
    void link_buckets(const Links& links, Sorting& sorting) const;
    Links prepare_links(int level, Sorting& sorting);
    bool link_in_order(const WorkVector<std::uint32_t>& hashes, std::int64_t places, const Links& links,
                       Sorting& sorting) const;
    bool link_in_order_by_halves(const WorkVector<std::uint32_t>& hashes, std::int64_t places, const Links& links,
                                 Sorting& sorting) const;
    bool link_through_table(Keyed* begin, Keyed* end, const Links& links, Table& table) const;
    template <class Item>
    bool link_backwards(std::size_t size, std::size_t capacity, Item item, const Links& links, Table& table) const;
    static void link_sorted(Keyed* begin, Keyed* end, const Links& links);
    static void settle_shares(const Links& links, Sorting& sorting);

    std::int64_t count_;
    std::size_t table_slots_;
    bool beside_;
    std::array<Chain, LEVELS> next_;
    std::array<Chain, LEVELS> previous_;  // empty but for WITNESS and LONGEST
    std::array<bool, LEVELS> made_{};
};

extern template class StretchChains<std::int32_t>;
extern template class StretchChains<std::int64_t>;

}  // namespace vesk
