#include "compare/match/chain_search.h"

#include <algorithm>
#include <bit>

#include "compare/match/run_measures.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vesk {
namespace {

// What comparing this many lines costs of a search's allowance, as one link does.
constexpr std::int64_t LINES_PER_STEP = 8;

// The most periods periods_around() tells: the zone of the longest level.
constexpr std::int64_t PERIODS_TOLD = 31;

// Places that follow() weighs as witnesses of how long the scan's best is when
// it gets to the zone (see best_reaches()).
constexpr int WITNESSES = 16;

}  // namespace

// Where the walk along one level's chain stands: the last place visited, which
// holds the pattern's first stretch of that level's length.
template <class Index>
struct ChainSearch<Index>::Walk {
    int level = -1;
    std::int64_t at = -1;
};

template <class Index>
ChainSearch<Index>::ChainSearch(const std::uint32_t* first, const std::uint32_t* second,
                                const StretchChains<Index>& chains)
    : fp1_(first), fp2_(second), chains_(chains) {
    int longest = -1;  // made, and no longer than the length
    int next = 0;
    for (std::size_t length = 0; length < level_for_.size(); ++length) {
        for (; next < StretchChains<Index>::LEVELS &&
               StretchChains<Index>::LENGTHS[static_cast<std::size_t>(next)] <= static_cast<std::int64_t>(length);
             ++next)
            if (chains_.made(next)) longest = next;
        level_for_[length] = longest;
    }
}

template <class Index>
std::optional<FoundRun> ChainSearch<Index>::find(std::int64_t line, std::int64_t end1, std::int64_t hi2,
                                                 std::int64_t first, std::int64_t& allowance) const {
    FoundRun best{shared(line, first, std::min(end1 - line, hi2 - first)), first};
    std::int64_t resume = first + best.length;
    Walk walk;
    while (best.length < end1 - line) {
        std::int64_t length = std::max<std::int64_t>(best.length, 2);
        std::int64_t at2 = next_full_match(line, length, resume, hi2, best.start, walk, allowance);
        if (at2 == -2) return std::nullopt;
        if (at2 < 0) break;
        std::int64_t run = length + shared(line + length, at2 + length, std::min(end1 - line, hi2 - at2) - length);
        allowance -= run / LINES_PER_STEP;
        if (run > best.length) best = {run, at2};
        resume = at2 + run;
    }
    return best;
}

// The first place at2 >= resume, at2 + length <= hi2, where `length` lines of
// the pattern from `line` match; -1 when there is none, -2 when the allowance
// ran out first. A full match holds the pattern's first stretch of the longest
// level made no longer than `length`, so it lies on that stretch's chain, which
// `anchor` (the best run's place, holding at least `length` lines) is on; the
// walk goes on from where the last call left it while the level stays.
// Patterns shorter than every level are looked for place by place: on few
// values they match within a few lines.
template <class Index>
std::int64_t ChainSearch<Index>::next_full_match(std::int64_t line, std::int64_t length, std::int64_t resume,
                                                 std::int64_t hi2, std::int64_t anchor, Walk& walk,
                                                 std::int64_t& allowance) const {
    int level = length < static_cast<std::int64_t>(level_for_.size())
                    ? level_for_[static_cast<std::size_t>(length)]
                    : StretchChains<Index>::LONGEST;
    if (level < 0) return next_short_match(line, length, resume, hi2, allowance);
    if (walk.level != level) walk = {level, anchor};
    for (std::int64_t at2 = chains_.next(level, walk.at); at2 >= 0; at2 = chains_.next(level, at2)) {
        if (--allowance < 0) return -2;
        if (at2 + length > hi2) return -1;
        walk.at = at2;
        if (at2 >= resume && holds(line, at2, length, allowance)) return at2;
    }
    return -1;
}

// next_full_match() for a pattern shorter than every level: the places from
// resume on whose first and last lines match are tested four at a time.
template <class Index>
std::int64_t ChainSearch<Index>::next_short_match(std::int64_t line, std::int64_t length, std::int64_t resume,
                                                  std::int64_t hi2, std::int64_t& allowance) const {
    std::int64_t at2 = resume;
#if defined(__SSE2__)
    const std::uint32_t* own = fp1_ + line;
    const __m128i head = _mm_set1_epi32(static_cast<int>(own[0]));
    const __m128i tail = _mm_set1_epi32(static_cast<int>(own[length - 1]));
    for (; at2 + 3 + length <= hi2; at2 += 4) {
        if ((allowance -= 4) < 0) return -2;
        const std::uint32_t* other = fp2_ + at2;
        __m128i heads = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(other)), head);
        __m128i tails = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(other + length - 1)), tail);
        auto both = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_and_si128(heads, tails))));
        for (; both != 0; both &= both - 1) {
            std::int64_t place = at2 + std::countr_zero(both);
            if (holds(line, place, length, allowance)) return place;
        }
    }
#endif
    for (; at2 + length <= hi2; ++at2) {
        if (--allowance < 0) return -2;
        if (holds(line, at2, length, allowance)) return at2;
    }
    return -1;
}

// Whether `length` lines match from line and at2: the last first, as the scan
// tests a candidate, then the rest.
template <class Index>
bool ChainSearch<Index>::holds(std::int64_t line, std::int64_t at2, std::int64_t length,
                               std::int64_t& allowance) const {
    const std::uint32_t* own = fp1_ + line;
    const std::uint32_t* other = fp2_ + at2;
    if (own[length - 1] != other[length - 1]) return false;
    allowance -= length / LINES_PER_STEP;
    return shared(line, at2, length - 1) == length - 1;
}

// How many lines from line and at2 match, at most `limit`.
template <class Index>
std::int64_t ChainSearch<Index>::shared(std::int64_t line, std::int64_t at2, std::int64_t limit) const {
    return equal_lines(fp1_ + line, fp2_ + at2, limit);
}

// With M + 1 lines at p - 1 for the line before, M lines match from p (the
// window cuts both runs alike). Take M at least the longest level's k lines:
// when no other place of the window holds the line's first k lines, no other
// place has a run of k lines, so nothing before p ties with M and nothing after
// it beats M. So
// the scan records (M, p) unless it never stops at p: a run it measures before p
// reaches past p. Such a run is shorter than k, so its place lies in the zone of
// the k - 2 places before p. A zone place whose run reaches past p is measured
// only if that run is at least the scan's best when it gets there; if the
// scan's best is then surely longer than every such run (best_reaches()), none
// is, the scan stops at p and records (M, p).
template <class Index>
FoundRun ChainSearch<Index>::follow(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2,
                                    FoundRun before) {
    const std::int64_t length = before.length - 1;
    const std::int64_t at2 = before.start + 1;
    constexpr int level = StretchChains<Index>::LONGEST;
    const std::int64_t shared_lines = StretchChains<Index>::LENGTHS[static_cast<std::size_t>(level)];
    if (length < shared_lines) return {0, 0};
    if (chains_.previous(level, at2) >= lo2) return {0, 0};
    std::int64_t later = chains_.next(level, at2);
    if (later >= 0 && later + shared_lines <= hi2) return {0, 0};
    const Zone zone{std::max(lo2, at2 - shared_lines + 2), at2, shared_lines - 1};
    std::int64_t reaching = longest_reaching(line, end1, zone);
    if (reaching > 0 && !best_reaches(line, lo2, zone, reaching + 1)) return {0, 0};
    return {length, at2};
}

// The longest run from a zone place that reaches past the zone's end (every
// one is shorter than zone.longest), 0 when none does. Where the zone holds all
// of PERIODS_TOLD places before at2, the second file's lines there are the first
// file's before the line (inside a long run, as most are), and PERIODS_TOLD
// lines follow the line within end1, the place s lines before at2 reaches past
// it exactly when the first file repeats itself every s lines from s lines
// before the line through s lines after it, which periods_around() tells.
template <class Index>
std::int64_t ChainSearch<Index>::longest_reaching(std::int64_t line, std::int64_t end1, const Zone& zone) {
    const std::int64_t at2 = zone.end;
    std::int64_t longest = 0;
    if (at2 - zone.start == zone.longest - 1 && line >= zone.longest - 1 && line + PERIODS_TOLD < end1 &&
        shared(line - (zone.longest - 1), zone.start, zone.longest - 1) == zone.longest - 1) {
        std::uint32_t periods = periods_around(line) & ((std::uint32_t{2} << (zone.longest - 1)) - 1);
        for (; periods != 0; periods &= periods - 1)
            longest = std::max(longest, shared(line, at2 - std::countr_zero(periods), zone.longest));
        return longest;
    }
    for (std::int64_t place = at2 - 1; place >= zone.start; --place) {
        if (fp2_[place] != fp1_[line] || shared(line, place, at2 - place + 1) <= at2 - place) continue;
        longest = std::max(longest, shared(line, place, zone.longest));
    }
    return longest;
}

// A bit s (1 to PERIODS_TOLD) for each period s that the first file has from
// s lines before `line` through s lines after it: fp1[x] = fp1[x + s] for every
// x in [line - s, line]. The counts of such x in a row are carried from line to
// line, as follow() is asked line after line along a run. The caller makes sure
// that PERIODS_TOLD lines follow `line`.
template <class Index>
std::uint32_t ChainSearch<Index>::periods_around(std::int64_t line) {
    constexpr std::int64_t ZONE = PERIODS_TOLD;
    std::int64_t from = line;
    if (periods_.line != line - 1) {
        periods_.counts.fill(0);
        from = std::max<std::int64_t>(0, line - ZONE - 1);
    }
    periods_.line = line;
    auto& counts = periods_.counts;
    std::uint32_t periods = 0;
#if defined(__SSE2__)
    // Lane s of the two vectors counts for the period s (lane 0 is never asked).
    const __m128i most = _mm_set1_epi8(static_cast<char>(PERIODS_TOLD + 2));
    __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counts.data()));
    __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counts.data() + 16));
    for (std::int64_t x = from; x <= line; ++x) {
        const __m128i own = _mm_set1_epi32(static_cast<int>(fp1_[x]));
        __m128i alike[8];
        for (int part = 0; part < 8; ++part)
            alike[part] = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(fp1_ + x + 4 * part)), own);
        __m128i alike_low = _mm_packs_epi16(_mm_packs_epi32(alike[0], alike[1]), _mm_packs_epi32(alike[2], alike[3]));
        __m128i alike_high = _mm_packs_epi16(_mm_packs_epi32(alike[4], alike[5]), _mm_packs_epi32(alike[6], alike[7]));
        low = _mm_and_si128(_mm_min_epu8(_mm_adds_epu8(low, _mm_set1_epi8(1)), most), alike_low);
        high = _mm_and_si128(_mm_min_epu8(_mm_adds_epu8(high, _mm_set1_epi8(1)), most), alike_high);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(counts.data()), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(counts.data() + 16), high);
    const __m128i periods_low = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i periods_high = _mm_add_epi8(periods_low, _mm_set1_epi8(16));
    periods = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(low, periods_low))) |
              static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(high, periods_high))) << 16;
    periods &= ~std::uint32_t{1};
#else
    for (std::int64_t x = from; x <= line; ++x)
        for (std::size_t s = 1; s <= ZONE; ++s)
            counts[s] = fp1_[x] == fp1_[x + static_cast<std::int64_t>(s)]
                            ? static_cast<std::uint8_t>(std::min<std::int64_t>(counts[s] + 1, PERIODS_TOLD + 2))
                            : std::uint8_t{0};
    for (std::size_t s = 1; s <= ZONE; ++s)
        if (counts[s] > s) periods |= std::uint32_t{1} << s;
#endif
    return periods;
}

// Whether the scan for `line` surely measures no zone place whose run reaches
// past the zone's end, those runs being shorter than `wanted` (at least 2): so
// when its best is at least `wanted` by the time it gets to each. A witness place
// w before the zone's end whose run holds r lines makes it so for every place
// after w: the scan either stops at w, and then its best is at least r
// (measured there, or already longer), or passes over it from a run measured at
// q < w that reaches past w, and then its best is at least that run, longer
// than w - q. Only places q within r lines before w bound it lower, and the
// nearest one that reaches past w bounds it most. A witness inside the zone
// serves as well: a zone place q before it whose run reaches past the zone's
// end reaches past w, so r > w - q + 1 would bound it to w - q + 1, less than
// that run and so less than `wanted`, and r <= w - q + 1 is less already.
// Witnesses are places of the line's first stretch of the WITNESS level, found
// along its chain backwards. Runs from places other than the zone's end are
// shorter than zone.longest, so none is measured past the file's end.
template <class Index>
bool ChainSearch<Index>::best_reaches(std::int64_t line, std::int64_t lo2, const Zone& zone,
                                      std::int64_t wanted) const {
    constexpr int WITNESS = StretchChains<Index>::WITNESS;
    std::int64_t witness = zone.end;
    for (int tried = 0; tried < WITNESSES; ++tried) {
        witness = chains_.previous(WITNESS, witness);
        if (witness < lo2) return false;
        std::int64_t bound = shared(line, witness, zone.longest);
        if (bound < wanted) continue;
        for (std::int64_t place = witness - 1; place >= lo2 && witness - place + 1 < bound; --place)
            if (shared(line, place, witness - place + 1) > witness - place) bound = witness - place + 1;
        if (bound >= wanted) return true;
    }
    return false;
}

template class ChainSearch<std::int32_t>;
template class ChainSearch<std::int64_t>;

}  // namespace vesk
