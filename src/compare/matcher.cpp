#include "compare/matcher.h"

#include <vector>

#include "support/run_end.h"

namespace vesk {
namespace {

// A window: [lo1, hi1) of the first file by [lo2, hi2) of the second.
struct Window {
    std::int64_t lo1, hi1, lo2, hi2;
};

struct Matcher {
    LineTable& first;
    LineTable& second;
    Diagnostics& diagnostics;

    void find_run(std::int64_t i, std::int64_t end1, std::int64_t lo2, std::int64_t hi2);
    std::int64_t choose_run(const Window& w) const;
    void refresh_runs(const Window& w);
    void mark_run(std::int64_t i1, std::int64_t i2, std::int64_t length, const Window& w);

    bool fits(std::int64_t line, const Window& w) const {
        std::int64_t length = first.run_length[line];
        std::int64_t start = first.run_start[line];
        return line + length <= w.hi1 && start >= w.lo2 && start + length <= w.hi2;
    }
};

void Matcher::find_run(std::int64_t i, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) {
    const std::uint32_t* fp1 = first.fingerprints;
    const std::uint32_t* fp2 = second.fingerprints;
    if (i >= first.count) {
        emit_error(diagnostics, "program error!\n");
        end_run(2);
    }
    std::int64_t best = 0;
    std::int64_t start = 0;
    for (std::int64_t j = lo2; j < hi2;) {
        if (fp2[j] != fp1[i]) {
            ++j;
            continue;
        }
        std::int64_t length = 1;
        if (best >= 2) {
            if (j + best > hi2) break;
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
    first.run_length[i] = best;
    if (best == 0) return;
    if (start >= hi2) {
        emit_error(diagnostics, "program error\n");
        end_run(2);
    }
    first.run_start[i] = start;
}

std::int64_t Matcher::choose_run(const Window& w) const {
    std::int64_t result = -1;
    std::int64_t best = 0;
    for (std::int64_t a = w.lo1; a < w.hi1; ++a) {
        if (first.run_length[a] > best && fits(a, w)) {
            result = a;
            best = first.run_length[a];
        }
    }
    return result;
}

void Matcher::refresh_runs(const Window& w) {
    std::int64_t d = w.lo1;
    while (d < w.hi1) {
        std::int64_t length = first.run_length[d];
        std::int64_t start = first.run_start[d];
        if (fits(d, w)) {
            ++d;
        } else if (length <= LONG_RUN) {
            find_run(d, w.hi1, w.lo2, w.hi2);
            ++d;
        } else {
            std::int64_t count = (d + length > w.hi1 || start + length > w.hi2) ? w.hi1 - d : length;
            std::int64_t b = d;
            for (std::int64_t done = 0; done < count;) {
                find_run(b, w.hi1, w.lo2, w.hi2);
                std::int64_t step = first.run_length[b] > LONG_RUN ? first.run_length[b] : 1;
                b += step;
                done += step;
            }
            d = b;
        }
    }
}

// Marks the run, then handles the window's part before it completely and then
// the part after it. The nesting can be as deep as there are runs, so pending
// parts wait on an explicit stack instead of the call stack; the part after a run
// is pushed first so that the part before it (and all it leads to) is done first.
void Matcher::mark_run(std::int64_t i1, std::int64_t i2, std::int64_t length, const Window& w) {
    struct Pending {
        std::int64_t i1, i2, length;
        Window window;
    };
    std::vector<Window> parts;
    Pending run{i1, i2, length, w};
    for (;;) {
        for (std::int64_t k = 0; k < run.length; ++k) {
            if (first.marks[run.i1 + k] != MARK_UNMATCHED || second.marks[run.i2 + k] != MARK_UNMATCHED) {
                emit_error(diagnostics, "program error: multiple flag set\n");
                end_run(2);
            }
            first.marks[run.i1 + k] = MARK_MATCHED;
            second.marks[run.i2 + k] = MARK_MATCHED;
        }
        const Window& ww = run.window;
        std::int64_t end1 = run.i1 + run.length;
        std::int64_t end2 = run.i2 + run.length;
        if (end1 < ww.hi1) parts.push_back({end1, ww.hi1, end2, ww.hi2});
        if (run.i1 > ww.lo1) parts.push_back({ww.lo1, run.i1, ww.lo2, run.i2});
        std::int64_t chosen = -1;
        while (chosen == -1 && !parts.empty()) {
            Window part = parts.back();
            parts.pop_back();
            refresh_runs(part);
            chosen = choose_run(part);
            if (chosen != -1) run = {chosen, first.run_start[chosen], first.run_length[chosen], part};
        }
        if (chosen == -1) return;
    }
}

}  // namespace

void match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics) {
    Matcher matcher{first, second, diagnostics};
    const std::int64_t n1 = first.count;
    const std::int64_t n2 = second.count;
    for (std::int64_t i = 0; i < n1;) {
        matcher.find_run(i, n1, 0, n2);
        i += first.run_length[i] > LONG_RUN ? first.run_length[i] : 1;
    }
    Window whole{0, n1, 0, n2};
    std::int64_t chosen = matcher.choose_run(whole);
    if (chosen != -1) matcher.mark_run(chosen, first.run_start[chosen], first.run_length[chosen], whole);
}

}  // namespace vesk
