#include "compare/match/run_finder.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>

#include "support/work_thread.h"

// How this search gives exactly the scan's result.
//
// The scan walks j from lo2 and looks at every candidate (fp2[j] = fp1[i]). The
// first candidate is measured whatever it holds. After it, with `best` the longest
// run so far, a candidate only matters if the next max(best, 2) lines all match:
// - while best is 1, a candidate whose run is one line changes nothing and the
//   scan moves on by one line, exactly as if it had not been a candidate;
// - once best >= 2, a candidate failing the last-line-first test moves the scan on
//   by one line and changes nothing; one that passes holds best lines;
// - the scan stops at a candidate with j + best > hi2, and no later j can hold
//   best lines inside the window, so a search for a full match up to hi2 - best
//   finds nothing either.
// So the scan's result is reproduced by: measure the first candidate, then
// repeatedly find the first j >= resume (the line after the last run measured)
// where the next max(best, 2) lines all match inside the window, measure it there,
// and resume after it. A run cannot outgrow end1 - i, so the search ends there.
//
// Once best >= 2, a full match whose run is exactly best lines long changes
// nothing but where the scan resumes: at its end. When the first best lines from
// i cannot overlap themselves (no shorter stretch both starts and ends them), no
// other full match starts before that end either, so the scan visits every full
// match in turn, and the only ones that count are those that also match line
// i + best: the full matches of best + 1 lines, searched for directly.

namespace vesk {
namespace {

// Blocks of a pattern are weighed for the rarest only in its first lines: a
// block that occurs a handful of times leaves few candidates, and a rarer one
// further on would save fewer than weighing on to it costs.
constexpr std::int64_t WEIGHED_LINES = 8;

// Lines a measurement compares at once where the lines differ from their
// neighbours (so no block of equal lines can be stepped over whole): runs of
// such lines are long on files whose fingerprints collide, and comparing one
// line per step leaves each step waiting for the one before.
constexpr std::int64_t LINES_COMPARED_AT_ONCE = 16;

// What a search along the stretch chains may cost (see ChainSearch::find()):
// on lines drawn from two values one costs a few hundred; where it runs out, the
// files are of another kind (a short cycle of lines, one line repeated), which
// the suffix index serves. Under the tuning that makes the chains for the first
// search, an allowance small enough that searches on small files both finish
// along the chains and run out.
constexpr std::int64_t CHAIN_ALLOWANCE = 1 << 14;
constexpr std::int64_t TESTED_CHAIN_ALLOWANCE = 256;
// Searches along the chains stop once more than one in CHAIN_FAILURE_SHARE of
// them, and more than CHAIN_FAILURES_KEPT in all, ran out of their allowance.
constexpr std::int64_t CHAIN_FAILURE_SHARE = 16;
constexpr std::int64_t CHAIN_FAILURES_KEPT = 64;
// See chains_pay(): one in this many pairs of lines alike at least.
constexpr double CHAINED_ALIKE_SHARE = 3;

// Steps a measurement takes line by line (or block by block) before it asks the
// suffix index, once that is made.
constexpr std::int64_t STEPS_BEFORE_INDEX = 16;

// Where a second thread shares the work, the suffix index is begun on it once
// the searches that swarm have cost this many 64ths of their allowance (see
// begin_index_ahead()) with none swarming vastly: on 4,000,000 lines of varied
// text it takes about a second to make, and the first handover comes a third
// of a second after that. After a vast swarm the handover comes a few searches
// on, and an index begun then would gain little but hold its memory beside
// the hashes', which go at the handover.
constexpr std::int64_t INDEX_AHEAD_SHARE = 1;

// See take_up_made_beside(): often enough that a finder takes up what the
// other made within a few searches (those that swarm cost up to their
// allowance each), seldom enough that looking costs nothing to speak of on
// the searches that need neither.
constexpr std::int64_t BESIDE_LOOK_EVERY = 8;

}  // namespace

// The lines from line i of the first file that the next full match must hold
// (see fit_pattern()), as the search for it sees them. A full match must contain
// every block of equal lines of the pattern, so its candidates come from the
// occurrences of one block: the one whose fingerprint makes the fewest blocks in
// the second file.
template <class Index>
struct RunFinder<Index>::Pattern {
    std::int64_t line = 0;
    std::int64_t length = 0;
    bool hashed = false;  // shift and hash are computed when a candidate first needs them
    std::uint64_t shift = 1;
    std::uint64_t hash = 0;
    std::int64_t rare_offset = 0;  // where the chosen block starts in the pattern
    std::int64_t rare_group = -1;
    std::int64_t rare_blocks = std::numeric_limits<std::int64_t>::max();
    std::int64_t next_offset = 0;  // the first block not weighed yet
    // Where the last full match was found among the chosen block's occurrences,
    // or -1 after the pattern changed: later matches lie at or after it.
    std::int64_t cursor = -1;
};

// What the finders of one matching share. Each index is made under a lock by
// the first finder that needs it, and only read after; the suffix index has a
// lock of its own, so that making it (a second or so) keeps the other finder
// from nothing else. The suffix index's lock is taken before the other's.
template <class Index>
struct RunFinder<Index>::Shared {
    Shared(const LineTable& first, const LineTable& second)
        : rest1(block_rests<Index>(first.fingerprints, first.count)),
          rest2(block_rests<std::uint16_t>(second.fingerprints, second.count)) {}

    WorkVector<Index> rest1;
    WorkVector<std::uint16_t> rest2;
    std::mutex making;
    std::mutex making_index;
    // Set before a second finder starts: the hashes then stay when one finder
    // hands over, since the other may still read them.
    bool beside = false;
    std::optional<BlockIndex<Index>> blocks;
    std::optional<SparsePrefixHash> hash1;
    std::optional<FullPrefixHash> hash2;
    std::optional<StretchEnds<Index>> stretch_ends;
    std::optional<StretchChains<Index>> chains;
    std::optional<SuffixIndex<Index>> suffixes;
    // Read without the locks: whether the chains and the suffix index are made.
    std::atomic<bool> chains_made{false};
    std::atomic<bool> suffixes_made{false};
    // What chains_pay() found, once a finder weighed it (-1 before); both
    // finders would find the same, so either may store it.
    std::atomic<int> chains_paying{-1};
    // Whether the suffix index is begun ahead, and whether taking it would no
    // longer wait (see keeps_testing()); its making's thread sets the
    // second, so both come before it and outlive it.
    std::atomic<bool> index_ahead_begun{false};
    std::atomic<bool> index_ahead_placed{false};
    // Last, as it reads blocks until it is gone.
    std::optional<SuffixIndexAhead<Index>> suffixes_ahead;
};

template <class Index>
RunFinder<Index>::RunFinder(const LineTable& first, const LineTable& second, const RunTable<Index>& runs,
                            const RunFinderSettings& settings)
    : fp1_(first.fingerprints),
      fp2_(second.fingerprints),
      runs_(runs),
      count1_(first.count),
      count2_(second.count),
      shared_(std::make_shared<Shared>(first, second)),
      rest1_(shared_->rest1.data()),
      rest2_(shared_->rest2.data()),
      all_hashes_equal_(settings.all_hashes_equal),
      suffix_searching_(settings.suffixes),
      escalation_(count1_ + count2_, settings.near_miss_allowance),
      chaining_(settings.chaining) {
    const std::int64_t from_lines = settings.beside_from_lines;
    beside_ = count1_ + count2_ >= from_lines && (from_lines == 0 || WorkThread::helps());
    if (beside_) ahead_share_ = from_lines == 0 ? 0 : INDEX_AHEAD_SHARE;
    forced_beside_ = beside_ && from_lines == 0;
}

template <class Index>
RunFinder<Index>::RunFinder(Beside, const RunFinder& origin)
    : fp1_(origin.fp1_),
      fp2_(origin.fp2_),
      runs_(origin.runs_),
      count1_(origin.count1_),
      count2_(origin.count2_),
      shared_(origin.shared_),
      rest1_(origin.rest1_),
      rest2_(origin.rest2_),
      blocks_(origin.blocks_),
      hash1_(origin.hash1_),
      hash2_(origin.hash2_),
      all_hashes_equal_(origin.all_hashes_equal_),
      suffix_searching_(origin.suffix_searching_),
      stretch_ends_(origin.stretch_ends_),
      suffixes_(origin.suffixes_),
      escalation_(origin.escalation_),
      chaining_(origin.chaining_),
      chains_(origin.chains_),
      searching_chains_(origin.searching_chains_),
      chain_allowance_(origin.chain_allowance_),
      chain_searches_(origin.chain_searches_),
      chain_failures_(origin.chain_failures_),
      beside_(origin.beside_),
      forced_beside_(origin.forced_beside_),
      ahead_share_(origin.ahead_share_) {
    shared_->beside = true;
    if (chains_) chain_search_.emplace(fp1_, fp2_, *chains_);
}

// Whether the other finder has made the chains or the suffix index, looked
// at every BESIDE_LOOK_EVERY searches: this one then takes them up, as it would
// at its own next handover, instead of going on through the blocks until its
// own searches swarm enough. When it does changes only the time a search takes.
template <class Index>
void RunFinder<Index>::take_up_made_beside() {
    searches_to_look_ = BESIDE_LOOK_EVERY;
    if (!chains_ && shared_->chains_made.load(std::memory_order_acquire)) make_chains();
    if (!suffixes_ && shared_->suffixes_made.load(std::memory_order_acquire)) suffixes_ = &*shared_->suffixes;
}

template <class Index>
bool RunFinder<Index>::handed_over_beside() const {
    return shared_->chains_made.load(std::memory_order_relaxed) ||
           shared_->suffixes_made.load(std::memory_order_relaxed);
}

// Built on first need: when every search is settled by the line at the window's
// start (identical files), no index is ever made.
template <class Index>
void RunFinder<Index>::make_index() {
    std::lock_guard lock(shared_->making);
    if (!shared_->blocks) shared_->blocks.emplace(fp1_, count1_, fp2_, count2_, beside_);
    blocks_ = &*shared_->blocks;
}

template <class Index>
FoundRun RunFinder<Index>::find(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) {
    if (line <= last_.through && line > last_.line && last_.in(end1, lo2, hi2)) return last_.found;
    if (beside_ && --searches_to_look_ < 0) [[unlikely]]
        take_up_made_beside();
    if (!chains_ && chaining_ == StretchChaining::from_first_search) [[unlikely]]
        make_chains();
    if (chains_) [[unlikely]]
        return find_with_chains(line, end1, lo2, hi2);
    FoundRun found = search(line, end1, lo2, hi2);
    if (postponed_) [[unlikely]]
        return found;
    keep_last_search(line, end1, lo2, hi2, found);
    return found;
}

// The chains serve swarming searches on files of few distinct values, where
// they are made at the first search that swarms (search()), instead of the
// suffix index, which costs many times more to make and is made only when the
// searches along the chains fail.
template <class Index>
void RunFinder<Index>::make_chains() {
    {
        std::lock_guard lock(shared_->making);
        if (!shared_->chains) shared_->chains.emplace(fp2_, count2_, std::size_t{1} << 16, beside_);
        chains_ = &*shared_->chains;
        shared_->chains_made.store(true, std::memory_order_release);
    }
    chain_search_.emplace(fp1_, fp2_, *chains_);
    searching_chains_ = true;
    chain_allowance_ = chaining_ == StretchChaining::from_first_search ? TESTED_CHAIN_ALLOWANCE : CHAIN_ALLOWANCE;
}

// Whether the chains would serve the searches: the second file's lines are
// drawn from so few values that two lines taken at random are alike at least a
// third of the time (two values about equally often make it a half, four a
// quarter). Where lines are more varied, a pattern's first lines soon occur
// seldom, the blocks of equal lines lead to them, and the suffix index serves
// the searches that swarm at less cost: on a million lines drawn from four
// values the chains cost 1.20 s against the index's 1.13 (and 45 % more on 16
// or 64 values), on two values 0.9 s against 2.0. Weighed once for both
// finders: a pass over every group, 5 ms on 4,000,000 lines.
template <class Index>
bool RunFinder<Index>::chains_pay() {
    const int known = shared_->chains_paying.load(std::memory_order_relaxed);
    if (known >= 0) return known == 1;
    double alike = 0;
    for (std::int64_t group = 0; group < index().groups(); ++group) {
        double lines = 0;
        for (const Block<Index>& block : index().blocks(group)) lines += static_cast<double>(block.end - block.start);
        alike += lines * lines;
    }
    const bool pays = alike * CHAINED_ALIKE_SHARE >= static_cast<double>(count2_) * static_cast<double>(count2_);
    shared_->chains_paying.store(pays ? 1 : 0, std::memory_order_relaxed);
    return pays;
}

// find() once the chains are made: a line searched right after the line before
// it, in the same window, may take its run from that one's
// (ChainSearch::follow()); else the search goes along the chains, and where that
// costs too much, the usual way.
template <class Index>
FoundRun RunFinder<Index>::find_with_chains(std::int64_t line, std::int64_t end1, std::int64_t lo2,
                                            std::int64_t hi2) {
    FoundRun found{0, 0};
    if (previous_.line + 1 == line && previous_.in(end1, lo2, hi2))
        found = chain_search_->follow(line, end1, lo2, hi2, previous_.found);
    if (found.length == 0) {
        std::optional<FoundRun> along = searching_chains_ ? search_along_chains(line, end1, lo2, hi2) : std::nullopt;
        found = along ? *along : search(line, end1, lo2, hi2);
    }
    if (postponed_) {
        previous_.line = -1;
        return found;
    }
    keep_last_search(line, end1, lo2, hi2, found);
    previous_ = {{end1, lo2, hi2}, line, found};
    return found;
}

// The search along the chains, or none where it ran out of its allowance; once
// too many have, searches no longer go there.
template <class Index>
std::optional<FoundRun> RunFinder<Index>::search_along_chains(std::int64_t line, std::int64_t end1, std::int64_t lo2,
                                                              std::int64_t hi2) {
    std::int64_t first = first_at_or_after(line, lo2);
    if (first >= hi2) return FoundRun{0, 0};
    std::int64_t allowance = chain_allowance_;
    std::optional<FoundRun> found = chain_search_->find(line, end1, hi2, first, allowance);
    ++chain_searches_;
    if (!found && ++chain_failures_ > CHAIN_FAILURES_KEPT && chain_failures_ * CHAIN_FAILURE_SHARE > chain_searches_)
        searching_chains_ = false;
    return found;
}

// A search's answer holds for the lines after its own, in the same window, when
// it was from a line of one stretch of a repeated line v that reaches end1, up to
// the line from which a run as long as the answer's reaches end1. Every pattern
// from that stretch is v up to end1, so a run at any place is the place's stretch
// of v, capped by what the line may reach; no run the scan measured for the
// earlier line reached the later line's cap, so the scan measures the same
// lengths at the same places and finds the same. Files of one repeated line are
// searched so for nearly every line. Only such a search is kept, so that the
// check before every other search fails at its first test.
template <class Index>
void RunFinder<Index>::keep_last_search(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2,
                                        FoundRun found) {
    if (line + rest1_[line] < end1) [[likely]] {
        last_.through = -1;
        return;
    }
    last_ = {{end1, lo2, hi2}, line, end1 - std::max<std::int64_t>(found.length, 1), found};
}

// The usual search, before any index: the blocks, with the allowance of
// candidates that tells a swarming search.
template <class Index>
FoundRun RunFinder<Index>::search(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) {
    if (suffixes_ || suffix_searching_ != SuffixSearching::when_candidates_swarm) [[unlikely]] {
        return suffix_searching_ == SuffixSearching::when_candidates_swarm ? search_with_index(line, end1, lo2, hi2)
                                                                          : search_as_tuned(line, end1, lo2, hi2);
    }
    escalation_.begin_search();
    FoundRun found = find_by_blocks(line, end1, lo2, hi2);
    if (postponed_) [[unlikely]]
        return found;
    if (escalation_.swarmed() && ahead_share_ >= 0 && escalation_.index_likely(ahead_share_)) [[unlikely]]
        begin_index_ahead();
    if (escalation_.handed_over()) [[unlikely]] {
        if (!chains_ && !suffixes_ && chaining_ != StretchChaining::never && chains_pay()) {
            make_chains();
            if (std::optional<FoundRun> along = search_along_chains(line, end1, lo2, hi2)) return *along;
        }
        return find_by_suffixes(line, end1, lo2, hi2);
    }
    return found;
}

// The search once the index is made: a common line may go there at once, any
// other tries the blocks with a small allowance first.
template <class Index>
FoundRun RunFinder<Index>::search_with_index(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) {
    bool common = common_line(line);
    if (common && escalation_.common_line_goes_to_index()) return find_by_suffixes(line, end1, lo2, hi2);
    escalation_.begin_search_with_index();
    FoundRun found = find_by_blocks(line, end1, lo2, hi2);
    if (common) escalation_.score_common_search();
    return escalation_.handed_over() ? find_by_suffixes(line, end1, lo2, hi2) : found;
}

// The search as a tuning other than the program's forces it: through the blocks
// alone, or through the suffix index alone.
template <class Index>
FoundRun RunFinder<Index>::search_as_tuned(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) {
    if (suffix_searching_ == SuffixSearching::never) {
        escalation_.begin_search_without_index();
        return find_by_blocks(line, end1, lo2, hi2);
    }
    return find_by_suffixes(line, end1, lo2, hi2);
}

template <class Index>
FoundRun RunFinder<Index>::find_by_suffixes(std::int64_t line, std::int64_t end1, std::int64_t lo2,
                                            std::int64_t hi2) {
    if (!suffixes_) {
        std::lock_guard lock(shared_->making_index);
        // The hashes served only the block search's near misses, which the
        // index now spares: their memory goes before the index takes its own
        // (unless another finder may still read them).
        hash1_ = nullptr;
        hash2_ = nullptr;
        if (!shared_->beside) {
            shared_->hash1.reset();
            shared_->hash2.reset();
        }
        if (!shared_->suffixes && shared_->suffixes_ahead) {
            shared_->suffixes = shared_->suffixes_ahead->take();
            shared_->suffixes_ahead.reset();
        }
        if (!shared_->suffixes) shared_->suffixes.emplace(index(), count1_, count2_);
        suffixes_ = &*shared_->suffixes;
        shared_->suffixes_made.store(true, std::memory_order_release);
    }
    bool look_directly = suffix_searching_ != SuffixSearching::always_through_index;
    return SuffixSearch<Index>(fp1_, fp2_, *suffixes_, {rest1_, &stretch_ends()}, look_directly)
        .find(line, end1, lo2, hi2);
}

// The suffix index begun on a thread of its own, ahead of the first handover:
// on large files of varied lines the handover then finds it made, or its
// making well on. Not where the handover would make the chains instead (on few
// distinct values), nor once the index is made. Nothing the searches find
// changes: they use the index only from the handover on, as before.
template <class Index>
void RunFinder<Index>::begin_index_ahead() {
    ahead_share_ = -1;
    bool chains_next = !chains_ && chaining_ != StretchChaining::never && chains_pay();
    if (suffixes_ || chains_next) return;
    const BlockIndex<Index>& blocks = index();
    std::lock_guard lock(shared_->making_index);
    if (shared_->suffixes || shared_->suffixes_ahead) return;
    shared_->suffixes_ahead.emplace(blocks, count1_, count2_, shared_->index_ahead_placed);
    shared_->index_ahead_begun.store(true, std::memory_order_release);
}

// Whether the line's fingerprint is common in the second file (see
// SearchEscalation::common()).
template <class Index>
bool RunFinder<Index>::common_line(std::int64_t line) {
    std::int64_t group = index().group_of(line);
    return group >= 0 && SearchEscalation::common(static_cast<std::int64_t>(index().blocks(group).size()));
}

// Where a search has tested its allowance of candidates: whether it goes on
// (see SearchEscalation::keeps_testing_candidates()). While the suffix index
// is being made ahead, a search that swarms stops where searches are postponed
// (postpone_swarming()), and one that was postponed once goes to the index at
// once (hurry_to_index()), waiting for it instead of taking the processor its
// making needs. (Handing every search that swarms over once the index is
// placed cost 16 % on numbered lines whose fingerprints collide.)
template <class Index>
bool RunFinder<Index>::keeps_testing(std::int64_t& left) {
    if (!suffixes_) {
        const bool begun = shared_->index_ahead_begun.load(std::memory_order_acquire);
        const bool coming = begun && !shared_->index_ahead_placed.load(std::memory_order_acquire);
        if (postpones_ && (coming || forced_beside_)) {
            postponed_ = true;
            return false;
        }
        if (hurries_ && begun) {
            escalation_.hand_over();
            return false;
        }
    }
    return escalation_.keeps_testing_candidates(left, suffixes_ != nullptr);
}

// The search by the block index: the candidates of the pattern's rarest block.
template <class Index>
FoundRun RunFinder<Index>::find_by_blocks(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) {
    std::int64_t first = first_at_or_after(line, lo2);
    if (first >= hi2) return {0, 0};
    Bounds bounds{end1, hi2};
    FoundRun best{measure(line, first, bounds), first};
    std::int64_t resume = first + best.length;
    if (best.length >= end1 - line || last_place(line) < resume) return best;
    Pattern pattern;
    pattern.line = line;
    // The pattern changes only with best; a run as long as end1 allows ends the search.
    std::int64_t widened_for = -1;
    while (best.length < end1 - line) {
        if (widened_for != best.length) fit_pattern(pattern, best.length);
        widened_for = best.length;
        FoundRun match = whole_stretch(pattern, best.length) ? next_longer_stretch_match(pattern, resume, bounds)
                                                             : next_full_match(pattern, resume, bounds, best.length);
        if (match.length == 0) break;
        if (match.length > best.length) best = match;
        resume = match.start + match.length;
    }
    return best;
}

// The last second-file line with the fingerprint of `line`, which the second
// file holds. The scan goes on from the end of the run it measured, so where
// the fingerprint comes no more from there, the run stands: on most lines of
// most pairs, whose lines occur once in each file.
template <class Index>
std::int64_t RunFinder<Index>::last_place(std::int64_t line) {
    return index().blocks(index().group_of(line)).back().end - 1;
}

// The line at `from` itself is tried before the index, which may then never be
// needed.
template <class Index>
std::int64_t RunFinder<Index>::first_at_or_after(std::int64_t line, std::int64_t from) {
    if (from < count2_ && fp2_[from] == fp1_[line]) return from;
    std::int64_t group = index().group_of(line);
    if (group < 0) return std::numeric_limits<std::int64_t>::max();
    // Block ends grow with their starts, so the first block ending after `from`
    // holds or follows it.
    auto blocks = index().blocks(group);
    auto position = static_cast<std::size_t>(first_ending_after(blocks, from));
    if (position == blocks.size()) return std::numeric_limits<std::int64_t>::max();
    return std::max<std::int64_t>(blocks[position].start, from);
}

// The run from line of the first file and at2 of the second, exact: where both
// sides sit in blocks of one fingerprint, the shorter block's remainder is equal
// line for line, so it is taken whole (or as much of it as a capped rest says).
// Once the suffix index is made, a run that goes on past its first few steps is
// measured there in one lookup: on files of a short cycle, runs are long and
// every line of them a block of its own.
template <class Index>
std::int64_t RunFinder<Index>::measure(std::int64_t line, std::int64_t at2, const Bounds& bounds) const {
    std::int64_t limit = std::min(bounds.end1 - line, bounds.hi2 - at2);
    std::int64_t length = std::min(known_length(line, at2), limit);
    if (suffixes_) return measure_with_index(line, at2, length, limit);
    while (length < limit && fp1_[line + length] == fp2_[at2 + length]) {
        std::int64_t same = std::min<std::int64_t>(rest1_[line + length], rest2_[at2 + length]);
        if (same == 1 && limit - length >= LINES_COMPARED_AT_ONCE) {
            std::int64_t equal = equal_lines(fp1_ + line + length, fp2_ + at2 + length, LINES_COMPARED_AT_ONCE);
            length += equal;
            if (equal < LINES_COMPARED_AT_ONCE) break;
        } else {
            length += same;
        }
    }
    return std::min(length, limit);
}

template <class Index>
std::int64_t RunFinder<Index>::measure_with_index(std::int64_t line, std::int64_t at2, std::int64_t length,
                                                  std::int64_t limit) const {
    for (std::int64_t steps = 0; length < limit && fp1_[line + length] == fp2_[at2 + length]; ++steps) {
        if (steps == STEPS_BEFORE_INDEX)
            return std::min(limit, suffixes_->common(suffixes_->position_of_first(line), suffixes_->place_of_second(at2)));
        length += std::min<std::int64_t>(rest1_[line + length], rest2_[at2 + length]);
    }
    return std::min(length, limit);
}

// How many lines from line and at2 are already known to be equal. Every entry of
// the run table with a length above 0 states a true run, however stale its
// window: if the line before this one has a run through at2 - 1, this line's run
// on the same diagonal is at least one line shorter. Lines are mostly searched in
// ascending order, so this saves measuring the same run again line by line.
template <class Index>
std::int64_t RunFinder<Index>::known_length(std::int64_t line, std::int64_t at2) const {
    if (line <= runs_from_ || runs_.length(line - 1) < 2 || runs_.start(line - 1) + 1 != at2) return 0;
    return runs_.length(line - 1) - 1;
}

// Makes the pattern as long as the next full match must be: best + 1 lines where
// the first best lines cannot overlap themselves (see the top of this file), else
// max(best, 2). A pattern whose rarest block occurs once in the second file has
// one candidate at most, which the longer pattern could not make fewer, so the
// check is left out there.
template <class Index>
void RunFinder<Index>::fit_pattern(Pattern& pattern, std::int64_t best) {
    widen(pattern, std::max<std::int64_t>(best, 2));
    if (best >= 2 && pattern.rare_blocks > 1 && !may_overlap_itself(fp1_ + pattern.line, best))
        widen(pattern, best + 1);
}

// Makes the pattern `length` lines long. The blocks already weighed stay in the
// pattern, so only the new ones are weighed. Weighing stops at a fingerprint with
// a single block in the second file: only one with none is rarer, and that would
// save just the one candidate. It also stops after WEIGHED_LINES lines: where
// every line occurs a few times (numbered lines whose fingerprints collide), a
// long run would otherwise be weighed line by line for every line of it.
template <class Index>
void RunFinder<Index>::widen(Pattern& pattern, std::int64_t length) {
    if (pattern.length == length) return;
    pattern.length = length;
    pattern.hashed = false;
    pattern.cursor = -1;
    std::int64_t weighed_end = std::min(length, WEIGHED_LINES);
    while (pattern.next_offset < weighed_end && pattern.rare_blocks > 1) {
        std::int64_t group = index().group_of(pattern.line + pattern.next_offset);
        std::int64_t count = group < 0 ? 0 : static_cast<std::int64_t>(index().blocks(group).size());
        if (count < pattern.rare_blocks) {
            pattern.rare_offset = pattern.next_offset;
            pattern.rare_group = group;
            pattern.rare_blocks = count;
        }
        pattern.next_offset += rest1_[pattern.line + pattern.next_offset];
    }
}

// Where the pattern would have to start in the second file for its chosen block
// to lie in `block`, or -1 when it cannot. A pattern
// block that has other lines before it must begin where the second-file block
// begins; one with other lines after it must end where that block ends; one
// that is the whole pattern may sit anywhere inside, first at `resume`.
template <class Index>
std::int64_t RunFinder<Index>::candidate(const Pattern& pattern, const Block<Index>& block, std::int64_t resume) const {
    std::int64_t offset = pattern.rare_offset;
    std::int64_t block_start = block.start;
    std::int64_t block_end = block.end;
    std::int64_t own_rest = rest1_[pattern.line + offset];
    bool leads = offset == 0;
    bool trails = offset + own_rest >= pattern.length;
    std::int64_t size = std::min(own_rest, pattern.length - offset);
    if (leads && trails) {
        std::int64_t at = std::max(block_start, resume);
        return at + size <= block_end ? at : -1;
    }
    if (leads) return block_end - size >= block_start ? block_end - size : -1;
    bool fits = trails ? block_end - block_start >= size : block_end - block_start == size;
    return fits ? block_start - offset : -1;
}

// Whether the pattern's lines may all match from at2 (measuring there decides):
// the last few are compared one by one, and when the pattern is longer, the rest
// through the hash once candidates that passed this far and then fell short have
// cost the allowance (the program's: as many lines as making the hashes costs).
// Most that pass are full matches, which measuring walks anyway; the hashes stop a
// file of near misses from costing a pattern's length per candidate.
template <class Index>
bool RunFinder<Index>::full_match_at(Pattern& pattern, std::int64_t at2) {
    const std::uint32_t* own = fp1_ + pattern.line;
    const std::uint32_t* other = fp2_ + at2;
    std::int64_t compared = std::min(pattern.length, LINES_COMPARED_FIRST);
    for (std::int64_t k = pattern.length - 1; k >= pattern.length - compared; --k)
        if (own[k] != other[k]) return false;
    if (compared == pattern.length || suffixes_) return true;
    return !escalation_.hashes_pay() || same_hash(pattern, at2);
}

// Whether the pattern and the stretch at at2 hash alike; the hashes of both files
// are made when first asked for, as is the pattern's own.
template <class Index>
bool RunFinder<Index>::same_hash(Pattern& pattern, std::int64_t at2) {
    if (all_hashes_equal_) return true;
    if (!hash1_) {
        std::lock_guard lock(shared_->making);
        if (!shared_->hash1) {
            shared_->hash1.emplace(fp1_, count1_);
            shared_->hash2.emplace(fp2_, count2_);
        }
        hash1_ = &*shared_->hash1;
        hash2_ = &*shared_->hash2;
    }
    if (!pattern.hashed) {
        pattern.shift = stretch_shift(pattern.length);
        pattern.hash = hash1_->of(pattern.line, pattern.length, pattern.shift);
        pattern.hashed = true;
    }
    return hash2_->of(at2, pattern.length, pattern.shift) == pattern.hash;
}

// The first start j >= resume, j + length <= hi2, where all the pattern's lines
// match, with the run measured there; length 0 when there is none. A hash hit
// is confirmed by measuring, so a collision only costs time. The search's
// allowance of candidates is counted down in a local, which stays in a register;
// where it runs out, the search gets another or hands over.
template <class Index>
FoundRun RunFinder<Index>::next_full_match(Pattern& pattern, std::int64_t resume, const Bounds& bounds, std::int64_t best) {
    if (pattern.rare_group < 0) return {0, 0};
    std::int64_t offset = pattern.rare_offset;
    std::int64_t needed = shortest_useful_block(pattern, best);
    bool one_block = offset == 0 && rest1_[pattern.line] >= pattern.length;
    auto blocks = index().blocks(pattern.rare_group);
    auto size = static_cast<std::int64_t>(blocks.size());
    // Candidates grow with their blocks; a block ending at or before resume + offset
    // cannot hold the chosen block of a pattern starting at resume or later.
    std::int64_t position = pattern.cursor >= 0 ? pattern.cursor : first_ending_after(blocks, resume + offset);
    std::int64_t left = escalation_.candidates_left();
    FoundRun found{0, 0};
    for (; position < size; ++position) {
        if (--left < 0 && !keeps_testing(left)) break;
        const Block<Index>& block = blocks[static_cast<std::size_t>(position)];
        if (block.start - offset + pattern.length > bounds.hi2) break;
        if (block.end - block.start < needed && block.start > resume + offset) {
            // Every block passed over is no longer than this one, so it would be
            // passed over too; landing on one of them just skips again.
            position = index().next_longer(pattern.rare_group, position) - 1;
            continue;
        }
        std::int64_t at = candidate(pattern, block, resume);
        if (at < resume) continue;
        if (at + pattern.length > bounds.hi2) break;
        // A pattern of one repeated line matches wherever it fits inside a block:
        // no hash can tell more than that.
        if (!one_block && !full_match_at(pattern, at)) continue;
        std::int64_t length =
            one_block ? measure_in_block(pattern, at, block, bounds) : measure(pattern.line, at, bounds);
        if (length >= pattern.length) {
            found = {length, at};
            break;
        }
        escalation_.count_near_miss(length);
    }
    escalation_.keep_candidates_left(left);
    pattern.cursor = found.length > 0 ? position : size;
    return found;
}

// The shortest second-file block worth visiting for the chosen block: none
// shorter than the chosen block's length in the pattern can hold it. A pattern of
// one repeated line shorter than the first file's stretch of it, once best has
// reached the pattern's length, gains only where a block leaves room for more
// than best lines; a block of exactly best lines after resume gives a run of
// best lines, changes nothing and leaves the scan at its end, before the next block.
template <class Index>
std::int64_t RunFinder<Index>::shortest_useful_block(const Pattern& pattern, std::int64_t best) const {
    std::int64_t own = rest1_[pattern.line + pattern.rare_offset];
    std::int64_t needed = std::min(own, pattern.length - pattern.rare_offset);
    bool one_block = pattern.rare_offset == 0 && own >= pattern.length;
    return one_block && best == pattern.length && own > best ? best + 1 : needed;
}

// True when the pattern is the first file's whole stretch of one repeated line
// and best has reached it: then see next_longer_stretch_match().
template <class Index>
bool RunFinder<Index>::whole_stretch(const Pattern& pattern, std::int64_t best) const {
    return best == pattern.length && rest1_[pattern.line] == pattern.length;
}

// The next match that beats best when the pattern is the whole stretch v^r of one
// repeated line that the first file has from the line on, and best is r: see
// stretch_ends.h.
template <class Index>
FoundRun RunFinder<Index>::next_longer_stretch_match(const Pattern& pattern, std::int64_t resume, const Bounds& bounds) {
    std::int64_t stretch = pattern.length;
    std::int64_t stop =
        stretch_ends().growing_stop(pattern.line, stretch, fp1_[pattern.line + stretch], resume, bounds.hi2);
    if (stop < 0) return {0, 0};
    return {measure(pattern.line, stop, bounds), stop};
}

template <class Index>
StretchEnds<Index>& RunFinder<Index>::stretch_ends() {
    if (!stretch_ends_) {
        const BlockIndex<Index>& blocks = index();
        std::lock_guard lock(shared_->making);
        if (!shared_->stretch_ends) shared_->stretch_ends.emplace(blocks, fp2_, count2_);
        stretch_ends_ = &*shared_->stretch_ends;
    }
    return *stretch_ends_;
}

// measure() for a pattern of one repeated line placed at at2 inside a block of
// it: both sides hold that line up to the end of the shorter stretch, and the
// run goes on past it only when both stretches end together.
template <class Index>
std::int64_t RunFinder<Index>::measure_in_block(const Pattern& pattern, std::int64_t at2, const Block<Index>& block,
                                         const Bounds& bounds) const {
    std::int64_t own = rest1_[pattern.line];
    std::int64_t limit = std::min(bounds.end1 - pattern.line, bounds.hi2 - at2);
    if (block.end - at2 != own) return std::min({block.end - at2, own, limit});
    return measure(pattern.line, at2, bounds);
}

template class RunFinder<std::int32_t>;
template class RunFinder<std::int64_t>;

}  // namespace vesk
