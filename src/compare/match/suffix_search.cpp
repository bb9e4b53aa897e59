#include "compare/match/suffix_search.h"

#include <algorithm>

// Why this gives exactly the scan's result.
//
// Write m(j) for the run the scan measures at second-file line j: the lines that
// match from line i and from j, cut at end1 - i and at hi2 - j. With best the
// longest run so far, the scan stops next at the first j >= resume with
// m(j) >= max(best, 1); there best becomes m(j) if that is longer (the start
// with it), and the scan resumes at j + m(j). A stop with m(j) = 1 while best is
// 1 changes nothing and moves on by one line, as a line that is no candidate
// does, so the stops that matter are those with m(j) >= max(best, 2) once best
// is 1.
//
// Let M be the longest m(j) over [resume, hi2) and js the first j reaching it.
// If the scan stops at js it records (M, js): no stop before js had a run of M
// lines, and none after it can beat M. It misses js only by stopping at some
// q < js whose run reaches past it, q + m(q) > js; such a q lies in the M - 1
// lines before js (a run from further back is shorter than M), and its run holds
// at least max(best, 2) lines. When no line of that zone does so, (M, js) is the
// answer. Otherwise the scan is followed stop by stop until best grows, and the
// question is asked again from where it resumes.
//
// Following the scan (next_longer()): until best grows, every stop holds exactly
// best lines and the scan resumes right after it, so the stops are the places
// where best lines match, taken greedily without overlap, and the stop that
// grows best is the first place where best + 1 lines match that this chain
// reaches. The suffix index finds such places directly; the chain only needs
// following near them. Where the best lines are the line's whole stretch of one
// repeated line, the chain runs through the second file's blocks of it, and the
// blocks tell where it grows (stretch_ends.h).

namespace vesk {
namespace {

// The zone's places nearest js are compared line by line: a run through js
// starts there when js is preceded by a few lines that also begin the pattern,
// the common case on files of few distinct lines.
constexpr std::int64_t NEAR_PLACES = RECURRING_SPAN - 2;

// How far ahead of the line searched the index's reads are fetched, by stage
// (see SuffixIndex::fetch_suffixes_around()): far enough for a fetch to arrive
// before its search, near enough that what it fetched is still in the caches.
constexpr std::int64_t FETCH_SUFFIXES_AHEAD = 16;
constexpr std::int64_t FETCH_LINES_AHEAD = 8;
constexpr std::int64_t FETCH_RECURRENCES_AHEAD = 4;

// Farther places whose run stops short of js are looked at up to this many
// times; after that the scan is followed instead, which is never wrong.
constexpr std::int64_t FAR_CHECKS = 4;

// Second-file suffixes a walk visits on either side of the line's own before it
// leaves the rest to the wavelet matrices: neighbours lie side by side in memory,
// so a walk this long costs less than the two walks down a matrix it may spare.
constexpr std::int64_t WALK_STEPS = 48;

// Windows of at most this many second-file lines are scanned line by line: the
// scan reads them in about the time the index takes for a few lookups.
constexpr std::int64_t SCANNED_WINDOW = 512;

// Places after `resume` looked at one by one for the scan's next stop before the
// index is asked.
constexpr std::int64_t NEARBY_STOPS = 32;

// Jumps from one longer run to the next before the rest is found by halving.
constexpr std::int64_t JUMPS_BEFORE_HALVING = 4;

}  // namespace

// What the walks on both sides of the line's rank found: the longest run in the
// window with its first place, and a bound on what a suffix they did not reach
// may share (0: they reached every suffix that could tie or beat it).
template <class Index>
struct SuffixSearch<Index>::Walk {
    FoundRun found{0, -1};
    std::int64_t unexamined = 0;
};

template <class Index>
FoundRun SuffixSearch<Index>::find(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) const {
    if (lo2 >= hi2) return {0, 0};
    fetch_ahead(line, end1);
    Query query{line, index_.position_of_first(line), end1 - line, hi2};
    if (look_directly_ && hi2 - lo2 <= SCANNED_WINDOW) return scan(query, lo2);
    FoundRun best{0, 0};
    // The longest run from resume on stays the longest while its place lies ahead.
    FoundRun longest{0, -1};
    for (std::int64_t resume = lo2;;) {
        if (longest.start < resume) longest = leftmost_longest(query, resume);
        if (longest.length <= best.length) return best;
        if (reached(query, longest, resume, best.length)) return longest;
        FoundRun longer = next_longer(query, resume, best.length);
        if (longer.length == 0) return best;
        best = longer;
    }
}

template <class Index>
void SuffixSearch<Index>::fetch_ahead(std::int64_t line, std::int64_t end1) const {
    if (line + FETCH_SUFFIXES_AHEAD < end1) index_.fetch_suffixes_around(line + FETCH_SUFFIXES_AHEAD);
    if (line + FETCH_LINES_AHEAD < end1) index_.fetch_lines_around(line + FETCH_LINES_AHEAD, fp2_);
    if (line + FETCH_RECURRENCES_AHEAD < end1) index_.fetch_recurrences_around(line + FETCH_RECURRENCES_AHEAD);
}

// The steps of find_run themselves. A candidate that fails the last-line-first
// test has a run shorter than best: measuring it from the front decides alike.
template <class Index>
FoundRun SuffixSearch<Index>::scan(const Query& query, std::int64_t lo2) const {
    FoundRun best{0, 0};
    for (std::int64_t at2 = lo2; at2 < query.hi2;) {
        if (fp2_[at2] != fp1_[query.line]) {
            ++at2;
            continue;
        }
        if (best.length >= 2 && at2 + best.length > query.hi2) break;
        std::int64_t run = measure(query, at2);
        if (run < best.length) {
            ++at2;
            continue;
        }
        if (run > best.length) best = {run, at2};
        at2 += run;
    }
    return best;
}

// Most runs measured are short, and comparing their lines reads less memory than
// the index does; a longer one is measured through the index.
template <class Index>
std::int64_t SuffixSearch<Index>::measure(const Query& query, std::int64_t at2) const {
    std::int64_t limit = std::min(query.reach, query.hi2 - at2);
    std::int64_t compared = std::min(limit, LINES_COMPARED_FIRST);
    for (std::int64_t k = 0; k < compared; ++k)
        if (fp1_[query.line + k] != fp2_[at2 + k]) return k;
    if (compared == limit) return limit;
    return std::min(limit, index_.common(query.position, index_.place_of_second(at2)));
}

// The first place at or after `from` where the first `length` lines all match
// inside the window, or -1.
template <class Index>
std::int64_t SuffixSearch<Index>::first_match(const Query& query, std::int64_t length, std::int64_t from) const {
    if (length > query.reach || from + length > query.hi2) return -1;
    std::int64_t at2 = index_.first_second_line(index_.sharing(query.position, length), from);
    return at2 >= 0 && at2 + length <= query.hi2 ? at2 : -1;
}

// The longest run from the line in [from, hi2) and the first place it starts,
// or length 0. Suffixes near the line's own rank share the most lines with it,
// so a short walk usually settles it; what the walks leave open, the index does.
template <class Index>
FoundRun SuffixSearch<Index>::leftmost_longest(const Query& query, std::int64_t from) const {
    Walk state;
    // Among the suffixes nearest the line's, one of the window's lines turns up
    // about once in every (second-file lines / window's lines); a walk that would
    // need more steps than it may take is left out.
    if ((query.hi2 - from) * WALK_STEPS >= index_.second_count()) {
        walk(query, from, -1, state);
        walk(query, from, +1, state);
        if (state.unexamined == 0) return state.found;
    }
    return longest_beyond_walk(query, from, state);
}

// One direction away from the line's rank, from one second-file suffix to the
// next (first-file suffixes are stepped over). The lines shared with the line
// only shrink along the way, so the walk ends where they fall below the longest
// run found, which no farther suffix can then beat or tie.
template <class Index>
void SuffixSearch<Index>::walk(const Query& query, std::int64_t from, int direction, Walk& state) const {
    std::int64_t k = direction < 0 ? query.position.place - 1 : query.position.place;
    if (k < 0 || k >= index_.second_count()) return;
    std::int64_t shared = std::min(query.reach, direction < 0 ? query.position.below : query.position.above);
    for (std::int64_t step = 0;; ++step) {
        if (shared == 0 || shared < state.found.length) return;
        if (step == WALK_STEPS) {
            state.unexamined = std::max(state.unexamined, shared);
            return;
        }
        std::int64_t at2 = index_.second_line(k);
        if (at2 >= from && at2 < query.hi2) consider(query, at2, shared, state.found);
        // Nothing is longer than the line's reach: only where it first occurs is open.
        if (state.found.length == query.reach) {
            state.unexamined = query.reach;
            return;
        }
        k += direction;
        if (k < 0 || k >= index_.second_count()) return;
        shared = std::min(shared, index_.second_common(direction < 0 ? k + 1 : k));
    }
}

// Keeps the run at at2 in found when it is longer, or as long and earlier.
template <class Index>
void SuffixSearch<Index>::consider(const Query& query, std::int64_t at2, std::int64_t shared, FoundRun& found) const {
    std::int64_t length = std::min(shared, query.hi2 - at2);
    if (length > found.length || (length == found.length && at2 < found.start)) found = {length, at2};
}

// The longest run in [from, hi2) and its first place when the walks left some
// suffixes unexamined. The nearest ranks in the window on either side bound every
// run there; where the window's end cuts their runs short, each jump lands on the
// first place where more lines match than the longest run known, which is then
// the first place of its own length; should jumps keep gaining little, halving
// the interval left takes over.
template <class Index>
FoundRun SuffixSearch<Index>::longest_beyond_walk(const Query& query, std::int64_t from, Walk state) const {
    std::int64_t bound = query.reach;
    if (state.found.length < query.reach) {
        bound = 0;
        NearPlaces near = index_.nearest_places(query.position.place, from, query.hi2, look_directly_);
        for (std::int64_t place : {near.below, near.above}) {
            if (place < 0) continue;
            std::int64_t at2 = index_.second_line(place);
            std::int64_t shared = std::min(query.reach, index_.common(query.position, place));
            bound = std::max(bound, shared);
            consider(query, at2, shared, state.found);
        }
    }
    FoundRun longest = state.found;
    bool leftmost = false;  // whether longest.start is known to be the first place of its length
    for (std::int64_t jumps = 0; longest.length < bound; ++jumps) {
        if (jumps == JUMPS_BEFORE_HALVING) return longest_by_halving(query, from, longest.length, bound);
        std::int64_t at2 = first_match(query, longest.length + 1, from);
        if (at2 < 0) break;
        longest = {measure(query, at2), at2};
        leftmost = true;
    }
    if (!leftmost && longest.length > 0) longest.start = first_match(query, longest.length, from);
    return longest;
}

// Whether some place holds a given number of lines only gets less likely as the
// number grows, so the longest run lies where the answer changes; `known` is
// reached (or 0), nothing beyond `bound` is.
template <class Index>
FoundRun SuffixSearch<Index>::longest_by_halving(const Query& query, std::int64_t from, std::int64_t known,
                                                 std::int64_t bound) const {
    while (known < bound) {
        std::int64_t middle = known + (bound - known + 1) / 2;
        if (first_match(query, middle, from) >= 0) known = middle;
        else bound = middle - 1;
    }
    return {known, first_match(query, known, from)};
}

// Whether the scan, resuming at `from` with `best`, stops at the longest run's
// place: no place of the zone before it that the scan could stop at has a run
// reaching past it.
template <class Index>
bool SuffixSearch<Index>::reached(const Query& query, const FoundRun& longest, std::int64_t from,
                                  std::int64_t best) const {
    std::int64_t needed = std::max<std::int64_t>(best, 2);
    std::int64_t zone_start = std::max(from, longest.start - longest.length + 1);
    return !near_place_skips(query, longest, zone_start, needed) &&
           !far_place_skips(query, longest, zone_start, needed);
}

template <class Index>
bool SuffixSearch<Index>::near_place_skips(const Query& query, const FoundRun& longest, std::int64_t zone_start,
                                           std::int64_t needed) const {
    std::int64_t place = longest.start;
    for (std::int64_t at2 = place - 1; at2 >= std::max(zone_start, place - NEAR_PLACES); --at2) {
        if (fp2_[at2] != fp1_[query.line]) continue;
        std::int64_t run = measure(query, at2);
        if (run >= needed && at2 + run > place) return true;
    }
    return false;
}

// A place farther back reaches past the longest run's place only with a run of
// more than NEAR_PLACES + 1 lines, so only places where that many match are
// candidates, found through the index.
template <class Index>
bool SuffixSearch<Index>::far_place_skips(const Query& query, const FoundRun& longest, std::int64_t zone_start,
                                          std::int64_t needed) const {
    std::int64_t place = longest.start;
    std::int64_t last = place - NEAR_PLACES - 1;
    std::int64_t length = std::max(needed, NEAR_PLACES + 2);
    if (last < zone_start || length > query.reach) return false;
    if (lines_before_unlike_pattern(query, longest)) return false;
    PlaceRange places = index_.sharing(query.position, length);
    std::int64_t at2 = index_.first_second_line(places, zone_start);
    for (std::int64_t checks = 0; at2 >= 0 && at2 <= last; ++checks) {
        if (checks == FAR_CHECKS) return true;
        std::int64_t run = measure(query, at2);
        if (run >= needed && at2 + run > place) return true;
        at2 = index_.first_second_line(places, at2 + 1);
    }
    return false;
}

// A far place at distance d before the longest run's place has a run reaching
// past it only if lines [place - d, place] are the pattern's first d + 1: then
// the NEAR_PLACES + 2 lines ending at the place are the pattern's lines
// d - NEAR_PLACES - 1 to d, and the first file holds them at or after the line.
// True when the first file holds them nowhere, or only in the lines that end
// just before the line (where the files go on alike, they do): then no far place
// can skip the run. Where the second file repeats a short cycle that the first
// file keeps unbroken, the longest run starts just after a break in the cycle,
// which the first file lacks.
template <class Index>
bool SuffixSearch<Index>::lines_before_unlike_pattern(const Query& query, const FoundRun& longest) const {
    std::int64_t span = NEAR_PLACES + 2;
    std::int64_t stretch = longest.start - span + 1;
    std::int64_t recurrences = index_.first_file_recurrences(stretch);
    if (recurrences == 0) return true;
    std::int64_t aligned = query.line - span + 1;
    if (recurrences > 1 || aligned < 0) return false;
    return index_.common(index_.position_of_first(aligned), index_.place_of_second(stretch)) >= span;
}

// The first place at or after `from` where the first `length` lines all match
// inside the window, or -1: the next stop of the scan. It mostly lies close by,
// where looking costs less than asking the index.
template <class Index>
std::int64_t SuffixSearch<Index>::next_stop(const Query& query, std::int64_t length, std::int64_t from) const {
    std::int64_t nearby_end = std::min(query.hi2 - length + 1, from + NEARBY_STOPS);
    for (std::int64_t at2 = from; at2 < nearby_end; ++at2)
        if (fp2_[at2] == fp1_[query.line] && measure(query, at2) >= length) return at2;
    return first_match(query, length, std::max(from, nearby_end));
}

// The scan's next stop that grows best, moving resume past every stop on the
// way; length 0 when the scan ends first. Until best grows, every stop holds
// exactly best lines and the scan resumes right after it: its stops are the
// places where best lines match, taken greedily without overlap. The stop that
// grows best is the first place where best + 1 lines match that this chain
// reaches; with best below 2, or a pattern that cannot overlap itself, the
// chain reaches every such place, else see chain_entry().
template <class Index>
FoundRun SuffixSearch<Index>::next_longer(const Query& query, std::int64_t& resume, std::int64_t best) const {
    if (best >= 2 && blocks_.rest1[query.line] == best) {
        std::int64_t stop =
            blocks_.stretch_ends->growing_stop(query.line, best, fp1_[query.line + best], resume, query.hi2);
        if (stop < 0) return {0, 0};
        std::int64_t run = measure(query, stop);
        resume = stop + run;
        return {run, stop};
    }
    bool overlaps = best >= 2 && may_overlap_itself(fp1_ + query.line, best);
    for (;;) {
        std::int64_t target = next_stop(query, best + 1, resume);
        if (target < 0) return {0, 0};
        std::int64_t stop = overlaps ? chain_entry(query, best, resume, target) : target;
        std::int64_t last = stop;
        for (; stop >= 0 && stop < target; stop = next_stop(query, best, stop + best)) last = stop;
        if (stop == target) {
            std::int64_t run = measure(query, target);
            resume = target + run;
            return {run, target};
        }
        resume = last + best;
    }
}

// A place at or before target where the chain of stops resumed at `resume` must
// stop: going back from target through places where best lines match and
// overlap the one after, the first place that none overlaps (or the first at or
// after resume) is reached by the chain whatever it did before. Following the
// chain on from there tells whether it lands on target or steps over it.
template <class Index>
std::int64_t SuffixSearch<Index>::chain_entry(const Query& query, std::int64_t best, std::int64_t resume,
                                              std::int64_t target) const {
    for (std::int64_t entry = target;;) {
        std::int64_t from = std::max(resume, entry - best + 1);
        std::int64_t before = from < entry ? next_stop(query, best, from) : -1;
        if (before < 0 || before >= entry) return entry;
        entry = before;
    }
}

template class SuffixSearch<std::int32_t>;
template class SuffixSearch<std::int64_t>;

}  // namespace vesk
