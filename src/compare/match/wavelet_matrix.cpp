#include "compare/match/wavelet_matrix.h"

#include <algorithm>
#include <bit>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vesk {

namespace {

int ones_in(std::uint64_t word) { return __builtin_popcountll(word); }

// Bit `shift` of `count` numbers, the first number's in the lowest bit.
template <class Index>
std::uint64_t bits_of(const Index* numbers, std::int64_t count, int shift) {
    std::uint64_t bits = 0;
    for (std::int64_t k = 0; k < count; ++k) bits |= static_cast<std::uint64_t>((numbers[k] >> shift) & 1) << k;
    return bits;
}

// The same for 64 numbers: four 32-bit numbers at a time where the processor
// has SSE2 (every x86-64 has), their bits shifted to the top and gathered by
// one instruction.
template <class Index>
std::uint64_t bits_of_64(const Index* numbers, int shift) {
#if defined(__SSE2__)
    if constexpr (sizeof(Index) == 4) {
        __m128i to_top = _mm_cvtsi32_si128(31 - shift);
        std::uint64_t bits = 0;
        for (int k = 0; k < 64; k += 4) {
            __m128i lanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(numbers + k));
            auto tops = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_sll_epi32(lanes, to_top))));
            bits |= static_cast<std::uint64_t>(tops) << k;
        }
        return bits;
    }
#endif
    return bits_of(numbers, 64, shift);
}

// The queries are made twice, once for processors that count the ones of a word
// in one instruction: the program is built for every x86-64, and the first ones
// lacked it. The count takes most of a query's instructions. Clang 14 does not
// link clones of member functions, so its builds count the plain way.
#if defined(__GNUC__) && !defined(__clang__)
#define VESK_COUNTING_CLONES __attribute__((target_clones("popcnt", "default")))
#else
#define VESK_COUNTING_CLONES
#endif

}  // namespace

RankedBits::RankedBits(std::int64_t size)
    : words_(static_cast<std::size_t>((size / BITS_PER_LINE + 2) * WORDS_PER_LINE), 0),
      lines_(size / BITS_PER_LINE + 1) {
    auto address = reinterpret_cast<std::uintptr_t>(words_.data());
    first_ = static_cast<std::int64_t>((64 - address % 64) % 64 / sizeof(std::uint64_t));
}

void RankedBits::set(std::int64_t place) {
    std::int64_t within = place % BITS_PER_LINE;
    line(place)[2 + within / 64] |= std::uint64_t{1} << (within % 64);
}

void RankedBits::set_word(std::int64_t word, std::uint64_t bits) {
    line(word * 64)[2 + word % BIT_WORDS] = bits;
}

void RankedBits::count_ones() {
    std::uint64_t total = 0;
    for (std::int64_t at = 0; at < lines_; ++at) {
        std::uint64_t* words = line(at * BITS_PER_LINE);
        words[0] = total;
        words[1] = 0;
        std::uint64_t within = 0;
        for (std::int64_t k = 0; k < BIT_WORDS; ++k) {
            if (k > 0) words[1] |= within << ((k - 1) * RELATIVE_BITS);
            within += static_cast<std::uint64_t>(ones_in(words[2 + k]));
        }
        total += within;
    }
}


// The ones of bit `shift` among `count` numbers.
template <class Index>
std::int64_t WaveletMatrix::ones_at(const Index* numbers, std::int64_t count, int shift) {
    std::int64_t ones = 0;
    for (std::int64_t word = 0; word * 64 < count; ++word) {
        const std::int64_t in_word = std::min<std::int64_t>(64, count - word * 64);
        const Index* first = numbers + word * 64;
        ones += ones_in(in_word == 64 ? bits_of_64(first, shift) : bits_of(first, in_word, shift));
    }
    return ones;
}

// Level by level, the highest bit first, in one pass over the numbers each:
// the pass sets the level's bits, places the numbers in the next level's order
// (for which it needs the count of zeros before it begins) and counts the next
// bit's ones, which the next pass needs.
template <class Index>
WaveletMatrix::WaveletMatrix(WorkVector<Index>&& numbers, int bits) : bits_(bits) {
    const auto size = static_cast<std::int64_t>(numbers.size());
    // One slot more than the numbers in each: placing writes one past the last.
    WorkVector<Index> current = std::move(numbers);
    current.emplace_back();
    WorkVector<Index> next(static_cast<std::size_t>(size) + 1);
    levels_.reserve(static_cast<std::size_t>(bits));
    std::int64_t zeros = size - ones_at(current.data(), size, bits - 1);
    for (int level = 0; level < bits; ++level) {
        zeros_.push_back(zeros);
        zeros = size - add_level(std::span<const Index>(current.data(), static_cast<std::size_t>(size)), next,
                                 bits - 1 - level, zeros);
        std::swap(current, next);
    }
}

// The level of bit `shift` of the numbers in their current order, a word of 64
// places at a time, and the next level's order: the numbers with a 0 at bit
// `shift` (`zeros` of them), then those with a 1, each in their order. Where
// each goes is picked without a branch, since the bits follow no pattern a
// branch predictor could learn. Returns how many hold a 1 at bit shift - 1.
template <class Index>
std::int64_t WaveletMatrix::add_level(std::span<const Index> current, WorkVector<Index>& next, int shift,
                                      std::int64_t zeros) {
    auto size = static_cast<std::int64_t>(current.size());
    RankedBits& row = levels_.emplace_back(size);
    std::size_t zero_at = 0, one_at = static_cast<std::size_t>(zeros);
    std::int64_t next_ones = 0;
    for (std::int64_t word = 0; word * 64 < size; ++word) {
        const Index* numbers = current.data() + word * 64;
        const std::int64_t count = std::min<std::int64_t>(64, size - word * 64);
        const std::uint64_t bits = count == 64 ? bits_of_64(numbers, shift) : bits_of(numbers, count, shift);
        row.set_word(word, bits);
        if (shift > 0)
            next_ones += ones_in(count == 64 ? bits_of_64(numbers, shift - 1) : bits_of(numbers, count, shift - 1));
        // Both write places stay in registers (an array of the two, indexed by
        // the bit, makes each step wait for the last one's store), and the pick
        // is arithmetic: a conditional there became a branch, 3 x slower.
        for (std::int64_t k = 0; k < count; ++k) {
            const std::size_t one = (bits >> k) & 1;
            next[zero_at + ((one_at - zero_at) & (0 - one))] = numbers[k];
            one_at += one;
            zero_at += 1 - one;
        }
    }
    row.count_ones();
    return next_ones;
}

// The places of `range` at `level` that hold a 0 there and those that hold a 1,
// as ranges of the next level.
inline WaveletMatrix::Split WaveletMatrix::split(int level, Range range) const {
    const RankedBits& row = levels_[static_cast<std::size_t>(level)];
    std::int64_t ones_from = row.ones_before(range.from);
    std::int64_t ones_to = row.ones_before(range.to);
    std::int64_t zeros = zeros_[static_cast<std::size_t>(level)];
    return {{range.from - ones_from, range.to - ones_to}, {zeros + ones_from, zeros + ones_to}};
}

VESK_COUNTING_CLONES std::int64_t WaveletMatrix::next_at_least(std::int64_t from, std::int64_t to,
                                                               std::int64_t least) const {
    if (from >= to || least >= (std::int64_t{1} << bits_)) return -1;
    return nearest<true>({from, to}, std::max<std::int64_t>(least, 0));
}


// As nearest() does, in both directions at once: where bound's bit is 1 the
// numbers with a 0 there are all below it, where it is 0 those with a 1 are all
// above; the deepest such branch on either side holds the answer on that side,
// unless bound itself is there. The two branches are then descended side by
// side, so that their reads from memory overlap.
VESK_COUNTING_CLONES WaveletMatrix::Around WaveletMatrix::around(std::int64_t from, std::int64_t to,
                                                                 std::int64_t bound) const {
    if (from >= to || bound < 0) return {-1, from < to ? nearest<true>({from, to}, 0) : -1};
    Range range{from, to};
    if (bound >= (std::int64_t{1} << bits_)) return {extreme<false>(0, range, 0), -1};
    std::int64_t value = 0;
    Range below{0, 0}, above{0, 0};
    int below_level = -1, above_level = -1;
    std::int64_t below_value = 0, above_value = 0;
    for (int level = 0; level < bits_ && range.from < range.to; ++level) {
        std::int64_t bit = std::int64_t{1} << (bits_ - 1 - level);
        Split halves = split(level, range);
        if ((bound & bit) != 0) {
            if (halves.zeros.from < halves.zeros.to) {
                below_level = level;
                below = halves.zeros;
                below_value = value;
            }
            range = halves.ones;
            value |= bit;
        } else {
            if (halves.ones.from < halves.ones.to) {
                above_level = level;
                above = halves.ones;
                above_value = value | bit;
            }
            range = halves.zeros;
        }
    }
    bool present = range.from < range.to;
    if (present) above_level = -1;
    // Levels at or past bits_ leave a side as it is.
    int below_from = below_level < 0 ? bits_ : below_level + 1;
    int above_from = above_level < 0 ? bits_ : above_level + 1;
    for (int level = std::min(below_from, above_from); level < bits_; ++level) {
        std::int64_t bit = std::int64_t{1} << (bits_ - 1 - level);
        if (level >= below_from) {
            Split halves = split(level, below);
            bool ones_left = halves.ones.from < halves.ones.to;
            below = ones_left ? halves.ones : halves.zeros;
            if (ones_left) below_value |= bit;
        }
        if (level >= above_from) {
            Split halves = split(level, above);
            bool zeros_left = halves.zeros.from < halves.zeros.to;
            above = zeros_left ? halves.zeros : halves.ones;
            if (!zeros_left) above_value |= bit;
        }
    }
    return {below_level < 0 ? -1 : below_value, present ? bound : above_level < 0 ? -1 : above_value};
}

// Down the bits of `bound`, among the numbers that agree with it so far. Going up
// (the smallest number at least bound), where its bit is 0 the numbers with a 1
// there are all greater; going down, where its bit is 1 those with a 0 are all
// smaller. The deepest such branch that holds any is where the answer lies when
// bound itself is absent: its smallest (going up) or largest number.
template <bool Up>
inline std::int64_t WaveletMatrix::nearest(Range range, std::int64_t bound) const {
    std::int64_t value = 0;
    int branch_level = -1;
    Range branch{0, 0};
    std::int64_t branch_value = 0;
    for (int level = 0; level < bits_ && range.from < range.to; ++level) {
        std::int64_t bit = std::int64_t{1} << (bits_ - 1 - level);
        Split halves = split(level, range);
        bool one = (bound & bit) != 0;
        Range beyond = one ? halves.zeros : halves.ones;
        if (one != Up && beyond.from < beyond.to) {
            branch_level = level;
            branch = beyond;
            branch_value = one ? value : value | bit;
        }
        range = one ? halves.ones : halves.zeros;
        if (one) value |= bit;
    }
    if (range.from < range.to) return bound;
    return branch_level < 0 ? -1 : extreme<Up>(branch_level + 1, branch, branch_value);
}

// The smallest number (or the largest) of the branch that `range` is at `level`,
// whose higher bits make `value`.
template <bool Smallest>
inline std::int64_t WaveletMatrix::extreme(int level, Range range, std::int64_t value) const {
    for (; level < bits_; ++level) {
        Split halves = split(level, range);
        bool zeros_left = halves.zeros.from < halves.zeros.to;
        bool ones_left = halves.ones.from < halves.ones.to;
        bool take_one = Smallest ? !zeros_left : ones_left;
        range = take_one ? halves.ones : halves.zeros;
        if (take_one) value |= std::int64_t{1} << (bits_ - 1 - level);
    }
    return value;
}

template WaveletMatrix::WaveletMatrix(WorkVector<std::int32_t>&&, int);
template WaveletMatrix::WaveletMatrix(WorkVector<std::int64_t>&&, int);

}  // namespace vesk
