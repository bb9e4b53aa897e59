#include "driver/line_scan.h"

#include <algorithm>
#include <string_view>

#if defined(__x86_64__)
#include <immintrin.h>
#define VESK_SCAN_32 1
#endif

#include "compare/fingerprint.h"
#include "compare/fingerprint_sums.h"
#include "model/options.h"

namespace vesk {
namespace {

using namespace fingerprint_sums;


// A byte that ends a line in place (its newline) or keeps it from staying there:
// every control byte a text may not hold (the newline, NUL and Ctrl-Z among
// them), and the carriage return, which text mode drops.
constexpr bool stops_scan(unsigned char byte) { return byte == '\r' || is_forbidden_control(byte); }

// The line through the newline at offset `newline`, fingerprinted under rules; it
// holds no byte that would make it not text.
InPlaceLine fingerprinted(const char* bytes, std::size_t newline, const TextRules& rules) {
    std::string_view line(bytes, newline + 1);
    return {line.size(), compute_fingerprint(line, rules).value()};
}

std::optional<InPlaceLine> scan_bytes(const char* bytes, std::size_t window, const TextRules& rules) {
    for (std::size_t at = 0; at < window; ++at) {
        auto byte = static_cast<unsigned char>(bytes[at]);
        if (!stops_scan(byte)) continue;
        if (byte != '\n') return std::nullopt;
        return fingerprinted(bytes, at, rules);
    }
    return std::nullopt;
}

// Ones for the first 32 bytes, then zeros: loaded from 32 - kept on, it keeps
// the first `kept` bytes of a block.
constexpr unsigned char KEEP_MASK[64] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Lines of a few bytes (lone braces, blank lines) cost less counted byte by
// byte than through a block's products and their totals.
constexpr std::size_t SHORT_LINE = 4;

// The plain line of `newline` bytes before its newline.
InPlaceLine counted_one_by_one(const char* bytes, std::size_t newline) {
    Sums sums;
    for (std::size_t at = 0; at < newline; ++at) sums.count(static_cast<unsigned char>(bytes[at]));
    return {newline + 1, sums.fingerprint()};
}

#if defined(__SSE2__)
// Bit k set when byte k of the block stops the scan.
unsigned stop_bytes(__m128i block) {
    __m128i allowed = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\t')),
                                                 _mm_cmpeq_epi8(block, _mm_set1_epi8('\f'))),
                                   _mm_cmpeq_epi8(block, _mm_set1_epi8(0x1B)));
    return control_bytes(block) & ~static_cast<unsigned>(_mm_movemask_epi8(allowed));
}

// Finding the newline and summing the bytes share one pass over the line.
std::optional<InPlaceLine> scan_16(const char* bytes, std::size_t window, const TextRules& rules) {
    const bool plain = rules.exact();
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
        if (!plain) return fingerprinted(bytes, at + newline, rules);
        // The newline and the bytes after it count for nothing.
        blocks.count(_mm_and_si128(block, _mm_loadu_si128(reinterpret_cast<const __m128i*>(KEEP_MASK + 32 - newline))));
        blocks.flush();
        return InPlaceLine{at + newline + 1, sums.fingerprint()};
    }
    return std::nullopt;
}
#endif

#if defined(VESK_SCAN_32)
// scan_16() 32 bytes at a time. Each half of a block widens to 16 words in
// order; the products and their pairwise sums fit 32-bit lanes as there.
__attribute__((target("avx2"))) std::uint32_t lane_total(__m256i lanes) {
    __m128i total = _mm_add_epi32(_mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1));
    total = _mm_add_epi32(total, _mm_shuffle_epi32(total, 0x4E));  // swap the halves
    total = _mm_add_epi32(total, _mm_shuffle_epi32(total, 0xB1));  // swap neighbours
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(total));
}

__attribute__((target("avx2"))) __m256i multiply_add(__m256i low, __m256i high, const std::int16_t* table) {
    return _mm256_add_epi32(_mm256_madd_epi16(low, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(table))),
                            _mm256_madd_epi16(high, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(table + 16))));
}

__attribute__((target("avx2"))) unsigned stop_bytes(__m256i block) {
    __m256i at_least_space = _mm256_cmpeq_epi8(_mm256_max_epu8(block, _mm256_set1_epi8(0x20)), block);
    __m256i allowed = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(block, _mm256_set1_epi8('\t')),
                                                       _mm256_cmpeq_epi8(block, _mm256_set1_epi8('\f'))),
                                      _mm256_cmpeq_epi8(block, _mm256_set1_epi8(0x1B)));
    return ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(at_least_space, allowed)));
}

__attribute__((target("avx2"))) std::optional<InPlaceLine> scan_32(const char* bytes, std::size_t window,
                                                                  const TextRules& rules) {
    const bool plain = rules.exact();
    __m256i weighted = _mm256_setzero_si256(), positional = _mm256_setzero_si256();
    std::uint32_t column = 0;
    for (std::size_t at = 0; at < window; at += 32) {
        __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at));
        std::size_t valid = std::min<std::size_t>(window - at, 32);
        unsigned stops = stop_bytes(block) & (valid == 32 ? ~0u : (1u << valid) - 1);
        std::size_t newline = 32;
        if (stops != 0) {
            newline = static_cast<std::size_t>(__builtin_ctz(stops));
            if (bytes[at + newline] != '\n') return std::nullopt;
            if (!plain) return fingerprinted(bytes, at + newline, rules);
            if (at == 0 && newline <= SHORT_LINE) return counted_one_by_one(bytes, newline);
            // The newline and the bytes after it count for nothing.
            block = _mm256_and_si256(block, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(KEEP_MASK + 32 - newline)));
        } else if (valid < 32) {
            return std::nullopt;  // no newline inside the window
        }
        if (plain) {
            __m256i low = _mm256_cvtepu8_epi16(_mm256_castsi256_si128(block));
            __m256i high = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(block, 1));
            weighted = _mm256_add_epi32(weighted, multiply_add(low, high, BLOCK_TABLES.weights + column));
            positional = _mm256_add_epi32(positional, multiply_add(low, high, BLOCK_TABLES.columns + column));
            column = (column + 32) & 0xFF;
        }
        // The fingerprint is (weighted << 8) + positional, and the lanes add up
        // modulo 2^32, so both sums are totalled at once.
        if (stops != 0)
            return InPlaceLine{at + newline + 1, lane_total(_mm256_add_epi32(_mm256_slli_epi32(weighted, 8), positional))};
    }
    return std::nullopt;
}
#endif

}  // namespace

bool processor_has(ScanWidth width) {
    switch (width) {
        case ScanWidth::bytes1: return true;
#if defined(__SSE2__)
        case ScanWidth::bytes16: return true;
#endif
#if defined(VESK_SCAN_32)
        case ScanWidth::bytes32: return __builtin_cpu_supports("avx2");
#endif
        default: return false;
    }
}

std::optional<InPlaceLine> scan_in_place_line_with(ScanWidth width, const char* bytes, std::size_t window,
                                                   const TextRules& rules) {
    switch (width) {
#if defined(VESK_SCAN_32)
        case ScanWidth::bytes32: return scan_32(bytes, window, rules);
#endif
#if defined(__SSE2__)
        case ScanWidth::bytes16: return scan_16(bytes, window, rules);
#endif
        default: return scan_bytes(bytes, window, rules);
    }
}

std::optional<InPlaceLine> scan_in_place_line(const char* bytes, std::size_t window, const TextRules& rules) {
    // Asked once: the answer cannot change while the program runs.
    static const ScanWidth widest = processor_has(ScanWidth::bytes32)   ? ScanWidth::bytes32
                                    : processor_has(ScanWidth::bytes16) ? ScanWidth::bytes16
                                                                        : ScanWidth::bytes1;
    return scan_in_place_line_with(widest, bytes, window, rules);
}

}  // namespace vesk
