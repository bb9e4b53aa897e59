#include "compare/match/run_measures.h"

#include <algorithm>
#include <array>

namespace vesk {
namespace {

// The longest pattern examined for overlapping itself: the check stays on the
// stack, and longer patterns rarely have many candidates.
constexpr std::int64_t LONGEST_OVERLAP_CHECK = 64;

}  // namespace

// A stretch that ends as it begins has the first line again after the first: where
// it has not (most lines of most files are unlike their neighbours), one plain
// comparison per line settles it.
bool may_overlap_itself(const std::uint32_t* lines, std::int64_t length) {
    if (length > LONGEST_OVERLAP_CHECK) return true;
    if (!first_recurs(lines, length)) return false;
    std::array<std::int64_t, LONGEST_OVERLAP_CHECK> border{};  // border[k]: of lines [0, k]
    for (std::int64_t k = 1; k < length; ++k) {
        std::int64_t size = border[static_cast<std::size_t>(k - 1)];
        while (size > 0 && lines[k] != lines[size]) size = border[static_cast<std::size_t>(size - 1)];
        border[static_cast<std::size_t>(k)] = lines[k] == lines[size] ? size + 1 : 0;
    }
    return length > 0 && border[static_cast<std::size_t>(length - 1)] > 0;
}

}  // namespace vesk
