#include "compare/fingerprint.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// Sums of whole blocks of 16 bytes, none of them below 0x20, kept in vector
// lanes until the line ends. Every product (a byte times a weight of at most
// 1,997 or a column of at most 255) and every pair of them fits a signed 32-bit
// lane, and the lanes add up modulo 2^32 just as the byte-wise sums do.
class BlockSums {
public:
    explicit BlockSums(Sums& sums) : sums_(sums) {}

    // Counts the 16 bytes of block; zero bytes add nothing but a column each.
    void count(__m128i block) {
        const __m128i zero = _mm_setzero_si128();
        __m128i low = _mm_unpacklo_epi8(block, zero), high = _mm_unpackhi_epi8(block, zero);
        weighted_ = _mm_add_epi32(weighted_, multiply_add(low, high, kBlockTables.weights));
        positional_ = _mm_add_epi32(positional_, multiply_add(low, high, kBlockTables.columns));
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
unsigned control_bytes(__m128i block) {
    __m128i at_least_space = _mm_cmpeq_epi8(_mm_max_epu8(block, _mm_set1_epi8(0x20)), block);
    return ~static_cast<unsigned>(_mm_movemask_epi8(at_least_space)) & 0xFFFF;
}


// Bit k set when byte k of the block is below 0x20 but no tab, form feed or
// escape: a newline, or a byte that keeps a line from being taken in place.
unsigned stop_bytes(__m128i block) {
    __m128i allowed = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\t')),
                                                 _mm_cmpeq_epi8(block, _mm_set1_epi8('\f'))),
                                   _mm_cmpeq_epi8(block, _mm_set1_epi8(0x1B)));
    return control_bytes(block) & ~static_cast<unsigned>(_mm_movemask_epi8(allowed));
}

// The block with its bytes from `kept` (at most 16) on set to zero.
__m128i keep_first(__m128i block, std::size_t kept) {
    static constexpr unsigned char kKeepMask[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    return _mm_and_si128(block, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeepMask + 16 - kept)));
}

// The last `length` (below 16) bytes of a line as a block padded with zeros.
__m128i padded_block(const unsigned char* bytes, std::size_t length) {
    alignas(16) unsigned char padded[16] = {};
    std::memcpy(padded, bytes, length);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(padded));
}
#endif

// Counts bytes one by one up to `until`; false when the line ends (at a newline or
// a NUL) or is not text, with *result set.
bool count_bytes(Sums& sums, const unsigned char* bytes, std::size_t& at, std::size_t until,
                 std::optional<std::uint32_t>& result) {
    for (; at < until; ++at) {
        if (bytes[at] == '\n' || bytes[at] == '\0') {
            result = sums.fingerprint();
            return false;
        }
        if (is_forbidden_control(bytes[at])) {
            result = std::nullopt;
            return false;
        }
        sums.count(bytes[at]);
    }
    return true;
}

// The fingerprint without -i and -b, where every byte counts as it is: blocks of
// 16 bytes without control bytes are summed at once, everything else (a block with
// a control byte up to that byte, and the last bytes) byte by byte.
std::optional<std::uint32_t> plain_fingerprint(std::string_view line) {
    Sums sums;
    std::optional<std::uint32_t> result;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    std::size_t at = 0, end = line.size();
    // The scan stops at the newline anyway; leaving it out keeps the last block clean.
    if (end > 0 && bytes[end - 1] == '\n') --end;
#if defined(__SSE2__)
    // A short line is cheaper byte by byte than through the vector set-up.
    if (end >= 16) {
        BlockSums blocks(sums);
        while (at < end) {
            std::size_t length = std::min<std::size_t>(end - at, 16);
            __m128i block = length == 16 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at))
                                         : padded_block(bytes + at, length);
            unsigned controls = control_bytes(block) & ((1u << length) - 1);
            if (controls == 0) {
                // The zeros after a short last block add nothing; the column no longer matters.
                blocks.count(block);
                at += length;
                continue;
            }
            blocks.flush();
            std::size_t through_control = at + static_cast<std::size_t>(__builtin_ctz(controls)) + 1;
            if (!count_bytes(sums, bytes, at, through_control, result)) return result;
        }
        blocks.flush();
    }
#endif
    if (!count_bytes(sums, bytes, at, end, result)) return result;
    return sums.fingerprint();
}

// Where the line at bytes ends when it can stay in place: the offset of its
// newline inside the window, or nothing.
#if !defined(__SSE2__)
std::optional<std::size_t> in_place_newline(const char* bytes, std::size_t window) {
    for (std::size_t at = 0; at < window; ++at) {
        auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte == '\n') return at;
        if (byte < 0x20 && byte != '\t' && byte != '\f' && byte != 0x1B) return std::nullopt;
    }
    return std::nullopt;
}
#endif

}  // namespace

std::optional<InPlaceLine> scan_in_place_line(const char* bytes, std::size_t window, std::uint32_t flags) {
#if defined(__SSE2__)
    const bool plain = (flags & (OPT_IGNORE_CASE | OPT_SQUEEZE_BLANKS)) == 0;
    // Finding the newline and summing the bytes share one pass over the line.
    Sums sums;
    BlockSums blocks(sums);
    for (std::size_t at = 0; at < window; at += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        std::size_t valid = std::min<std::size_t>(window - at, 16);
        unsigned stops = stop_bytes(block) & ((1u << valid) - 1);
        if (stops == 0) {
            if (valid < 16) return std::nullopt;  // no newline inside the window
            if (plain) blocks.count(block);
            continue;
        }
        auto newline = static_cast<std::size_t>(__builtin_ctz(stops));
        if (bytes[at + newline] != '\n') return std::nullopt;
        std::size_t length = at + newline + 1;
        if (!plain) return InPlaceLine{length, compute_fingerprint({bytes, length}, flags).value()};
        // The newline and the bytes after it count for nothing.
        blocks.count(keep_first(block, newline));
        blocks.flush();
        return InPlaceLine{length, sums.fingerprint()};
    }
    return std::nullopt;
#else
    std::optional<std::size_t> newline = in_place_newline(bytes, window);
    if (!newline) return std::nullopt;
    std::string_view line(bytes, *newline + 1);
    return InPlaceLine{line.size(), compute_fingerprint(line, flags).value()};
#endif
}

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
