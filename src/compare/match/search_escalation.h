// When the run search (run_finder.h) turns to a costlier way, decided from what
// the searches so far have cost: when candidates that passed their last lines are
// told apart by the stretch hashes, and when a search stops testing candidates
// and hands over to the suffix index, which is made at the first such handover.
// On typical text neither index nor hashes pay, and the search never escalates.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vesk {

class SearchEscalation {
public:
    // lines: of both files together. near_miss_allowance: how many lines near
    // misses may cost before the hashes are made and used (0: from the first
    // candidate on).
    SearchEscalation(std::int64_t lines, std::int64_t near_miss_allowance);

    // Whether a candidate whose last lines match is to be checked by hash
    // before it is measured: once near misses have cost the allowance.
    bool hashes_pay() const { return near_miss_lines_ >= near_miss_allowance_; }
    // A candidate that passed that far but held fewer lines than the pattern.
    void count_near_miss(std::int64_t lines) { near_miss_lines_ += lines; }

    // A search starts through the blocks before the suffix index is made.
    void begin_search() {
        candidates_left_ = CALL_CANDIDATES;
        call_swarm_ = 0;
        handed_over_ = false;
    }
    // The same once the index is made.
    void begin_search_with_index() {
        candidates_left_ = CALL_CANDIDATES_WITH_INDEX;
        handed_over_ = false;
    }
    // A search that never hands over (the tuning leaves the index out).
    void begin_search_without_index() { candidates_left_ = std::numeric_limits<std::int64_t>::max(); }

    // The current search's allowance of candidates, counted down by the search
    // in a local of its own and handed back after.
    std::int64_t candidates_left() const { return candidates_left_; }
    void keep_candidates_left(std::int64_t left) { candidates_left_ = left; }

    // Called once the current search has tested its allowance of candidates,
    // with the allowance's count (now below 0): whether it may go on testing
    // them, with another allowance in `left`. False hands the search over to the
    // suffix index (handed_over()), made by the caller at the first handover.
    bool keeps_testing_candidates(std::int64_t& left, bool index_made);
    // The current search goes on through the suffix index now.
    void hand_over() { handed_over_ = true; }
    bool handed_over() const { return handed_over_; }
    // Whether the current search tested more candidates than its own allowance.
    bool swarmed() const { return call_swarm_ != 0; }

    // Whether the searches that swarm have cost more than `sixty_fourths` of
    // their allowance and none swarmed vastly, so that the suffix index will
    // likely be made, though not at once: after a vast swarm it mostly is, a
    // few searches on. 0: once any search has swarmed, vastly or not (tests).
    bool index_likely(std::int64_t sixty_fourths) const {
        return (vast_swarms_ == 0 || sixty_fourths == 0) &&
               (swarm_allowance_at_start_ - swarm_allowance_) * 64 > sixty_fourths * swarm_allowance_at_start_;
    }

    // Once the index is made, a search from a line whose fingerprint has more
    // blocks than this in the second file (a common line) goes there at once
    // while most such searches swarm (on lines drawn from a few values, or a
    // short cycle, all do; where a rare line follows soon after, as with lone
    // braces, many do not).
    static bool common(std::int64_t blocks) { return blocks > COMMON_LINE_BLOCKS; }
    // Whether a search from a common line goes to the suffix index at once,
    // without trying the blocks first: so when most such searches lately swarmed
    // anyway. Every PROBE_EVERY-th one tries the blocks all the same, so that the
    // score follows the files.
    bool common_line_goes_to_index() {
        return ++common_searches_ % PROBE_EVERY != 0 && swarm_score_ >= SWARM_SCORE_TO_GO;
    }
    // After a search from a common line that tried the blocks: one that swarmed
    // raises the score by 1, one that did not lowers it by 3, so it rises while
    // more than three in four swarm.
    void score_common_search() {
        swarm_score_ = handed_over_ ? std::min(swarm_score_ + 1, SWARM_SCORE_MOST)
                                    : std::max<std::int64_t>(swarm_score_ - 3, 0);
    }

private:
    // Candidates one search may test before it counts as swarming: on typical
    // text a pattern's rarest block occurs a few times, and the hashes keep near
    // misses cheap.
    static constexpr std::int64_t CALL_CANDIDATES = 32;
    // The same once the suffix index is made: a search that swarms costs little
    // there, and the candidates tested before handing over are lost.
    static constexpr std::int64_t CALL_CANDIDATES_WITH_INDEX = 2;
    // The score of common-line searches counts in [0, SWARM_SCORE_MOST] and
    // sends them to the index from SWARM_SCORE_TO_GO on.
    static constexpr std::int64_t COMMON_LINE_BLOCKS = 64;
    static constexpr std::int64_t PROBE_EVERY = 16;
    static constexpr std::int64_t SWARM_SCORE_TO_GO = 32;
    static constexpr std::int64_t SWARM_SCORE_MOST = 64;
    // A search that alone tests more candidates than a 64th of both files' lines
    // swarms vastly: the files have so few distinct lines that searches will keep
    // doing so, and after four of them the index is made at once. Searches on
    // typical text that swarm at all test a few thousand candidates at most.
    static constexpr std::int64_t VAST_SWARM_SHARE = 64;
    static constexpr std::int64_t VAST_SWARMS = 4;

    std::int64_t lines_;  // of both files
    // Lines measured at candidates that passed their last lines but fell short.
    std::int64_t near_miss_lines_ = 0;
    std::int64_t near_miss_allowance_;
    std::int64_t candidates_left_ = 0;  // the current search's allowance, counted down
    // What the searches that swarm may test beyond their own allowances before
    // the index is made, counted down.
    std::int64_t swarm_allowance_;
    std::int64_t swarm_allowance_at_start_;
    std::int64_t call_swarm_ = 0;       // what the current search has tested beyond its allowance
    std::int64_t vast_swarms_ = 0;      // searches that alone tested a share of the files' lines
    std::int64_t common_searches_ = 0;  // searches from common lines, see common_line_goes_to_index()
    std::int64_t swarm_score_ = 0;      // see score_common_search()
    bool handed_over_ = false;          // the current search goes on through the suffix index
};

inline bool SearchEscalation::keeps_testing_candidates(std::int64_t& left, bool index_made) {
    std::int64_t vast = lines_ / VAST_SWARM_SHARE;
    if (call_swarm_ < vast && call_swarm_ + CALL_CANDIDATES >= vast) ++vast_swarms_;
    if (index_made || swarm_allowance_ <= 0 || vast_swarms_ >= VAST_SWARMS) {
        handed_over_ = true;
        return false;
    }
    left = CALL_CANDIDATES - 1;
    call_swarm_ += CALL_CANDIDATES;
    swarm_allowance_ -= CALL_CANDIDATES;
    return true;
}

}  // namespace vesk
