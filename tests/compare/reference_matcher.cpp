#include "reference_matcher.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/run_end.h"

namespace vesk::reference {
namespace {

constexpr std::int64_t LONG_RUN = 30;

struct Tables {
    LineTable& first;
    LineTable& second;
    Diagnostics& diagnostics;
    RunTableEntries& runs;
};

void find_run(Tables& t, std::int64_t i, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) {
    const std::uint32_t* fp1 = t.first.fingerprints;
    const std::uint32_t* fp2 = t.second.fingerprints;
    if (i > t.first.count) {
        emit_error(t.diagnostics, "program error!\n");
        end_run(2);
    }
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
            bool whole = true;
            for (std::int64_t k = best - 1; k >= 1; --k) {
                if (fp1[i + k] != fp2[j + k]) {
                    whole = false;
                    break;
                }
            }
            if (!whole) {
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
    if (best > 0) {
        if (start >= hi2) {
            emit_error(t.diagnostics, "program error\n");
            end_run(2);
        }
        t.runs.starts[i] = start;
    }
}

bool fits(const Tables& t, std::int64_t a, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2) {
    std::int64_t length = t.runs.lengths[a];
    std::int64_t start = t.runs.starts[a];
    return a + length <= hi1 && start >= lo2 && start + length <= hi2;
}

std::int64_t choose_run(Tables& t, std::int64_t lo1, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2) {
    std::int64_t result = -1;
    std::int64_t best = 0;
    for (std::int64_t a = lo1; a < hi1; ++a) {
        if (t.runs.lengths[a] > best && fits(t, a, hi1, lo2, hi2)) {
            result = a;
            best = t.runs.lengths[a];
        }
    }
    return result;
}

void refresh_runs(Tables& t, std::int64_t lo1, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2) {
    std::int64_t d = lo1;
    while (d < hi1) {
        std::int64_t length = t.runs.lengths[d];
        std::int64_t start = t.runs.starts[d];
        if (fits(t, d, hi1, lo2, hi2)) {
            ++d;
        } else if (length <= LONG_RUN) {
            find_run(t, d, hi1, lo2, hi2);
            ++d;
        } else {
            std::int64_t count = (d + length > hi1 || start + length > hi2) ? hi1 - d : length;
            std::int64_t b = d;
            for (std::int64_t done = 0; done < count;) {
                find_run(t, b, hi1, lo2, hi2);
                std::int64_t step = t.runs.lengths[b] > LONG_RUN ? t.runs.lengths[b] : 1;
                b += step;
                done += step;
            }
            d = b;
        }
    }
}

void mark_run(Tables& t, std::int64_t i1, std::int64_t i2, std::int64_t length, std::int64_t lo1, std::int64_t hi1,
              std::int64_t lo2, std::int64_t hi2) {
    for (std::int64_t k = 0; k < length; ++k) {
        if (t.first.marks[i1 + k] != 0 || t.second.marks[i2 + k] != 0) {
            emit_error(t.diagnostics, "program error: multiple flag set\n");
            end_run(2);
        }
        t.first.marks[i1 + k] = 1;
        t.second.marks[i2 + k] = 1;
    }
    if (i1 > lo1) {
        refresh_runs(t, lo1, i1, lo2, i2);
        std::int64_t b = choose_run(t, lo1, i1, lo2, i2);
        if (b != -1) mark_run(t, b, t.runs.starts[b], t.runs.lengths[b], lo1, i1, lo2, i2);
    }
    if (i1 + length < hi1) {
        refresh_runs(t, i1 + length, hi1, i2 + length, hi2);
        std::int64_t b = choose_run(t, i1 + length, hi1, i2 + length, hi2);
        if (b != -1)
            mark_run(t, b, t.runs.starts[b], t.runs.lengths[b], i1 + length, hi1, i2 + length, hi2);
    }
}

}  // namespace

RunTableEntries match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics) {
    auto entries = static_cast<std::size_t>(first.count + 1);
    RunTableEntries runs{std::vector<std::int64_t>(entries, 0), std::vector<std::int64_t>(entries, 0), {}};
    Tables t{first, second, diagnostics, runs};
    const std::int64_t n1 = first.count;
    const std::int64_t n2 = second.count;
    for (std::int64_t i = 0; i < n1;) {
        find_run(t, i, n1, 0, n2);
        i += runs.lengths[i] > LONG_RUN ? runs.lengths[i] : 1;
    }
    std::int64_t b = choose_run(t, 0, n1, 0, n2);
    if (b != -1) mark_run(t, b, runs.starts[b], runs.lengths[b], 0, n1, 0, n2);
    return runs;
}

}  // namespace vesk::reference
