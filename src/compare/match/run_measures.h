// What the run finder (run_finder.h), the suffix search (suffix_search.h) and
// the chain search (chain_search.h) use to tell how far a pattern of lines
// matches, and whether it can.
#pragma once

#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vesk {

// Lines compared one by one before a costlier way of telling how far lines
// match is taken (a hash of the stretch, or the suffix index): a candidate that
// is no full match mostly fails on the first line or two, and eight fingerprint
// comparisons cost less than one hash (two wide multiplications and two table
// reads) or one lookup; stretches this short need neither.
constexpr std::int64_t LINES_COMPARED_FIRST = 8;

// Whether the first of `length` fingerprints comes again among the others,
// compared four at a time: in most stretches of most files it does not, and
// the whole stretch is looked at.
inline bool first_recurs(const std::uint32_t* lines, std::int64_t length) {
    std::int64_t k = 1;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi32(static_cast<int>(lines[0]));
    for (; k + 4 <= length; k += 4) {
        __m128i alike = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lines + k)), first);
        if (_mm_movemask_epi8(alike) != 0) return true;
    }
#endif
    for (; k < length; ++k)
        if (lines[k] == lines[0]) return true;
    return false;
}

// Whether some stretch shorter than `length` lines both starts and ends the
// first `length` lines (a border): only then can two places where they all
// match overlap. Patterns longer than 64 lines are taken to overlap, which is
// never wrong, only slower.
bool may_overlap_itself(const std::uint32_t* lines, std::int64_t length);

// How many of the first `limit` fingerprints of `own` and `other` are equal
// before the first that differs, compared four at a time: a comparison of one
// line per step leaves each step waiting for the one before.
inline std::int64_t equal_lines(const std::uint32_t* own, const std::uint32_t* other, std::int64_t limit) {
    std::int64_t length = 0;
#if defined(__SSE2__)
    for (; length + 4 <= limit; length += 4) {
        __m128i alike = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(own + length)),
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(other + length)));
        auto same = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(alike)));
        if (same != 0xF) return length + std::countr_one(same);
    }
#endif
    while (length < limit && own[length] == other[length]) ++length;
    return length;
}

}  // namespace vesk
