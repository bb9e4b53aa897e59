// The sums behind a line's fingerprint, shared by the byte-wise count and the
// scans that count 16 or 32 bytes at a time.
#pragma once

#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vesk::fingerprint_sums {

constexpr bool is_prime(std::uint32_t value) {
    for (std::uint32_t divisor = 2; divisor * divisor <= value; ++divisor)
        if (value % divisor == 0) return false;
    return value >= 2;
}

// Weight of each column: the 256 consecutive primes from 211 on.
constexpr std::array<std::uint32_t, 256> make_prime_weights() {
    std::array<std::uint32_t, 256> weights{};
    std::uint32_t candidate = 211;
    for (auto& weight : weights) {
        while (!is_prime(candidate)) ++candidate;
        weight = candidate++;
    }
    return weights;
}

inline constexpr std::array<std::uint32_t, 256> PRIME_WEIGHTS = make_prime_weights();
static_assert(PRIME_WEIGHTS[0] == 211 && PRIME_WEIGHTS[1] == 223 && PRIME_WEIGHTS[255] == 1997);

// The two running sums; the weights repeat every 256 counted characters.
struct Sums {
    std::uint32_t weighted = 0;  // sum of weight[column] * byte
    std::uint32_t positional = 0;  // sum of column * byte
    std::uint32_t column = 0;

    void count(std::uint32_t byte) {
        weighted += PRIME_WEIGHTS[column] * byte;
        positional += column * byte;
        column = (column + 1) & 0xFF;
    }
    std::uint32_t fingerprint() const { return (weighted << 8) + positional; }
};

// Weights and columns of consecutive columns from any start, without a wrap
// test: entry k of each table serves column k mod 256, for blocks of up to 32.
struct BlockTables {
    alignas(32) std::int16_t weights[256 + 32];
    alignas(32) std::int16_t columns[256 + 32];
};

constexpr BlockTables make_block_tables() {
    BlockTables tables{};
    for (int at = 0; at < 256 + 32; ++at) {
        tables.weights[at] = static_cast<std::int16_t>(PRIME_WEIGHTS[at & 0xFF]);  // at most 1,997
        tables.columns[at] = static_cast<std::int16_t>(at & 0xFF);
    }
    return tables;
}

inline constexpr BlockTables BLOCK_TABLES = make_block_tables();

#if defined(__SSE2__)
// Sums of whole blocks of 16 bytes, kept in vector lanes until the line ends. Every product (a byte times a weight of at most
// 1,997 or a column of at most 255) and every pair of them fits a signed 32-bit
// lane, and the lanes add up modulo 2^32 just as the byte-wise sums do.
class BlockSums {
public:
    explicit BlockSums(Sums& sums) : sums_(sums) {}

    // Counts the 16 bytes of block; zero bytes add nothing but a column each.
    void count(__m128i block) {
        const __m128i zero = _mm_setzero_si128();
        __m128i low = _mm_unpacklo_epi8(block, zero), high = _mm_unpackhi_epi8(block, zero);
        weighted_ = _mm_add_epi32(weighted_, multiply_add(low, high, BLOCK_TABLES.weights));
        positional_ = _mm_add_epi32(positional_, multiply_add(low, high, BLOCK_TABLES.columns));
        sums_.column = (sums_.column + 16) & 0xFF;
    }

    // Adds the lanes to the plain sums, before bytes are counted one by one.
    void flush() {
        sums_.weighted += lane_total(weighted_);
        sums_.positional += lane_total(positional_);
        weighted_ = positional_ = _mm_setzero_si128();
    }

private:
    __m128i multiply_add(__m128i low, __m128i high, const std::int16_t* table) const {
        const std::int16_t* from = table + sums_.column;
        return _mm_add_epi32(_mm_madd_epi16(low, _mm_loadu_si128(reinterpret_cast<const __m128i*>(from))),
                             _mm_madd_epi16(high, _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8))));
    }

    static std::uint32_t lane_total(__m128i lanes) {
        lanes = _mm_add_epi32(lanes, _mm_shuffle_epi32(lanes, 0x4E));  // swap the halves
        lanes = _mm_add_epi32(lanes, _mm_shuffle_epi32(lanes, 0xB1));  // swap neighbours
        return static_cast<std::uint32_t>(_mm_cvtsi128_si32(lanes));
    }

    Sums& sums_;
    __m128i weighted_ = _mm_setzero_si128();
    __m128i positional_ = _mm_setzero_si128();
};

// Bit k set when byte k of the block is below 0x20.
inline unsigned control_bytes(__m128i block) {
    __m128i at_least_space = _mm_cmpeq_epi8(_mm_max_epu8(block, _mm_set1_epi8(0x20)), block);
    return ~static_cast<unsigned>(_mm_movemask_epi8(at_least_space)) & 0xFFFF;
}
#endif

}  // namespace vesk::fingerprint_sums
