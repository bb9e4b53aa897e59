#include "reference_matcher.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vesk::reference {
namespace {

constexpr std::int64_t LONG_RUN = 30;

struct Tables {
    LineTable& first;
    LineTable& second;
    RunTableEntries& runs;
};

void find_run(Tables& t, std::int64_t i, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) {
    const std::uint32_t* fp1 = t.first.fingerprints;
    const std::uint32_t* fp2 = t.second.fingerprints;
    std::int64_t best = 0;
    std::int64_t start = 0;
    std::int64_t j = lo2;
    while (j < hi2) {
        if (fp2[j] != fp1[i]) {
            ++j;
            continue;
        }
        std::int64_t length = 1;
        if (best >= 2) {
            if (j + best > hi2) break;
            // The last line of the best length first, then back to the second.
            std::int64_t k = best - 1;
            while (k >= 1 && fp1[i + k] == fp2[j + k]) --k;
            if (k >= 1) {
                ++j;
                continue;
            }
            length = best;
        }
        while (i + length < end1 && j + length < hi2 && fp1[i + length] == fp2[j + length]) ++length;
        if (length > best) {
            best = length;
            start = j;
        }
        j += length;
    }
    t.runs.lengths[i] = best;
    if (best > 0) t.runs.starts[i] = start;
}

bool fits(const Tables& t, std::int64_t a, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2) {
    const std::int64_t length = t.runs.lengths[a], start = t.runs.starts[a];
    return a + length <= hi1 && start >= lo2 && start + length <= hi2;
}

std::int64_t choose_run(Tables& t, std::int64_t lo1, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2) {
    std::int64_t result = -1;
    for (std::int64_t a = lo1, best = 0; a < hi1; ++a)
        if (t.runs.lengths[a] > best && fits(t, a, hi1, lo2, hi2)) best = t.runs.lengths[result = a];
    return result;
}

void refresh_runs(Tables& t, std::int64_t lo1, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2) {
    for (std::int64_t d = lo1; d < hi1;) {
        const std::int64_t length = t.runs.lengths[d], start = t.runs.starts[d];
        if (fits(t, d, hi1, lo2, hi2)) {
            ++d;
        } else if (length <= LONG_RUN) {
            find_run(t, d, hi1, lo2, hi2);
            ++d;
        } else {
            const std::int64_t count = (d + length > hi1 || start + length > hi2) ? hi1 - d : length;
            for (std::int64_t done = 0; done < count;) {
                find_run(t, d, hi1, lo2, hi2);
                const std::int64_t step = t.runs.lengths[d] > LONG_RUN ? t.runs.lengths[d] : 1;
                d += step;
                done += step;
            }
        }
    }
}

void mark_run(Tables& t, std::int64_t i1, std::int64_t lo1, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2);

// The longest run that fits a part is marked, after its runs are refreshed
// (the first pass has just measured them all).
void match_part(Tables& t, std::int64_t lo1, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2, bool refresh) {
    if (refresh) refresh_runs(t, lo1, hi1, lo2, hi2);
    const std::int64_t b = choose_run(t, lo1, hi1, lo2, hi2);
    if (b != -1) mark_run(t, b, lo1, hi1, lo2, hi2);
}

void mark_run(Tables& t, std::int64_t i1, std::int64_t lo1, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2) {
    const std::int64_t i2 = t.runs.starts[i1], length = t.runs.lengths[i1];
    for (std::int64_t k = 0; k < length; ++k) t.first.marks[i1 + k] = t.second.marks[i2 + k] = 1;
    if (i1 > lo1) match_part(t, lo1, i1, lo2, i2, true);
    if (i1 + length < hi1) match_part(t, i1 + length, hi1, i2 + length, hi2, true);
}

}  // namespace

RunTableEntries match_lines(LineTable& first, LineTable& second) {
    const auto entries = static_cast<std::size_t>(first.count + 1);
    RunTableEntries runs{std::vector<std::int64_t>(entries, 0), std::vector<std::int64_t>(entries, 0), {}, {}};
    Tables t{first, second, runs};
    for (std::int64_t i = 0; i < first.count; i += runs.lengths[i] > LONG_RUN ? runs.lengths[i] : 1)
        find_run(t, i, first.count, 0, second.count);
    match_part(t, 0, first.count, 0, second.count, false);
    return runs;
}

}  // namespace vesk::reference
