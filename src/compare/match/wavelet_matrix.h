// A sequence of numbers that answers "the smallest number at least x among
// places [from, to)" in one walk down its bits: for the suffix index, the first
// second-file line at or after x among the suffixes that share a prefix with a
// first-file line. A wavelet matrix: one bit vector per bit of the numbers, the
// highest first; each level orders the places by the bits above it, zeros first,
// so that a range of places maps to one range on the next level through two
// counts of ones. Space: the numbers' bits and an eighth more for the counts.
#pragma once

#include <cstdint>
#include <span>

#include "support/memory.h"

namespace vesk {

// Bits that count the ones before any place with one cache line and one
// population count: every 64-byte line holds the ones before it, the ones before
// each of its words, and 384 bits.
class RankedBits {
public:
    RankedBits() = default;
    explicit RankedBits(std::int64_t size);

    void set(std::int64_t place);
    // Sets bits [64 * word, 64 * word + 64) at once, as `bits` holds them.
    void set_word(std::int64_t word, std::uint64_t bits);
    // Call once every bit is set, before the first ones_before().
    void count_ones();
    // Inlined into the wavelet matrix's queries, each made also for processors
    // that count ones in one instruction (see wavelet_matrix.cpp).
    [[gnu::always_inline]] std::int64_t ones_before(std::int64_t place) const {
        const std::uint64_t* words = line(place);
        std::int64_t within = place % BITS_PER_LINE;
        std::int64_t word = within / 64;
        std::uint64_t count = words[0];
        if (word > 0) count += (words[1] >> ((word - 1) * RELATIVE_BITS)) & ((1u << RELATIVE_BITS) - 1);
        std::uint64_t below = (std::uint64_t{1} << (within % 64)) - 1;
        auto last = static_cast<std::uint64_t>(__builtin_popcountll(words[2 + word] & below));
        return static_cast<std::int64_t>(count + last);
    }

private:
    // A line: the ones before it, the ones before each of its bit words after the
    // first (nine bits each), then the bit words.
    static constexpr std::int64_t WORDS_PER_LINE = 8;
    static constexpr std::int64_t BIT_WORDS = WORDS_PER_LINE - 2;
    static constexpr std::int64_t BITS_PER_LINE = 64 * BIT_WORDS;
    static constexpr int RELATIVE_BITS = 9;  // the ones before a bit word of a line: at most 320

    std::uint64_t* line(std::int64_t place) { return words_.data() + first_ + place / BITS_PER_LINE * WORDS_PER_LINE; }
    const std::uint64_t* line(std::int64_t place) const {
        return words_.data() + first_ + place / BITS_PER_LINE * WORDS_PER_LINE;
    }

    WorkVector<std::uint64_t> words_;
    std::int64_t lines_ = 0;
    std::int64_t first_ = 0;  // the first word on a cache line's start: malloc aligns to 16 bytes only
};

class WaveletMatrix {
public:
    // Numbers below 2^bits, each at its place; their memory serves the building.
    template <class Index>
    WaveletMatrix(WorkVector<Index>&& numbers, int bits);

    // The smallest number at least `least` at places [from, to), or -1.
    std::int64_t next_at_least(std::int64_t from, std::int64_t to, std::int64_t least) const;
    // The largest number below `bound` and the smallest at least `bound` at
    // places [from, to), -1 where there is none: one walk down the bits of bound
    // for both, since the two share its path.
    struct Around {
        std::int64_t below, above;
    };
    Around around(std::int64_t from, std::int64_t to, std::int64_t bound) const;

private:
    struct Range {
        std::int64_t from, to;
    };
    template <class Index>
    static std::int64_t ones_at(const Index* numbers, std::int64_t count, int shift);
    template <class Index>
    std::int64_t add_level(std::span<const Index> current, WorkVector<Index>& next, int shift, std::int64_t zeros);
    struct Split {
        Range zeros, ones;
    };
    [[gnu::always_inline]] Split split(int level, Range range) const;
    template <bool Up>
    [[gnu::always_inline]] std::int64_t nearest(Range range, std::int64_t bound) const;
    template <bool Smallest>
    [[gnu::always_inline]] std::int64_t extreme(int level, Range range, std::int64_t value) const;

    int bits_;
    WorkVector<RankedBits> levels_;  // levels_[0]: the highest bit
    WorkVector<std::int64_t> zeros_;  // per level, how many places hold a 0 there
};

extern template WaveletMatrix::WaveletMatrix(WorkVector<std::int32_t>&&, int);
extern template WaveletMatrix::WaveletMatrix(WorkVector<std::int64_t>&&, int);

}  // namespace vesk
