#include "compare/match/search_escalation.h"

namespace vesk {
namespace {

// Once the searches that swarm have tested this many candidates per line of both
// files beyond their own allowance, they have cost about what making the suffix
// index costs, and it is made; from then on every search that swarms goes on
// through it. Typical pairs never get there.
constexpr std::int64_t SWARM_CANDIDATES_PER_LINE = 4;

}  // namespace

SearchEscalation::SearchEscalation(std::int64_t lines, std::int64_t near_miss_allowance)
    : lines_(lines),
      near_miss_allowance_(near_miss_allowance),
      swarm_allowance_(SWARM_CANDIDATES_PER_LINE * lines),
      swarm_allowance_at_start_(swarm_allowance_) {}

}  // namespace vesk
