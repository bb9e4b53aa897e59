#include "compare/match/suffix_array.h"

#include <algorithm>

#include "support/work_thread.h"

// Induced sorting in brief. A suffix is S-type when it is smaller than the suffix
// after it, else L-type; an LMS position is an S-type one after an L-type one.
// Once the LMS suffixes are sorted, one pass from the left places every L-type
// suffix after the suffix that follows it, and one from the right every S-type
// one. Sorting the LMS substrings (the stretches from one LMS position to the
// next) takes the same two passes; naming them by rank gives a text at most half
// as long, whose suffix array, made the same way, orders the LMS suffixes.

namespace vesk {
namespace {

template <class Index>
class InducedSorting {
public:
    InducedSorting(std::span<const Index> text, std::int64_t alphabet, std::span<Index> sorted)
        : text_(text), alphabet_(alphabet), sorted_(sorted), size_(static_cast<std::int64_t>(text.size())) {}

    void run();

private:
    static constexpr Index EMPTY = -1;

    // Each step of a pass reads the symbol and type before a suffix found in the
    // array, at a place unrelated to the last: fetched this many steps ahead, the
    // reads of large texts no longer wait one by one. A slot not filled yet holds
    // nothing worth fetching, which costs only the fetch.
    static constexpr std::int64_t FETCH_AHEAD = 16;
    void fetch_before(Index suffix) const {
        if (suffix <= 0) return;
        auto at = static_cast<std::size_t>(suffix - 1);
        __builtin_prefetch(text_.data() + at);
        __builtin_prefetch(smaller_.data() + at);
    }

    bool is_lms(std::int64_t at) const { return at > 0 && smaller_[at] != 0 && smaller_[at - 1] == 0; }
    Index symbol(std::int64_t at) const { return text_[static_cast<std::size_t>(at)]; }
    Index& slot(std::int64_t at) { return sorted_[static_cast<std::size_t>(at)]; }
    void classify();
    void count_buckets();
    WorkVector<Index> bucket_ends() const;
    void induce();
    std::int64_t gather_sorted_lms();
    std::int64_t name_lms_substrings(std::int64_t lms_count);
    bool same_lms_substring(std::int64_t first, std::int64_t second) const;
    void sort_reduced(std::int64_t lms_count, std::int64_t names);
    void place_sorted_lms(std::int64_t lms_count);

    std::span<const Index> text_;
    std::int64_t alphabet_;
    std::span<Index> sorted_;
    std::int64_t size_;
    WorkVector<std::uint8_t> smaller_;  // 1: the suffix is S-type
    WorkVector<Index> bucket_starts_;   // one per symbol, and the text's size last
};

template <class Index>
void InducedSorting<Index>::run() {
    if (size_ == 1) {
        slot(0) = 0;
        return;
    }
    classify();
    count_buckets();
    std::fill(sorted_.begin(), sorted_.end(), EMPTY);
    WorkVector<Index> ends = bucket_ends();
    for (std::int64_t at = 1; at < size_; ++at)
        if (is_lms(at)) slot(--ends[static_cast<std::size_t>(symbol(at))]) = static_cast<Index>(at);
    induce();
    std::int64_t lms_count = gather_sorted_lms();
    std::int64_t names = name_lms_substrings(lms_count);
    sort_reduced(lms_count, names);
    place_sorted_lms(lms_count);
    induce();
}

template <class Index>
void InducedSorting<Index>::classify() {
    smaller_.assign(static_cast<std::size_t>(size_), 0);
    smaller_[static_cast<std::size_t>(size_ - 1)] = 1;
    for (std::int64_t at = size_ - 2; at >= 0; --at) {
        auto here = static_cast<std::size_t>(at);
        smaller_[here] = symbol(at) < symbol(at + 1) || (symbol(at) == symbol(at + 1) && smaller_[here + 1] != 0);
    }
}

template <class Index>
void InducedSorting<Index>::count_buckets() {
    bucket_starts_.assign(static_cast<std::size_t>(alphabet_) + 1, 0);
    for (Index value : text_) ++bucket_starts_[static_cast<std::size_t>(value) + 1];
    for (std::size_t value = 1; value < bucket_starts_.size(); ++value)
        bucket_starts_[value] += bucket_starts_[value - 1];
}

template <class Index>
WorkVector<Index> InducedSorting<Index>::bucket_ends() const {
    return WorkVector<Index>(bucket_starts_.begin() + 1, bucket_starts_.end());
}

// The L-type suffixes from the left, each placed after the one it precedes;
// then the S-type ones from the right, every one of them placed anew.
template <class Index>
void InducedSorting<Index>::induce() {
    WorkVector<Index> heads(bucket_starts_.begin(), bucket_starts_.end() - 1);
    for (std::int64_t k = 0; k < size_; ++k) {
        if (k + FETCH_AHEAD < size_) fetch_before(slot(k + FETCH_AHEAD));
        std::int64_t at = slot(k) - 1;
        if (at >= 0 && smaller_[static_cast<std::size_t>(at)] == 0)
            slot(heads[static_cast<std::size_t>(symbol(at))]++) = static_cast<Index>(at);
    }
    WorkVector<Index> tails = bucket_ends();
    for (std::int64_t k = size_ - 1; k >= 0; --k) {
        if (k >= FETCH_AHEAD) fetch_before(slot(k - FETCH_AHEAD));
        std::int64_t at = slot(k) - 1;
        if (at >= 0 && smaller_[static_cast<std::size_t>(at)] != 0)
            slot(--tails[static_cast<std::size_t>(symbol(at))]) = static_cast<Index>(at);
    }
}

// Moves the LMS positions, in their sorted order, to the front; returns how many.
template <class Index>
std::int64_t InducedSorting<Index>::gather_sorted_lms() {
    std::int64_t count = 0;
    for (std::int64_t k = 0; k < size_; ++k)
        if (is_lms(slot(k))) slot(count++) = slot(k);
    return count;
}

// Names every LMS substring by its rank among the distinct ones and lays the
// names out in text order at the end of the array: the reduced text. LMS
// positions lie at least two apart and there are at most half as many as
// symbols, so slot lms_count + at / 2 is free and distinct for each.
template <class Index>
std::int64_t InducedSorting<Index>::name_lms_substrings(std::int64_t lms_count) {
    std::fill(sorted_.begin() + lms_count, sorted_.end(), EMPTY);
    std::int64_t names = 0;
    for (std::int64_t k = 0, previous = -1; k < lms_count; ++k) {
        std::int64_t at = slot(k);
        if (previous < 0 || !same_lms_substring(previous, at)) ++names;
        previous = at;
        slot(lms_count + at / 2) = static_cast<Index>(names - 1);
    }
    for (std::int64_t k = size_ - 1, free = size_; k >= lms_count; --k)
        if (slot(k) != EMPTY) slot(--free) = slot(k);
    return names;
}

// The end mark is an LMS substring of its own, so it never equals another.
template <class Index>
bool InducedSorting<Index>::same_lms_substring(std::int64_t first, std::int64_t second) const {
    for (std::int64_t offset = 0;; ++offset) {
        std::int64_t a = first + offset;
        std::int64_t b = second + offset;
        if (a == size_ - 1 || b == size_ - 1) return false;
        if (symbol(a) != symbol(b) || smaller_[static_cast<std::size_t>(a)] != smaller_[static_cast<std::size_t>(b)])
            return false;
        if (offset > 0 && (is_lms(a) || is_lms(b))) return is_lms(a) && is_lms(b);
    }
}

// Sorts the reduced text (recursively unless every name is distinct) into the
// front of the array, then turns its positions back into LMS positions.
template <class Index>
void InducedSorting<Index>::sort_reduced(std::int64_t lms_count, std::int64_t names) {
    auto count = static_cast<std::size_t>(lms_count);
    std::span<Index> reduced = sorted_.subspan(static_cast<std::size_t>(size_) - count);
    std::span<Index> order = sorted_.first(count);
    if (names < lms_count) {
        InducedSorting<Index>(reduced, names, order).run();
    } else {
        for (std::size_t k = 0; k < count; ++k) order[static_cast<std::size_t>(reduced[k])] = static_cast<Index>(k);
    }
    std::size_t next = 0;
    for (std::int64_t at = 1; at < size_; ++at)
        if (is_lms(at)) reduced[next++] = static_cast<Index>(at);
    for (std::size_t k = 0; k < count; ++k) order[k] = reduced[static_cast<std::size_t>(order[k])];
}

// The sorted LMS suffixes at the ends of their buckets, from the largest down,
// so that each lands at or after the slot it leaves.
template <class Index>
void InducedSorting<Index>::place_sorted_lms(std::int64_t lms_count) {
    std::fill(sorted_.begin() + lms_count, sorted_.end(), EMPTY);
    WorkVector<Index> ends = bucket_ends();
    for (std::int64_t k = lms_count - 1; k >= 0; --k) {
        Index at = slot(k);
        slot(k) = EMPTY;
        slot(--ends[static_cast<std::size_t>(symbol(at))]) = at;
    }
}

}  // namespace

template <class Index>
WorkVector<Index> suffix_array(std::span<const Index> text, std::int64_t alphabet) {
    WorkVector<Index> sorted(text.size());
    InducedSorting<Index>(text, alphabet, sorted).run();
    return sorted;
}

template <class Index>
WorkVector<Index> suffix_ranks(std::span<const Index> sorted) {
    WorkVector<Index> rank(sorted.size());
    for (std::size_t k = 0; k < sorted.size(); ++k) rank[static_cast<std::size_t>(sorted[k])] = static_cast<Index>(k);
    return rank;
}

// Kasai, in text order: the suffix after p shares at least one symbol fewer
// with the suffix before it in sorted order than p does with p's, so the count
// carries over from p to p + 1. Walking in text order needs, for each suffix,
// the one before it in sorted order (`before`), which then holds the counts by
// text position; the unique end mark stops every comparison inside the text.
// Three arrays at a time, not four: the inverse is not needed. Each stage may
// go in two halves, the second half of the text's positions counting from 0
// at its first.
template <class Index>
WorkVector<Index> common_prefixes(WorkVector<Index>&& text, std::span<const Index> sorted, bool beside) {
    WorkVector<Index> before(text.size());
    if (sorted.empty()) return std::move(text);
    const auto size = static_cast<std::int64_t>(sorted.size());
    before[static_cast<std::size_t>(sorted[0])] = -1;
    in_halves(beside, [&](int half) {
        const HalfRange range = half_of(size, half);
        const auto to = static_cast<std::size_t>(range.to);
        for (auto k = static_cast<std::size_t>(std::max<std::int64_t>(range.from, 1)); k < to; ++k)
            before[static_cast<std::size_t>(sorted[k])] = sorted[k - 1];
    });
    in_halves(beside, [&](int half) {
        const HalfRange range = half_of(size, half);
        std::size_t shared = 0;
        for (auto at = static_cast<std::size_t>(range.from); at < static_cast<std::size_t>(range.to); ++at) {
            if (before[at] < 0) {
                shared = 0;
                before[at] = 0;
                continue;
            }
            auto other = static_cast<std::size_t>(before[at]);
            while (text[at + shared] == text[other + shared]) ++shared;
            before[at] = static_cast<Index>(shared);
            if (shared > 0) --shared;
        }
    });
    WorkVector<Index> common = std::move(text);
    in_halves(beside, [&](int half) {
        const HalfRange range = half_of(size, half);
        for (auto k = static_cast<std::size_t>(range.from); k < static_cast<std::size_t>(range.to); ++k)
            common[k] = before[static_cast<std::size_t>(sorted[k])];
    });
    return common;
}

template WorkVector<std::int32_t> suffix_array(std::span<const std::int32_t>, std::int64_t);
template WorkVector<std::int64_t> suffix_array(std::span<const std::int64_t>, std::int64_t);
template WorkVector<std::int32_t> suffix_ranks(std::span<const std::int32_t>);
template WorkVector<std::int64_t> suffix_ranks(std::span<const std::int64_t>);
template WorkVector<std::int32_t> common_prefixes(WorkVector<std::int32_t>&&, std::span<const std::int32_t>, bool);
template WorkVector<std::int64_t> common_prefixes(WorkVector<std::int64_t>&&, std::span<const std::int64_t>, bool);

}  // namespace vesk
