#include "compare/fingerprint.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "driver/options.h"

namespace vesk {
namespace {

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

constexpr std::array<std::uint32_t, 256> kPrimeWeights = make_prime_weights();
static_assert(kPrimeWeights[0] == 211 && kPrimeWeights[1] == 223 && kPrimeWeights[255] == 1997);

constexpr bool is_blank(unsigned char byte) { return byte == ' ' || byte == '\t'; }

// A byte that -i folding takes as the first of two: top bit set, not one-byte katakana.
constexpr bool is_fold_lead(unsigned char byte) { return byte >= 0x80 && !(byte >= 0xA1 && byte <= 0xDF); }

// Where -b's stripping ends the line: after its last byte that is no blank or newline.
std::size_t stripped_length(std::string_view line) {
    std::size_t end = line.size();
    while (end > 0 && (is_blank(line[end - 1]) || line[end - 1] == '\n')) --end;
    return end;
}

// The two running sums; the weights repeat every 256 counted characters.
struct Sums {
    std::uint32_t weighted = 0;  // sum of weight[column] * byte
    std::uint32_t positional = 0;  // sum of column * byte
    std::uint32_t column = 0;

    void count(std::uint32_t byte) {
        weighted += kPrimeWeights[column] * byte;
        positional += column * byte;
        column = (column + 1) & 0xFF;
    }
    std::uint32_t fingerprint() const { return (weighted << 8) + positional; }
};

#if defined(__SSE2__)
// Weights and columns of 16 consecutive columns from any start, without a wrap test:
// entry k of each table serves column k mod 256.
struct BlockTables {
    alignas(16) std::int16_t weights[256 + 16];
    alignas(16) std::int16_t columns[256 + 16];
};

constexpr BlockTables make_block_tables() {
    BlockTables tables{};
    for (int at = 0; at < 256 + 16; ++at) {
        tables.weights[at] = static_cast<std::int16_t>(kPrimeWeights[at & 0xFF]);  // at most 1,997
        tables.columns[at] = static_cast<std::int16_t>(at & 0xFF);
    }
    return tables;
}

constexpr BlockTables kBlockTables = make_block_tables();

// Adds 16 bytes, none of them below 0x20, to the sums at once. Every product
// (a byte times a weight of at most 1,997 or a column of at most 255) and every
// pair of them fits a signed 32-bit lane, and the lanes add up modulo 2^32 just
// as the byte-wise sums do.
void count_block(Sums& sums, __m128i block) {
    const __m128i zero = _mm_setzero_si128();
    __m128i low = _mm_unpacklo_epi8(block, zero), high = _mm_unpackhi_epi8(block, zero);
    auto table = [&](const std::int16_t* entries) {
        return std::pair{_mm_loadu_si128(reinterpret_cast<const __m128i*>(entries + sums.column)),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(entries + sums.column + 8))};
    };
    auto [weight_low, weight_high] = table(kBlockTables.weights);
    auto [column_low, column_high] = table(kBlockTables.columns);
    __m128i weighted = _mm_add_epi32(_mm_madd_epi16(low, weight_low), _mm_madd_epi16(high, weight_high));
    __m128i positional = _mm_add_epi32(_mm_madd_epi16(low, column_low), _mm_madd_epi16(high, column_high));
    alignas(16) std::uint32_t lanes[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), weighted);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 4), positional);
    sums.weighted += lanes[0] + lanes[1] + lanes[2] + lanes[3];
    sums.positional += lanes[4] + lanes[5] + lanes[6] + lanes[7];
    sums.column = (sums.column + 16) & 0xFF;
}

// Bit k set when byte k of the block is below 0x20.
unsigned control_bytes(__m128i block) {
    __m128i at_least_space = _mm_cmpeq_epi8(_mm_max_epu8(block, _mm_set1_epi8(0x20)), block);
    return ~static_cast<unsigned>(_mm_movemask_epi8(at_least_space)) & 0xFFFF;
}
#endif

// The fingerprint without -i and -b, where every byte counts as it is: blocks of
// 16 bytes without control bytes are summed at once, everything else byte by byte.
std::optional<std::uint32_t> plain_fingerprint(std::string_view line) {
    Sums sums;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    std::size_t at = 0, end = line.size();
    while (at < end) {
        std::size_t slow_until = end;
#if defined(__SSE2__)
        if (end - at >= 16) {
            __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
            unsigned controls = control_bytes(block);
            if (controls == 0) {
                count_block(sums, block);
                at += 16;
                continue;
            }
            slow_until = at + static_cast<std::size_t>(__builtin_ctz(controls)) + 1;
        }
#endif
        for (; at < slow_until; ++at) {
            if (bytes[at] == '\n') return sums.fingerprint();
            if (is_forbidden_control(bytes[at])) return std::nullopt;
            sums.count(bytes[at]);
        }
    }
    return sums.fingerprint();
}

}  // namespace

int fold_case(char* text) {
    for (unsigned char* at = reinterpret_cast<unsigned char*>(text); *at != '\0'; ++at) {
        if (*at >= 'A' && *at <= 'Z') {
            *at = static_cast<unsigned char>(*at + 0x20);
        } else if (is_fold_lead(*at) && at[1] != '\0') {
            ++at;  // the second byte of a double-byte character is never folded
        }
    }
    return 0;
}

std::optional<std::uint32_t> compute_fingerprint(std::string_view line, std::uint32_t flags) {
    const bool fold = (flags & OPT_IGNORE_CASE) != 0;
    const bool squeeze = (flags & OPT_SQUEEZE_BLANKS) != 0;
    if (!fold && !squeeze) return plain_fingerprint(line);
    const std::size_t end = squeeze ? stripped_length(line) : line.size();

    Sums sums;
    Sums before_blank_run;
    bool in_blank_run = false;
    bool second_byte = false;  // -i: this byte ends a double-byte character
    for (std::size_t at = 0; at < end; ++at) {
        auto byte = static_cast<unsigned char>(line[at]);
        if (byte == '\n') break;
        if (is_forbidden_control(byte)) return std::nullopt;
        if (fold) {
            if (second_byte) {
                second_byte = false;
            } else if (byte >= 'A' && byte <= 'Z') {
                byte = static_cast<unsigned char>(byte + 0x20);
            } else if (is_fold_lead(byte)) {
                second_byte = true;
            }
        }
        if (squeeze && is_blank(byte)) {
            if (!in_blank_run) {
                before_blank_run = sums;
                in_blank_run = true;
                sums.count(' ');
            }
            continue;
        }
        in_blank_run = false;
        sums.count(byte);
    }
    // A blank run that ends the scanned text counts for nothing.
    if (in_blank_run) sums = before_blank_run;
    return sums.fingerprint();
}

int fingerprint_line(LineTable& table, std::string_view line, std::uint32_t flags) {
    std::optional<std::uint32_t> fingerprint = compute_fingerprint(line, flags);
    if (!fingerprint) return -1;
    table.commit_line(*fingerprint);
    return 0;
}

}  // namespace vesk
