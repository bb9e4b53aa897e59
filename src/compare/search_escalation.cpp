#include "compare/search_escalation.h"

namespace vesk {
namespace {

// Once the searches that swarm have tested this many candidates per line of both
// files beyond their own allowance, they have cost about what making the suffix
// index costs, and it is made; from then on every search that swarms goes on
// through it. Typical pairs never get there.
constexpr std::int64_t SWARM_CANDIDATES_PER_LINE = 4;

// A search that alone tests more candidates than a 64th of both files' lines
// swarms vastly: the files have so few distinct lines that searches will keep
// doing so, and after four of them the index is made at once. Searches on
// typical text that swarm at all test a few thousand candidates at most.
constexpr std::int64_t VAST_SWARM_SHARE = 64;
constexpr std::int64_t VAST_SWARMS = 4;

}  // namespace

SearchEscalation::SearchEscalation(std::int64_t lines, std::int64_t near_miss_allowance)
    : lines_(lines), near_miss_allowance_(near_miss_allowance), swarm_allowance_(SWARM_CANDIDATES_PER_LINE * lines) {}

bool SearchEscalation::keeps_testing_candidates(std::int64_t& left, bool index_made) {
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
